// Triangles, hit completion, and the accelerated search against the reference walk.
#include <gtest/gtest.h>

#include <random>

#include "model/child_list.h"
#include "raytracer/prepared_scene.h"
#include "raytracer/triangle_intersection.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

RenderTriangle Triangle(Vec3f a, Vec3f b, Vec3f c) {
    TriangleCorner corners[3] = {
        {a, {0, 0, 1}, 0.0f, 0.0f}, {b, {0, 1, 0}, 1.0f, 0.0f}, {c, {1, 0, 0}, 0.0f, 1.0f}};
    return MakeRenderTriangle(corners);
}

TEST(Triangle, EdgesAndCornersCountAsInsideAndAttributesInterpolate) {
    const RenderTriangle t = Triangle({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
    float distance = 0;
    // Straight down the z axis onto the middle of the long edge: a grazing hit counts.
    EXPECT_TRUE(HitTriangle(t, {1, 1, 5}, {0, 0, -1}, 100, distance));
    EXPECT_FLOAT_EQ(distance, 5.0f);
    EXPECT_FALSE(HitTriangle(t, {1.01f, 1.01f, 5}, {0, 0, -1}, 100, distance));
    // From behind: triangles are two-sided.
    EXPECT_TRUE(HitTriangle(t, {0.5f, 0.5f, -3}, {0, 0, 1}, 100, distance));
    // Not nearer than the best so far.
    EXPECT_FALSE(HitTriangle(t, {0.5f, 0.5f, 5}, {0, 0, -1}, 5.0f, distance));
    // Parallel to the plane.
    EXPECT_FALSE(HitTriangle(t, {-1, 0.5f, 0}, {1, 0, 0}, 100, distance));
    // A hit closer than 1e-6 is ignored.
    EXPECT_FALSE(HitTriangle(t, {0.5f, 0.5f, 0}, {0, 0, -1}, 100, distance));

    // A hit exactly at a corner takes that corner's attributes; the middle interpolates.
    const SurfacePoint3 corner = CompleteHit(t, {t.corner[0].x, t.corner[0].y, 5}, {0, 0, -1}, 5);
    EXPECT_EQ(corner.normal, t.normal[0]);
    EXPECT_EQ(corner.u, t.corner_u[0]);
    const SurfacePoint3 inside = CompleteHit(t, {0.5f, 0.5f, 5}, {0, 0, -1}, 5);
    // Barycentric weights (0.5, 0.25, 0.25) of corners (0,0), (2,0), (0,2).
    EXPECT_NEAR(inside.u, 0.25f, 1e-6f);
    EXPECT_NEAR(inside.v, 0.25f, 1e-6f);

    // Degenerate triangles never hit.
    const RenderTriangle flat = Triangle({0, 0, 0}, {1, 1, 1}, {2, 2, 2});
    EXPECT_FALSE(HitTriangle(flat, {1, 1, 5}, {0, 0, -1}, 100, distance));
}

TEST(Triangle, ZeroCornerNormalsTakeThePlaneNormal) {
    TriangleCorner corners[3] = {{{0, 0, 0}, {0, 0, 0}, 0, 0},
                                 {{1, 0, 0}, {0, 0, -0.0f}, 0, 0},
                                 {{0, 1, 0}, {0, 1, 0}, 0, 0}};
    const RenderTriangle t = MakeRenderTriangle(corners);
    EXPECT_EQ(corners[0].normal, t.plane_normal);
    EXPECT_EQ(corners[1].normal, t.plane_normal);
    EXPECT_EQ(corners[2].normal, (Vec3f{0, 1, 0}));
    EXPECT_NEAR(std::fabs(t.plane_normal.z), 1.0f, 1e-6f);
}

// Two identical cubes at the same place: every hit is at equal distance in both, and the one
// tested first (the newer, first in the root's list) must win.
TEST(PreparedScene, EqualDistancesKeepTheFirstTested) {
    Scene scene;
    SceneNode* older = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
    SceneNode* newer = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
    newer->material.colour = {1, 0, 0};  // tells the newer apart in the prepared scene
    const PreparedScene prepared(scene, tracer_test::Camera(32, 32), 0, 0, 0, 0);
    for (float x : {-0.5f, 0.0f, 0.3f}) {
        const Vec3f origin{x, 1.0f, 10.0f};
        const Vec3f direction{0, 0, -1};
        const TraceHit reference = prepared.ReferenceNearest(origin, direction, 100000);
        const TraceHit fast = prepared.Nearest(origin, direction, 100000);
        ASSERT_TRUE(reference.Found());
        EXPECT_EQ(prepared.MaterialOf(prepared.Nodes()[reference.node]).colour,
                  newer->material.colour);
        EXPECT_EQ(fast.node, reference.node);
        EXPECT_EQ(fast.triangle, reference.triangle);
        EXPECT_FLOAT_EQ(reference.distance, 9.0f);
    }
    (void)older;
}

TEST(PreparedScene, HierarchyFindsExactlyTheReferenceHit) {
    std::mt19937 random(42);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int hits = 0, shadows = 0;
    for (int round = 0; round < 6; ++round) {
        Scene scene;
        const int objects = 1 + round * 6;
        for (int i = 0; i < objects; ++i) {
            const auto type = kPrimitiveTypes[static_cast<std::size_t>(random() % 8)];
            SceneNode* node = scene.CreateNode(type, {unit(random) * 6, 0, unit(random) * 6});
            node->scale = {1 + unit(random) * 0.5, 1 + unit(random) * 0.5, 1};
            node->position.y += unit(random);
            node->ComputeWorldMatrix();
        }
        if (objects > 2) {
            scene.SelectOnly(*scene.Root().first_child);
            scene.AddToSelection(*scene.Root().first_child->next);
            scene.GroupSelected();
        }
        const PreparedScene prepared(scene, tracer_test::Camera(64, 48), 0, 0, 0, 0);
        for (int ray = 0; ray < 1500; ++ray) {
            const Vec3f origin{unit(random) * 12, unit(random) * 6 + 1, unit(random) * 12};
            const Vec3f direction = Normalised({unit(random), unit(random), unit(random)});
            const float limit = ray % 3 == 0 ? 100000.0f : 5.0f + 10.0f * (unit(random) + 1);
            const TraceHit reference = prepared.ReferenceNearest(origin, direction, limit);
            const TraceHit fast = prepared.Nearest(origin, direction, limit);
            ASSERT_EQ(fast.node, reference.node) << round << ' ' << ray;
            ASSERT_EQ(fast.triangle, reference.triangle) << round << ' ' << ray;
            if (reference.Found()) {
                ASSERT_EQ(fast.distance, reference.distance);
                ++hits;
            }
            // The shadow question: is anything nearer than limit - 0.001?
            const bool shadowed = reference.Found() && !(limit - 0.001f < reference.distance);
            ASSERT_EQ(prepared.AnyHitWithin(origin, direction, limit, limit - 0.001f), shadowed);
            shadows += shadowed ? 1 : 0;
        }
    }
    EXPECT_GT(hits, 400);  // the rays do meet the objects
    EXPECT_GT(shadows, 150);
}

TEST(PreparedScene, ScreenRectanglesAndBoxes) {
    Scene scene;
    SceneNode* visible = scene.CreateNode(ObjectType::Sphere, {0, 0, 0});
    SceneNode* behind = scene.CreateNode(ObjectType::Sphere, {0, 0, 40});  // behind the eye
    SceneNode* aside = scene.CreateNode(ObjectType::Cube, {80, 0, 0});     // outside the image
    // Each object's material tells its prepared node apart.
    visible->material.brightness = 0.25f;
    behind->material.brightness = 0.5f;
    aside->material.brightness = 0.75f;
    const PreparedScene prepared(scene, tracer_test::Camera(64, 48), 0, 0, 0, 0);
    auto find = [&](const SceneNode* n) -> const PreparedNode& {
        for (const PreparedNode& p : prepared.Nodes()) {
            if (p.leaf && prepared.MaterialOf(p).brightness == n->material.brightness)
                return p;
        }
        throw std::runtime_error("not prepared");
    };
    EXPECT_FALSE(find(visible).off_screen);
    EXPECT_TRUE(find(aside).off_screen);
    EXPECT_TRUE(find(behind).off_screen);
    EXPECT_TRUE(prepared.HasCandidates(32, 18));  // the sphere, a little above the middle
    EXPECT_FALSE(prepared.HasCandidates(1, 1));
    EXPECT_NEAR(find(visible).box_max.y, 2.0f, 0.02f);

    Scene empty;
    const PreparedScene nothing(empty, tracer_test::Camera(8, 8), 0, 0, 0, 0);
    EXPECT_TRUE(nothing.Root().off_screen);
    EXPECT_FALSE(nothing.HasCandidates(4, 4));
    EXPECT_FALSE(nothing.Nearest({0, 0, 0}, {0, 0, -1}, 100000).Found());
}

}  // namespace
}  // namespace kelto
