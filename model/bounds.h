// Axis-aligned boxes and bounding spheres kept on every scene node.
#pragma once

#include <span>

#include "geometry.h"

namespace kelto {

// The box every empty box starts from; growing it by any point makes it that point.
inline constexpr float kEmptyBoxExtent = 1000000.0f;

struct BoundingBox {
    Vec3f min{kEmptyBoxExtent, kEmptyBoxExtent, kEmptyBoxExtent};
    Vec3f max{-kEmptyBoxExtent, -kEmptyBoxExtent, -kEmptyBoxExtent};

    void Reset() { *this = BoundingBox{}; }
    void Grow(const Vec3f& p) {
        if (p.x < min.x)
            min.x = p.x;
        if (p.y < min.y)
            min.y = p.y;
        if (p.z < min.z)
            min.z = p.z;
        if (p.x > max.x)
            max.x = p.x;
        if (p.y > max.y)
            max.y = p.y;
        if (p.z > max.z)
            max.z = p.z;
    }
    bool IsEmpty() const { return min.x > max.x || min.y > max.y || min.z > max.z; }
    friend bool operator==(const BoundingBox&, const BoundingBox&) = default;
};

struct BoundingSphere {
    Vec3f centre;
    float radius = 0.0f;
};

// Ritter's approximate bounding sphere. The first pass takes the extreme points along each
// axis (a point replaces an extreme only when strictly beyond it); the pair farthest apart
// starts the sphere (ties go to x over y, and to the pair found so far over z); the second
// pass grows the sphere to take in every point outside it. An empty set yields the sphere
// of the sentinel extremes.
BoundingSphere RitterSphere(std::span<const Vec3f> points);

// A node's bounding sphere: the Ritter sphere of its box corners multiplied by its scale.
BoundingSphere ScaledBoxSphere(const BoundingBox& box, const Vec3& scale);

}  // namespace kelto
