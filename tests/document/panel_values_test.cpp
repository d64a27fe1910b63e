// What the Objects and Properties panels read and write through the document: the scene as
// rows, the values the selection shares, typed numbers, names and the visible flag, each one
// step that undoes to the very file it started from.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "document/document_core.h"
#include "document/scene_rows.h"
#include "model/child_list.h"
#include "model/message_table.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SceneRows, ListTheTreeDepthFirstWithMembersUnderTheirContainersAndLightsLast) {
    DocumentCore doc;
    const NodeId a = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const NodeId b = doc.InsertObject(ObjectType::Cube, {4, 0, 0}, true);
    const NodeId group = doc.Group();
    const NodeId cone = doc.InsertObject(ObjectType::Cone, {8, 0, 0}, false);
    doc.InsertLight(LightKind::Spot, {0, 5, 0});
    ASSERT_TRUE(doc.SetVisible(b, false).ok());

    SceneRows flat = FlattenScene(doc.GetScene());
    ASSERT_EQ(flat.rows.size(), 6u);  // cone, group, sphere, cube, Light1, Light2
    const std::vector<std::tuple<NodeId, int, int>> expected = {
        {cone, 0, -1}, {group, 0, -1}, {a, 1, 1}, {b, 1, 1}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [id, depth, parent] = expected[i];
        EXPECT_EQ(flat.rows[i].node, id) << i;
        EXPECT_EQ(flat.rows[i].depth, depth) << i;
        EXPECT_EQ(flat.rows[i].parent, parent) << i;
    }
    EXPECT_EQ(flat.rows[1].children, (std::vector<int>{2, 3}));
    EXPECT_EQ(flat.top_level, (std::vector<int>{0, 1, 4, 5}));
    EXPECT_EQ(flat.rows[3].index_in_parent, 1);
    EXPECT_TRUE(flat.rows[4].IsLight() && flat.rows[5].IsLight());
    EXPECT_FALSE(flat.rows[3].visible);
    EXPECT_TRUE(flat.rows[0].selected);

    // A selection change touches the rows whose flags changed, and only those.
    doc.SelectNode(a, false);
    EXPECT_EQ(RefreshFlags(doc.GetScene(), flat), (std::vector<int>{0, 2}));
    EXPECT_TRUE(flat.rows[2].selected && !flat.rows[0].selected);
}

// A typed value applies to every selected node as one step named as a drag of it is, shows
// as their common value, and undoes to the very bytes of the file.
TEST(TypedValues, OneStepNamedAsTheDragsThatUndoesToTheSameFile) {
    struct Case {
        NodeField field;
        double value;
        const char* undo_one;
        const char* undo_two;
    };
    const Case cases[] = {
        {NodeField::PositionX, -2.5, "Undo Move Sphere1", "Undo Move"},
        {NodeField::RotationY, 30.0, "Undo Rotate Sphere1", "Undo Rotate"},
        {NodeField::ScaleZ, 2.0, "Undo Scale Sphere1", "Undo Scale"},
        {NodeField::Refraction, 1.5, "Undo Material Sphere1", "Undo Material"},
    };
    for (const Case& c : cases) {
        for (int count : {1, 2}) {
            SCOPED_TRACE(std::string(InfoOf(c.field).name) + " x" + std::to_string(count));
            DocumentCore doc;
            const NodeId one = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
            const NodeId two = doc.InsertObject(ObjectType::Torus, {3, 0, 2}, count == 2);
            std::vector<NodeId> ids{one};
            if (count == 2) {
                ids.push_back(two);
            } else {
                doc.SelectNode(one, false);
            }
            const Bytes before = doc.SaveToBytes();
            const std::size_t steps = doc.UndoCount();
            ASSERT_TRUE(doc.SetField(ids, c.field, c.value).ok());
            EXPECT_EQ(doc.UndoCount(), steps + 1);
            EXPECT_EQ(doc.UndoText(), count == 1 ? c.undo_one : c.undo_two);
            const std::vector<const SceneNode*> selected = SelectedNodes(doc.GetScene());
            ASSERT_EQ(selected.size(), static_cast<std::size_t>(count));
            const CommonValues common = CommonValuesOf(selected);
            ASSERT_TRUE(common[c.field].has_value());
            EXPECT_NEAR(*common[c.field], c.value, 1e-9);
            EXPECT_EQ(common.name.has_value(), count == 1);
            // Values the two do not share are blank.
            EXPECT_EQ(common[NodeField::PositionZ].has_value(), count == 1);
            ASSERT_TRUE(doc.Undo().ok());
            EXPECT_EQ(doc.SaveToBytes(), before);
        }
    }
}

TEST(TypedValues, RefuseWhatIsNotANumberInRangeNamingTheRangeAndChangeNothing) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const Bytes before = doc.SaveToBytes();
    const std::size_t steps = doc.UndoCount();
    const std::vector<NodeId> ids{sphere};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<NodeField, double> hostile[] = {
        {NodeField::PositionX, nan},    {NodeField::PositionY, inf},
        {NodeField::PositionZ, -inf},   {NodeField::PositionX, 1e300},
        {NodeField::ScaleX, 0.0},       {NodeField::ScaleY, -1.0},
        {NodeField::RotationZ, 1000.0}, {NodeField::Transparency, 1.5},
    };
    for (const auto& [field, value] : hostile) {
        const Status refused = doc.SetField(ids, field, value);
        EXPECT_EQ(refused.number, kMsgFieldOutOfRange) << value;
        EXPECT_NE(refused.text.find(InfoOf(field).name), std::string::npos) << refused.text;
    }
    EXPECT_EQ(NotANumber(NodeField::PositionX, "abc").text,
              "Position X takes a number from -1e+06 to 1e+06; 'abc' is not one.");
    EXPECT_EQ(doc.UndoCount(), steps);
    EXPECT_EQ(doc.SaveToBytes(), before);
}

// The angles shown turn an unturned object to its matrix as a rotate drag would: a drag of
// 30 degrees about x shows 30, and typing the angles back makes the matrix again.
TEST(TypedValues, RotationAnglesAreTheDragsAndComposeBackToTheMatrix) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    doc.BeginRotatingNode(sphere, DocumentCore::kFirstRingCode);
    doc.DragRotateNode(sphere, 0, 30.0);
    doc.EndDrag();
    const Vec3 shown = RotationAngles(doc.Node(sphere)->rotation);
    EXPECT_NEAR(shown.x, 30.0, 1e-9);
    EXPECT_NEAR(shown.y, 0.0, 1e-9);
    EXPECT_NEAR(shown.z, 0.0, 1e-9);

    const Vec3 turns[] = {{10, 20, 30}, {-170, 45, 100}, {0, 90, 0}, {25, -90, 0}, {0, 0, -135}};
    for (const Vec3& angles : turns) {
        const Matrix4 r = RotationFromAngles(angles);
        const Matrix4 again = RotationFromAngles(RotationAngles(r));
        for (int i = 0; i < 16; ++i) {
            EXPECT_NEAR(again[i], r[i], 1e-12) << angles.x << " " << angles.y << " " << i;
        }
    }
}

TEST(Names, HostileNamesAreRefusedWithAMessageAndLatin1OnesReachTheFile) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, false);
    const Bytes before = doc.SaveToBytes();
    const std::pair<std::string, int> refused[] = {
        {"", kMsgNameEmpty},
        {"   ", kMsgNameBlank},
        {std::string(25, 'a'), kMsgNameTooLong},
        {std::string(1000, 'a'), kMsgNameTooLong},
        {kSceneRootName, kMsgNameTaken},
        {"Cube1", kMsgNameTaken},
    };
    for (const auto& [name, message] : refused) {
        EXPECT_EQ(doc.Rename(sphere, name).number, message) << name.substr(0, 30);
    }
    // Characters beyond Latin-1, and control characters, never reach the document.
    EXPECT_EQ(NameFromUtf8("Kugel \xE2\x86\x92").status().number, kMsgNameNotLatin1);
    EXPECT_EQ(NameFromUtf8("a\tb").status().number, kMsgNameNotLatin1);
    EXPECT_EQ(NameFromUtf8("\xFF").status().number, kMsgNameNotLatin1);
    EXPECT_EQ(doc.SaveToBytes(), before);
    EXPECT_FALSE(doc.CanUndo() && doc.UndoText().starts_with("Undo Rename"));

    const Result<std::string> cafe = NameFromUtf8("Caf\xC3\xA9");
    ASSERT_TRUE(cafe.ok());
    EXPECT_EQ(*cafe, "Caf\xE9");
    ASSERT_TRUE(doc.Rename(sphere, *cafe).ok());
    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(doc.SaveToBytes(), "names.kel").ok());
    EXPECT_TRUE(reopened.NodeNamed("Caf\xE9"));
    EXPECT_TRUE(doc.Rename(sphere, std::string(24, 'y')).ok());  // the longest the file holds
}

TEST(Visibility, HidingIsOneStepTheFileKeeps) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const Bytes before = doc.SaveToBytes();
    ASSERT_TRUE(doc.SetVisible(sphere, false).ok());
    EXPECT_EQ(doc.UndoText(), "Undo Hide Sphere1");
    EXPECT_TRUE(doc.IsModified());
    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(doc.SaveToBytes(), "hidden.kel").ok());
    EXPECT_EQ(reopened.Node(reopened.NodeNamed("Sphere1"))->visible, 0);
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.SaveToBytes(), before);
    EXPECT_EQ(doc.Node(sphere)->visible, 1);
}

}  // namespace
}  // namespace kelto
