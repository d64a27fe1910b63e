// One object's triangles as a render keeps them: its corners placed in the world, and each
// triangle as the three corners it joins (most corners are shared by several triangles). The
// record a triangle's test and shading read, with its plane, bounding sphere and interpolation
// data, is made again from the corners when it is needed: MakeRenderTriangle gives the same
// bits every time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/render_triangle.h"
#include "triangle_intersection.h"

namespace kelto {

struct TracedMesh {
    std::vector<TriangleCorner> corners;
    std::vector<std::array<std::uint16_t, 3>> triangles;  // indices into `corners`, in order

    std::size_t Size() const { return triangles.size(); }
    bool Empty() const { return triangles.empty(); }
    // The full record of triangle `i`.
    RenderTriangle Triangle(std::size_t i) const;
    // Only the part of it the triangle's test reads (MakeTestedTriangle).
    RenderTriangle TestedTriangle(std::size_t i) const;
    // HitTriangle on triangle `i`; the record is made only when the ray meets its bounding
    // sphere.
    bool Hits(std::size_t i, const Vec3f& origin, const Vec3f& direction, float max_distance,
              float& distance) const;
    // The bytes the mesh holds.
    std::size_t Bytes() const {
        return corners.capacity() * sizeof(TriangleCorner) +
               triangles.capacity() * sizeof(triangles[0]);
    }
};

}  // namespace kelto
