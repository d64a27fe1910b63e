// The geometry of a glTF export: node placements as translation, rotation and scale, and the
// vertex attributes a glTF mesh needs (triangles worth writing, unit normals, tangents).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/geometry.h"
#include "model/mesh.h"

namespace kelto {

using Quaternion = std::array<double, 4>;  // x, y, z, w

// The rotation of a 3x3 matrix `a` (column vectors: a[row][column]) as a unit quaternion.
Quaternion QuaternionOf(const std::array<std::array<double, 3>, 3>& a);
// The rotation of a frame whose axes in the world are the columns x, y, z.
Quaternion FrameRotation(const Vec3& x, const Vec3& y, const Vec3& z);

// A placement split into translation, rotation and scale, as glTF nodes hold it.
struct Trs {
    Vec3 translation;
    Quaternion rotation{0, 0, 0, 1};
    Vec3 scale{1, 1, 1};
};

// Our matrices act on row vectors (p' = p * M) and are scale, then rotation, then translation;
// their rows are the scaled axes. A mirroring placement puts its mirror in the scale. Null when
// the matrix is not of that form (zero scale, a shear or a projective part), which glTF cannot
// hold as a node's translation, rotation and scale.
std::optional<Trs> Decompose(const Matrix4& m);

// The triangles of a mesh worth writing: indices inside the vertex list, three different
// corners.
std::vector<std::uint32_t> UsableIndices(const Mesh& mesh);

// Unit normals for every vertex: the mesh's own where it has one, otherwise the area-weighted
// normal of the triangles that use the vertex (or straight up when none gives one).
std::vector<Vec3f> UnitNormals(const Mesh& mesh, const std::vector<std::uint32_t>& indices);

// Tangents for a normal map: x, y, z along increasing s in the surface, square to the normal,
// and w the side (+1 or -1) on which increasing t (upwards in the picture) lies.
std::vector<std::array<float, 4>> Tangents(const Mesh& mesh,
                                           const std::vector<std::uint32_t>& indices,
                                           const std::vector<Vec3f>& normals);

}  // namespace kelto
