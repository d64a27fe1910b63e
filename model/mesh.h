// Drawable triangle meshes: the vertex record the views hand to OpenGL by pointer, the
// indexed triangle list with 16-bit indices.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bounds.h"
#include "geometry.h"

namespace kelto {

// Nine floats, 36 bytes: position, normal, normal-valid flag (1.0 set, 0.0 not), and the
// texture coordinates s, t (the surface parameters of the vertex).
struct DisplayVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float normal_valid = 0.0f;
    float s = 0.0f, t = 0.0f;

    Vec3f Position() const { return {x, y, z}; }
    Vec3f Normal() const { return {nx, ny, nz}; }
};
static_assert(sizeof(DisplayVertex) == 36, "DisplayVertex is passed to OpenGL as 9 floats");

// With 16-bit indices a mesh addresses at most this many vertices.
inline constexpr std::size_t kMaxMeshVertices = 65536;

// An indexed triangle list, three indices per triangle.
struct Mesh {
    std::vector<DisplayVertex> vertices;
    std::vector<std::uint16_t> indices;

    void Clear() {
        vertices.clear();
        indices.clear();
    }
    std::size_t TriangleCount() const { return indices.size() / 3; }
    // The box of every vertex position (the empty box for an empty mesh).
    BoundingBox Box() const;
};

}  // namespace kelto
