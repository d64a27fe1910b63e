#include "traced_mesh.h"

namespace kelto {

RenderTriangle TracedMesh::Triangle(std::size_t i) const {
    const std::array<std::uint16_t, 3>& at = triangles[i];
    TriangleCorner three[3] = {corners[at[0]], corners[at[1]], corners[at[2]]};
    return MakeRenderTriangle(three);
}

RenderTriangle TracedMesh::TestedTriangle(std::size_t i) const {
    const std::array<std::uint16_t, 3>& at = triangles[i];
    return MakeTestedTriangle(corners[at[0]].position, corners[at[1]].position,
                              corners[at[2]].position);
}

bool TracedMesh::Hits(std::size_t i, const Vec3f& origin, const Vec3f& direction,
                      float max_distance, float& distance) const {
    const std::array<std::uint16_t, 3>& at = triangles[i];
    const TriangleSphere sphere =
        SphereAround(corners[at[0]].position, corners[at[1]].position, corners[at[2]].position);
    return RayMeetsSphere(sphere, origin, direction, max_distance) &&
           HitTriangle(TestedTriangle(i), origin, direction, max_distance, distance);
}

}  // namespace kelto
