#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "interaction/decorations.h"
#include "model/scene.h"

namespace kelto {
namespace {

BoundingBox Box(Vec3f min, Vec3f max) {
    BoundingBox box;
    box.min = min;
    box.max = max;
    return box;
}

TEST(Handles, SitOutsideTheirCornerAlongTheirAxesAndOppositeCornersAreOpposite) {
    const BoundingBox box = Box({-1, 0, -2}, {1, 3, 2});
    const auto corners = BoxCorners(box);
    std::set<std::tuple<float, float, float>> distinct;
    for (const Vec3f& c : corners) {
        distinct.insert({c.x, c.y, c.z});
    }
    EXPECT_EQ(distinct.size(), 8u);
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f c = corners[static_cast<std::size_t>(corner)];
        const Vec3f o = corners[static_cast<std::size_t>(OppositeCorner(corner))];
        // The opposite corner differs in every coordinate, and the table is its own inverse.
        EXPECT_NE(c.x, o.x);
        EXPECT_NE(c.y, o.y);
        EXPECT_NE(c.z, o.z);
        EXPECT_EQ(OppositeCorner(OppositeCorner(corner)), corner);
        for (int kind = 0; kind < 4; ++kind) {
            const Vec3f h = HandleCentre(box, corner * 4 + kind);
            const float dx = h.x - c.x;
            const float dy = h.y - c.y;
            const float dz = h.z - c.z;
            const bool along_x = kind == 0 || kind == 3;
            const bool along_y = kind == 1 || kind == 3;
            const bool along_z = kind == 2 || kind == 3;
            EXPECT_FLOAT_EQ(std::abs(dx), along_x ? kHandleOffset : 0.0f);
            EXPECT_FLOAT_EQ(std::abs(dy), along_y ? kHandleOffset : 0.0f);
            EXPECT_FLOAT_EQ(std::abs(dz), along_z ? kHandleOffset : 0.0f);
            // Outwards: the handle lies outside the box on every axis it moved along.
            if (along_x) {
                EXPECT_TRUE(h.x > box.max.x || h.x < box.min.x);
            }
            if (along_y) {
                EXPECT_TRUE(h.y > box.max.y || h.y < box.min.y);
            }
            if (along_z) {
                EXPECT_TRUE(h.z > box.max.z || h.z < box.min.z);
            }
        }
    }
    EXPECT_EQ(HandleAxisMask(0), 2);
    EXPECT_EQ(HandleAxisMask(5), 4);
    EXPECT_EQ(HandleAxisMask(10), 8);
    EXPECT_EQ(HandleAxisMask(31), 14);
    // Corner 0 is the maximum; its uniform handle is 0.4 out on all three axes.
    const Vec3f h3 = HandleCentre(box, 3);
    EXPECT_FLOAT_EQ(h3.x, 1.4f);
    EXPECT_FLOAT_EQ(h3.y, 3.4f);
    EXPECT_FLOAT_EQ(h3.z, 2.4f);
    const BoundingBox cube = HandleCube(box, 3);
    EXPECT_NEAR(cube.max.x - cube.min.x, 2 * kHandleHalfSize, 1e-6);
}

TEST(Rings, BandNarrowsToAPointOnTheAxesAndIsAtMostPointZeroEightWide) {
    const auto& ring = UnitRing();
    for (int i = 0; i < kRingStations; ++i) {
        const Vec3f& top = ring[static_cast<std::size_t>(2 * i)];
        const Vec3f& bottom = ring[static_cast<std::size_t>(2 * i + 1)];
        EXPECT_NEAR(std::hypot(top.x, top.y), 1.0, 1e-6);
        EXPECT_FLOAT_EQ(top.z, -bottom.z);
        EXPECT_LE(top.z, 0.08f + 1e-7f);
        EXPECT_GE(top.z, 0.0f);
    }
    for (int quarter : {0, 36, 72, 108}) {  // 0, 90, 180 and 270 degrees
        EXPECT_EQ(RingHalfWidth(quarter), 0.0);
    }
    EXPECT_NEAR(RingHalfWidth(1), 0.016, 1e-12);  // 2.5 degrees from the axis
    EXPECT_NEAR(RingHalfWidth(18), 0.08, 1e-12);  // 45 degrees: capped
    EXPECT_NEAR(RingHalfWidth(35), 0.016, 1e-12);
    // Turned rings go round their axis: the axis coordinate is the band's width.
    const Vec3f p = ring[10];
    EXPECT_FLOAT_EQ(RingPointAbout(kRingCodeX, p).x, p.z);
    EXPECT_FLOAT_EQ(RingPointAbout(kRingCodeY, p).y, p.z);
    EXPECT_FLOAT_EQ(RingPointAbout(kRingCodeZ, p).z, p.z);
}

TEST(Rings, ANodesRingsHaveItsBoundingSphereRadiusAndFollowItsPlacement) {
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Sphere, {2, 0, -1});
    ASSERT_NE(node, nullptr);
    node->scale = {2, 2, 2};
    node->UpdateBounds();
    const Matrix4 frame = NodeRingFrame(*node);
    // The ring centre is the bounding sphere's centre in the world.
    const Vec3f centre = frame.TransformPoint({0, 0, 0});
    const Vec3f expected_centre = node->ComposeParentFromNode().TransformPoint(
        {node->sphere_centre.x / 2, node->sphere_centre.y / 2, node->sphere_centre.z / 2});
    EXPECT_NEAR(centre.x, expected_centre.x, 1e-4);
    EXPECT_NEAR(centre.y, expected_centre.y, 1e-4);
    EXPECT_NEAR(centre.z, expected_centre.z, 1e-4);
    for (int code : {kRingCodeX, kRingCodeY, kRingCodeZ}) {
        const Vec3f p = frame.TransformPoint(RingPointAbout(code, UnitRing()[0]));
        const double r =
            std::sqrt((p.x - centre.x) * (p.x - centre.x) + (p.y - centre.y) * (p.y - centre.y) +
                      (p.z - centre.z) * (p.z - centre.z));
        EXPECT_NEAR(r, node->sphere_radius, 1e-4);
    }
}

TEST(LightIcons, SphereIsClosedOutwardFacingAndOfRadiusAQuarter) {
    double area = 0.0;
    for (const IconTriangle& t : IconSphere()) {
        for (int k = 0; k < 3; ++k) {
            const Vec3f& p = t.points[static_cast<std::size_t>(k)];
            const Vec3f& n = t.normals[static_cast<std::size_t>(k)];
            EXPECT_NEAR(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 0.25, 1e-6);
            EXPECT_NEAR(std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z), 1.0, 1e-6);
        }
        const Vec3 a{t.points[0].x, t.points[0].y, t.points[0].z};
        const Vec3 b{t.points[1].x, t.points[1].y, t.points[1].z};
        const Vec3 c{t.points[2].x, t.points[2].y, t.points[2].z};
        const Vec3 normal = Cross(b - a, c - a);
        if (normal.Length() > 1e-9) {
            EXPECT_GT(Dot(normal, a + b + c), 0.0) << "a triangle faces inwards";
        }
        area += normal.Length() / 2.0;
    }
    // Close to the sphere's area (4 pi r^2 = 0.785) from below.
    EXPECT_GT(area, 0.7);
    EXPECT_LT(area, 0.7854);
    for (const Vec3f& tip : PointStarTips()) {
        EXPECT_NEAR(std::sqrt(tip.x * tip.x + tip.y * tip.y + tip.z * tip.z), 0.25, 1e-6);
    }
    const auto& cone = SpotConePoints();
    EXPECT_FLOAT_EQ(cone[0].z, 0.25f);
    EXPECT_NEAR(cone[2].x, 0.1768, 1e-4);  // the first diagonal corner
    EXPECT_NEAR(cone[2].y, 0.1768, 1e-4);
    for (std::size_t i = 1; i < cone.size(); ++i) {
        EXPECT_FLOAT_EQ(cone[i].z, -0.25f);
    }
}

TEST(LightIcons, BoxFollowsTheSphereLightsSizeAndFrameItsPendingMove) {
    Light light;
    light.kind = LightKind::Sphere;
    light.size = 0.5f;
    EXPECT_FLOAT_EQ(LightIconBox(light).max.x, 0.5f);  // 0.25 * 4 * 0.5
    light.scaling = 1;
    light.pending_scale = 2.0;
    EXPECT_FLOAT_EQ(LightIconBox(light).max.x, 1.0f);
    light.kind = LightKind::Point;
    EXPECT_FLOAT_EQ(LightIconBox(light).max.x, 0.25f);
    light.position = {1, 2, 3};
    light.pending_offset = {1, 0, 0};
    EXPECT_FLOAT_EQ(LightFrame(light).TransformPoint({}).x, 1.0f);
    light.moving = 1;
    EXPECT_FLOAT_EQ(LightFrame(light).TransformPoint({}).x, 2.0f);
}

}  // namespace
}  // namespace kelto
