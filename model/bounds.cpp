#include "bounds.h"

#include <cmath>

namespace kelto {
namespace {

struct Point3d {
    double x, y, z;
};

Point3d ToDouble(const Vec3f& p) {
    return {p.x, p.y, p.z};
}

double DistanceSquared(const Point3d& a, const Point3d& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return dx * dx + dy * dy + dz * dz;
}

}  // namespace

BoundingSphere RitterSphere(std::span<const Vec3f> points) {
    const Point3d low{kEmptyBoxExtent, kEmptyBoxExtent, kEmptyBoxExtent};
    const Point3d high{-kEmptyBoxExtent, -kEmptyBoxExtent, -kEmptyBoxExtent};
    Point3d min_x = low, min_y = low, min_z = low;
    Point3d max_x = high, max_y = high, max_z = high;

    for (const Vec3f& f : points) {
        const Point3d p = ToDouble(f);
        if (p.x < min_x.x)
            min_x = p;
        if (p.x > max_x.x)
            max_x = p;
        if (p.y < min_y.y)
            min_y = p;
        if (p.y > max_y.y)
            max_y = p;
        if (p.z < min_z.z)
            min_z = p;
        if (p.z > max_z.z)
            max_z = p;
    }

    Point3d first = min_x, second = max_x;
    double span = DistanceSquared(min_x, max_x);
    if (const double dy = DistanceSquared(min_y, max_y); dy > span) {
        first = min_y, second = max_y, span = dy;
    }
    if (const double dz = DistanceSquared(min_z, max_z); dz > span) {
        first = min_z, second = max_z;
    }

    Point3d centre{(first.x + second.x) * 0.5, (first.y + second.y) * 0.5,
                   (first.z + second.z) * 0.5};
    double radius = std::sqrt(DistanceSquared(centre, second));

    for (const Vec3f& f : points) {
        const Point3d p = ToDouble(f);
        const double d2 = DistanceSquared(centre, p);
        if (d2 > radius * radius) {
            const double d = std::sqrt(d2);
            const double grown = (radius + d) * 0.5;
            const double keep = d - grown;
            centre = {(grown * centre.x + keep * p.x) / d, (grown * centre.y + keep * p.y) / d,
                      (grown * centre.z + keep * p.z) / d};
            radius = grown;
        }
    }

    return {
        {static_cast<float>(centre.x), static_cast<float>(centre.y), static_cast<float>(centre.z)},
        static_cast<float>(radius)};
}

BoundingSphere ScaledBoxSphere(const BoundingBox& box, const Vec3& scale) {
    const Vec3f corners[2] = {
        {static_cast<float>(box.min.x * scale.x), static_cast<float>(box.min.y * scale.y),
         static_cast<float>(box.min.z * scale.z)},
        {static_cast<float>(box.max.x * scale.x), static_cast<float>(box.max.y * scale.y),
         static_cast<float>(box.max.z * scale.z)}};
    return RitterSphere(corners);
}

}  // namespace kelto
