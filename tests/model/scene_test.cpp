#include <gtest/gtest.h>

#include <cmath>

#include "model/child_list.h"
#include "model/scene.h"

namespace kelto {
namespace {

Vec3f Placed(const Matrix4& m, const Vec3f& p) {
    return m.TransformPoint(p);
}

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, double tolerance = 1e-9) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
    }
}

// The placement of a node in the world: its matrix followed by its parent's.
Matrix4 WorldOf(const SceneNode& node, const SceneNode* parent) {
    Matrix4 m = parent ? parent->parent_from_node : Matrix4{};
    m.Multiply(node.parent_from_node);
    return m;
}

TEST(Scene, DefaultNamesCountPerBaseAcrossTypes) {
    Scene scene;
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere1");
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere2");
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere3");
    EXPECT_EQ(scene.CreateNode(ObjectType::Cube, {})->name, "Cube1");
    scene.SelectOnly(*scene.FindNode("Sphere1"));
    scene.AddToSelection(*scene.FindNode("Cube1"));
    EXPECT_EQ(scene.GroupSelected()->name, "Group1");
    EXPECT_EQ(scene.MakeDefaultName(ObjectType::Trim), "Trim1");
    EXPECT_EQ(scene.MakeDefaultName(ObjectType::Mesh), "Mesh:");
    ASSERT_TRUE(scene.AddNode(ObjectType::Mesh, "Mesh:").ok());
    EXPECT_EQ(scene.MakeDefaultName(ObjectType::Mesh), "Mesh:1");
    // A taken name is refused rather than replacing the node that has it.
    EXPECT_EQ(scene.AddNode(ObjectType::Group, "Sphere2").status().text,
              "The name 'Sphere2' is taken by another object.");
    EXPECT_EQ(scene.FindNode("Sphere2")->type, ObjectType::Sphere);
}

TEST(Scene, NewPrimitivesRestOnTheFloor) {
    Scene scene;
    SceneNode* sphere = scene.CreateNode(ObjectType::Sphere, {2, 0, -3});
    EXPECT_EQ(sphere->position, (Vec3{2, 1, -3}));
    EXPECT_NEAR(sphere->box.min.x, -1.0f, 1e-5f);
    EXPECT_NEAR(sphere->box.max.z, 1.0f, 1e-5f);
    EXPECT_EQ(sphere->smooth, 1);
    EXPECT_EQ(sphere->owner, sphere);
    EXPECT_GT(sphere->sphere_radius, 1.7f);  // the box's diagonal half-length, sqrt(3)

    SceneNode* torus = scene.CreateNode(ObjectType::Torus, {});
    float lowest = 1e9f, highest = -1e9f;
    for (const DisplayVertex& v : torus->display_mesh.vertices) {
        const Vec3f p = Placed(torus->parent_from_node, v.Position());
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-5f);
    EXPECT_NEAR(highest, 0.6f, 1e-5f);  // lying flat: the hole runs along y

    EXPECT_EQ(scene.CreateNode(ObjectType::Cube, {})->smooth, 0);
    EXPECT_EQ(scene.CreateNode(ObjectType::Group, {}), nullptr);
    // Newest first under the root.
    EXPECT_EQ(scene.Root().first_child->type, ObjectType::Cube);
}

TEST(Scene, GroupingKeepsEveryMemberWhereItWas) {
    Scene scene;
    SceneNode* a = scene.CreateNode(ObjectType::Sphere, {3, 0, 0});
    SceneNode* b = scene.CreateNode(ObjectType::Cone, {-1, 0, 4});
    b->scale = {2, 1, 1};
    b->ComputeParentFromNode();
    const Matrix4 a_before = a->parent_from_node;
    const Matrix4 b_before = b->parent_from_node;

    scene.SelectOnly(*a);
    scene.AddToSelection(*b);
    SceneNode* group = scene.GroupSelected();
    ASSERT_NE(group, nullptr);

    // The root has one child, the group, whose next pointer leads back to the root.
    EXPECT_EQ(ChildCount(scene.Root()), 1u);
    EXPECT_EQ(scene.Root().first_child, group);
    EXPECT_EQ(group->next, &scene.Root());
    EXPECT_EQ(ChildCount(*group), 2u);
    EXPECT_EQ(group->selected, 1);
    EXPECT_EQ(a->selected, 0);
    EXPECT_EQ(group->group_flag, 1);
    EXPECT_TRUE(group->MarksGroupSelection());

    ExpectMatrixNear(WorldOf(*a, group), a_before);
    ExpectMatrixNear(WorldOf(*b, group), b_before);
    // The group sits at the centre of the members' box and its box is centred on it.
    EXPECT_NEAR(group->box.min.x + group->box.max.x, 0.0f, 1e-5f);
    // Sphere from x = 2 to 4, cone (scaled 2 along x) from -3 to 1.
    EXPECT_NEAR(group->box.max.x - group->box.min.x, 7.0f, 1e-4f);

    // One selected group is not a reason to group again.
    EXPECT_EQ(scene.GroupSelected(), nullptr);
    EXPECT_EQ(ChildCount(scene.Root()), 1u);
}

TEST(Scene, PendingMoveShowsAtOnceAndCommitsToTheSameMatrix) {
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Cube, {});
    node->moving = 1;
    node->pending_offset = {1, 0, 2};
    node->scaling = 1;
    node->pending_scale = {2, 1, 1};
    node->ComputeParentFromNode();
    EXPECT_EQ(node->position, (Vec3{0, 1, 0}));  // stored position unchanged while dragging
    EXPECT_EQ(node->parent_from_node[12], 1.0);
    EXPECT_EQ(node->parent_from_node[14], 2.0);
    const Matrix4 during = node->parent_from_node;

    scene.EndPendingTransforms();
    EXPECT_EQ(node->position, (Vec3{1, 1, 2}));
    EXPECT_EQ(node->scale, (Vec3{2, 1, 1}));
    EXPECT_EQ(node->moving + node->scaling + node->rotating, 0);
    node->ComputeParentFromNode();
    ExpectMatrixNear(node->parent_from_node, during);
}

TEST(Scene, PendingRotationCommitsToTheSameMatrixAndSkipsZeroAngles) {
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Cone, {});
    node->rotating = 1;
    node->pending_angles = {30.0, -0.0, 45.0};
    node->ComputeParentFromNode();
    const Matrix4 during = node->parent_from_node;

    Matrix4 expected;  // rotation by x then z about the world axes, after the upright turn
    expected.Translate(node->position);
    expected.Multiply(node->rotation);
    expected.Rotate(30.0, {1, 0, 0});
    expected.Rotate(45.0, {0, 0, 1});
    ExpectMatrixNear(during, expected);

    scene.EndPendingTransforms();
    EXPECT_EQ(node->pending_angles, (Vec3{}));
    node->ComputeParentFromNode();
    ExpectMatrixNear(node->parent_from_node, during);

    // Nothing pending: nothing changes.
    const Matrix4 rotation = node->rotation;
    node->rotating = 1;
    node->pending_angles = {0.0, -0.0, 0.0};
    node->CommitRotate();
    EXPECT_EQ(node->rotation, rotation);
}

TEST(Scene, LightDragsCommitWithTheNodes) {
    Scene scene;
    scene.BeginLightMove(0);
    scene.Lights()[0].pending_offset = {0, 1, 0};
    scene.BeginLightRotate(0);
    scene.Lights()[0].pending_angles = {90, 0, 0};
    scene.EndPendingTransforms();
    const Light& light = scene.Lights()[0];
    EXPECT_EQ(light.position, (Vec3{4, 3, 6}));
    EXPECT_EQ(light.moving + light.rotating, 0);
    // The spot axis (-z) now points along +y... rotated 90 degrees about x: -z -> +y.
    const Vec3f axis = light.rotation.TransformPoint({0, 0, -1});
    EXPECT_NEAR(axis.y, 1.0f, 1e-6f);

    scene.BeginLightScale(0);
    scene.Lights()[0].pending_scale = 4.0;
    scene.EndPendingTransforms();
    EXPECT_FLOAT_EQ(scene.Lights()[0].size, 1.0f);
    EXPECT_EQ(scene.Lights()[0].pending_scale, 1.0);
}

TEST(Scene, SelectionHelpers) {
    Scene scene;
    SceneNode* a = scene.CreateNode(ObjectType::Sphere, {});
    SceneNode* b = scene.CreateNode(ObjectType::Torus, {});
    scene.SelectOnlyLight(0);
    scene.AddToSelection(*a);
    EXPECT_EQ(scene.CountSelected(), 2);
    scene.SelectOnly(*b);
    EXPECT_EQ(scene.CountSelected(), 1);
    EXPECT_EQ(scene.FirstSelectedTopLevel(), b);
    EXPECT_EQ(scene.FirstSelectedLight(), -1);
    scene.ClearSelection();
    EXPECT_EQ(scene.FirstSelectedTopLevel(), nullptr);

    scene.DeleteAll();
    EXPECT_EQ(scene.NodeCount(), 1u);  // a fresh root
    EXPECT_EQ(scene.Root().name, kSceneRootName);
    EXPECT_EQ(ChildCount(scene.Root()), 0u);
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere1");
}

}  // namespace
}  // namespace kelto
