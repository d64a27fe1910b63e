// The import of 3DS objects into the document.
#include <algorithm>
#include <cmath>
#include <map>

#include "document_core.h"
#include "document_operation.h"
#include "files/file_io.h"
#include "files/three_ds_reader.h"
#include "history.h"
#include "model/child_list.h"

namespace kelto {
namespace {

constexpr std::size_t kMaxNameBase = 20;  // names are stored in at most 24 bytes

// The file's z-up coordinates, scaled, as our y-up ones.
Vec3 ToSceneAxes(const Vec3f& p, double scale) {
    return {p.x * scale, p.z * scale, -p.y * scale};
}

Vec3 FaceNormal(const Vec3& a, const Vec3& b, const Vec3& c) {
    Vec3 n = Cross(b - a, c - a);
    const double length = n.Length();
    return length > 0 ? n * (1.0 / length) : n;
}

DisplayVertex MakeVertex(const Vec3& p, const Vec3& n) {
    DisplayVertex v;
    v.x = static_cast<float>(p.x);
    v.y = static_cast<float>(p.y);
    v.z = static_cast<float>(p.z);
    v.nx = static_cast<float>(n.x);
    v.ny = static_cast<float>(n.y);
    v.nz = static_cast<float>(n.z);
    v.normal_valid = 1.0f;
    return v;
}

// The meshes of one imported mesh, each within 16-bit indices: flat faces have corners of
// their own; smoothed faces share their vertices, with normals averaged over the faces.
std::vector<Mesh> BuildMeshes(const ImportedMesh& imported, double scale) {
    std::vector<Vec3> points(imported.vertices.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i] = ToSceneAxes(imported.vertices[i], scale);
    }
    std::vector<Vec3> smooth_normals;
    if (imported.smoothing) {
        smooth_normals.assign(points.size(), Vec3{});
        for (const ImportedFace& f : imported.faces) {
            const Vec3 n =
                Cross(points[f.b] - points[f.a], points[f.c] - points[f.a]);  // area-weighted
            for (std::uint16_t i : {f.a, f.b, f.c})
                smooth_normals[i] = smooth_normals[i] + n;
        }
        for (Vec3& n : smooth_normals) {
            const double length = n.Length();
            n = length > 0 ? n * (1.0 / length) : n;
        }
    }
    std::vector<Mesh> meshes(1);
    std::map<std::uint16_t, std::uint16_t> shared;  // file vertex -> vertex of the current mesh
    for (const ImportedFace& f : imported.faces) {
        const std::uint16_t corners[3] = {f.a, f.b, f.c};
        if (meshes.back().vertices.size() + 3 > kMaxMeshVertices) {
            meshes.emplace_back();
            shared.clear();
        }
        Mesh& mesh = meshes.back();
        if (!imported.smoothing) {
            const Vec3 n = FaceNormal(points[f.a], points[f.b], points[f.c]);
            for (std::uint16_t i : corners) {
                mesh.indices.push_back(static_cast<std::uint16_t>(mesh.vertices.size()));
                mesh.vertices.push_back(MakeVertex(points[i], n));
            }
            continue;
        }
        for (std::uint16_t i : corners) {
            auto it = shared.find(i);
            if (it == shared.end()) {
                it = shared.emplace(i, static_cast<std::uint16_t>(mesh.vertices.size())).first;
                mesh.vertices.push_back(MakeVertex(points[i], smooth_normals[i]));
            }
            mesh.indices.push_back(it->second);
        }
    }
    std::erase_if(meshes, [](const Mesh& m) { return m.indices.empty(); });
    return meshes;
}

// The material the mesh's first face with one names, mapped onto ours.
void TakeMaterial(const ImportedMesh& imported, Material& material) {
    for (const ImportedFace& f : imported.faces) {
        if (f.material != nullptr) {
            material.colour = f.material->diffuse;
            material.highlight = f.material->specular;
            material.shininess = std::clamp(f.material->shininess, 0.0f, 1.0f);
            material.transparency = std::clamp(f.material->transparency, 0.0f, 1.0f);
            return;
        }
    }
}

}  // namespace

Result<std::vector<NodeId>> DocumentCore::Import3ds(const std::string& path, double scale) {
    const std::string extension = ExtensionOf(path);
    if (LowerCase(extension) != "3ds") {
        return Status::Message(kMsgObjectTypeUnknown, {extension});
    }
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    const std::size_t slash = path.rfind('/');
    return Import3dsBytes(*bytes, slash == std::string::npos ? path : path.substr(slash + 1),
                          scale);
}

Result<std::vector<NodeId>> DocumentCore::Import3dsBytes(std::span<const std::uint8_t> bytes,
                                                         const std::string& file_name,
                                                         double extra_scale) {
    Operation operation(*this);
    Importer importer;
    const Status status = Read3ds(bytes, file_name, importer);
    if (!status.ok()) {
        return status;
    }
    struct Piece {
        const ImportedMesh* source;
        Mesh mesh;
        BoundingBox box;
    };
    std::vector<Piece> pieces;
    const double file_scale = importer.master_scale > 0 && std::isfinite(importer.master_scale)
                                  ? importer.master_scale
                                  : 1.0;
    const double scale =
        extra_scale > 0 && std::isfinite(extra_scale) ? file_scale * extra_scale : file_scale;
    float lowest = 1e30f;
    for (const ImportedMesh* imported : importer.mesh_order) {
        for (Mesh& mesh : BuildMeshes(*imported, scale)) {
            const BoundingBox box = mesh.Box();
            lowest = std::min(lowest, box.min.y);
            pieces.push_back({imported, std::move(mesh), box});
        }
    }
    std::vector<NodeId> nodes;
    if (pieces.empty()) {
        return nodes;
    }
    EditStep& step = Record("Import " + file_name.substr(0, kMaxNameBase));
    step.TouchChildren(scene_.Root());
    for (Piece& piece : pieces) {
        std::string base = piece.source->name.substr(0, kMaxNameBase);
        std::string name = base.empty() ? std::string(NameBase(ObjectType::Mesh)) : base;
        for (int i = 1; scene_.IsNameUsed(name); ++i) {
            name =
                (base.empty() ? std::string(NameBase(ObjectType::Mesh)) : base) + std::to_string(i);
        }
        SceneNode* node = *scene_.AddNode(ObjectType::Mesh, name);
        // Centred on its own box, standing with the whole import on the floor.
        const Vec3f& lo = piece.box.min;
        const Vec3f& hi = piece.box.max;
        const Vec3 centre{(lo.x + hi.x) * 0.5, (lo.y + hi.y) * 0.5, (lo.z + hi.z) * 0.5};
        for (DisplayVertex& v : piece.mesh.vertices) {
            v.x = static_cast<float>(v.x - centre.x);
            v.y = static_cast<float>(v.y - centre.y);
            v.z = static_cast<float>(v.z - centre.z);
        }
        node->shape = std::make_unique<MeshShape>();
        node->display_mesh = std::move(piece.mesh);
        node->box = node->display_mesh.Box();
        node->smooth = piece.source->smoothing;
        node->position = {centre.x, centre.y - lowest, centre.z};
        TakeMaterial(*piece.source, node->material);
        node->UpdateBounds();
        node->ComputeParentFromNode();
        LinkChild(scene_.Root(), *node);
        step.Added(*node);
        Notify(ChangeKind::NodeAdded, node->id);
        nodes.push_back(node->id);
    }
    if (nodes.empty()) {
        return nodes;
    }
    ClearSelection();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        SelectNode(nodes[i], i > 0);
    }
    if (nodes.size() > 1) {
        Group();
    }
    return nodes;
}

}  // namespace kelto
