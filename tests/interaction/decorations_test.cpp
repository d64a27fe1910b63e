#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "interaction/decorations.h"
#include "model/scene.h"
#include "raytracer/float_math.h"

namespace kelto {
namespace {

TEST(Handles, SitOutsideTheirCornerAlongTheAxesTheyScale) {
    BoundingBox box;
    box.min = {-1, 0, -2};
    box.max = {1, 3, 2};
    const auto corners = BoxCorners(box);
    std::set<std::tuple<float, float, float>> distinct;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f c = corners[static_cast<std::size_t>(corner)];
        const Vec3f o = corners[static_cast<std::size_t>(OppositeCorner(corner))];
        distinct.insert({c.x, c.y, c.z});
        EXPECT_TRUE(c.x != o.x && c.y != o.y && c.z != o.z) << corner;
        for (int kind = 0; kind < 4; ++kind) {
            const int code = corner * 4 + kind;
            const Vec3f h = HandleCentre(box, code);
            // The handle moves off its corner, outwards, along the axes its drag scales.
            const std::uint8_t mask = HandleAxisMask(code);
            const float offsets[3] = {h.x - c.x, h.y - c.y, h.z - c.z};
            const float outside[3] = {h.x > box.max.x || h.x < box.min.x ? 1.f : 0.f,
                                      h.y > box.max.y || h.y < box.min.y ? 1.f : 0.f,
                                      h.z > box.max.z || h.z < box.min.z ? 1.f : 0.f};
            for (int axis = 0; axis < 3; ++axis) {
                const bool along = (mask & (2 << axis)) != 0;
                EXPECT_FLOAT_EQ(std::abs(offsets[axis]), along ? kHandleOffset : 0.0f) << code;
                if (along) {
                    EXPECT_EQ(outside[axis], 1.f) << code;
                }
            }
        }
    }
    EXPECT_EQ(distinct.size(), 8u);
}

TEST(Rings, ANodesRingsHaveItsBoundingSphereRadiusAndFollowItsPlacement) {
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Sphere, {2, 0, -1});
    ASSERT_NE(node, nullptr);
    node->scale = {2, 2, 2};
    node->UpdateBounds();
    const Matrix4 frame = NodeRingFrame(*node);
    const Vec3f centre = frame.TransformPoint({0, 0, 0});
    const Vec3f expected = node->ComposeParentFromNode().TransformPoint(
        {node->sphere_centre.x / 2, node->sphere_centre.y / 2, node->sphere_centre.z / 2});
    EXPECT_NEAR(Length({centre.x - expected.x, centre.y - expected.y, centre.z - expected.z}), 0.0,
                1e-4);
    for (int code : {kRingCodeX, kRingCodeY, kRingCodeZ}) {
        const Vec3f p = frame.TransformPoint(RingPointAbout(code, UnitRing()[0]));
        EXPECT_NEAR(Length({p.x - centre.x, p.y - centre.y, p.z - centre.z}), node->sphere_radius,
                    1e-4);
    }
}

TEST(LightIcons, SphereIsClosedOutwardFacingAndOfRadiusAQuarter) {
    double area = 0.0;
    for (const IconTriangle& t : IconSphere()) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(Length(t.points[static_cast<std::size_t>(k)]), 0.25, 1e-6);
            EXPECT_NEAR(Length(t.normals[static_cast<std::size_t>(k)]), 1.0, 1e-6);
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
    // The frame takes the pending move only while the light is being moved.
    Light light;
    light.position = {1, 2, 3};
    light.pending_offset = {1, 0, 0};
    EXPECT_FLOAT_EQ(LightFrame(light).TransformPoint({}).x, 1.0f);
    light.moving = 1;
    EXPECT_FLOAT_EQ(LightFrame(light).TransformPoint({}).x, 2.0f);
}

}  // namespace
}  // namespace kelto
