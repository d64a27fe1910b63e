#include "interaction/picking.h"

#include <gtest/gtest.h>

#include "interaction/decorations.h"
#include "tool_test_rig.h"

namespace kelto {
namespace {

PickRay Towards(const Vec3& from, const Vec3& to) {
    return {from, to - from};
}

TEST(PickGeometry, TrianglesCountFromBothSidesAndAffineInversesUndoPlacements) {
    const Vec3 a{0, 0, 0}, b{1, 0, 0}, c{0, 1, 0};
    const PickRay front{{0.25, 0.25, 5}, {0, 0, -2}};
    ASSERT_TRUE(RayHitsTriangle(front, a, b, c));
    EXPECT_DOUBLE_EQ(*RayHitsTriangle(front, a, b, c), 2.5);  // in units of the direction
    const PickRay back{{0.25, 0.25, -5}, {0, 0, 1}};
    EXPECT_TRUE(RayHitsTriangle(back, a, b, c));
    // Behind the ray's start, beside the triangle, along its plane, and a degenerate one.
    EXPECT_FALSE(RayHitsTriangle({{0.25, 0.25, 5}, {0, 0, 1}}, a, b, c));
    EXPECT_FALSE(RayHitsTriangle({{0.75, 0.75, 5}, {0, 0, -1}}, a, b, c));
    EXPECT_FALSE(RayHitsTriangle({{-1, 0.25, 0}, {1, 0, 0}}, a, b, c));
    EXPECT_FALSE(RayHitsTriangle(front, a, b, Vec3{2, 0, 0}));
    Matrix4 m;
    m.Translate({3, -2, 5});
    m.Rotate(35, {1, 2, 3});
    m.Scale({2, 0.5, 4});
    Matrix4 inverse;
    ASSERT_TRUE(InvertAffine(m, inverse));
    for (const Vec3& p : {Vec3{1, 2, 3}, Vec3{-4, 0.5, 7}})
        EXPECT_NEAR((TransformPoint(inverse, TransformPoint(m, p)) - p).Length(), 0.0, 1e-12);
    // A scale of zero does not invert, and leaves `inverse` alone.
    Matrix4 flat;
    flat.Scale({1, 0, 1});
    const Matrix4 before = inverse;
    EXPECT_FALSE(InvertAffine(flat, inverse));
    EXPECT_EQ(inverse, before);
}

TEST(Pick, TheNearestSurfaceWinsGroupsByTheirMembersAndFlatObjectsByTheirFaces) {
    DocumentCore document;
    document.InsertObject(ObjectType::Sphere, {10, 0, 0}, false);
    document.InsertObject(ObjectType::Sphere, {16, 0, 0}, true);
    const NodeId group = document.Group();
    const NodeId far = document.InsertObject(ObjectType::Cube, {0, 0, -6}, false);
    const NodeId near = document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const NodeId flat = document.InsertObject(ObjectType::Cube, {-10, 0, 0}, false);
    document.GrabNodeHandle(flat, 1, false);  // squashed flat in y by the scale drag
    for (int i = 0; i < 400; ++i)
        document.DragScaleNode(flat, {1, 0.1, 1}, {});
    document.EndDrag();
    document.ClearSelection();
    // The ray from a point towards another, the node it picks (none: nothing), and how far.
    struct Case {
        Vec3 from, to;
        NodeId picked;
        double distance;
    };
    for (const Case& c : {
             // The sphere (radius 1, centred at y = 1) is met one unit before its centre.
             Case{{0, 1, 20}, {0, 1, 0}, near, 19.0},
             // Past the sphere's silhouette but inside its box: the cube behind is hit.
             Case{{0.9, 1.9, 20}, {0.9, 1.9, 0}, far, 0},
             // A member picks its group; between the members, inside the group's box, nothing.
             Case{{16, 1, 20}, {16, 1, 0}, group, 0},
             Case{{13, 1, 20}, {13, 1, 0}, {}, 0},
             Case{{-9.8, 10, 0.3}, {-9.8, 0, 0.3}, flat, 0},
         }) {
        const auto hit = Pick(document.GetScene(), Towards(c.from, c.to), {});
        ASSERT_EQ(hit.has_value(), bool(c.picked)) << c.from.x;
        if (hit) {
            EXPECT_EQ(hit->kind, PickHit::Kind::NodeBody);
            EXPECT_EQ(hit->node, c.picked);
            EXPECT_TRUE(c.distance == 0 || std::abs(hit->distance - c.distance) < 1e-2);
        }
    }
    // A ray with no direction picks nothing.
    EXPECT_FALSE(Pick(document.GetScene(), {{0, 1, 20}, {0, 0, 0}}, {}));
}

TEST(Pick, FromInsideAnObjectsBoxTheNearerObjectInsideStillWins) {
    DocumentCore document;
    const NodeId room = document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    document.GrabNodeHandle(room, 3, false);
    document.DragScaleNode(room, {10, 10, 10}, {});  // from -10 to 10 round (0, 1, 0)
    document.EndDrag();
    // Seen from inside the big cube: its far wall, until a sphere stands in between.
    const PickRay ray{{0, 1, 5}, {0, 0, -1}};
    auto hit = Pick(document.GetScene(), ray, {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->node, room);
    EXPECT_NEAR(hit->distance, 15.0, 1e-6);
    const NodeId ball = document.InsertObject(ObjectType::Sphere, {0, 0, -2}, false);
    document.ClearSelection();
    hit = Pick(document.GetScene(), ray, {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->node, ball);
    EXPECT_NEAR(hit->distance, 6.0, 1e-2);
}

TEST(Pick, HandlesOfTheSelectionAndRingsOnlyForTheRotateTool) {
    DocumentCore document;
    const NodeId cube = document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    const SceneNode& node = *document.Node(cube);
    // Handle 0 (corner 0, along x) sits 0.4 beyond the maximum x.
    const Vec3 handle = WorldPoint(node, HandleCentre(node.box, 0));
    const PickRay at_handle = Towards(handle + Vec3{0, 0, 10}, handle);
    auto hit = Pick(document.GetScene(), at_handle, {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->kind, PickHit::Kind::NodeHandle);
    EXPECT_EQ(hit->code, 0);
    // Not selected: no handles.
    document.ClearSelection();
    EXPECT_FALSE(Pick(document.GetScene(), at_handle, {}));

    // The rotate tool's rings round the one selected object, not its handles.
    document.SelectNode(cube, false);
    PickOptions rings;
    rings.rings = true;
    EXPECT_FALSE(Pick(document.GetScene(), at_handle, rings));
    const Matrix4 frame = NodeRingFrame(node);
    // The z ring at 45 degrees (a station where the band is wide).
    const Vec3 on_ring =
        TransformPoint(frame, {std::cos(0.7853981633974483), std::sin(0.7853981633974483), 0});
    // Seen from outside the band and in front (edge-on, along its axis, a band is not seen).
    const Vec3 outside = on_ring + Vec3{3.5, 3.5, 5};
    EXPECT_FALSE(Pick(document.GetScene(), Towards(on_ring + Vec3{0, 0, 10}, on_ring), rings));
    hit = Pick(document.GetScene(), Towards(outside, on_ring), rings);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->kind, PickHit::Kind::NodeRing);
    EXPECT_EQ(hit->code, kRingCodeZ);
    EXPECT_LT((hit->grab_point - on_ring).Length(), 0.1);
    // With two things selected no rings are shown, so none are picked.
    const LightId light = document.GetScene().Lights()[0].id;
    document.SelectExactly(std::vector<NodeId>{cube}, std::vector<LightId>{light});
    hit = Pick(document.GetScene(), Towards(outside, on_ring), rings);
    EXPECT_TRUE(!hit || hit->kind != PickHit::Kind::NodeRing);
}

TEST(Pick, LightsByTheirIconsAndASelectedLightByItsHandles) {
    DocumentCore document;
    const Light& light = document.GetScene().Lights()[0];  // at (4, 2, 6)
    auto hit = Pick(document.GetScene(), Towards({4, 2, 20}, {4, 2, 6}), {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->kind, PickHit::Kind::LightBody);
    EXPECT_EQ(hit->light, light.id);
    EXPECT_NEAR(hit->distance, 14.0 - kLightIconRadius, 1e-9);
    document.SelectLight(light.id);
    const Vec3f h = HandleCentre(LightIconBox(light), 3);
    const Vec3 handle = Vec3{h.x, h.y, h.z} + light.position;
    hit = Pick(document.GetScene(), Towards(handle + Vec3{0, 0, 10}, handle), {});
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->kind, PickHit::Kind::LightHandle);
    EXPECT_EQ(hit->code, 3);
}

}  // namespace
}  // namespace kelto
