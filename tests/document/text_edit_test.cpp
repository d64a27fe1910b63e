// Text objects keep their font's proportions; Edit Text makes one anew where it stands, as one
// step of the history; files with text from before keep what they show.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>

#include "document/document_core.h"
#include "modelling/glyph_outline.h"
#include "modelling/text_settings.h"
#include "modelling/text_shape.h"

namespace kelto {
namespace {

LogFont Font(const char* family, int weight = 400) {
    LogFont font = LogFont::TextToolDefault();
    font.SetFaceName(family);
    font.weight = weight;
    return font;
}

struct Extent {
    double width = 0.0;
    double height = 0.0;
};

Extent BoxExtent(const BoundingBox& box) {
    return {double(box.max.x) - box.min.x, double(box.max.z) - box.min.z};
}

// The ink of a character's outline in font units (every point of an 'H' is a corner): its
// left bearing, right edge and height.
struct Ink {
    double left = 0.0;
    double right = 0.0;
    double height = 0.0;
};

Ink InkOf(const GlyphSource& source, unsigned char character) {
    const std::vector<OutlinePoint> outline = source.Outline(character);
    auto [left, right] = std::minmax_element(outline.begin(), outline.end(),
                                             [](auto& a, auto& b) { return a.x < b.x; });
    auto [bottom, top] = std::minmax_element(outline.begin(), outline.end(),
                                             [](auto& a, auto& b) { return a.y < b.y; });
    return {left->x, right->x, top->y - bottom->y};
}

Vec3 WorldCorner(const SceneNode& node) {
    const Vec3f p = node.parent_from_node.TransformPoint(node.box.min);
    return {p.x, p.y, p.z};
}

void ExpectNear(const Vec3& a, const Vec3& b) {
    EXPECT_NEAR(a.x, b.x, 1e-5);
    EXPECT_NEAR(a.y, b.y, 1e-5);
    EXPECT_NEAR(a.z, b.z, 1e-5);
}

// "HH" is an H, the gap between letters and an H placed by its left bearing after it; across
// and up are scaled alike, so its box has the outline's proportions (a scale four times taller
// than wide gives about a quarter of them).
TEST(TextProportions, HHKeepsTheAspectOfTheFontsOutline) {
    for (const auto& [family, weight] :
         {std::pair{"DejaVu Sans", 400}, std::pair{"Liberation Serif", 700},
          std::pair{"DejaVu Sans Mono", 400}}) {
        const LogFont font = Font(family, weight);
        const GlyphSource source(font);
        ASSERT_TRUE(source.Usable()) << family;
        const Ink ink = InkOf(source, 'H');
        TextShape shape("HH", font, 0.45);
        ASSERT_TRUE(shape.ReadGlyphs().ok());
        Mesh mesh;
        BoundingBox box;
        ASSERT_TRUE(shape.BuildDisplayMesh(mesh, box).ok());
        const Extent built = BoxExtent(box);
        const double s = TextShape::kGlyphScale;
        const double expected =
            ((2.0 * ink.right - ink.left) * s + TextShape::kLetterSpacing) / (ink.height * s);
        EXPECT_NEAR(built.width / built.height, expected, 0.05 * expected) << family;
        EXPECT_NEAR(built.height, ink.height * s, 0.01 * ink.height * s) << family;
        EXPECT_NEAR(double(box.max.y) - box.min.y, 0.45, 1e-6) << family;
    }
}

TEST(EditText, RebuildsWhereItStandsAndUndoesToTheSameFile) {
    DocumentCore core;
    const Result<TextInsertion> made =
        core.InsertText({1.5, 0.0, -2.0}, "Edit", Font("DejaVu Sans"), 0.3, false);
    ASSERT_TRUE(made.ok());
    const NodeId id = made->node;
    ASSERT_TRUE(core.SetMaterial(id, Material{}).ok());
    ASSERT_TRUE(core.Rename(id, "Sign").ok());
    const std::vector<std::uint8_t> before = core.SaveToBytes();
    const auto old_rotation = core.Node(id)->rotation;
    const Vec3 old_scale = core.Node(id)->scale, old_corner = WorldCorner(*core.Node(id));
    const double old_width = BoxExtent(core.Node(id)->box).width;

    const TextSettings wanted{"Edited text", Font("Liberation Serif", 700), 0.8};
    const Result<TextInsertion> edited = core.EditText(id, wanted.text, wanted.font, wanted.depth);
    ASSERT_TRUE(edited.ok()) << edited.status().text;
    const SceneNode& node = *core.Node(id);
    EXPECT_EQ(node.name, "Sign");
    EXPECT_TRUE(node.selected);
    EXPECT_EQ(node.rotation, old_rotation);
    EXPECT_EQ(node.scale, old_scale);
    ExpectNear(WorldCorner(node), old_corner);
    EXPECT_GT(BoxExtent(node.box).width, 2.0 * old_width);
    EXPECT_NEAR(double(node.box.max.y) - node.box.min.y, 0.8, 1e-6);
    EXPECT_EQ(core.TextSettingsOf(id), wanted);
    EXPECT_EQ(core.UndoText(), "Undo Edit Sign");
    const std::vector<std::uint8_t> after = core.SaveToBytes();

    // The file keeps what the text was made of, so an opened or pasted copy edits too.
    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(after, "edited.kel").ok());
    EXPECT_EQ(reopened.TextSettingsOf(reopened.NodeNamed("Sign")), wanted);
    EXPECT_EQ(reopened.SaveToBytes(), after);

    ASSERT_TRUE(core.Undo().ok());
    EXPECT_EQ(core.SaveToBytes(), before);
    EXPECT_EQ(core.TextSettingsOf(id)->text, "Edit");
    ASSERT_TRUE(core.Redo().ok());
    EXPECT_EQ(core.SaveToBytes(), after);

    // What the font cannot make is refused as the text tool refuses it; nothing changes.
    const std::size_t steps = core.UndoCount();
    for (const std::string& text : {std::string("   "), std::string(3000, 'W')}) {
        const Result<TextInsertion> refused = core.EditText(id, text, wanted.font, 0.5);
        ASSERT_FALSE(refused.ok()) << text.size();
        EXPECT_EQ(refused.status().text,
                  core.InsertText({}, text, wanted.font, 0.5, false).status().text);
        EXPECT_EQ(core.SaveToBytes(), after);
        EXPECT_EQ(core.UndoCount(), steps);
    }
    EXPECT_FALSE(
        core.EditText(core.InsertObject(ObjectType::Sphere, {}, false), "Ball", wanted.font, 0.5)
            .ok());
}

// A file saved before letters kept their font's proportions: its Text object comes back with
// the mesh the file holds (an 'I' four times taller than its font draws it), saves back to the
// same bytes, and has no settings to edit from.
TEST(EditText, TextFromAnOlderFileKeepsItsStoredLook) {
    std::ifstream in(KELTO_TEST_DATA "/document/data/text-before-proportions.kel",
                     std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_FALSE(bytes.empty());
    DocumentCore core;
    ASSERT_TRUE(core.OpenFromBytes(bytes, "old.kel").ok());
    const NodeId id = core.NodeNamed("Text1");
    const SceneNode& node = *core.Node(id);
    const Extent stored = BoxExtent(node.box);
    EXPECT_NEAR(stored.width, 0.0808, 1e-6);
    EXPECT_NEAR(stored.height, 2.3888, 1e-6);
    EXPECT_EQ(node.display_mesh.vertices.size(), 48u);
    EXPECT_EQ(core.SaveToBytes(), bytes);
    EXPECT_FALSE(core.TextSettingsOf(id));

    // Made now, the same 'I' has its font's proportions: a quarter as tall for its width.
    const Result<TextInsertion> now = core.InsertText({}, "I", Font("DejaVu Sans"), 0.45, false);
    ASSERT_TRUE(now.ok());
    const Extent made = BoxExtent(core.Node(now->node)->box);
    EXPECT_NEAR(made.height / made.width, 0.25 * stored.height / stored.width,
                0.01 * stored.height / stored.width);
}

// The record comes from files: anything but what this program writes reads as no settings.
TEST(EditText, SettingsRecordRoundTripsAndRefusesWhatItDidNotWrite) {
    const TextSettings settings{"A\xE9 z", Font("DejaVu Serif", 700), 1.5};
    const TextShape shape(settings.text, settings.font, settings.depth);
    EXPECT_EQ(StoredTextSettings(shape), settings);
    const std::vector<std::function<void(NurbsPatch&)>> damages = {
        [](NurbsPatch& r) { r.knots_u[0] = 2.0; },                           // another version
        [](NurbsPatch& r) { r.knots_u[1] = std::nan(""); },                  // depth not a number
        [](NurbsPatch& r) { r.knots_u[1] = -1.0; },                          // depth below zero
        [](NurbsPatch& r) { r.knots_u[6] = 1e300; },                         // weight beyond int32
        [](NurbsPatch& r) { r.knots_u[7] = 256.0; },                         // italic beyond a byte
        [](NurbsPatch& r) { r.knots_u.pop_back(); },                         // a number missing
        [](NurbsPatch& r) { r.knots_v[0] = 65.5; },                          // not a byte
        [](NurbsPatch& r) { std::erase(r.knots_v, 0.0); },                   // no face name
        [](NurbsPatch& r) { r.knots_v.push_back(0.0); },                     // two zeros
        [](NurbsPatch& r) { r.knots_v.insert(r.knots_v.end(), 40, 65.0); },  // name too long
    };
    for (std::size_t i = 0; i < damages.size(); ++i) {
        TextShape damaged = shape;
        damages[i](damaged.profiles.front());
        EXPECT_FALSE(StoredTextSettings(damaged)) << i;
    }
}

}  // namespace
}  // namespace kelto
