// Triangles, hit completion, and the accelerated search against the reference walk.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "model/child_list.h"
#include "model/shapes.h"
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
    EXPECT_FALSE(HitTriangle(Triangle({0, 0, 0}, {1, 1, 1}, {2, 2, 2}), {1, 1, 5}, {0, 0, -1}, 100,
                             distance));
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

// A second hierarchy over a prepared scene's triangles that runs the walk every x86-64
// processor has, to hold against the one the prepared scene runs (the AVX2 walk where the
// processor has it). It is built on four threads, the prepared scene's on one.
struct PortableTwin {
    explicit PortableTwin(const PreparedScene& prepared) {
        std::vector<const TracedMesh*> lists;
        for (const PreparedNode& node : prepared.Nodes())
            if (!node.mesh.Empty())
                lists.push_back(&node.mesh);
        hierarchy.Build(lists, TriangleHierarchy::Walk::kPortable, 4);
    }
    TriangleHierarchy hierarchy;
};

bool SameBits(float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The hierarchy's answers to one ray against the reference walk's: the same node, triangle and
// distance (bit for bit) for the nearest hit, and the same shadow verdict for a light at the
// limit; and the portable walk's answers the same as the prepared scene's walk. Returns whether
// the ray hit anything.
bool ExpectSameAsReference(const PreparedScene& prepared, const PortableTwin& twin,
                           const Vec3f& origin, const Vec3f& direction, float limit) {
    const TraceHit reference = prepared.ReferenceNearest(origin, direction, limit);
    const TraceHit fast = prepared.Nearest(origin, direction, limit);
    EXPECT_EQ(fast.node, reference.node);
    EXPECT_EQ(fast.triangle, reference.triangle);
    if (reference.Found()) {
        EXPECT_TRUE(SameBits(fast.distance, reference.distance))
            << fast.distance << " against " << reference.distance;
    }
    const bool shadowed = reference.Found() && !(limit - 0.001f < reference.distance);
    EXPECT_EQ(prepared.AnyHitWithin(origin, direction, limit, limit - 0.001f), shadowed);
    if (reference.Found()) {
        // A light exactly at the hit is shadowed, one a hair nearer is not.
        EXPECT_TRUE(prepared.AnyHitWithin(origin, direction, limit, reference.distance));
        EXPECT_FALSE(prepared.AnyHitWithin(origin, direction, limit,
                                           std::nextafter(reference.distance, 0.0f)));
        // A maximum exactly at the hit leaves that hit out, in both walks as in the reference.
        const float at = reference.distance;
        const TraceHit capped = prepared.ReferenceNearest(origin, direction, at);
        EXPECT_EQ(prepared.Nearest(origin, direction, at).triangle, capped.triangle);
        EXPECT_EQ(prepared.AnyHitWithin(origin, direction, at, at), capped.Found());
        EXPECT_EQ(twin.hierarchy.AnyHitWithin(origin, direction, at, at), capped.Found());
    }
    const TriangleHierarchy::Hit walked = prepared.Triangles().Nearest(origin, direction, limit);
    const TriangleHierarchy::Hit portable = twin.hierarchy.Nearest(origin, direction, limit);
    EXPECT_EQ(portable.list, walked.list);
    EXPECT_EQ(portable.triangle, walked.triangle);
    EXPECT_TRUE(SameBits(portable.distance, walked.distance));
    EXPECT_EQ(twin.hierarchy.AnyHitWithin(origin, direction, limit, limit - 0.001f), shadowed);
    return reference.Found();
}

TEST(PreparedScene, HierarchyFindsExactlyTheReferenceHit) {
    std::mt19937 random(42);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    int hits = 0;
    for (int round = 0; round < 6; ++round) {
        Scene scene;
        const int objects = 1 + round * 6;
        for (int i = 0; i < objects; ++i) {
            const auto type = kPrimitiveTypes[static_cast<std::size_t>(random() % 8)];
            SceneNode* node = scene.CreateNode(type, {unit(random) * 6, 0, unit(random) * 6});
            node->scale = {1 + unit(random) * 0.5, 1 + unit(random) * 0.5, 1};
            node->position.y += unit(random);
            node->ComputeParentFromNode();
        }
        if (objects > 2) {
            scene.SelectOnly(*scene.Root().first_child);
            scene.AddToSelection(*scene.Root().first_child->next);
            scene.GroupSelected();
        }
        const PreparedScene prepared(scene, tracer_test::Camera(64, 48), 0, 0, 0, 0);
        const PortableTwin twin(prepared);
        for (int ray = 0; ray < 1500 && !HasFailure(); ++ray) {
            const Vec3f origin{unit(random) * 12, unit(random) * 6 + 1, unit(random) * 12};
            const Vec3f direction = Normalised({unit(random), unit(random), unit(random)});
            const float limit = ray % 3 == 0 ? 100000.0f : 5.0f + 10.0f * (unit(random) + 1);
            hits += ExpectSameAsReference(prepared, twin, origin, direction, limit) ? 1 : 0;
        }
    }
    EXPECT_GT(hits, 400);  // the rays do meet the objects
}

// A ray from `from` towards a random point of the box of half-size `spread` round the origin.
Vec3f Towards(std::mt19937& random, const Vec3f& from, float spread) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const Vec3f to{unit(random) * spread, unit(random) * spread, unit(random) * spread};
    return Normalised(to - from);
}

// Thousands of small cubes, some so small that the bounding-sphere test of their triangles is
// at the edge of single precision, seen from near and from far (where the rounding of that test
// can put a triangle's sphere entry beyond its plane distance). Every other cube has a twin a
// hair's breadth away, so that two triangles often lie within that rounding of each other.
TEST(PreparedScene, HierarchyMatchesTheReferenceOnThousandsOfSmallObjects) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_real_distribution<float> size(-3.5f, -0.5f);  // log10 of the scale
    Scene scene;
    std::vector<Vec3f> centres;
    for (int i = 0; i < 1500; ++i) {
        const double s = std::pow(10.0, size(random));
        const Vec3 at{unit(random) * 10, unit(random) * 10, unit(random) * 10};
        const double turn = unit(random) * 180;
        const Vec3 axis{unit(random), 1, unit(random)};
        for (int twin = 0; twin < 2; ++twin) {
            SceneNode* node = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
            node->scale = {s, s, s};
            node->position = at;
            if (twin == 1) {
                node->position = node->position + Vec3{unit(random), unit(random), unit(random)} *
                                                      (s * 0.01 * (1 + unit(random)));
            }
            node->rotation.Rotate(turn, axis);
            node->ComputeParentFromNode();
        }
        centres.push_back(ToFloat(at));
    }
    const PreparedScene prepared(scene, tracer_test::Camera(64, 48), 0, 0, 0, 0);
    const PortableTwin twin(prepared);
    ASSERT_FALSE(twin.hierarchy.UsesAvx2());
    int hits = 0;
    for (int ray = 0; ray < 4000 && !HasFailure(); ++ray) {
        const float distance = ray % 3 == 0 ? 5.0f : ray % 3 == 1 ? 60.0f : 900.0f;
        const Vec3f origin = Normalised({unit(random), unit(random), unit(random)}) * distance;
        // Half the rays aim at a cube.
        const Vec3f direction = ray % 2 == 0
                                    ? Normalised(centres[random() % centres.size()] - origin)
                                    : Towards(random, origin, 10.0f);
        const float limit = ray % 4 == 0 ? 100000.0f : distance * (1.5f + unit(random));
        hits += ExpectSameAsReference(prepared, twin, origin, direction, limit) ? 1 : 0;
    }
    EXPECT_GT(hits, 1000);
}

// One mesh of 40 000 small triangles: a rough height field, with one patch laid twice over
// itself so that equal distances must go to the triangle tested first. Rays come from above,
// along the surface at grazing angles, and from far away.
TEST(PreparedScene, HierarchyMatchesTheReferenceOnOneDenseMesh) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    Scene scene;
    SceneNode* node = *scene.AddNode(ObjectType::Mesh, "Mesh1");
    node->shape = std::make_unique<MeshShape>();
    Mesh& mesh = node->display_mesh;
    constexpr int kSide = 142;
    for (int z = 0; z < kSide; ++z) {
        for (int x = 0; x < kSide; ++x) {
            const float vx = (x - kSide / 2) * 0.07f, vz = (z - kSide / 2) * 0.07f;
            mesh.vertices.push_back(
                {.x = vx,
                 .y = 0.3f * std::sin(vx * 3.0f) * std::cos(vz * 2.0f) + 0.01f * unit(random),
                 .z = vz,
                 .ny = 1.0f,
                 .s = static_cast<float>(x) / (kSide - 1),
                 .t = static_cast<float>(z) / (kSide - 1)});
        }
    }
    auto index = [](int x, int z) { return static_cast<std::uint16_t>(z * kSide + x); };
    for (int z = 0; z + 1 < kSide; ++z) {
        for (int x = 0; x + 1 < kSide; ++x)
            for (std::uint16_t i : {index(x, z), index(x + 1, z), index(x, z + 1), index(x + 1, z),
                                    index(x + 1, z + 1), index(x, z + 1)})
                mesh.indices.push_back(i);
    }
    const std::size_t once = mesh.indices.size();
    for (std::size_t i = 0; i < 6 * 400; ++i)
        mesh.indices.push_back(mesh.indices[once / 2 + i]);  // the same triangles again
    node->UpdateBounds();
    node->ComputeParentFromNode();
    LinkChild(scene.Root(), *node);
    const PreparedScene prepared(scene, tracer_test::Camera(64, 48), 0, 0, 0, 0);
    ASSERT_GT(prepared.TriangleCount(), 40000u);
    const PortableTwin twin(prepared);
    int hits = 0;
    for (int ray = 0; ray < 2000 && !HasFailure(); ++ray) {
        Vec3f origin, direction;
        if (ray % 3 == 0) {  // from above
            origin = {unit(random) * 4, 2 + unit(random), unit(random) * 4};
            direction = Normalised({unit(random) * 0.3f, -1, unit(random) * 0.3f});
        } else if (ray % 3 == 1) {  // along the surface
            origin = {unit(random) * 5, 0.2f * unit(random), unit(random) * 5};
            direction = Normalised({unit(random), 0.02f * unit(random), unit(random)});
        } else {  // from far away
            origin = Normalised({unit(random), 0.5f + 0.5f * unit(random), unit(random)}) * 500;
            direction = Towards(random, origin, 4.0f);
        }
        const float limit = ray % 5 == 0 ? 3.0f : 100000.0f;
        hits += ExpectSameAsReference(prepared, twin, origin, direction, limit) ? 1 : 0;
    }
    EXPECT_GT(hits, 1000);
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
        for (const PreparedNode& p : prepared.Nodes())
            if (p.leaf && prepared.MaterialOf(p).brightness == n->material.brightness)
                return p;
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
