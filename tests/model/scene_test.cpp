#include <gtest/gtest.h>

#include "model/child_list.h"
#include "model/scene.h"

namespace kelto {
namespace {

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, double tolerance = 1e-9) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
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
    // A default name given up is the first free one again.
    scene.DeleteNode(*scene.FindNode("Sphere2"));
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere2");
    ASSERT_TRUE(scene.RenameNode(*scene.FindNode("Sphere3"), "Ball").ok());
    EXPECT_EQ(scene.CreateNode(ObjectType::Sphere, {})->name, "Sphere3");
}

// Nodes that enter the scene selected (from a file, back from the history) are let go by the
// next selection like any other.
TEST(Scene, SelectingOneLetsGoOfNodesThatEnteredSelected) {
    Scene scene;
    auto stored = std::make_unique<SceneNode>();
    stored->name = "Stored";
    stored->selected = 5;
    SceneNode* adopted = *scene.AdoptNode(std::move(stored));
    LinkChild(scene.Root(), *adopted);
    SceneNode* sphere = scene.CreateNode(ObjectType::Sphere, {});
    scene.AddToSelection(*sphere);
    EXPECT_EQ(scene.SelectedNodes().size(), 2u);
    std::unique_ptr<SceneNode> released = scene.ReleaseNode(*sphere);
    ASSERT_TRUE(scene.RestoreNode(std::move(released)).ok());
    scene.SelectOnly(*adopted);
    EXPECT_EQ(sphere->selected, 0);
    EXPECT_EQ(adopted->selected, 1);
    EXPECT_EQ(scene.SelectedNodes(), std::vector<const SceneNode*>{adopted});
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

// That drags show at once and commit to the matrix they showed is the document's drag test.
TEST(Scene, ZeroPendingAnglesLeaveTheRotationAlone) {
    Scene scene;
    SceneNode* node = scene.CreateNode(ObjectType::Cone, {});
    const Matrix4 rotation = node->rotation;
    node->rotating = 1;
    node->pending_angles = {0.0, -0.0, 0.0};
    node->CommitRotate();
    EXPECT_EQ(node->rotation, rotation);
}

}  // namespace
}  // namespace kelto
