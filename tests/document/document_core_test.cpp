#include <gtest/gtest.h>

#include "document/command_rules.h"
#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

struct Rules {
    CommandState group, trim, material, light;
};

Rules RulesOf(const DocumentCore& doc) {
    return {GroupCommandState(doc), TrimCommandState(doc), MaterialPropertiesState(doc),
            LightPropertiesState(doc)};
}

TEST(CommandRules, FollowTheSelection) {
    DocumentCore doc;
    Rules r = RulesOf(doc);
    EXPECT_FALSE(r.group.enabled || r.trim.enabled || r.material.enabled || r.light.enabled);

    // One light: only Light Properties.
    doc.SelectLight(0);
    r = RulesOf(doc);
    EXPECT_FALSE(r.group.enabled || r.trim.enabled || r.material.enabled);
    EXPECT_TRUE(r.light.enabled);

    // One object: Material Properties.
    SceneNode* a = doc.InsertObject(ObjectType::Sphere, {}, false);
    r = RulesOf(doc);
    EXPECT_TRUE(r.material.enabled);
    EXPECT_FALSE(r.light.enabled || r.group.enabled || r.trim.enabled);
    EXPECT_EQ(doc.GetScene().CountSelectedLights(), 0);  // inserting deselected the light

    // Two objects: Group and Trim.
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    r = RulesOf(doc);
    EXPECT_TRUE(r.group.enabled && r.trim.enabled);
    EXPECT_FALSE(r.material.enabled);

    // Three objects: Group, not Trim.
    doc.InsertObject(ObjectType::Cone, {-3, 0, 0}, true);
    r = RulesOf(doc);
    EXPECT_TRUE(r.group.enabled);
    EXPECT_FALSE(r.trim.enabled);

    // Right after Group: Group checked, both property commands disabled.
    ASSERT_NE(doc.Group(), nullptr);
    r = RulesOf(doc);
    EXPECT_TRUE(r.group.enabled && r.group.checked);
    EXPECT_FALSE(r.material.enabled || r.light.enabled || r.trim.enabled);

    // Selecting a member's... selecting an ordinary object clears the group selection.
    doc.ClearSelection();
    SceneNode* d = doc.InsertObject(ObjectType::Torus, {6, 0, 0}, false);
    doc.SelectNode(*d, false);
    r = RulesOf(doc);
    EXPECT_TRUE(r.material.enabled);
    EXPECT_FALSE(r.group.checked);
    (void)a;
}

TEST(DocumentCore, InsertWithAndWithoutShift) {
    DocumentCore doc;
    int changes = 0;
    doc.AddChangeListener([&] { ++changes; });
    SceneNode* a = doc.InsertObject(ObjectType::Sphere, {}, false);
    SceneNode* b = doc.InsertObject(ObjectType::Sphere, {2, 0, 0}, true);
    EXPECT_EQ(doc.Selection().selected_count, 2);
    EXPECT_TRUE(a->selected && b->selected);
    SceneNode* c = doc.InsertObject(ObjectType::Sphere, {4, 0, 0}, false);
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_FALSE(a->selected || b->selected);
    EXPECT_TRUE(c->selected);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(doc.InsertObject(ObjectType::Root, {}, false), nullptr);
}

TEST(DocumentCore, ShiftSelectTogglesWithoutMiscounting) {
    DocumentCore doc;
    SceneNode* a = doc.InsertObject(ObjectType::Sphere, {}, false);
    SceneNode* b = doc.InsertObject(ObjectType::Cube, {3, 0, 0}, false);
    doc.SelectNode(*a, true);
    EXPECT_EQ(doc.Selection().selected_count, 2);
    doc.SelectNode(*b, true);  // more than one selected and b is selected: b leaves
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_FALSE(b->selected);
    doc.SelectNode(*a, true);  // the only selected node, clicked again: stays, counted once
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_TRUE(a->selected);
    EXPECT_EQ(doc.GetScene().CountSelectedNodes(), doc.Selection().selected_count);
}

TEST(DocumentCore, SelectingAGroupMarksAGroupSelection) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Sphere, {}, false);
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    SceneNode* group = doc.Group();
    doc.ClearSelection();
    EXPECT_FALSE(doc.Selection().is_group);
    doc.SelectNode(*group, false);
    EXPECT_TRUE(doc.Selection().is_group);
    EXPECT_TRUE(GroupCommandState(doc).checked);
}

TEST(DocumentCore, HandleGrabsBuildTheAxisMask) {
    DocumentCore doc;
    SceneNode* a = doc.InsertObject(ObjectType::Sphere, {}, false);
    SceneNode* b = doc.InsertObject(ObjectType::Cube, {3, 0, 0}, false);
    EXPECT_EQ(doc.GrabbedCorner(), -1);
    doc.GrabNodeHandle(*a, 5 * 4 + 0, false);  // corner 5, x
    EXPECT_EQ(doc.GrabbedCorner(), 5);
    EXPECT_EQ(doc.GrabbedAxes(), kAxisX);
    doc.GrabNodeHandle(*a, 5 * 4 + 2, true);  // Shift, same node: z joins
    EXPECT_EQ(doc.GrabbedAxes(), kAxisX | kAxisZ);
    doc.GrabNodeHandle(*b, 1 * 4 + 1, true);  // another node: replaced
    EXPECT_EQ(doc.GrabbedAxes(), kAxisY);
    EXPECT_EQ(doc.GrabbedCorner(), 1);
    doc.GrabNodeHandle(*b, 7 * 4 + 3, false);
    EXPECT_EQ(doc.GrabbedAxes(), kAxisAll);
    doc.GrabLightHandle(0, 2, true);  // a light is another object: replaced
    EXPECT_EQ(doc.GrabbedAxes(), kAxisZ);
    EXPECT_EQ(doc.GrabbedLight(), 0);
    doc.ClearGrab();
    EXPECT_EQ(doc.GrabbedAxes(), kAxisNone);
}

TEST(DocumentCore, DragsShowWhileDraggingAndStayAfterwards) {
    DocumentCore doc;
    SceneNode* node = doc.InsertObject(ObjectType::Cylinder, {}, false);
    doc.SetModified(false);
    doc.BeginRotatingNode(*node, DocumentCore::kFirstRingCode + 1);
    EXPECT_EQ(doc.GetScene().drag_mode, 33);
    doc.DragRotateNode(*node, 1, 40.0);
    doc.DragMoveNode(*node, {1, 0, 0});
    doc.DragMoveNode(*node, {0.5, 0, 0});
    const Matrix4 during = node->world_matrix;
    EXPECT_EQ(node->position.x, 0.0);
    EXPECT_FALSE(doc.IsModified());

    doc.EndDrag();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetScene().drag_mode, 0);
    EXPECT_EQ(doc.GrabbedRing(), 0);
    EXPECT_EQ(node->position.x, 1.5);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(node->world_matrix[i], during[i], 1e-12) << i;
    }

    // Lights: move, scale and rotate commit at the end of the drag too.
    doc.DragMoveLight(0, {0, -1, 0});
    doc.DragScaleLight(0, 2.0);
    doc.BeginRotatingLight(0, DocumentCore::kFirstRingCode);
    EXPECT_EQ(doc.Selection().selected_count, 0);
    doc.DragRotateLight(0, 0, 10.0);
    doc.EndDrag();
    const Light& light = doc.GetScene().Lights()[0];
    EXPECT_EQ(light.position, (Vec3{4, 1, 6}));
    EXPECT_FLOAT_EQ(light.size, 0.5f);
    EXPECT_EQ(light.moving + light.scaling + light.rotating, 0);
}

}  // namespace
}  // namespace kelto
