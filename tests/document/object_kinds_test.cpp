// Every kind of the kinds table, made through the document as the program makes it, comes back
// from a save and an open with its name and type, and shows in the OBJ export and a Draft
// render.
#include <gtest/gtest.h>

#include <sstream>

#include "../files/three_ds_writer.h"
#include "document/document_core.h"
#include "document/render_request.h"
#include "files/obj_writer.h"
#include "model/child_list.h"
#include "tests/document/render_test_support.h"

namespace kelto {
namespace {

// The new node of `type`, made as the commands make it; none for a kind this test cannot make
// (which fails it: a new kind needs its way in here).
NodeId Make(DocumentCore& doc, ObjectType type) {
    if (IsPrimitive(type))
        return doc.InsertObject(type, {0, 0, 0}, false);
    if (type == ObjectType::Text) {
        const auto text = doc.InsertText({0, 0, 0}, "Ko", LogFont::TextToolDefault(), 0.45, false);
        return text.ok() ? text->node : NodeId{};
    }
    if (type == ObjectType::Mesh) {
        const auto meshes =
            doc.Import3dsBytes(testing_3ds::Make3ds({testing_3ds::Tetrahedron("")}), "t.3ds");
        return meshes.ok() && meshes->size() == 1 ? meshes->front() : NodeId{};
    }
    // The containers, over a sphere and a cube that overlap.
    doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    doc.InsertObject(ObjectType::Cube, {0.8, 0, 0.3}, true);
    const auto made = [](const Result<NodeId>& result) { return result.ok() ? *result : NodeId{}; };
    switch (type) {
        case ObjectType::Group:
            return doc.Group();
        case ObjectType::Trim:
            return made(doc.Trim());
        case ObjectType::Combine:
            return made(doc.Combine());
        case ObjectType::Intersect:
            return made(doc.Intersect());
        default:
            return {};
    }
}

void CollectLeaves(const SceneNode& node, std::vector<std::string>& names) {
    const std::vector<SceneNode*> children = ChildrenOf(node);
    if (children.empty())
        names.push_back(node.name);
    for (const SceneNode* child : children)
        CollectLeaves(*child, names);
}

RenderImage Draft(const DocumentCore& doc) {
    RenderSettings settings;
    settings.width = 64;
    settings.height = 48;
    settings.threads = 1;
    RenderCamera camera;
    EXPECT_TRUE(ChooseRenderCamera(doc, settings, camera).ok());
    return test::RenderedPicture(doc, camera, settings);
}

TEST(ObjectKinds, EveryKindSurvivesSaveOpenExportAndRender) {
    const RenderImage empty = Draft(DocumentCore());
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.type == ObjectType::Root)
            continue;
        SCOPED_TRACE(std::string(kind.name_base));
        DocumentCore doc;
        const NodeId id = Make(doc, kind.type);
        ASSERT_TRUE(id);
        const std::string name = doc.Node(id)->name;
        EXPECT_EQ(name.rfind(kind.name_base, 0), 0u);

        const std::vector<std::uint8_t> bytes = doc.SaveToBytes();
        DocumentCore reopened;
        ASSERT_TRUE(reopened.OpenFromBytes(bytes, "kinds.kel").ok());
        const SceneNode* node = reopened.Node(reopened.NodeNamed(name));
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->type, kind.type);
        EXPECT_EQ(reopened.SaveToBytes(), bytes);

        std::ostringstream obj, mtl;
        EXPECT_GT(WriteSceneObj(reopened.GetScene(), obj, mtl, "kinds.mtl"), 0);
        std::vector<std::string> leaves;
        CollectLeaves(*node, leaves);
        for (const std::string& leaf : leaves)
            EXPECT_NE(obj.str().find("o " + leaf + "\nusemtl " + ObjMaterialName(leaf) + "\nv "),
                      std::string::npos)
                << leaf;

        EXPECT_FALSE(test::SamePicture(Draft(reopened), empty));
    }
}

}  // namespace
}  // namespace kelto
