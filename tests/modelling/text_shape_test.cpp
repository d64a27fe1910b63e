// 3D text from the default TrueType face (Times New Roman resolves to Liberation Serif): its
// outlines, walls, caps, spacing and the text objects made of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>

#include "document/document_core.h"
#include "modelling/text_shape.h"

namespace kelto {
namespace {

// One glyph of the default face flattened and capped as a text's build does it.
struct Glyph {
    std::vector<ContourCurve> contours;
    std::vector<std::vector<Point2>> polygons;
    std::vector<DisplayVertex> walls, caps;
    double largest = -1e6;  // the rightmost point
};

Glyph Build(char c) {
    const GlyphSource source(LogFont::TextToolDefault());
    EXPECT_TRUE(source.Usable()) << "no TrueType face for Times New Roman";
    Glyph g;
    g.contours = ContourCurves(source.Outline(static_cast<unsigned char>(c)));
    g.polygons.resize(g.contours.size());
    TextBuildState state(std::string(1, c));
    for (std::size_t i = 0; i < g.contours.size(); ++i)
        g.largest =
            std::max(g.largest, FlattenContour(g.contours[i], 0.0, 0.45, TextShape::kFlatness,
                                               state.split_fractions, g.walls, g.polygons[i]));
    BuildCaps(g.contours, g.polygons, 0.0, 0.45, state.cap_random, g.caps);
    return g;
}

// A text of the default face built `depth` deep.
struct BuiltText {
    Mesh mesh;
    BoundingBox box;
};
BuiltText BuildText(const std::string& text, double depth = 0.45) {
    TextShape shape(text, LogFont::TextToolDefault(), depth);
    BuiltText built;
    EXPECT_TRUE(shape.ReadGlyphs()) << text;
    EXPECT_TRUE(shape.BuildDisplayMesh(built.mesh, built.box)) << text;
    return built;
}

LogFont Font(const std::string& family, const TrueTypeStyle& style) {
    LogFont font = LogFont::TextToolDefault();
    font.SetFaceName(family);
    font.weight = style.weight;
    font.italic = style.italic ? 1 : 0;
    return font;
}

TEST(GlyphOutline, DefaultFaceIsTrueTypeAndListedWithTheStylesOfItsFamily) {
    const GlyphSource source(LogFont::TextToolDefault());
    ASSERT_TRUE(source.Usable());
    EXPECT_NE(source.FilePath().find("LiberationSerif"), std::string::npos);
    const auto families = TrueTypeFamilies();
    EXPECT_NE(std::find(families.begin(), families.end(), "Liberation Serif"), families.end());
    // A character without an outline (the space) gives nothing.
    EXPECT_TRUE(source.Outline(' ').empty());
    // Outline points come in straight points and spline triples.
    const std::vector<OutlinePoint> o = source.Outline('O');
    ASSERT_FALSE(o.empty());
    EXPECT_TRUE(std::any_of(o.begin(), o.end(), [](const OutlinePoint& p) { return p.kind == 1; }));
    // Liberation Serif has its four faces, upright before italic, regular before bold.
    const std::vector<TrueTypeStyle> styles = TrueTypeStyles("Liberation Serif");
    ASSERT_EQ(styles.size(), 4u);
    EXPECT_EQ(styles[1], (TrueTypeStyle{"Bold", 700, false}));
    EXPECT_EQ(styles[2], (TrueTypeStyle{"Italic", 400, true}));
    EXPECT_TRUE(TrueTypeStyles("No Such Family Anywhere").empty());
    // Each style selects a face of its own.
    std::set<std::string> files;
    for (const TrueTypeStyle& style : styles) {
        const GlyphSource source(Font("Liberation Serif", style));
        ASSERT_TRUE(source.Usable());
        files.insert(source.FilePath());
    }
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(MatchedTrueTypeFamily(LogFont::TextToolDefault()), "Liberation Serif");
    // Every family listed has outlines, and every style of it too.
    for (const std::string& family : TrueTypeFamilies())
        for (const TrueTypeStyle& style : TrueTypeStyles(family))
            EXPECT_TRUE(GlyphSource(Font(family, style)).Usable()) << family << " " << style.name;
}

// Which contours are holes is the caps' and the flattening's check.
TEST(GlyphContours, WallsAreQuadsFromFrontToBack) {
    const Glyph o = Build('o');
    ASSERT_FALSE(o.walls.empty());
    ASSERT_EQ(o.walls.size() % 6, 0u);
    for (std::size_t k = 0; k < o.walls.size(); k += 6) {
        const DisplayVertex* q = &o.walls[k];
        EXPECT_EQ(q[0].y + q[1].y, 0.0f);
        EXPECT_FLOAT_EQ(q[2].y, 0.45f);
        // Wall normals lie in the x-z plane.
        EXPECT_EQ(q[0].ny, 0.0f);
        EXPECT_NEAR(std::hypot(q[0].nx, q[0].nz), 1.0, 1e-5);
    }
}

double Width(const std::string& text) {
    const BoundingBox box = BuildText(text).box;
    return box.max.x - box.min.x;
}

TEST(TextShape, PenAdvancesPastTheRightmostPointSpacesAddHalfAndTheMeshIsCentred) {
    const double one = Width("I");
    EXPECT_NEAR(Width("II") - one, Build('I').largest + TextShape::kLetterSpacing, 1e-5);
    EXPECT_NEAR(Width("I I") - Width("II"), TextShape::kSpaceAdvance, 1e-5);
    const BuiltText spaces = BuildText("   ");
    EXPECT_TRUE(spaces.mesh.vertices.empty());
    EXPECT_TRUE(spaces.box.IsEmpty());
    TextShape shape("Kelto", LogFont::TextToolDefault(), 0.3);
    ASSERT_TRUE(shape.ReadGlyphs());
    Mesh mesh;
    BoundingBox box;
    ASSERT_TRUE(shape.BuildDisplayMesh(mesh, box));
    EXPECT_NEAR(box.min.x + box.max.x, 0.0f, 1e-5f);
    EXPECT_NEAR(box.min.y, -0.15f, 1e-5f);
    EXPECT_NEAR(box.max.y, 0.15f, 1e-5f);
    Vec3 anchor;
    EXPECT_TRUE(shape.GetAnchor(anchor));
    EXPECT_GT(anchor.x, 0.0);  // the text was built rightwards from the pen at 0
}

TEST(TextNode, StandsOnTheClickPointAndSavesAndLoads) {
    DocumentCore doc;
    const auto inserted = doc.InsertText({2, 0, -1}, "Hi", LogFont::TextToolDefault(), 0.45, false);
    ASSERT_TRUE(inserted.ok());
    EXPECT_TRUE(inserted->warning.ok());
    const SceneNode* node = doc.Node(inserted->node);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->name, "Text1");
    EXPECT_EQ(node->type, ObjectType::Text);
    EXPECT_TRUE(node->selected);
    // Upright: the lowest world point is at the click height, the left edge at its x.
    float lowest = 1e9f, leftmost = 1e9f;
    for (const DisplayVertex& v : node->display_mesh.vertices) {
        const Vec3f p = node->parent_from_node.TransformPoint(v.Position());
        lowest = std::min(lowest, p.y);
        leftmost = std::min(leftmost, p.x);
    }
    EXPECT_NEAR(lowest, 0.0f, 1e-5f);
    EXPECT_NEAR(leftmost, 2.0f, 1e-5f);

    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(doc.SaveToBytes(), "text.kel").ok());
    EXPECT_EQ(reopened.SaveToBytes(), doc.SaveToBytes());
    Vec3 anchor;
    EXPECT_TRUE(reopened.GetScene().FindNode("Text1")->shape->GetAnchor(anchor));
}

// A text too large for one mesh, or with nothing the font can show, is refused and changes
// nothing.
TEST(TextNode, TextTooLargeOrWithNothingToShowIsRefusedAndChangesNothing) {
    DocumentCore doc;
    const std::size_t before = doc.GetScene().NodeCount();
    for (const std::string& text : {std::string(400, '@'), std::string("   "), std::string("\x7f"),
                                   std::string("\x01 \x02")}) {
        const Status status =
            doc.InsertText({0, 0, 0}, text, LogFont::TextToolDefault(), 0.45, false).status();
        if (text.size() == 400) {
            EXPECT_EQ(status.number, kMsgTextTooLarge);
            continue;
        }
        EXPECT_EQ(status.text, "The text '" + text +
                                   "' makes no object: none of its characters has an outline "
                                   "in the font.");
    }
    EXPECT_EQ(doc.GetScene().NodeCount(), before);
    EXPECT_FALSE(doc.IsModified());
    LogFont missing = LogFont::TextToolDefault();
    missing.SetFaceName("No Such Family Anywhere");
    // fontconfig falls back to another face rather than to nothing; the text is still made.
    EXPECT_TRUE(doc.InsertText({0, 0, 0}, "x", missing, 0.45, false).ok());
}

TEST(TextNode, CharactersTheFontLacksAreNamedInAWarning) {
    DocumentCore doc;
    const auto inserted = doc.InsertText({0, 0, 0},
                                         "K\x7f"
                                         "e\x81\x7f",
                                         LogFont::TextToolDefault(), 0.45, false);
    ASSERT_TRUE(inserted.ok());
    const TextInsertion& made = *inserted;
    ASSERT_NE(doc.Node(made.node), nullptr);
    EXPECT_EQ(made.warning.number, kMsgTextCharactersMissing);
    EXPECT_EQ(made.warning.text,
              "These characters are not in the font and are left out of the text: U+007F, "
              "U+0081.");
    // The characters the font has are made: the same mesh as the text without the others.
    EXPECT_EQ(doc.Node(made.node)->display_mesh.vertices.size(),
              BuildText("Ke").mesh.vertices.size());
    EXPECT_EQ(CharacterNames("a~ \xe9"), "'a', '~', U+0020, U+00E9");
}

// The caps: holes cut out, each outer contour capped alone. That caps meet the walls is the
// closure tests' check.
double PolygonArea(const std::vector<Point2>& p) {
    return std::fabs(SignedArea(p));
}

// The front cap's triangles (y = 0, facing -y): their total area in the x-z plane.
double FrontCapArea(const std::vector<DisplayVertex>& caps) {
    double area = 0;
    for (std::size_t k = 0; k < caps.size(); k += 6) {
        const DisplayVertex& a = caps[k];
        const DisplayVertex& b = caps[k + 1];
        const DisplayVertex& c = caps[k + 2];
        EXPECT_EQ(a.ny, -1.0f);
        EXPECT_EQ(caps[k + 3].ny, 1.0f);
        area += std::fabs((b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z)) / 2;
    }
    return area;
}

TEST(TextCaps, CapitalAIsCappedAroundItsHoleAndSmallIsTwoContoursAlone) {
    const Glyph a = Build('A');
    ASSERT_EQ(a.contours.size(), 2u);
    const std::size_t outer = a.contours[0].orientation == 1 ? 0 : 1;
    const double expected = PolygonArea(a.polygons[outer]) - PolygonArea(a.polygons[1 - outer]);
    EXPECT_NEAR(FrontCapArea(a.caps), expected, expected * 1e-6);
    // One triangle per point, less two, plus two for the hole: front and back, three corners.
    const std::size_t points = a.polygons[0].size() + a.polygons[1].size();
    EXPECT_EQ(a.caps.size(), (points - 2 + 2) * 6);
    // The two outer contours of an 'i' are capped alone.
    const Glyph i = Build('i');
    ASSERT_EQ(i.contours.size(), 2u);
    const double both = PolygonArea(i.polygons[0]) + PolygonArea(i.polygons[1]);
    EXPECT_NEAR(FrontCapArea(i.caps), both, both * 1e-6);
    EXPECT_EQ(i.caps.size(), (i.polygons[0].size() - 2 + i.polygons[1].size() - 2) * 6);
}

}  // namespace
}  // namespace kelto
