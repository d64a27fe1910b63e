#include <gtest/gtest.h>

#include "change_log.h"
#include "document/command_rules.h"
#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

// The enabled commands as letters: g for Group (G when checked), t Trim, b Combine and
// Intersect, m Material Properties, l Light Properties.
std::string Rules(const DocumentCore& doc) {
    const CommandState group = GroupCommandState(doc);
    std::string letters = group.enabled ? (group.checked ? "G" : "g") : "";
    letters += TrimCommandState(doc).enabled ? "t" : "";
    letters += CombineCommandState(doc).enabled && IntersectCommandState(doc).enabled ? "b" : "";
    letters += MaterialPropertiesState(doc).enabled ? "m" : "";
    return letters + (LightPropertiesState(doc).enabled ? "l" : "");
}

LightId FirstLight(const DocumentCore& doc) {
    return doc.GetScene().Lights().front().id;
}

using test::ChangeLog;

TEST(CommandRules, FollowTheSelection) {
    DocumentCore doc;
    EXPECT_EQ(Rules(doc), "");
    doc.SelectLight(FirstLight(doc));
    EXPECT_EQ(Rules(doc), "l");
    doc.InsertObject(ObjectType::Sphere, {}, false);
    EXPECT_EQ(Rules(doc), "m");
    EXPECT_EQ(doc.GetScene().CountSelectedLights(), 0);  // inserting deselected the light
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    EXPECT_EQ(Rules(doc), "gtb");
    doc.InsertObject(ObjectType::Cone, {-3, 0, 0}, true);
    EXPECT_EQ(Rules(doc), "g");  // three objects: no Trim
    ASSERT_TRUE(doc.Group());
    EXPECT_EQ(Rules(doc), "G");
    // Selecting an ordinary object clears the group selection; selecting the group sets it.
    doc.ClearSelection();
    doc.SelectNode(doc.InsertObject(ObjectType::Torus, {6, 0, 0}, false), false);
    EXPECT_EQ(Rules(doc), "m");
    EXPECT_FALSE(doc.Selection().is_group);
    doc.SelectNode(doc.NodeNamed("Group1"), false);
    EXPECT_EQ(Rules(doc), "G");
    EXPECT_TRUE(doc.Selection().is_group);
}

TEST(DocumentCore, InsertWithAndWithoutShift) {
    DocumentCore doc;
    ChangeLog log(doc);
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {}, false);
    const NodeId b = doc.InsertObject(ObjectType::Sphere, {2, 0, 0}, true);
    EXPECT_EQ(doc.Selection().selected_count, 2);
    EXPECT_TRUE(doc.Node(a)->selected && doc.Node(b)->selected);
    const NodeId c = doc.InsertObject(ObjectType::Sphere, {4, 0, 0}, false);
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_FALSE(doc.Node(a)->selected || doc.Node(b)->selected);
    EXPECT_TRUE(doc.Node(c)->selected);
    EXPECT_TRUE(doc.IsModified());
    // One change set per operation, naming the new node.
    ASSERT_EQ(log.sets.size(), 3u);
    EXPECT_TRUE(log.sets[2].Has(ChangeKind::NodeAdded));
    EXPECT_EQ(log.sets[2].changes.front(), (DocumentChange{ChangeKind::NodeAdded, c, {}}));
    EXPECT_TRUE(log.sets[0].Has(ChangeKind::Modified));
    EXPECT_FALSE(log.sets[1].Has(ChangeKind::Modified));  // already modified
    EXPECT_FALSE(doc.InsertObject(ObjectType::Root, {}, false));
    EXPECT_EQ(log.sets.size(), 3u);  // nothing happened, nothing told
}

TEST(DocumentCore, HandleGrabsBuildTheAxisMask) {
    DocumentCore doc;
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {}, false);
    const NodeId b = doc.InsertObject(ObjectType::Cube, {3, 0, 0}, false);
    EXPECT_EQ(doc.GrabbedCorner(), -1);
    doc.GrabNodeHandle(a, 5 * 4 + 0, false);  // corner 5, x
    EXPECT_EQ(doc.GrabbedCorner(), 5);
    EXPECT_EQ(doc.GrabbedAxes(), kAxisX);
    doc.GrabNodeHandle(a, 5 * 4 + 2, true);  // Shift, same node: z joins
    EXPECT_EQ(doc.GrabbedAxes(), kAxisX | kAxisZ);
    doc.GrabNodeHandle(b, 1 * 4 + 1, true);  // another node: replaced
    EXPECT_EQ(doc.GrabbedAxes(), kAxisY);
    EXPECT_EQ(doc.GrabbedCorner(), 1);
    doc.GrabNodeHandle(b, 7 * 4 + 3, false);
    EXPECT_EQ(doc.GrabbedAxes(), kAxisAll);
    const LightId light = FirstLight(doc);
    doc.GrabLightHandle(light, 2, true);  // a light is another object: replaced
    EXPECT_EQ(doc.GrabbedAxes(), kAxisZ);
    EXPECT_EQ(doc.GrabbedLight(), light);
    doc.ClearGrab();
    EXPECT_EQ(doc.GrabbedAxes(), kAxisNone);
}

TEST(DocumentCore, DragsShowWhileDraggingAndStayAfterwardsOrAreDropped) {
    DocumentCore doc;
    const NodeId id = doc.InsertObject(ObjectType::Cylinder, {}, false);
    ASSERT_TRUE(doc.Save("/dev/null").ok());  // not modified from here
    const SceneNode& node = *doc.Node(id);
    const Matrix4 before = node.parent_from_node;

    // Escape: everything pending goes, nothing is modified.
    doc.BeginRotatingNode(id, DocumentCore::kFirstRingCode + 1);
    doc.DragRotateNode(id, 1, 25.0);
    doc.DragScaleNode(id, {2, 1, 1}, {0.5, 0, 0});
    doc.CancelDrag();
    EXPECT_EQ(node.parent_from_node, before);
    EXPECT_EQ(node.scale, (Vec3{1, 1, 1}));
    EXPECT_FALSE(doc.IsModified());

    ChangeLog log(doc);
    doc.BeginRotatingNode(id, DocumentCore::kFirstRingCode + 1);
    EXPECT_EQ(doc.GetScene().drag_mode, 33);
    doc.DragRotateNode(id, 1, 40.0);
    doc.DragMoveNode(id, {1, 0, 0});
    doc.DragMoveNode(id, {0.5, 0, 0});
    const Matrix4 during = node.parent_from_node;
    EXPECT_EQ(node.position.x, 0.0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(log.Saw(ChangeKind::NodeTransformed, id));

    doc.EndDrag();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(log.sets.back().Has(ChangeKind::Modified));
    EXPECT_EQ(doc.GetScene().drag_mode, 0);
    EXPECT_EQ(doc.GrabbedRing(), 0);
    EXPECT_EQ(node.position.x, 1.5);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(node.parent_from_node[i], during[i], 1e-12) << i;

    // Lights: move, scale and rotate commit at the end of the drag too.
    const LightId light_id = FirstLight(doc);
    doc.DragMoveLight(light_id, {0, -1, 0});
    doc.DragScaleLight(light_id, 2.0);
    doc.BeginRotatingLight(light_id, DocumentCore::kFirstRingCode);
    EXPECT_EQ(doc.Selection().selected_count, 0);
    doc.DragRotateLight(light_id, 0, 10.0);
    doc.EndDrag();
    const Light& light = *doc.FindLight(light_id);
    EXPECT_EQ(light.position, (Vec3{4, 1, 6}));
    EXPECT_FLOAT_EQ(light.size, 0.5f);
    EXPECT_EQ(light.moving + light.scaling + light.rotating, 0);
    EXPECT_TRUE(log.Saw(ChangeKind::LightChanged, {}, light_id));
}

TEST(DocumentCore, GroupingLeavesTheGroupAloneSelectedAndUndoGivesTheSelectionBack) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {}, false);
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    ASSERT_TRUE(doc.Group());
    doc.InsertObject(ObjectType::Torus, {-3, 0, 0}, false);
    doc.InsertObject(ObjectType::Cone, {0, 0, 3}, true);
    doc.SelectNode(sphere, true);  // inside the first group, as the Objects panel selects it
    ASSERT_EQ(doc.GetScene().CountSelectedNodes(), 3);
    ASSERT_TRUE(doc.Group());
    EXPECT_EQ(doc.GetScene().CountSelectedNodes(), 1);
    EXPECT_EQ(doc.Selection().selected_count, 1);
    EXPECT_EQ(doc.Node(sphere)->selected, 0);
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.GetScene().CountSelectedNodes(), 3);
    EXPECT_EQ(doc.Selection().selected_count, 3);
}

TEST(DocumentCore, HandlesSurviveEditsButNotADocumentOpenedAnew) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {}, false);
    const NodeId cube = doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    const LightId light = doc.InsertLight(LightKind::Spot, {0, 5, 0});
    EXPECT_NE(sphere, cube);
    const NodeId group = doc.Group();
    ASSERT_TRUE(group);
    // Grouping moved the members; their handles still name them.
    EXPECT_EQ(doc.Node(sphere)->name, "Sphere1");
    EXPECT_EQ(doc.NodeNamed("Group1"), group);
    EXPECT_FALSE(doc.IsTopLevel(sphere));
    EXPECT_TRUE(doc.IsTopLevel(group));

    ASSERT_TRUE(doc.OpenFromBytes(doc.SaveToBytes(), "again.kel").ok());
    // The same names, new nodes: old handles resolve to nothing.
    EXPECT_EQ(doc.Node(sphere), nullptr);
    EXPECT_EQ(doc.Node(group), nullptr);
    EXPECT_EQ(doc.FindLight(light), nullptr);
    const NodeId reopened = doc.NodeNamed("Sphere1");
    ASSERT_TRUE(reopened);
    EXPECT_NE(reopened, sphere);
    EXPECT_TRUE(doc.LightNamed("Light2"));
    doc.Clear();
    EXPECT_EQ(doc.Node(reopened), nullptr);
    // Stale handles are refused, never followed.
    EXPECT_EQ(doc.SetMaterial(reopened, Material{}).number, kMsgNoSuchObject);
    EXPECT_EQ(doc.SetLight(light, Light{}).number, kMsgNoSuchLight);
    doc.DragMoveNode(reopened, {1, 0, 0});
    doc.SelectNode(reopened, false);
    EXPECT_EQ(doc.Selection().selected_count, 0);
}

TEST(DocumentCore, NotificationsNameTheChangeAndStopWhenUnsubscribed) {
    DocumentCore doc;
    ChangeLog log(doc);
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {}, false);
    Material red;
    red.colour = {1, 0, 0};
    ASSERT_TRUE(doc.SetMaterial(a, red).ok());
    EXPECT_EQ(log.sets.back().changes.front(), (DocumentChange{ChangeKind::NodeMaterial, a, {}}));
    ASSERT_TRUE(doc.Rename(a, "Ball").ok());
    EXPECT_TRUE(log.sets.back().Has(ChangeKind::NodeRenamed));
    EXPECT_EQ(doc.NodeNamed("Ball"), a);
    EXPECT_FALSE(doc.NodeNamed("Sphere1"));

    const LightId l = doc.InsertLight(LightKind::Point, {1, 2, 3});
    EXPECT_TRUE(log.Saw(ChangeKind::LightAdded, {}, l));
    Light edited = *doc.FindLight(l);
    edited.intensity = 0.25f;
    edited.name = "ignored";
    ASSERT_TRUE(doc.SetLight(l, edited).ok());
    EXPECT_EQ(log.sets.back().changes.front(), (DocumentChange{ChangeKind::LightChanged, {}, l}));
    EXPECT_EQ(doc.FindLight(l)->intensity, 0.25f);
    EXPECT_EQ(doc.FindLight(l)->name, "Light2");  // names stay

    doc.AddView({35, {0, 0, -1}, {0, 0, 10}, {0, 0, 0}});
    EXPECT_TRUE(log.sets.back().Has(ChangeKind::Views));
    const std::size_t count = log.sets.size();
    doc.SetView(0, doc.Views()[0]);  // no change, no news
    EXPECT_EQ(log.sets.size(), count);

    // A listener that drops a second subscription while it runs: the other is not called.
    int other_calls = 0;
    Subscription other = doc.Subscribe([&](const ChangeSet&) { ++other_calls; });
    Subscription dropping;
    dropping = doc.Subscribe([&](const ChangeSet&) { other.Reset(); });
    log.subscription.Reset();
    doc.InsertObject(ObjectType::Cube, {2, 0, 0}, false);
    doc.InsertObject(ObjectType::Cube, {4, 0, 0}, false);
    EXPECT_EQ(log.sets.size(), count);  // unsubscribed: nothing more arrived
    EXPECT_LE(other_calls, 1);
    const int after = other_calls;
    doc.ClearSelection();
    EXPECT_EQ(other_calls, after);

    // A subscription that outlives its document is harmless.
    Subscription orphan;
    {
        DocumentCore gone;
        orphan = gone.Subscribe([](const ChangeSet&) {});
        EXPECT_TRUE(orphan.Active());
    }
    EXPECT_FALSE(orphan.Active());
    orphan.Reset();
}

TEST(DocumentCore, UngroupKeepsEveryMemberWhereItIsInTheWorld) {
    DocumentCore doc;
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {1, 0, 2}, false);
    const NodeId b = doc.InsertObject(ObjectType::Cone, {-3, 0, 0}, true);
    const NodeId group = doc.Group();
    // Turn, scale evenly and move the group as drags do.
    doc.BeginRotatingNode(group, DocumentCore::kFirstRingCode + 1);
    doc.DragRotateNode(group, 1, 30.0);
    doc.EndDrag();
    doc.DragScaleNode(group, {2, 2, 2}, {0, 1, 0});
    doc.EndDrag();
    auto world = [&](NodeId id) {
        Matrix4 m = doc.Node(id)->parent_from_node;
        if (const SceneNode* parent = doc.GetScene().ParentOf(*doc.Node(id));
            parent != &doc.GetScene().Root()) {
            m = parent->parent_from_node;
            m.Multiply(doc.Node(id)->parent_from_node);
        }
        return m;
    };
    const Matrix4 world_a = world(a), world_b = world(b);

    ASSERT_TRUE(doc.Ungroup(group).ok());
    EXPECT_EQ(doc.Node(group), nullptr);
    EXPECT_TRUE(doc.IsTopLevel(a) && doc.IsTopLevel(b));
    EXPECT_EQ(doc.Selection().selected_count, 2);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(world(a)[i], world_a[i], 1e-9) << i;
        EXPECT_NEAR(world(b)[i], world_b[i], 1e-9) << i;
    }
    EXPECT_EQ(doc.Ungroup(a).number, kMsgNotAGroup);

    // An uneven scale over a turned member would shear it: refused, nothing changes.
    doc.BeginRotatingNode(a, DocumentCore::kFirstRingCode + 2);
    doc.DragRotateNode(a, 2, 45.0);
    doc.EndDrag();
    doc.SelectExactly(std::vector<NodeId>{a, b}, {});
    const NodeId again = doc.Group();
    doc.DragScaleNode(again, {3, 1, 1}, {});
    doc.EndDrag();
    const std::vector<std::uint8_t> before = doc.SaveToBytes();
    EXPECT_EQ(doc.Ungroup(again).number, kMsgUngroupShear);
    EXPECT_EQ(doc.SaveToBytes(), before);
}

}  // namespace
}  // namespace kelto
