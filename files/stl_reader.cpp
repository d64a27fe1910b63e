#include "stl_reader.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <fstream>
#include <vector>

#include "model/message_table.h"
#include "model_building.h"

namespace kelto {
namespace {

static_assert(std::endian::native == std::endian::little, "STL floats are read in place");

constexpr std::size_t kHeaderBytes = 84;
constexpr std::size_t kFacetBytes = 50;
// Facets read from a file at a time: 200 KB.
constexpr std::size_t kFacetsPerRead = 4096;

using Vec = FileVec;

// Unit length, multiplying by the reciprocal as the library's vectors do (the last bit counts:
// the scene must not change with the reader); `fallback` when the length is zero or not finite.
Vec UnitOr(const Vec& v, const Vec& fallback) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) {
        return fallback;
    }
    const float inverse = 1 / length;
    return {inverse * v.x, inverse * v.y, inverse * v.z};
}

Vec FloatsAt(const std::uint8_t* at) {
    Vec v;
    std::memcpy(&v.x, at, 4);
    std::memcpy(&v.y, at + 4, 4);
    std::memcpy(&v.z, at + 8, 4);
    return v;
}

std::uint32_t CountOf(std::span<const std::uint8_t> head) {
    std::uint32_t count = 0;
    std::memcpy(&count, head.data() + 80, 4);
    return count;
}

// The default colour a Materialise header gives ("COLOR=" and four bytes, found by the same
// scan the library makes, which steps over a byte that breaks a match); it becomes the
// material's colour when no facet carries a colour of its own.
struct HeaderColour {
    bool found = false;
    ColourRgb colour;
};

HeaderColour ColourInHeader(std::span<const std::uint8_t> head) {
    static constexpr char kWord[] = "COLOR=";
    const auto byte = [&head](std::size_t i) { return i < head.size() ? head[i] : 0; };
    HeaderColour header;
    for (std::size_t at = 0; at < 80;) {
        std::size_t matched = 0;
        while (matched < 6 && byte(at++) == static_cast<std::uint8_t>(kWord[matched])) {
            ++matched;
        }
        if (matched == 6) {
            constexpr float kByte = 1.0f / 255.0f;
            header.found = true;
            header.colour = {byte(at) * kByte, byte(at + 1) * kByte, byte(at + 2) * kByte};
            break;
        }
    }
    return header;
}

// Cuts the file's facets, as they come, into pieces of at most kMaxMeshVertices vertices; each
// piece is given the room it will fill, once. A facet with a corner that is not finite (after
// scaling) is left out. Every corner takes the facet's normal from the file, or where that has
// no length the normal of the corners' own winding.
class FacetCutter {
  public:
    FacetCutter(std::size_t count, double scale) : remaining_(count), scale_(scale) {
        StartPiece();
    }

    void Add(const std::uint8_t* facet) {
        colours_ = colours_ || (facet[49] & 0x80) != 0;
        Vec p[3];
        for (int k = 0; k < 3; ++k) {
            const Vec read = FloatsAt(facet + 12 + 12 * k);
            p[k] = {static_cast<float>(read.x * scale_), static_cast<float>(read.y * scale_),
                    static_cast<float>(read.z * scale_)};
            if (!std::isfinite(p[k].x) || !std::isfinite(p[k].y) || !std::isfinite(p[k].z)) {
                ++left_out_;
                --remaining_;
                return;
            }
        }
        const Vec winding = UnitOr(Cross(Minus(p[1], p[0]), Minus(p[2], p[0])), Vec{});
        const Vec normal = UnitOr(FloatsAt(facet), winding);
        if (mesh_.pieces.back().vertices.size() + 3 > kMaxMeshVertices) {
            StartPiece();
        }
        Mesh& piece = mesh_.pieces.back();
        for (const Vec& corner : p) {
            DisplayVertex v;
            v.x = corner.x;
            v.y = corner.y;
            v.z = corner.z;
            v.nx = normal.x;
            v.ny = normal.y;
            v.nz = normal.z;
            v.normal_valid = 1.0f;
            piece.indices.push_back(static_cast<std::uint16_t>(piece.vertices.size()));
            piece.vertices.push_back(v);
        }
        --remaining_;
    }

    std::size_t LeftOut() const { return left_out_; }
    // A facet had the colour bit (bit 15 of its last two bytes) set.
    bool FacetColours() const { return colours_; }

    ModelMesh Take() {
        std::erase_if(mesh_.pieces, [](const Mesh& m) { return m.indices.empty(); });
        mesh_.smooth = true;  // the file's normals are the vertices' normals
        return std::move(mesh_);
    }

  private:
    void StartPiece() {
        Mesh& piece = mesh_.pieces.emplace_back();
        const std::size_t corners = std::min(3 * remaining_, kMaxMeshVertices);
        piece.vertices.reserve(corners);
        piece.indices.reserve(corners);
    }

    ModelMesh mesh_;
    std::size_t remaining_;  // from the facet being added on
    double scale_;
    std::size_t left_out_ = 0;
    bool colours_ = false;
};

Status Refused(const std::string& file_name, const char* why) {
    return Status::Message(kMsgModelReadFailed, {file_name, why});
}

// The checks made before the first facet: the count fits the size (IsBinaryStl) and the limit.
Status CheckHeader(std::span<const std::uint8_t> head, std::uint64_t size,
                   const std::string& file_name) {
    if (!IsBinaryStl(head, size)) {
        return Refused(file_name, "the triangle count does not match the file's size");
    }
    const std::uint32_t count = CountOf(head);
    if (count > kMaxImportTriangles) {
        return Status::Message(kMsgModelTooLarge,
                               {file_name, std::to_string(count) + " triangles"});
    }
    if (count == 0) {
        return Refused(file_name, "STL: file is empty. There are no facets defined");
    }
    return Status::Ok();
}

// The scene of one mesh: a root holding one node that shows it, and one material.
Result<ModelScene> SceneOf(FacetCutter& cutter, const HeaderColour& header,
                           const std::string& file_name) {
    ModelScene scene;
    Material& material = scene.materials.emplace_back();
    material.colour = header.found && !cutter.FacetColours() ? header.colour : ColourRgb{1, 1, 1};
    material.highlight = material.colour;
    material.ambient = {0.05f, 0.05f, 0.05f};
    if (cutter.LeftOut() > 0) {
        scene.warnings.push_back(
            Status::Message(kMsgModelFacesLeftOut, {std::to_string(cutter.LeftOut()), file_name}));
    }
    ModelMesh& mesh = scene.meshes.emplace_back(cutter.Take());
    for (const Mesh& piece : mesh.pieces) {
        scene.triangles += piece.TriangleCount();
    }
    if (scene.triangles == 0) {
        return Status::Message(kMsgModelEmpty, {file_name});
    }
    ModelNode& root = scene.nodes.emplace_back();
    root.name = "<STL_BINARY>";
    root.children.push_back(1);
    scene.nodes.emplace_back().meshes.push_back(0);
    return scene;
}

}  // namespace

bool IsBinaryStl(std::span<const std::uint8_t> head, std::uint64_t size) {
    return head.size() >= kHeaderBytes && kHeaderBytes + kFacetBytes * CountOf(head) == size;
}

Result<ModelScene> ReadBinaryStlBytes(std::span<const std::uint8_t> bytes,
                                      const std::string& file_name,
                                      const ModelImportOptions& options) {
    const Status header = CheckHeader(bytes, bytes.size(), file_name);
    if (!header.ok()) {
        return header;
    }
    const std::uint32_t count = CountOf(bytes);
    FacetCutter cutter(count, options.scale);
    for (std::size_t f = 0; f < count; ++f) {
        cutter.Add(bytes.data() + kHeaderBytes + kFacetBytes * f);
    }
    return SceneOf(cutter, ColourInHeader(bytes), file_name);
}

Result<ModelScene> ReadBinaryStlFile(const std::string& path, const std::string& file_name,
                                     const ModelImportOptions& options) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    const auto size = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    // The header, and the colour scan's few bytes past it.
    std::vector<std::uint8_t> block(kHeaderBytes + kFacetBytes * kFacetsPerRead);
    const auto read = [&in, &block](std::size_t offset, std::size_t bytes) {
        in.read(reinterpret_cast<char*>(block.data() + offset),
                static_cast<std::streamsize>(bytes));
        return static_cast<std::size_t>(in.gcount()) == bytes;
    };
    const std::size_t first = static_cast<std::size_t>(std::min<std::uint64_t>(size, block.size()));
    if (!read(0, first)) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    const std::span<const std::uint8_t> head(block.data(), first);
    const Status header = CheckHeader(head, size, file_name);
    if (!header.ok()) {
        return header;
    }
    const HeaderColour colour = ColourInHeader(head);
    const std::uint32_t count = CountOf(head);
    FacetCutter cutter(count, options.scale);
    std::size_t done = (first - kHeaderBytes) / kFacetBytes;
    for (std::size_t f = 0; f < done; ++f) {
        cutter.Add(block.data() + kHeaderBytes + kFacetBytes * f);
    }
    while (done < count) {
        const std::size_t facets = std::min<std::size_t>(count - done, kFacetsPerRead);
        if (!read(0, facets * kFacetBytes)) {  // the file shrank while it was read
            return Refused(file_name, "the file ends before its last triangle");
        }
        for (std::size_t f = 0; f < facets; ++f) {
            cutter.Add(block.data() + kFacetBytes * f);
        }
        done += facets;
    }
    return SceneOf(cutter, colour, file_name);
}

}  // namespace kelto
