// 3DS files: the reading rules and the import into the scene.
#include <gtest/gtest.h>

#include "../files/three_ds_writer.h"
#include "document/document_core.h"
#include "files/three_ds_reader.h"
#include "model/child_list.h"

namespace kelto {
namespace {

using testing_3ds::ChunkWriter;
using testing_3ds::Make3ds;
using testing_3ds::TestMesh;
using testing_3ds::Tetrahedron;
using Bytes = std::vector<std::uint8_t>;

Status Read(const Bytes& bytes, Importer& importer) {
    return Read3ds(bytes, "x.3ds", importer);
}

TEST(Read3ds, HeaderRules) {
    Importer importer;
    EXPECT_TRUE(Read(Bytes{0x4D, 0x4D, 6, 0, 0, 0}, importer).ok());  // only the main header
    EXPECT_EQ(Read(Bytes{0x4D, 0x4D, 7, 0, 0, 0}, importer).text, "File x.3ds is corrupt.");
    EXPECT_EQ(Read(Bytes{0x4D, 0x4D, 6, 0, 0, 0, 1}, importer).text, "File x.3ds is corrupt.");
    EXPECT_EQ(Read(Bytes{0x4D}, importer).text, "Error reading identifier in 3ds file: x.3ds.");
    EXPECT_EQ(Read(Bytes{0x4D, 0x4D, 6, 0}, importer).text,
              "Error reading identifier in 3ds file: x.3ds.");
    EXPECT_EQ(Read(Bytes{0x4C, 0x4D, 6, 0, 0, 0}, importer).text,
              "File x.3ds is not a 3ds file (or is corrupt).");
    Importer v2;
    EXPECT_EQ(Read(Make3ds({}, 1.0f, 2), v2).text,
              "Error reading x.3ds: version 2 3ds files are not supported.");
    for (std::uint32_t version : {3u, 4u}) {
        Importer ok;
        EXPECT_TRUE(Read(Make3ds({Tetrahedron("T")}, 1.0f, version), ok).ok());
        EXPECT_EQ(ok.mesh_order.size(), 1u);
    }
}

TEST(Read3ds, TablesNamesAndMaterials) {
    TestMesh first = Tetrahedron("My Box!");
    TestMesh second = Tetrahedron("My Box");  // cleans up to the same name: the first stays
    second.vertices.push_back({5, 5, 5});
    TestMesh unknown = Tetrahedron("Other");
    unknown.material = "Nowhere";
    Importer importer;
    ASSERT_TRUE(Read(Make3ds({first, second, unknown}, 2.5f), importer).ok());
    EXPECT_FLOAT_EQ(importer.master_scale, 2.5f);
    ASSERT_EQ(importer.mesh_order.size(), 2u);
    EXPECT_EQ(importer.mesh_order[0]->name, "My_Box");
    EXPECT_EQ(importer.mesh_order[0]->vertices.size(), 4u);
    ASSERT_EQ(importer.material_order.size(), 1u);
    const ImportedMaterial& red = *importer.material_order[0];
    EXPECT_EQ(red.name, "Red_Paint");
    EXPECT_FLOAT_EQ(red.diffuse.r, 1.0f);
    EXPECT_FLOAT_EQ(red.diffuse.g, 0.0f);
    EXPECT_FLOAT_EQ(red.specular.b, 0.5f);
    EXPECT_FLOAT_EQ(red.shininess, 0.4f);
    EXPECT_EQ(importer.mesh_order[0]->faces[0].material, &red);
    EXPECT_EQ(importer.mesh_order[1]->faces[0].material, nullptr);  // names an unknown material
    EXPECT_EQ(CleanUpName("a.b c-9"), "ab_c9");
}

TEST(Read3ds, CountsLengthsAndIndicesAreChecked) {
    const std::string datablock = "Error encountered in x.3ds: corrupt datablock.";
    // A face naming a vertex the mesh does not have.
    TestMesh bad = Tetrahedron("T");
    bad.faces.push_back({0, 1, 9});
    Importer importer;
    EXPECT_EQ(Read(Make3ds({bad}), importer).text, datablock);

    // A vertex count larger than its chunk.
    Bytes bytes = Make3ds({Tetrahedron("T")});
    const Bytes marker = {0x10, 0x41};
    auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(at, bytes.end());
    Bytes more = bytes;
    const auto count_at = static_cast<std::size_t>(at - bytes.begin()) + 6;
    more[count_at] = 0xFF;
    more[count_at + 1] = 0xFF;
    Importer big;
    EXPECT_EQ(Read(more, big).text, datablock);

    // A chunk claiming more than its parent holds.
    Bytes overrun = bytes;
    overrun[static_cast<std::size_t>(at - bytes.begin()) + 2] = 0xF0;
    Importer over;
    EXPECT_EQ(Read(overrun, over).text, datablock);

    // Every truncation fails with one of the reader's messages (or quietly) and never crashes.
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        Importer cut;
        const Status s =
            Read(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)), cut);
        ASSERT_FALSE(s.ok() && length > 6) << length;
    }
}

TEST(Import3ds, MeshesBecomeObjectsStandingOnTheFloor) {
    DocumentCore doc;
    const auto created = doc.Import3dsBytes(Make3ds({Tetrahedron("Pyramid")}, 2.0f), "p.3ds");
    ASSERT_TRUE(created.ok());
    ASSERT_EQ(created->size(), 1u);
    const SceneNode* node = doc.Node((*created)[0]);
    EXPECT_EQ(node->type, ObjectType::Mesh);
    EXPECT_EQ(node->name, "Pyramid");
    EXPECT_TRUE(node->selected);
    EXPECT_FLOAT_EQ(node->material.colour.r, 1.0f);
    EXPECT_FLOAT_EQ(node->material.shininess, 0.4f);
    EXPECT_EQ(node->display_mesh.TriangleCount(), 4u);
    // File z is our y: the apex (file z = 2) is on top; scaled by 2; resting on y = 0.
    float lowest = 1e9f, highest = -1e9f;
    for (const DisplayVertex& v : node->display_mesh.vertices) {
        const Vec3f p = node->parent_from_node.TransformPoint(v.Position());
        lowest = std::min(lowest, p.y);
        highest = std::max(highest, p.y);
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-6f);
    EXPECT_NEAR(highest, 2.0f, 1e-6f);
    // Faces wound counter-clockwise seen from outside keep their outward normals.
    const Vec3f centre{0, 0.5f, 0};
    for (std::size_t t = 0; t < node->display_mesh.indices.size(); t += 3) {
        const DisplayVertex& v = node->display_mesh.vertices[node->display_mesh.indices[t]];
        const Vec3f p = node->parent_from_node.TransformPoint(v.Position());
        EXPECT_GT((p.x - centre.x) * v.nx + (p.y - centre.y) * v.ny + (p.z - centre.z) * v.nz,
                  -1e-6f);
    }
}

TEST(Import3ds, SeveralMeshesAreGroupedSmoothingSharesAndLargeMeshesSplit) {
    TestMesh smooth = Tetrahedron("Smooth");
    smooth.smoothing = true;
    TestMesh large{"Large", {}, {}, "", false};
    for (int i = 0; i < 30000; ++i)
        large.vertices.push_back({static_cast<float>(i), 0, 0});
    for (int i = 0; i < 30000; ++i) {
        large.faces.push_back({static_cast<std::uint16_t>(i),
                               static_cast<std::uint16_t>((i + 1) % 30000),
                               static_cast<std::uint16_t>((i + 2) % 30000)});
    }
    DocumentCore doc;
    const auto imported = doc.Import3dsBytes(Make3ds({smooth, large}), "s.3ds");
    ASSERT_TRUE(imported.ok());
    ASSERT_EQ(imported->size(), 3u);  // 90 000 flat corners need two objects
    std::vector<const SceneNode*> created;
    for (NodeId id : *imported)
        created.push_back(doc.Node(id));
    EXPECT_EQ(created[0]->display_mesh.vertices.size(), 4u);  // shared
    EXPECT_EQ(created[1]->display_mesh.vertices.size() + created[2]->display_mesh.vertices.size(),
              90000u);
    EXPECT_EQ(created[2]->name, "Large1");
    EXPECT_EQ(ChildCount(doc.GetScene().Root()), 1u);  // gathered in one group
    EXPECT_EQ(doc.GetScene().Root().first_child->type, ObjectType::Group);

    // A failed import changes nothing.
    DocumentCore untouched;
    EXPECT_EQ(untouched.Import3dsBytes(Bytes{1, 2, 3}, "bad.3ds").status().number, kMsg3dsNotA3ds);
    EXPECT_EQ(untouched.GetScene().NodeCount(), 1u);
    EXPECT_EQ(untouched.Import3ds("/tmp/thing.obj").status().text,
              "Error object type 'obj': No plug-in parser found.");
    EXPECT_EQ(untouched.Import3ds("/nonexistent/thing.3DS").status().text,
              "Error: unable to open object file '/nonexistent/thing.3DS'.");
}

}  // namespace
}  // namespace kelto
