// Copy, Cut and Paste: objects move between documents as scene-file bytes, whole; bytes that
// are not ours change nothing.
#include <gtest/gtest.h>

#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Clipboard, CopyAndPasteBetweenDocumentsKeepsGeometryAndMaterials) {
    DocumentCore from;
    const NodeId sphere = from.InsertObject(ObjectType::Sphere, {}, false);
    Material pictured;
    pictured.colour_source = 1;
    pictured.colour_image = SharedImage(TextureImage::Blank(5, 3, 3));
    pictured.bump_mode = BumpMode::Image;
    pictured.bump_image = SharedImage(TextureImage::Blank(2, 4, 1));
    ASSERT_TRUE(from.SetMaterial(sphere, pictured).ok());
    from.InsertObject(ObjectType::Cube, {0.8, 0, 0.3}, true);
    const Result<NodeId> trim = from.Trim();
    ASSERT_TRUE(trim.ok() && *trim);
    from.InsertObject(ObjectType::Torus, {5, 0, 0}, false);
    from.InsertObject(ObjectType::Cone, {8, 0, 0}, true);
    const NodeId group = from.Group();
    from.InsertObject(ObjectType::Cylinder, {-5, 0, 0}, false);  // not copied
    from.SelectExactly(std::vector<NodeId>{*trim, group}, {});
    const Bytes copied = from.CopySelection();
    const Bytes source_file = from.SaveToBytes();

    // Into an empty document the paste is the copy again, byte for byte.
    DocumentCore blank;
    ASSERT_TRUE(blank.Paste(copied).ok());
    EXPECT_EQ(blank.CopySelection(), copied);

    DocumentCore to;
    to.InsertObject(ObjectType::Sphere, {0, 0, 9}, false);  // takes the name Sphere1
    const std::size_t steps = to.UndoCount();
    const Result<std::vector<NodeId>> pasted = to.Paste(copied);
    ASSERT_TRUE(pasted.ok()) << pasted.status().text;
    ASSERT_EQ(pasted->size(), 2u);
    EXPECT_EQ(to.UndoText(), "Undo Paste");
    EXPECT_EQ(to.UndoCount(), steps + 1);
    EXPECT_EQ(from.SaveToBytes(), source_file);  // copying changed nothing

    // The pasted objects are the selection, at the head of the top level in their order; only
    // the taken name changed.
    const std::vector<SceneNode*> top = ChildrenOf(to.GetScene().Root());
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0]->id, (*pasted)[0]);
    EXPECT_EQ(top[1]->id, (*pasted)[1]);
    EXPECT_TRUE(top[0]->selected && top[1]->selected && !top[2]->selected);
    EXPECT_EQ(to.Selection().selected_count, 2);
    std::vector<std::string> names;
    for (NodeId id : *pasted)
        for (const SceneNode* node : SubtreeOf(*to.Node(id)))
            names.push_back(node->name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Group1", "Torus1", "Cone1", "Trim1", "Sphere2", "Cube1"}));

    // Pasting again gives free names all round. Undo, redo and reloading a paste are the
    // history walk's and the scene reader fuzz target's checks.
    const Result<std::vector<NodeId>> again = to.Paste(copied);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(to.Node((*again)[0])->name, "Group2");
    EXPECT_EQ(to.Node((*again)[1])->name, "Trim2");
    EXPECT_EQ(to.GetScene().NodeCount(), 1 + 1 + 2 * names.size());
}

TEST(Clipboard, CutIsCopyAndDeleteInOneStep) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Sphere, {}, false);
    const Bytes before = doc.SaveToBytes();
    EXPECT_TRUE(doc.CutSelection().size() > 0);
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 0u);
    EXPECT_EQ(doc.UndoText(), "Undo Cut Sphere1");
    ASSERT_TRUE(doc.Undo().ok());
    EXPECT_EQ(doc.SaveToBytes(), before);
    doc.ClearSelection();
    EXPECT_TRUE(doc.CopySelection().empty());  // nothing selected, nothing copied
    EXPECT_TRUE(doc.CutSelection().empty());
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 1u);
}

TEST(Clipboard, BytesThatAreNotOursOrDamagedChangeNothing) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Cube, {}, false);
    const Bytes before = doc.SaveToBytes();
    const std::size_t steps = doc.UndoCount();
    auto refused = [&](const Bytes& bytes) {
        const Result<std::vector<NodeId>> pasted = doc.Paste(bytes);
        EXPECT_EQ(doc.SaveToBytes(), before);
        EXPECT_EQ(doc.UndoCount(), steps);
        return pasted.ok() ? Status::Ok() : pasted.status();
    };
    EXPECT_EQ(refused({}).text, "Error reading corrupt Kelto scene file: clipboard.");
    EXPECT_EQ(refused({'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}).text,
              "Error: File is not a Kelto scene file: clipboard.");
    // A file without objects pastes nothing.
    DocumentCore empty;
    const Result<std::vector<NodeId>> nothing = doc.Paste(empty.SaveToBytes());
    ASSERT_TRUE(nothing.ok());
    EXPECT_TRUE(nothing->empty());
    EXPECT_EQ(doc.UndoCount(), steps);
}

}  // namespace
}  // namespace kelto
