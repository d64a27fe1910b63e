#include "obj_writer.h"

#include <cctype>
#include <cmath>
#include <fstream>

#include "model/message_table.h"
#include "model/placement_walk.h"

namespace kelto {
namespace {

// Writes the mesh's lines, its vertices placed by `world_from_mesh`, numbering from `first`.
void WriteMeshLines(const Mesh& mesh, const Matrix4* world_from_mesh, std::size_t first,
                    std::ostream& out) {
    const NormalTransform normals =
        world_from_mesh ? NormalTransform::Of(*world_from_mesh) : NormalTransform{};
    auto placed_normal = [&](const DisplayVertex& v) {
        Vec3 n = normals.Apply(v.nx, v.ny, v.nz);
        const double length = n.Length();
        return length > 0.0 ? n * (1.0 / length) : n;
    };
    for (const DisplayVertex& v : mesh.vertices) {
        const Vec3f p =
            world_from_mesh ? world_from_mesh->TransformPoint(v.Position()) : v.Position();
        out << "v " << p.x << ' ' << p.y << ' ' << p.z << '\n';
    }
    for (const DisplayVertex& v : mesh.vertices) {
        if (world_from_mesh) {
            const Vec3 n = placed_normal(v);
            out << "vn " << n.x << ' ' << n.y << ' ' << n.z << '\n';
        } else {
            out << "vn " << v.nx << ' ' << v.ny << ' ' << v.nz << '\n';
        }
    }
    for (const DisplayVertex& v : mesh.vertices) {
        out << "vt " << v.s << ' ' << v.t << '\n';
    }
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        out << 'f';
        for (const std::size_t k : {i, i + 1, i + 2}) {
            const std::size_t n = first + mesh.indices[k];
            out << ' ' << n << '/' << n << '/' << n;
        }
        out << '\n';
    }
}

void WriteMaterial(const std::string& name, const Material& m, std::ostream& mtl) {
    mtl << "newmtl " << name << '\n';
    mtl << "Kd " << m.colour.r * m.brightness << ' ' << m.colour.g * m.brightness << ' '
        << m.colour.b * m.brightness << '\n';
    mtl << "Ks " << m.highlight.r * m.highlight_strength << ' '
        << m.highlight.g * m.highlight_strength << ' ' << m.highlight.b * m.highlight_strength
        << '\n';
    mtl << "Ns " << m.shininess * 128.0f << '\n';
    mtl << "d " << 1.0f - m.transparency << '\n';
    mtl << "Ni " << m.index_of_refraction << "\n\n";
}

struct SceneWriter {
    std::ostream& obj;
    std::ostream& mtl;
    std::size_t next_vertex = 1;
    int objects = 0;

    void Write(const Placement& placed) {
        const SceneNode& node = placed.node;
        if (node.display_mesh.vertices.empty()) {
            return;
        }
        const std::string material = ObjMaterialName(node.name);
        obj << "o " << node.name << '\n' << "usemtl " << material << '\n';
        WriteMeshLines(node.display_mesh, &placed.world_from_node, next_vertex, obj);
        WriteMaterial(material, node.material, mtl);
        next_vertex += node.display_mesh.vertices.size();
        ++objects;
    }
};

}  // namespace

std::string ObjMaterialName(const std::string& node_name) {
    std::string name = node_name.empty() ? std::string("unnamed") : node_name;
    for (char& c : name) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    return name;
}

void WriteObj(const Mesh& mesh, std::ostream& out) {
    out << "# Kelto mesh: " << mesh.vertices.size() << " vertices, " << mesh.TriangleCount()
        << " triangles\n";
    WriteMeshLines(mesh, nullptr, 1, out);
}

Status WriteObjFile(const Mesh& mesh, const std::string& path) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (file) {
        WriteObj(mesh, file);
        file.flush();
    }
    return file ? Status::Ok() : Status::Message(kMsgExportWriteFailed, {path});
}

int WriteSceneObj(const Scene& scene, std::ostream& obj, std::ostream& mtl,
                  const std::string& mtl_name, bool selection_only) {
    obj << "# Kelto scene\nmtllib " << mtl_name << '\n';
    mtl << "# Kelto materials\n\n";
    SceneWriter writer{obj, mtl};
    auto write = [&writer](const Placement& placed) { writer.Write(placed); };
    if (!selection_only) {
        ForEachLeaf(scene.Root(), Matrix4{}, LeafRule::EveryNode, write);
        return writer.objects;
    }
    for (const SceneNode* top : scene.SelectedTopLevel()) {
        ForEachLeaf(*top, top->ComposeParentFromNode(), LeafRule::EveryNode, write);
    }
    return writer.objects;
}

}  // namespace kelto
