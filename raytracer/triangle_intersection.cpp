#include "triangle_intersection.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace kelto {
namespace {

bool IsZero(const Vec3f& v) {
    return v.x == 0.0f && v.y == 0.0f && v.z == 0.0f;
}

}  // namespace

int DominantAxis(const Vec3f& v) {
    const float ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
    if (ay < ax) {
        return az >= ax ? 2 : 0;
    }
    return az >= ay ? 2 : 1;
}

TriangleSphere SphereAround(const Vec3f& c0, const Vec3f& c1, const Vec3f& c2) {
    const double third = 1.0 / 3.0;
    TriangleSphere sphere;
    sphere.centre = {static_cast<float>((c0.x + c1.x + c2.x) * third),
                     static_cast<float>((c0.y + c1.y + c2.y) * third),
                     static_cast<float>((c0.z + c1.z + c2.z) * third)};
    for (const Vec3f* c : {&c0, &c1, &c2}) {
        const Vec3f d = *c - sphere.centre;
        sphere.radius_squared = std::max(sphere.radius_squared, Dot(d, d));
    }
    return sphere;
}

bool RayMeetsSphere(const TriangleSphere& sphere, const Vec3f& origin, const Vec3f& direction,
                    float max_distance) {
    const Vec3f l = sphere.centre - origin;
    const float b = Dot(direction, l);
    const float c = Dot(l, l);
    if (sphere.radius_squared < c && b < 1e-7f) {
        return false;
    }
    const float disc = b * b - c + sphere.radius_squared;
    return disc > 1e-7f && b - std::sqrt(disc) < max_distance;
}

namespace {

// Fills what HitTriangle reads; returns whether the first two corners swap places.
bool FillTested(const Vec3f& c0, const Vec3f& c1, const Vec3f& c2, RenderTriangle& t) {
    const TriangleSphere sphere = SphereAround(c0, c1, c2);
    t.sphere_centre = sphere.centre;
    t.sphere_radius_squared = sphere.radius_squared;
    t.plane_normal = Normalised(Cross(c0 - c1, c2 - c1));
    t.plane_offset = -Dot(t.plane_normal, c0);

    const int axis = DominantAxis(t.plane_normal);
    bool swap = false;
    switch (axis) {
        case 0:
            swap = (c1.z - c0.z) * (c1.y - c2.y) < (c1.y - c0.y) * (c1.z - c2.z);
            break;
        case 1:
            swap = (c1.z - c2.z) * (c1.x - c0.x) > (c1.z - c0.z) * (c1.x - c2.x);
            break;
        default:
            swap = (c1.y - c2.y) * (c1.x - c0.x) > (c1.y - c0.y) * (c1.x - c2.x);
            break;
    }
    t.corner[0] = swap ? c1 : c0;
    t.corner[1] = swap ? c0 : c1;
    t.corner[2] = c2;
    t.flags = static_cast<std::uint32_t>(axis);
    return swap;
}

}  // namespace

RenderTriangle MakeTestedTriangle(const Vec3f& c0, const Vec3f& c1, const Vec3f& c2) {
    RenderTriangle t;
    FillTested(c0, c1, c2, t);
    return t;
}

RenderTriangle MakeRenderTriangle(TriangleCorner corners[3]) {
    RenderTriangle t;
    const bool swap = FillTested(corners[0].position, corners[1].position, corners[2].position, t);
    for (int i = 0; i < 3; ++i) {
        if (IsZero(corners[i].normal)) {
            corners[i].normal = t.plane_normal;
        }
    }
    int order[3] = {0, 1, 2};
    if (swap) {
        std::swap(order[0], order[1]);
    }
    for (int i = 0; i < 3; ++i) {
        const TriangleCorner& c = corners[order[i]];
        t.normal[i] = c.normal;
        t.corner_u[i] = c.u;
        t.corner_v[i] = c.v;
    }
    const int interpolation = DominantAxis(t.corner[2] - t.corner[1]);
    t.flags |= static_cast<std::uint32_t>(interpolation) << 2;

    // The gradient E with E . (P - corner 0) = 0 at corner 0 and 1 on the edge 1 -> 2.
    const Vec3f e = Normalised(t.corner[1] - t.corner[2]);
    const Vec3f w = t.corner[0] - t.corner[2];
    const Vec3f p = e * Dot(w, e) - w;
    const Vec3f g = Normalised(p);
    t.edge_gradient = g * (-1.0f / Dot(g, w));
    return t;
}

bool HitTriangle(const RenderTriangle& t, const Vec3f& origin, const Vec3f& direction,
                 float max_distance, float& distance) {
    if (!RayMeetsSphere({t.sphere_centre, t.sphere_radius_squared}, origin, direction,
                        max_distance)) {
        return false;
    }
    // Plane.
    const float den = Dot(direction, t.plane_normal);
    if (!(std::fabs(den) >= 1e-6f)) {  // also refuses degenerate (NaN) planes
        return false;
    }
    const float hit = -(Dot(origin, t.plane_normal) + t.plane_offset) / den;
    if (!(hit >= kMinHitDistance && hit < kMaxHitDistance) || !(hit < max_distance)) {
        return false;
    }
    // Inside, in the plane of the projection axis; points on an edge are inside.
    const Vec3f h = origin + direction * hit;
    const int axis = static_cast<int>(t.flags & 3u);
    const int si = axis == 0 ? 1 : 0;
    const int ri = axis == 2 ? 1 : 2;
    const float hs = Component(h, si), hr = Component(h, ri);
    for (int i = 0; i < 3; ++i) {
        const Vec3f& p1 = t.corner[i];
        const Vec3f& p2 = t.corner[(i + 1) % 3];
        const float p1s = Component(p1, si), p1r = Component(p1, ri);
        const float p2s = Component(p2, si), p2r = Component(p2, ri);
        if (!((p2s - hs) * (p2r - p1r) >= (p2r - hr) * (p2s - p1s))) {
            return false;
        }
    }
    distance = hit;
    return true;
}

SurfacePoint3 CompleteHit(const RenderTriangle& t, const Vec3f& origin, const Vec3f& direction,
                          float distance) {
    SurfacePoint3 s;
    s.point = origin + direction * distance;
    const Vec3f w = s.point - t.corner[0];
    const float along = Dot(t.edge_gradient, w);
    if (!(along >= 1e-6f)) {
        s.normal = t.normal[0];
        s.u = t.corner_u[0];
        s.v = t.corner_v[0];
        return s;
    }
    const int a = static_cast<int>((t.flags >> 2) & 3u);
    const float c0 = Component(t.corner[0], a), c1 = Component(t.corner[1], a),
                c2 = Component(t.corner[2], a);
    const float r = (Component(w, a) / along + c0 - c1) / (c2 - c1);
    auto mix = [&](float x0, float x1, float x2) { return x0 + along * (x1 + r * (x2 - x1) - x0); };
    s.normal = Normalised({mix(t.normal[0].x, t.normal[1].x, t.normal[2].x),
                           mix(t.normal[0].y, t.normal[1].y, t.normal[2].y),
                           mix(t.normal[0].z, t.normal[1].z, t.normal[2].z)});
    s.u = mix(t.corner_u[0], t.corner_u[1], t.corner_u[2]);
    s.v = mix(t.corner_v[0], t.corner_v[1], t.corner_v[2]);
    return s;
}

namespace {

// The interval of the ray's parameter inside the box's slabs; false when the ray runs beside
// the box, parallel to a pair of its faces.
bool SlabInterval(const Vec3f& min, const Vec3f& max, const Vec3f& origin, const Vec3f& inverse,
                  float& enter, float& leave) {
    enter = -INFINITY;
    leave = INFINITY;
    const float o[3] = {origin.x, origin.y, origin.z};
    const float inv[3] = {inverse.x, inverse.y, inverse.z};
    const float lo[3] = {min.x, min.y, min.z};
    const float hi[3] = {max.x, max.y, max.z};
    for (int a = 0; a < 3; ++a) {
        if (std::isinf(inv[a])) {
            // Parallel to this pair of faces: inside the slab or never.
            if (o[a] < lo[a] || o[a] > hi[a]) {
                return false;
            }
            continue;
        }
        float t0 = (lo[a] - o[a]) * inv[a];
        float t1 = (hi[a] - o[a]) * inv[a];
        if (t0 > t1)
            std::swap(t0, t1);
        enter = std::max(enter, t0);
        leave = std::min(leave, t1);
    }
    return true;
}

// A little slack so that rounding never prunes a triangle that lies on the box.
bool Meets(float enter, float leave, float max_distance) {
    const float slack = 1e-4f * std::max(1.0f, std::fabs(leave));
    return enter <= leave + slack && leave >= -slack && enter < max_distance + slack;
}

}  // namespace

bool RayMeetsBox(const Vec3f& min, const Vec3f& max, const Vec3f& origin,
                 const Vec3f& inverse_direction, float max_distance) {
    float enter = 0.0f, leave = 0.0f;
    return SlabInterval(min, max, origin, inverse_direction, enter, leave) &&
           Meets(enter, leave, max_distance);
}

float RayBoxEntry(const Vec3f& min, const Vec3f& max, const Vec3f& origin,
                  const Vec3f& inverse_direction, float max_distance) {
    float enter = 0.0f, leave = 0.0f;
    if (!SlabInterval(min, max, origin, inverse_direction, enter, leave) ||
        !Meets(enter, leave, max_distance)) {
        return INFINITY;
    }
    return std::max(enter, 0.0f);
}

}  // namespace kelto
