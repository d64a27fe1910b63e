// What every model reader shares when it fills a ModelScene: names made fit to keep, meshes
// cut into pieces of 16-bit indices, materials made from the values a file gives, and the
// check that a file named in a model lies in the model's own folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/material.h"
#include "model_import.h"

namespace kelto {

// A point or direction as model files hold them, in single precision, and the two operations
// the readers' face normals take.
struct FileVec {
    float x = 0, y = 0, z = 0;
};
inline FileVec Minus(const FileVec& a, const FileVec& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline FileVec Cross(const FileVec& a, const FileVec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A file naming thousands of missing pictures says so for the first few.
inline constexpr std::size_t kMaxPictureWarnings = 10;

// Printable ASCII only (anything else becomes '_'), at most kMaxImportNameBase bytes, no
// trailing spaces.
std::string CleanName(std::string_view name);

// Whether `file` (absolute, or relative to the working folder) lies inside `folder` (a
// canonical path) once its "..", links and the like are resolved. An empty folder holds nothing.
bool InsideFolder(const std::filesystem::path& folder, const std::string& file);

// What a file says of a material, each value only where it says it (colours as read, not yet
// checked).
struct FileMaterial {
    using Rgb = std::array<float, 3>;
    std::optional<Rgb> diffuse, base_colour, specular, ambient, emissive;
    std::optional<float> opacity, transmission, index_of_refraction, exponent, roughness, metallic;
};

// Our material from a file's: diffuse or base colour → colour, specular → highlight, ambient
// (when not black), emissive → glow, opacity or transmission → transparency, index of
// refraction (1 to 3), Phong exponent / 128 or 1 − roughness → shininess, metallic → reflect.
// Values that are not finite keep our defaults; the rest are clamped to their ranges.
Material MaterialFrom(const FileMaterial& file);

using Triangle = std::array<unsigned, 3>;

// A mesh's triangles over its vertices. Some readers give every triangle three vertices of
// its own, in order: those are counted, not listed.
struct MeshTriangles {
    std::vector<Triangle> listed;
    std::size_t in_order = 0;  // with none listed: the triangles (3t, 3t + 1, 3t + 2)

    std::size_t Count() const { return listed.empty() ? in_order : listed.size(); }
    Triangle operator[](std::size_t t) const {
        if (!listed.empty()) {
            return listed[t];
        }
        const auto first = static_cast<unsigned>(3 * t);
        return {first, first + 1, first + 2};
    }
};

// One vertex of a file's mesh as it is read (before scaling).
struct SourceVertex {
    std::array<float, 3> position{};
    std::array<float, 3> normal{};  // no length: the face's normal is taken
    std::array<float, 2> uv{};
};

// A file's mesh as the cutting reads it.
class MeshVertexSource {
  public:
    virtual ~MeshVertexSource() = default;
    virtual std::size_t VertexCount() const = 0;
    // The file gave vertex normals: vertices are shared, else each corner has its face's normal.
    virtual bool HasNormals() const = 0;
    virtual bool HasUv() const = 0;
    virtual SourceVertex Vertex(unsigned index) const = 0;
};

// Cuts a mesh, as triangles over its vertices, into pieces of at most kMaxMeshVertices
// vertices, scaled by `scale`. With normals, a vertex is shared within its piece (unless its
// normal has no length); without, every corner takes its face's normal. Each piece is given
// the room it will fill (at most), once. Triangles with a corner outside the mesh or not finite
// are left out and counted in `left_out`. Fills `mesh.pieces` and `mesh.smooth`.
void CutMesh(const MeshVertexSource& source, const MeshTriangles& triangles, double scale,
             ModelMesh& mesh, std::size_t& left_out);

}  // namespace kelto
