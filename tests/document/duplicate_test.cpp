// Duplicate, and Paste beside the objects it copies: copies one grid step aside as one
// history step. That Duplicate refuses what Paste refuses is the scene file's test.
#include <gtest/gtest.h>

#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Duplicate, CopiesObjectsAndLightsAStepAsideAsOneStepThatUndoesToTheSameFile) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {0.5, 0, 0}, false);
    doc.InsertObject(ObjectType::Cube, {5, 0, 0}, false);
    doc.InsertObject(ObjectType::Torus, {8, 0, 0}, true);
    const NodeId group = doc.Group();
    const LightId light = doc.GetScene().Lights()[0].id;
    doc.SelectExactly(std::vector<NodeId>{sphere, group}, std::vector<LightId>{light});
    const Bytes before = doc.SaveToBytes();
    const std::size_t steps = doc.UndoCount();

    const Result<Duplicates> made = doc.Duplicate(1.0);
    ASSERT_TRUE(made.ok()) << made.status().text;
    ASSERT_EQ(made->nodes.size(), 2u);
    ASSERT_EQ(made->lights.size(), 1u);
    EXPECT_EQ(doc.UndoCount(), steps + 1);
    EXPECT_EQ(doc.UndoText(), "Undo Duplicate");
    // Each copy one step further along x and z under a free name, the copies alone selected.
    const Vec3 aside{1, 0, 1};
    const std::pair<NodeId, NodeId> pairs[] = {{sphere, made->nodes[1]}, {group, made->nodes[0]}};
    for (const auto& [original, copy] : pairs) {
        EXPECT_EQ(doc.Node(copy)->position, doc.Node(original)->position + aside);
        EXPECT_NE(doc.Node(copy)->name, doc.Node(original)->name);
        EXPECT_TRUE(doc.Node(copy)->selected && !doc.Node(original)->selected);
    }
    EXPECT_EQ(ChildCount(*doc.Node(made->nodes[0])), 2u);  // the group with its members
    const Light& copied_light = *doc.FindLight(made->lights[0]);
    EXPECT_EQ(copied_light.position, doc.FindLight(light)->position + aside);
    EXPECT_TRUE(copied_light.selected && !doc.FindLight(light)->selected);
    EXPECT_NE(copied_light.name, doc.FindLight(light)->name);
    const Bytes after = doc.SaveToBytes();

    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.SaveToBytes(), before);
    ASSERT_TRUE(doc.Redo().ok());
    EXPECT_EQ(doc.SaveToBytes(), after);

    // A light alone is duplicated too; nothing selected duplicates nothing.
    doc.SelectLight(light);
    ASSERT_EQ(doc.Duplicate(1.0)->lights.size(), 1u);
    EXPECT_EQ(doc.GetScene().CountSelected(), 1);
    doc.ClearSelection();
    const Result<Duplicates> nothing = doc.Duplicate(1.0);
    EXPECT_TRUE(nothing.ok() && nothing->nodes.empty() && nothing->lights.empty());
    EXPECT_EQ(doc.UndoCount(), steps + 2);
}

TEST(Paste, GoesAStepAsideOnlyWhileItsOriginalsStandWhereItWouldLand) {
    DocumentCore doc;
    const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {2, 0, 3}, false);
    const Bytes copied = doc.CopySelection();
    const Vec3 at = doc.Node(sphere)->position;
    // Each paste clears the ones before it.
    for (double k : {1.0, 2.0}) {
        const Result<std::vector<NodeId>> pasted = doc.Paste(copied, 1.0);
        ASSERT_TRUE(pasted.ok());
        EXPECT_EQ(doc.Node(pasted->front())->position, at + (Vec3{k, 0, k}));
    }
    // Into another document, or once the original has gone, where it was.
    DocumentCore other;
    EXPECT_EQ(other.Node(other.Paste(copied, 1.0)->front())->position, at);
    doc.SelectNode(sphere, false);
    doc.DeleteSelection();
    EXPECT_EQ(doc.Node(doc.Paste(copied, 1.0)->front())->position, at);
}

}  // namespace
}  // namespace kelto
