#include "decorations.h"

#include <algorithm>
#include <cmath>

namespace kelto {

std::array<Vec3f, 8> BoxCorners(const BoundingBox& box) {
    const Vec3f& M = box.max;
    const Vec3f& m = box.min;
    return {{{M.x, M.y, M.z},
             {M.x, m.y, M.z},
             {m.x, m.y, M.z},
             {m.x, M.y, M.z},
             {m.x, m.y, m.z},
             {M.x, m.y, m.z},
             {M.x, M.y, m.z},
             {m.x, M.y, m.z}}};
}

int OppositeCorner(int corner) {
    static constexpr int kOpposite[8] = {4, 7, 6, 5, 0, 3, 2, 1};
    return corner >= 0 && corner < 8 ? kOpposite[corner] : -1;
}

std::uint8_t HandleAxisMask(int handle_code) {
    static constexpr std::uint8_t kMasks[4] = {2, 4, 8, 14};
    return kMasks[((handle_code % 4) + 4) % 4];
}

Vec3f HandleCentre(const BoundingBox& box, int handle_code) {
    const int corner = std::clamp(handle_code / 4, 0, 7);
    const int kind = handle_code % 4;
    const Vec3f c = BoxCorners(box)[static_cast<std::size_t>(corner)];
    // Outward is + on a maximum coordinate and - on a minimum one.
    const float sx = c.x == box.max.x ? 1.0f : -1.0f;
    const float sy = c.y == box.max.y ? 1.0f : -1.0f;
    const float sz = c.z == box.max.z ? 1.0f : -1.0f;
    Vec3f centre = c;
    if (kind == 0 || kind == 3) {
        centre.x += sx * kHandleOffset;
    }
    if (kind == 1 || kind == 3) {
        centre.y += sy * kHandleOffset;
    }
    if (kind == 2 || kind == 3) {
        centre.z += sz * kHandleOffset;
    }
    return centre;
}

BoundingBox HandleCube(const BoundingBox& box, int handle_code) {
    const Vec3f c = HandleCentre(box, handle_code);
    BoundingBox cube;
    cube.min = {c.x - kHandleHalfSize, c.y - kHandleHalfSize, c.z - kHandleHalfSize};
    cube.max = {c.x + kHandleHalfSize, c.y + kHandleHalfSize, c.z + kHandleHalfSize};
    return cube;
}

BoundingBox GrownBox(const BoundingBox& box, float amount) {
    BoundingBox grown = box;
    grown.min = {box.min.x - amount, box.min.y - amount, box.min.z - amount};
    grown.max = {box.max.x + amount, box.max.y + amount, box.max.z + amount};
    return grown;
}

double RingHalfWidth(int station) {
    const double degrees = 2.5 * station;
    const double from_quarter = std::fmod(degrees, 90.0);
    const double d = std::min(from_quarter, 90.0 - from_quarter);
    return std::min(0.08, 0.0064 * d);
}

const std::array<Vec3f, 2 * kRingStations>& UnitRing() {
    static const std::array<Vec3f, 2 * kRingStations> ring = [] {
        std::array<Vec3f, 2 * kRingStations> points{};
        for (int i = 0; i < kRingStations; ++i) {
            const double theta = 2.5 * i * kDegreesToRadians;
            const auto c = static_cast<float>(std::cos(theta));
            const auto s = static_cast<float>(std::sin(theta));
            const auto w = static_cast<float>(RingHalfWidth(i));
            points[static_cast<std::size_t>(2 * i)] = {c, s, w};
            points[static_cast<std::size_t>(2 * i + 1)] = {c, s, -w};
        }
        return points;
    }();
    return ring;
}

Vec3f RingPointAbout(int ring_code, const Vec3f& p) {
    switch (ring_code) {
        case kRingCodeX:
            return {p.z, p.x, p.y};  // the ring in the yz plane
        case kRingCodeY:
            return {p.y, p.z, p.x};  // the ring in the zx plane
        default:
            return p;
    }
}

Matrix4 NodeRingFrame(const SceneNode& node) {
    Matrix4 m;
    m.Translate(node.moving ? node.position + node.pending_offset : node.position);
    m.Multiply(node.rotation);
    if (node.rotating) {
        m.RotateAboutAxes(node.pending_angles);
    }
    m.Translate({node.sphere_centre.x, node.sphere_centre.y, node.sphere_centre.z});
    const double r = node.sphere_radius;
    m.Scale({r, r, r});
    return m;
}

namespace {

Vec3f SpherePoint(double latitude_degrees, double longitude_degrees) {
    const double lat = latitude_degrees * kDegreesToRadians;
    const double lon = longitude_degrees * kDegreesToRadians;
    return {static_cast<float>(std::sin(lat) * std::cos(lon)), static_cast<float>(std::cos(lat)),
            static_cast<float>(-std::sin(lat) * std::sin(lon))};
}

Vec3f Scaled(const Vec3f& v, float s) {
    return {v.x * s, v.y * s, v.z * s};
}

}  // namespace

const std::array<IconTriangle, kIconSphereTriangles>& IconSphere() {
    static const std::array<IconTriangle, kIconSphereTriangles> sphere = [] {
        std::array<IconTriangle, kIconSphereTriangles> triangles{};
        constexpr int kBands = 7;
        constexpr int kSectors = 12;
        std::size_t n = 0;
        for (int band = 0; band < kBands; ++band) {
            // Latitude measured from the north pole (+y).
            const double top = 180.0 * band / kBands;
            const double bottom = 180.0 * (band + 1) / kBands;
            for (int sector = 0; sector < kSectors; ++sector) {
                const double left = 30.0 * sector;
                const double right = 30.0 * (sector + 1);
                const Vec3f a = SpherePoint(top, left);
                const Vec3f b = SpherePoint(bottom, left);
                const Vec3f c = SpherePoint(bottom, right);
                const Vec3f d = SpherePoint(top, right);
                // Longitude grows anticlockwise seen from above; a, b, c and a, c, d are wound
                // counter-clockwise seen from outside.
                for (const std::array<Vec3f, 3>& corners :
                     {std::array<Vec3f, 3>{a, b, c}, std::array<Vec3f, 3>{a, c, d}}) {
                    IconTriangle& t = triangles[n++];
                    for (std::size_t k = 0; k < 3; ++k) {
                        t.normals[k] = corners[k];
                        t.points[k] = Scaled(corners[k], kLightIconRadius);
                    }
                }
            }
        }
        return triangles;
    }();
    return sphere;
}

const std::array<Vec3f, kIconSphereTriangles>& PointStarTips() {
    static const std::array<Vec3f, kIconSphereTriangles> tips = [] {
        std::array<Vec3f, kIconSphereTriangles> points{};
        const auto& sphere = IconSphere();
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto& p = sphere[i].points;
            Vec3 c{(p[0].x + p[1].x + p[2].x) / 3.0, (p[0].y + p[1].y + p[2].y) / 3.0,
                   (p[0].z + p[1].z + p[2].z) / 3.0};
            c.Normalise();
            c = c * kLightIconRadius;
            points[i] = {static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(c.z)};
        }
        return points;
    }();
    return tips;
}

const std::array<Vec3f, 9>& SpotConePoints() {
    static const std::array<Vec3f, 9> points = [] {
        std::array<Vec3f, 9> p{};
        p[0] = {0.0f, 0.0f, kLightIconRadius};
        for (int i = 0; i < 8; ++i) {
            const double a = 45.0 * i * kDegreesToRadians;
            p[static_cast<std::size_t>(i + 1)] = {
                static_cast<float>(kLightIconRadius * std::cos(a)),
                static_cast<float>(kLightIconRadius * std::sin(a)), -kLightIconRadius};
        }
        return p;
    }();
    return points;
}

double SphereLightIconScale(const Light& light) {
    return 4.0 * light.size * (light.scaling ? light.pending_scale : 1.0);
}

BoundingBox LightIconBox(const Light& light) {
    float half = kLightIconRadius;
    if (light.kind == LightKind::Sphere) {
        half = static_cast<float>(kLightIconRadius * SphereLightIconScale(light));
    }
    BoundingBox box;
    box.min = {-half, -half, -half};
    box.max = {half, half, half};
    return box;
}

Matrix4 LightFrame(const Light& light) {
    Matrix4 m;
    m.Translate(light.moving ? light.position + light.pending_offset : light.position);
    return m;
}

Matrix4 LightOrientedFrame(const Light& light) {
    Matrix4 m = LightFrame(light);
    m.Multiply(light.rotation);
    if (light.rotating) {
        m.RotateAboutAxes(light.pending_angles);
    }
    return m;
}

Matrix4 LightRingFrame(const Light& light) {
    Matrix4 m = LightOrientedFrame(light);
    const double r = std::sqrt(3.0) * LightIconBox(light).max.x;
    m.Scale({r, r, r});
    return m;
}

}  // namespace kelto
