// Saving and opening scene files: round trips, the reading rules, hostile and truncated files,
// and saves that fail.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "document/document_core.h"
#include "files/file_io.h"
#include "files/scene_file.h"
#include "files/stored_fields.h"
#include "model/child_list.h"
#include "tests/temporary_directory.h"

namespace kelto {

// Reaches the scene and views behind the document's operations, for building files field by
// field.
struct DocumentCoreTestAccess {
    static Scene& SceneOf(DocumentCore& doc) { return doc.scene_; }
    static std::vector<ViewEntry>& ViewsOf(DocumentCore& doc) { return doc.views_; }
};

namespace {

Scene& EditScene(DocumentCore& doc) {
    return DocumentCoreTestAccess::SceneOf(doc);
}
std::vector<ViewEntry>& EditViews(DocumentCore& doc) {
    return DocumentCoreTestAccess::ViewsOf(doc);
}

using Bytes = std::vector<std::uint8_t>;

TextureImage Picture(int width, int height, int channels) {
    TextureImage image = TextureImage::Blank(width, height, channels);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<std::uint8_t>(x * 31 + y * 7);
            if (channels == 1) {
                image.grey_rows[y][x] = v;
            } else {
                image.rgb_rows[y].red[x] = v;
                image.rgb_rows[y].green[x] = static_cast<std::uint8_t>(v + 1);
                image.rgb_rows[y].blue[x] = static_cast<std::uint8_t>(v + 2);
            }
        }
    }
    return image;
}

// Every primitive, a group whose oldest child is a group, every light kind with changed
// fields, images of one and three channels, an image bump, two views, a 24-character name.
void BuildRichScene(DocumentCore& doc) {
    Scene& scene = EditScene(doc);
    double x = -10;
    for (ObjectType type : kPrimitiveTypes) {
        doc.InsertObject(type, {x, 0, 0}, false);
        x += 3;
    }
    const NodeId loner = doc.InsertObject(ObjectType::Cube, {0, 0, 8}, false);
    SceneNode* a = scene.FindNode(doc.InsertObject(ObjectType::Sphere, {4, 0, 8}, false));
    doc.InsertObject(ObjectType::Cone, {6, 0, 8}, true);
    const NodeId inner_id = doc.Group();
    doc.SelectNode(inner_id, false);
    doc.SelectNode(loner, true);
    SceneNode* outer = scene.FindNode(doc.Group());
    const SceneNode* inner = scene.FindNode(inner_id);
    EXPECT_EQ(ChildrenOf(*outer).back(), inner);  // the inner group is the oldest child

    a->material.colour_source = 1;
    a->material.colour_image = SharedImage(Picture(5, 3, 3));
    a->material.glow_source = 1;
    a->material.glow_image = SharedImage(Picture(2, 4, 1));
    a->material.bump_mode = BumpMode::Image;
    a->material.bump_image = SharedImage(Picture(3, 3, 1));
    a->material.reflective_strength = 0.75f;
    a->material.transparency = 0.5f;
    a->material.index_of_refraction = 1.33f;
    Matrix4 turned;
    turned.Rotate(10, {0, 1, 0});
    a->material.mapping.Set(turned);
    SceneNode* first = scene.FindNode("Sphere1");
    first->material.bump_mode = BumpMode::UseColourMap;
    first->material.ambient_source = 1;
    first->material.ambient_image = SharedImage(Picture(1, 1, 3));
    first->visible = 0;
    StoredNodeFields stored;
    stored.flag_a = true;
    stored.flag_d = true;
    stored.faces[2].third[1] = 77;
    KeepStoredFields(*first, stored);
    KeepStoredFields(*first->shape, StoredShapeFields{{3, 4}, {5, 6}});
    first->shape->cube_surface_mesh = 2;
    first->scale = {1, 2, 3};
    first->ComputeParentFromNode();

    SceneNode* long_name = *scene.AddNode(ObjectType::Group, "ABCDEFGHIJKLMNOPQRSTUVWX");
    LinkChild(scene.Root(), *long_name);

    for (int kind = 0; kind <= 4; ++kind) {
        const int i = scene.InsertLight(static_cast<LightKind>(kind), {1.0 * kind, 2, 3});
        Light& light = scene.Lights()[static_cast<std::size_t>(i)];
        light.diffuse = {0.5f, 0.25f, 0.125f, 1.0f};
        light.falloff = {0, 0, 1};
        light.intensity = 2.5f;
        light.spot_angle = 30;
        light.spot_exponent = 4;
        light.casts_shadows = 0;
        light.on = kind % 2;
        light.size = 0.5f;
        light.rotation.Rotate(45, {1, 0, 0});
        light.RebuildExponentTable();
    }
    KeepStoredFields(scene, StoredSceneFields{{6, 7, 8}, {0.1f, 0.2f, 0.3f, 0.4f}});
    EditViews(doc).push_back({35, {0, 0, -1}, {0, 1, 10}, {0, 1, 9}});
    EditViews(doc).push_back({200, {1, 0, 0}, {-5, 0, 0}, {0, 0, 0}});
}

// Meshes are not in the file: the reader makes them again from the records.
bool SameMesh(const Mesh& a, const Mesh& b) {
    return a.indices == b.indices && a.vertices.size() == b.vertices.size() &&
           (a.vertices.empty() || std::memcmp(a.vertices.data(), b.vertices.data(),
                                              a.vertices.size() * sizeof(DisplayVertex)) == 0);
}

TEST(SceneFile, RichSceneRoundTrips) {
    DocumentCore original;
    BuildRichScene(original);
    const Bytes saved = original.SaveToBytes();
    DocumentCore reopened;
    const Status status = reopened.OpenFromBytes(saved, "rich.kel");
    ASSERT_TRUE(status.ok()) << status.text;
    EXPECT_EQ(reopened.SaveToBytes(), saved);  // every field read writes back byte for byte
    EXPECT_FALSE(reopened.IsModified());
    // What the file does not hold is made again alike.
    const std::vector<SceneNode*> made = SubtreeOf(original.GetScene().Root());
    const std::vector<SceneNode*> read = SubtreeOf(reopened.GetScene().Root());
    ASSERT_EQ(made.size(), read.size());
    for (std::size_t i = 0; i < made.size(); ++i) {
        EXPECT_TRUE(SameMesh(made[i]->display_mesh, read[i]->display_mesh)) << made[i]->name;
        EXPECT_TRUE(SameMesh(made[i]->render_mesh, read[i]->render_mesh)) << made[i]->name;
        EXPECT_EQ(made[i]->box, read[i]->box);
        EXPECT_EQ(made[i]->parent_from_node, read[i]->parent_from_node);
    }
    for (std::size_t i = 0; i < original.GetScene().Lights().size(); ++i) {
        const Light& p = original.GetScene().Lights()[i];
        const Light& q = reopened.GetScene().Lights()[i];
        EXPECT_EQ(p.spot_cosine, q.spot_cosine);
        EXPECT_EQ(p.exponent_table[300].value, q.exponent_table[300].value);
    }

    // What only the file reads goes with the nodes when they are deleted and brought back,
    // and when they are copied into another scene.
    reopened.DeleteSelection();
    ASSERT_TRUE(reopened.Undo().ok());
    EXPECT_EQ(reopened.SaveToBytes(), saved);
    reopened.SelectNode(reopened.NodeNamed("Sphere1"), false);
    DocumentCore pasted;
    ASSERT_TRUE(pasted.Paste(reopened.CopySelection()).ok());
    const SceneNode& source = *original.GetScene().FindNode("Sphere1");
    const SceneNode& copy = *pasted.GetScene().FindNode("Sphere1");
    EXPECT_EQ(StoredFieldsOf(copy), StoredFieldsOf(source));
    EXPECT_EQ(StoredFieldsOf(*copy.shape), StoredFieldsOf(*source.shape));
}

// A file with one group node and no lights; offsets below are into this layout.
Bytes OneGroupFile(const std::string& name = "G", int picture_channels = 0) {
    DocumentCore doc;
    EditScene(doc).Lights().clear();
    SceneNode* group = *EditScene(doc).AddNode(ObjectType::Group, name);
    LinkChild(EditScene(doc).Root(), *group);
    if (picture_channels > 0) {
        group->material.colour_source = 1;
        group->material.colour_image = SharedImage(Picture(2, 2, picture_channels));
    }
    return doc.SaveToBytes();
}
constexpr std::size_t kLevelOffset = 40;
constexpr std::size_t kNextNameOffset = 45;  // after an empty first-child name
constexpr std::size_t kMaterialOffset = 65;  // after "__VORN_SCENE_ROOT__"
constexpr std::size_t kTypeOffset = kMaterialOffset + 232;

void PutI32(Bytes& bytes, std::size_t at, std::int32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
}

Status OpenBytes(const Bytes& bytes, DocumentCore& doc) {
    return doc.OpenFromBytes(bytes, "f.kel");
}

const std::string kCorrupt = "Error reading corrupt Kelto scene file: f.kel.";

bool IsEmptyDocument(const DocumentCore& doc) {
    return doc.GetScene().NodeCount() == 1 && doc.GetScene().Lights().size() == 1 &&
           doc.Views().empty();
}

TEST(SceneFile, HeaderRulesGiveTheirMessages) {
    DocumentCore doc;
    ASSERT_TRUE(OpenBytes(OneGroupFile(), doc).ok());
    EXPECT_EQ(doc.GetScene().Lights().size(), 0u);
    // The identifier, the version number, the version, item 3, valid, and a light record that
    // is neither a light nor the end of the lights.
    const struct {
        std::size_t at;
        std::uint8_t value;
        std::string message;
    } cases[] = {{3, 0x17, "Error: File is not a Kelto scene file: f.kel."},
                 {7, 2, "Error loading unsupported (ver 2) Kelto scene file:f.kel."},
                 {4, 5, kCorrupt},
                 {8, 5, kCorrupt},
                 {21, 5, kCorrupt},
                 {38, 7, kCorrupt}};
    for (const auto& c : cases) {
        Bytes bytes = OneGroupFile();
        bytes[c.at] = c.value;
        EXPECT_EQ(OpenBytes(bytes, doc).text, c.message) << c.at;
        EXPECT_TRUE(IsEmptyDocument(doc)) << c.at;
    }
    EXPECT_EQ(OpenBytes(Bytes{0x4D, 0x0C}, doc).text, kCorrupt);
}

TEST(SceneFile, NodeAndLightRecordRules) {
    DocumentCore doc;
    Bytes bytes = OneGroupFile();
    ASSERT_EQ(bytes[kTypeOffset], 12);
    for (std::int32_t type : {9, 10, 13, 15, 16, 99, -1}) {
        Bytes patched = bytes;
        PutI32(patched, kTypeOffset, type);
        EXPECT_EQ(OpenBytes(patched, doc).text, kCorrupt) << type;
        EXPECT_TRUE(IsEmptyDocument(doc));
    }
    Bytes level0 = bytes;
    PutI32(level0, kLevelOffset, 0);
    EXPECT_EQ(OpenBytes(level0, doc).text, kCorrupt);

    // Names: 24 characters load, 25 do not.
    EXPECT_TRUE(OpenBytes(OneGroupFile(std::string(24, 'n')), doc).ok());
    EXPECT_EQ(OpenBytes(OneGroupFile(std::string(25, 'n')), doc).text, kCorrupt);

    // A link to a name no node has is damage like any other, and says so.
    Bytes unknown = bytes;
    unknown[kNextNameOffset + 5] = 'X';
    Status s = OpenBytes(unknown, doc);
    EXPECT_EQ(s.text, kCorrupt);
    EXPECT_TRUE(IsEmptyDocument(doc));
    Bytes unknown_root_child = bytes;
    unknown_root_child[unknown_root_child.size() - 3] = 'Z';  // item 11 is "G", then trailer 0
    EXPECT_EQ(OpenBytes(unknown_root_child, doc).text, kCorrupt);

    // Light kinds are 1 to 5 in the file.
    DocumentCore one_light;
    ASSERT_EQ(one_light.GetScene().Lights().size(), 1u);
    Bytes light_file = one_light.SaveToBytes();
    ASSERT_EQ(light_file[38], 9);
    for (std::uint8_t kind : {0, 6, 255}) {
        Bytes patched = light_file;
        patched[39] = kind;
        EXPECT_EQ(OpenBytes(patched, doc).text, kCorrupt) << int{kind};
    }
}

// Placements, light positions and directions and view cameras that are not finite make the
// file corrupt: nothing could place, draw or trace them. Huge finite values still load (the
// tracer leaves such objects out).
TEST(SceneFile, PlacementsThatAreNotNumbersAreCorrupt) {
    auto saved = [](const std::function<void(DocumentCore&)>& change) {
        DocumentCore doc;
        EditScene(doc).CreateNode(ObjectType::Cube, {0, 0, 0});
        EditViews(doc).push_back({50, {0, 0, -1}, {0, 0, 10}, {0, 0, 0}});
        change(doc);
        return doc.SaveToBytes();
    };
    const std::vector<std::function<void(DocumentCore&, double)>> changes = {
        [](DocumentCore& d, double v) { EditScene(d).Root().first_child->position.x = v; },
        [](DocumentCore& d, double v) { EditScene(d).Root().first_child->rotation[5] = v; },
        [](DocumentCore& d, double v) { EditScene(d).Root().first_child->scale.y = v; },
        [](DocumentCore& d, double v) { EditScene(d).Lights()[0].position.z = v; },
        [](DocumentCore& d, double v) { EditScene(d).Lights()[0].rotation[2] = v; },
        [](DocumentCore& d, double v) { EditViews(d)[0].eye.y = v; },
        [](DocumentCore& d, double v) { EditViews(d)[0].target.x = v; },
        [](DocumentCore& d, double v) { EditViews(d)[0].direction.z = v; },
    };
    DocumentCore doc;
    for (std::size_t c = 0; c < changes.size(); ++c) {
        for (double bad :
             {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
              -std::numeric_limits<double>::infinity()}) {
            EXPECT_EQ(OpenBytes(saved([&](DocumentCore& d) { changes[c](d, bad); }), doc).text,
                      kCorrupt)
                << c << ' ' << bad;
            EXPECT_TRUE(IsEmptyDocument(doc)) << c;
        }
        EXPECT_TRUE(OpenBytes(saved([&](DocumentCore& d) { changes[c](d, 1e300); }), doc).ok())
            << c;
    }
}

TEST(SceneFile, ImageChannelsOtherThanOneOrThreeAreCorrupt) {
    Bytes bytes = OneGroupFile("G", 3);
    const std::size_t channels_at = kMaterialOffset + 128 + 4 + 1;
    ASSERT_EQ(bytes[channels_at], 3);
    DocumentCore reopened;
    ASSERT_TRUE(OpenBytes(bytes, reopened).ok());
    for (std::int32_t channels : {0, 2, 4, -1}) {
        Bytes patched = bytes;
        PutI32(patched, channels_at, channels);
        EXPECT_EQ(OpenBytes(patched, reopened).number, kMsgSceneCorrupt) << channels;
    }
    // A picture claiming more rows than the file holds is refused before anything is made.
    Bytes huge = bytes;
    PutI32(huge, channels_at + 4, 0x7FFFFFFF);
    EXPECT_EQ(OpenBytes(huge, reopened).number, kMsgSceneCorrupt);
}

TEST(SceneFile, EveryTruncationFailsCleanly) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Cube, {}, false);
    doc.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
    doc.Group();
    EditScene(doc).InsertLight(LightKind::Spot, {1, 1, 1});
    EditScene(doc).FindNode("Cube1")->material.colour_source = 1;
    EditScene(doc).FindNode("Cube1")->material.colour_image = SharedImage(Picture(2, 2, 1));
    EditViews(doc).push_back({50, {0, 0, -1}, {0, 0, 5}, {0, 0, 0}});
    const Bytes whole = doc.SaveToBytes();

    DocumentCore reader;
    ASSERT_TRUE(OpenBytes(whole, reader).ok());
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const Bytes prefix(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
        const Status s = OpenBytes(prefix, reader);
        ASSERT_FALSE(s.ok()) << length;
        ASSERT_EQ(s.number, kMsgSceneCorrupt) << length;
        ASSERT_TRUE(IsEmptyDocument(reader)) << length;
    }
}

TEST(SceneFile, TreeLinksThatLoopAreRefused) {
    DocumentCore doc;
    EditScene(doc).Lights().clear();
    Scene& scene = EditScene(doc);
    SceneNode* a = *scene.AddNode(ObjectType::Group, "A");
    SceneNode* b = *scene.AddNode(ObjectType::Group, "B");
    LinkChild(scene.Root(), *a);
    LinkChild(scene.Root(), *b);
    Bytes bytes = doc.SaveToBytes();
    // B is written first with next name "A"; A's next name is the root's. Making A's next name
    // "B" closes a loop B -> A -> B.
    const std::string root_name = kSceneRootName;
    auto at = std::search(bytes.begin(), bytes.end(), root_name.begin(), root_name.end());
    ASSERT_NE(at, bytes.end());
    Bytes looped(bytes.begin(), at);
    looped.push_back('B');
    looped.push_back(0);
    looped.insert(looped.end(), at + static_cast<std::ptrdiff_t>(root_name.size()) + 1,
                  bytes.end());
    DocumentCore reader;
    EXPECT_FALSE(OpenBytes(looped, reader).ok());
    EXPECT_TRUE(IsEmptyDocument(reader));
}

// Saving replaces the file whole or not at all.
TEST(SceneFile, SaveAndOpenThroughTheFileSystemAndAFailedSaveKeepsTheOldFile) {
    test::TemporaryDirectory dir;
    const std::string path = dir.File("scene.kel");
    DocumentCore small;
    small.InsertObject(ObjectType::Sphere, {}, false);
    ASSERT_TRUE(small.Save(path).ok());
    EXPECT_FALSE(small.IsModified());
    DocumentCore reopened;
    ASSERT_TRUE(reopened.Open(path).ok());
    EXPECT_EQ(reopened.SaveToBytes(), small.SaveToBytes());
    // A file that is not there leaves the open document as it was.
    EXPECT_EQ(reopened.Open(dir.File("missing.kel")).number, kMsgSceneOpenFailed);
    EXPECT_NE(reopened.GetScene().FindNode("Sphere1"), nullptr);

    const Result<Bytes> before = ReadWholeFile(path);
    ASSERT_TRUE(before.ok());
    DocumentCore big;
    BuildRichScene(big);
    // A disk that fills up: the process may write no more than the old file's size.
    const Status status = test::WithFileSizeLimit(before->size(), [&] { return big.Save(path); });
    EXPECT_EQ(status.number, kMsgSceneSaveFailed);
    EXPECT_EQ(status.text, "Error: unable to save Kelto scene file: " + path + ".");
    EXPECT_TRUE(big.IsModified());
    const Result<Bytes> after = ReadWholeFile(path);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(*after, *before);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary file left behind

    EXPECT_EQ(big.Save(dir.File("no-such-directory/scene.kel")).number, kMsgSceneSaveFailed);
}

// `count` spheres in a row, tessellated with `steps` steps.
void AddSpheres(DocumentCore& doc, int count, int steps) {
    for (int i = 0; i < count; ++i) {
        const NodeId sphere = doc.InsertObject(ObjectType::Sphere, {i * 3.0, 0, 0}, false);
        EditScene(doc).FindNode(sphere)->shape->steps = steps;
    }
}

TEST(SceneFile, SmallRecordsCannotAskForHugeMeshes) {
    // Many spheres whose step count asks for the largest meshes the tessellation makes: the
    // file stays small, so the load is refused before the meshes outgrow it.
    DocumentCore doc;
    AddSpheres(doc, 40, 200);
    DocumentCore reader;
    EXPECT_EQ(reader.OpenFromBytes(doc.SaveToBytes(), "big.kel").number, kMsgSceneCorrupt);

    // A handful of finer spheres is fine.
    DocumentCore fine;
    AddSpheres(fine, 2, 100);
    ASSERT_TRUE(reader.OpenFromBytes(fine.SaveToBytes(), "fine.kel").ok());
    EXPECT_GT(reader.GetScene().FindNode("Sphere1")->display_mesh.vertices.size(), 10000u);

    // A sphere of 229 steps opens; pasted into its own scene or duplicated, the two would ask
    // for more than a file may, so both are refused and the scene stays as it was.
    DocumentCore made;
    AddSpheres(made, 1, 229);
    ASSERT_TRUE(reader.OpenFromBytes(made.SaveToBytes(), "fine.kel").ok());
    const Bytes saved = reader.SaveToBytes();
    EXPECT_EQ(reader.Paste(saved).status().number, kMsgPasteTooFine);
    reader.SelectNode(reader.NodeNamed("Sphere1"), false);
    EXPECT_EQ(reader.Duplicate(1.0).status().number, kMsgPasteTooFine);
    EXPECT_EQ(reader.SaveToBytes(), saved);
    EXPECT_FALSE(reader.CanUndo());
    // Kelto's own primitives take no more samples than their records hold.
    DocumentCore every;
    for (ObjectType type : kPrimitiveTypes)
        every.InsertObject(type, {}, false);
    EXPECT_EQ(TessellationExcess(every.GetScene()), 0u);

    // A picture of no width but a billion rows costs nothing.
    DocumentCore empty_picture;
    SceneNode* group = *EditScene(empty_picture).AddNode(ObjectType::Group, "G");
    LinkChild(EditScene(empty_picture).Root(), *group);
    group->material.colour_source = 1;
    TextureImage image;
    image.height = 1000000000;
    group->material.colour_image = SharedImage(image);
    ASSERT_TRUE(reader.OpenFromBytes(empty_picture.SaveToBytes(), "e.kel").ok());
    EXPECT_EQ(reader.GetScene().FindNode("G")->material.colour_image->grey_rows.size(), 0u);
}

}  // namespace
}  // namespace kelto
