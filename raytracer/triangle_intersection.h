// The tracer's triangles: building them with their precomputed planes, bounding spheres and
// interpolation data, testing a ray against one, and completing a hit into a shading point.
#pragma once

#include "float_math.h"
#include "model/render_triangle.h"

namespace kelto {

// Nearest distance a ray may hit at, and the farthest any hit may be (0x4B189681).
inline constexpr float kMinHitDistance = 1e-6f;
inline constexpr float kMaxHitDistance = 10000001.0f;

struct TriangleCorner {
    Vec3f position;
    Vec3f normal;  // a normal that is exactly zero is replaced by the plane normal
    float u = 0.0f;
    float v = 0.0f;
};

// The axis of the largest absolute component; ties prefer z to y and x, and y to x. A
// triangle's projection axis is that of its plane normal.
int DominantAxis(const Vec3f& v);

// Builds the record from three corners in the order given (the build may swap the first two
// so that the inside test accepts interior points). Zero corner normals are replaced by the
// plane normal in `corners` too.
RenderTriangle MakeRenderTriangle(TriangleCorner corners[3]);
// The part of that record HitTriangle reads, from the corners' positions: the bounding
// sphere, the plane, the projection axis and the corners in the record's order. The rest is
// left as a new record has it.
RenderTriangle MakeTestedTriangle(const Vec3f& c0, const Vec3f& c1, const Vec3f& c2);

// The bounding sphere the record of a triangle with these corners, in this order, holds.
struct TriangleSphere {
    Vec3f centre;
    float radius_squared = 0.0f;
};
TriangleSphere SphereAround(const Vec3f& c0, const Vec3f& c1, const Vec3f& c2);
// The first part of HitTriangle: whether the ray may meet the triangle inside its bounding
// sphere nearer than `max_distance`.
bool RayMeetsSphere(const TriangleSphere& sphere, const Vec3f& origin, const Vec3f& direction,
                    float max_distance);

// The ray (origin, unit direction) against one triangle: bounding-sphere rejection, plane
// distance, inside test with edges counted inside. True, with the distance, for a hit nearer
// than `max_distance`.
bool HitTriangle(const RenderTriangle& triangle, const Vec3f& origin, const Vec3f& direction,
                 float max_distance, float& distance);

struct SurfacePoint3 {
    Vec3f point;
    Vec3f normal;
    float u = 0.0f;
    float v = 0.0f;
};

// The point, interpolated unit normal and texture coordinates of a hit at `distance`.
SurfacePoint3 CompleteHit(const RenderTriangle& triangle, const Vec3f& origin,
                          const Vec3f& direction, float distance);

// The ray against an axis-aligned box: whether it meets the box at a distance from 0 up to
// (not including) `max_distance`. A ray that starts inside passes.
bool RayMeetsBox(const Vec3f& min, const Vec3f& max, const Vec3f& origin,
                 const Vec3f& inverse_direction, float max_distance);
// Where the same ray enters the box (0 when it starts inside), or infinity when it does not
// meet it within `max_distance` (with the same slack).
float RayBoxEntry(const Vec3f& min, const Vec3f& max, const Vec3f& origin,
                  const Vec3f& inverse_direction, float max_distance);

}  // namespace kelto
