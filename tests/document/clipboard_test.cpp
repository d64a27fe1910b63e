// Copy, Cut and Paste: objects move between documents as scene-file bytes, whole; bytes that
// are not ours change nothing.
#include <gtest/gtest.h>

#include <random>

#include "document/document_core.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

void ExpectSameObject(const SceneNode& pasted, const SceneNode& original) {
    SCOPED_TRACE(original.name + " as " + pasted.name);
    EXPECT_EQ(pasted.type, original.type);
    EXPECT_EQ(pasted.position, original.position);
    EXPECT_EQ(pasted.rotation, original.rotation);
    EXPECT_EQ(pasted.scale, original.scale);
    EXPECT_EQ(pasted.display_mesh.indices, original.display_mesh.indices);
    ASSERT_EQ(pasted.display_mesh.vertices.size(), original.display_mesh.vertices.size());
    for (std::size_t i = 0; i < pasted.display_mesh.vertices.size(); ++i) {
        EXPECT_EQ(pasted.display_mesh.vertices[i].Position(),
                  original.display_mesh.vertices[i].Position());
        EXPECT_EQ(pasted.display_mesh.vertices[i].Normal(),
                  original.display_mesh.vertices[i].Normal());
    }
    if (original.material.colour_source == 0) {  // a colour image is stored in its place
        EXPECT_EQ(pasted.material.colour, original.material.colour);
    }
    EXPECT_EQ(pasted.material.shininess, original.material.shininess);
    EXPECT_EQ(pasted.material.colour_source, original.material.colour_source);
    EXPECT_EQ(static_cast<bool>(pasted.material.colour_image),
              static_cast<bool>(original.material.colour_image));
    if (original.material.colour_image) {
        EXPECT_EQ(pasted.material.colour_image->rgb_rows, original.material.colour_image->rgb_rows);
    }
    if (original.material.bump_image) {
        ASSERT_TRUE(pasted.material.bump_image);
        EXPECT_EQ(pasted.material.bump_image->grey_rows, original.material.bump_image->grey_rows);
    }
}

TEST(Clipboard, CopyAndPasteBetweenDocumentsKeepsGeometryAndMaterials) {
    DocumentCore from;
    const NodeId sphere = from.InsertObject(ObjectType::Sphere, {}, false);
    Material pictured;
    pictured.colour = {0.9f, 0.1f, 0.2f};
    pictured.shininess = 0.25f;
    pictured.colour_source = 1;
    TextureImage colour = TextureImage::Blank(5, 3, 3);
    colour.rgb_rows[1].red[2] = 200;
    colour.rgb_rows[2].blue[4] = 90;
    pictured.colour_image = SharedImage(std::move(colour));
    pictured.bump_mode = BumpMode::Image;
    TextureImage bump = TextureImage::Blank(2, 4, 1);
    bump.grey_rows[3][1] = 77;
    pictured.bump_image = SharedImage(std::move(bump));
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
    ASSERT_FALSE(copied.empty());
    const Bytes source_file = from.SaveToBytes();

    DocumentCore to;
    to.InsertObject(ObjectType::Sphere, {0, 0, 9}, false);  // takes the name Sphere1
    const std::size_t steps = to.UndoCount();
    const Result<std::vector<NodeId>> pasted = to.Paste(copied);
    ASSERT_TRUE(pasted.ok()) << pasted.status().text;
    ASSERT_EQ(pasted->size(), 2u);
    EXPECT_EQ(to.UndoText(), "Undo Paste");
    EXPECT_EQ(to.UndoCount(), steps + 1);
    EXPECT_EQ(from.SaveToBytes(), source_file);  // copying changed nothing

    // The pasted objects are the selection, at the head of the top level in their order.
    const std::vector<SceneNode*> top = ChildrenOf(to.GetScene().Root());
    ASSERT_EQ(top.size(), 3u);
    EXPECT_EQ(top[0]->id, (*pasted)[0]);
    EXPECT_EQ(top[1]->id, (*pasted)[1]);
    EXPECT_TRUE(top[0]->selected && top[1]->selected && !top[2]->selected);
    EXPECT_EQ(to.Selection().selected_count, 2);

    // Same objects, node for node; only the taken name changed.
    const std::vector<const SceneNode*> originals = [&] {
        std::vector<const SceneNode*> nodes;
        for (const SceneNode* node : Children(from.GetScene().Root())) {
            if (node->selected) {  // the group (newer) first, then the Trim object
                const std::vector<SceneNode*> below = SubtreeOf(*node);
                nodes.insert(nodes.end(), below.begin(), below.end());
            }
        }
        return nodes;
    }();
    std::vector<const SceneNode*> copies;
    for (NodeId id : *pasted) {
        const std::vector<SceneNode*> below = SubtreeOf(*to.Node(id));
        copies.insert(copies.end(), below.begin(), below.end());
    }
    ASSERT_EQ(copies.size(), originals.size());
    for (std::size_t i = 0; i < copies.size(); ++i) {
        ExpectSameObject(*copies[i], *originals[i]);
        if (originals[i]->name == "Sphere1") {
            EXPECT_EQ(copies[i]->name, "Sphere2");
        } else {
            EXPECT_EQ(copies[i]->name, originals[i]->name);
        }
    }

    // Pasting again gives free names all round. Undo, redo and reloading a paste are the
    // history walk's and the scene reader fuzz target's checks.
    const Result<std::vector<NodeId>> again = to.Paste(copied);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(to.Node((*again)[0])->name, "Group2");
    EXPECT_EQ(to.Node((*again)[1])->name, "Trim2");
    EXPECT_EQ(to.GetScene().NodeCount(), 1 + 1 + 2 * originals.size());
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
    DocumentCore source;
    source.InsertObject(ObjectType::Torus, {}, false);
    const Bytes copied = source.CopySelection();

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
    // Every cut short copy is refused with the reader's message.
    for (std::size_t length = 1; length < copied.size(); length += 37) {
        const Status status = refused(Bytes(copied.begin(), copied.begin() + length));
        EXPECT_FALSE(status.ok()) << length;
        EXPECT_EQ(status.number, kMsgSceneCorrupt) << length;
    }
    // Random damage: refused, or pasted whole; never half.
    std::mt19937 rng(7);
    for (int trial = 0; trial < 200; ++trial) {
        Bytes damaged = copied;
        damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
        const std::size_t nodes = doc.GetScene().NodeCount();
        const Result<std::vector<NodeId>> pasted = doc.Paste(damaged);
        if (pasted.ok()) {
            EXPECT_EQ(doc.GetScene().NodeCount(), nodes + pasted->size());
            if (!pasted->empty()) {
                ASSERT_TRUE(doc.Undo().ok());
            }
        }
        ASSERT_EQ(doc.SaveToBytes(), before) << trial;
    }
    // A file without objects pastes nothing.
    DocumentCore empty;
    const Result<std::vector<NodeId>> nothing = doc.Paste(empty.SaveToBytes());
    ASSERT_TRUE(nothing.ok());
    EXPECT_TRUE(nothing->empty());
    EXPECT_EQ(doc.UndoCount(), steps);
}

}  // namespace
}  // namespace kelto
