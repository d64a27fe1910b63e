// Text meshes are closed solids whatever glyphs come before, in several faces, and the same
// text always gives the same mesh.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>

#include "modelling/text_shape.h"
#include "polygon_distance.h"

namespace kelto {
namespace {

using Position = std::tuple<float, float, float>;
using Edge = std::pair<Position, Position>;

Position At(const DisplayVertex& v) {
    return {v.x, v.y, v.z};
}

// Edges used by one triangle only, with vertices welded by position (walls and caps share
// positions but not normals). An edge whose ends weld together is no edge.
std::size_t OpenEdges(const Mesh& mesh) {
    std::map<Edge, int> uses;
    for (std::size_t k = 0; k + 2 < mesh.indices.size(); k += 3) {
        const Position p[3] = {At(mesh.vertices[mesh.indices[k]]),
                               At(mesh.vertices[mesh.indices[k + 1]]),
                               At(mesh.vertices[mesh.indices[k + 2]])};
        for (int e = 0; e < 3; ++e) {
            const Position& a = p[e];
            const Position& b = p[(e + 1) % 3];
            if (a != b)
                ++uses[a < b ? Edge{a, b} : Edge{b, a}];
        }
    }
    std::size_t open = 0;
    for (const auto& [edge, count] : uses)
        open += count == 1 ? 1 : 0;
    return open;
}

struct FaceChoice {
    const char* family;  // nullptr: the text tool's default
    int weight;
    bool italic;
    const char* file;  // a part of the file name the face must come from
};

LogFont Face(const FaceChoice& choice) {
    LogFont font = LogFont::TextToolDefault();
    if (choice.family != nullptr)
        font.SetFaceName(choice.family);
    font.weight = choice.weight;
    font.italic = choice.italic ? 1 : 0;
    return font;
}

// The text tool's default face and two others (one bold italic, whose 'b' draws a spike of no
// width). The file names make sure that no fallback of fontconfig's stands in unnoticed.
constexpr std::array<FaceChoice, 3> kFaces = {{
    {nullptr, 400, false, "LiberationSerif-Regular"},  // "Times New Roman"
    {"DejaVu Sans", 400, false, "DejaVuSans.ttf"},
    {"Liberation Sans", 700, true, "LiberationSans-BoldItalic"},
}};
constexpr FaceChoice kDefaultFace = kFaces[0];

// The glyphs of the printable characters of one face, read once.
struct FaceGlyphs {
    LogFont font;
    std::map<char, std::vector<ContourCurve>> glyphs;

    explicit FaceGlyphs(const FaceChoice& choice) : font(Face(choice)) {
        const GlyphSource source(font);
        EXPECT_TRUE(source.Usable());
        EXPECT_NE(source.FilePath().find(choice.file), std::string::npos) << source.FilePath();
        for (int code = 0x21; code <= 0xFF; ++code)
            if (code < 0x7F || code > 0xA0)
                glyphs[static_cast<char>(code)] =
                    ContourCurves(source.Outline(static_cast<unsigned char>(code)));
    }

    // The text's mesh as the Text shape builds it, from the glyphs read above.
    Mesh Build(const std::string& text) const {
        TextShape shape(text, font, 0.45);
        for (char c : text)
            if (c != ' ')
                shape.contours.push_back(glyphs.at(c));
        Mesh mesh;
        BoundingBox box;
        EXPECT_TRUE(shape.BuildDisplayMesh(mesh, box)) << text;
        return mesh;
    }
};

// Every printable character closes up, alone and after a "K", "A" or "W" (which move the
// flattening's split fractions on and put another glyph's caps before it), in the text tool's
// default face and two others. So do the texts of the fault reports, and a glyph with an outer
// contour inside a hole (the 'R' in the ring of a '®'), whose counter belongs to the inner
// outer contour.
TEST(TextClosure, EveryPrintableCharacterAndLinesOfTextCloseUp) {
    for (const FaceChoice& choice : kFaces) {
        const FaceGlyphs face(choice);
        std::vector<std::string> texts = {"Kelto 8", "0123456789", "Hello, World!", "\xae"};
        for (char c = '!'; c <= '~'; ++c)
            for (const std::string prefix : {"", "K", "A", "W"})
                texts.push_back(prefix + c);
        for (const std::string& text : texts) {
            const Mesh mesh = face.Build(text);
            EXPECT_FALSE(mesh.vertices.empty()) << choice.file << " '" << text << "'";
            EXPECT_EQ(OpenEdges(mesh), 0u) << choice.file << " '" << text << "'";
        }
    }
}

// Outlines some fonts draw: a point given twice in a row, and a spike of no width (out along
// a line and straight back). The text still closes up around the square's whole area.
TEST(TextClosure, RepeatedPointsAndSpikesCloseUp) {
    const auto square = [](bool spike) {
        std::vector<OutlinePoint> points = {
            {0, 0, 0, 0}, {0, 1000, 0, 0}, {0, 1000, 0, 0}, {1000, 1000, 0, 0}};
        if (spike) {
            points.push_back({1000, 500, 0, 0});
            points.push_back({1500, 500, 0, 0});
            points.push_back({1000, 500, 0, 0});
        }
        points.push_back({1000, 0, 0, 0});
        return points;
    };
    for (const bool spike : {false, true}) {
        TextShape shape("x", LogFont::TextToolDefault(), 0.45);
        shape.contours.push_back(ContourCurves(square(spike)));
        Mesh mesh;
        BoundingBox box;
        ASSERT_TRUE(shape.BuildDisplayMesh(mesh, box));
        EXPECT_EQ(OpenEdges(mesh), 0u) << spike;
        double front = 0.0;
        for (std::size_t k = 0; k + 2 < mesh.vertices.size(); k += 3) {
            const DisplayVertex& a = mesh.vertices[k];
            const DisplayVertex& b = mesh.vertices[k + 1];
            const DisplayVertex& c = mesh.vertices[k + 2];
            if (a.ny == -1.0f)
                front += std::fabs((b.x - a.x) * (c.z - a.z) - (c.x - a.x) * (b.z - a.z)) / 2;
        }
        const double side = 1000 * TextShape::kGlyphScale;
        EXPECT_NEAR(front, side * side, 1e-5) << spike;
    }
}

// Whether the outline, control points included, comes to point i along a line and leaves it
// straight back the way it came.
bool IsSpikeTip(const std::vector<OutlinePoint>& outline, std::size_t i) {
    const OutlinePoint& p = outline[i];
    std::vector<const OutlinePoint*> contour;
    std::size_t at = 0;
    for (std::size_t k = 0; k < outline.size(); ++k) {
        if (outline[k].contour == p.contour) {
            at = k == i ? contour.size() : at;
            contour.push_back(&outline[k]);
        }
    }
    const std::size_t n = contour.size();
    const auto distinct = [&](bool forwards) {
        for (std::size_t k = 1; k < n; ++k) {
            const OutlinePoint* q = contour[forwards ? (at + k) % n : (at + n - k) % n];
            if (q->x != p.x || q->y != p.y)
                return q;
        }
        return &p;
    };
    const OutlinePoint* before = distinct(false);
    const OutlinePoint* after = distinct(true);
    const double ex = p.x - before->x, ey = p.y - before->y;
    const double fx = after->x - p.x, fy = after->y - p.y;
    return ex * fy - ey * fx == 0.0 && ex * fx + ey * fy < 0.0;
}

// The flattened outline goes through every point where the glyph's outline is on its curve
// (line ends, spline ends, the midpoints between two control points), so corners stay sharp
// and no point of the outline is cut off.
TEST(TextFlattening, OutlinePassesThroughEveryOnCurvePoint) {
    for (const FaceChoice& choice : kFaces) {
        const char* file = choice.file;
        const GlyphSource source(Face(choice));
        ASSERT_TRUE(source.Usable());
        for (char c = '!'; c <= '~'; ++c) {
            const std::vector<OutlinePoint> outline = source.Outline(static_cast<unsigned char>(c));
            std::vector<ContourCurve> contours = ContourCurves(outline);
            std::vector<std::vector<Point2>> polygons(contours.size());
            SplitFractionCursor fractions;
            std::vector<DisplayVertex> walls;
            for (std::size_t i = 0; i < contours.size(); ++i)
                FlattenContour(contours[i], 0.0, 0.45, TextShape::kFlatness, fractions, walls,
                               polygons[i]);
            ASSERT_EQ(contours.size(), outline.empty() ? 0 : outline.back().contour + 1u) << c;
            // Straight points, and the first and last of each spline triple (previous, A, B),
            // but not the tip of a spike of no width, which is left out.
            std::vector<OutlinePoint> on_curve;
            for (std::size_t k = 0; k < outline.size();) {
                const bool triple = outline[k].kind == 1 && k + 2 < outline.size();
                const std::size_t ends[] = {k, k + 2};
                for (std::size_t e = 0; e < (triple ? 2u : 1u); ++e)
                    if (!IsSpikeTip(outline, ends[e]))
                        on_curve.push_back(outline[ends[e]]);
                k += triple ? 3 : 1;
            }
            for (const OutlinePoint& p : on_curve) {
                const double x = TextShape::kGlyphScale * p.x, z = TextShape::kGlyphScale * p.y;
                EXPECT_LT(test::DistanceToBoundary({polygons[static_cast<std::size_t>(p.contour)]},
                                                   {x, z}),
                          1e-9)
                    << file << " '" << c << "' (" << p.x << ", " << p.y << ")";
            }
        }
    }
}

// A contour is flattened into the same outline wherever the split-fraction cursor stands when
// it comes: an 'e' after a 'K' once lost most of its outer contour because one interval's
// middle point happened to lie on the line through its ends.
TEST(TextFlattening, ShapeDoesNotDependOnWhereTheCursorStands) {
    const GlyphSource source(LogFont::TextToolDefault());
    for (unsigned char c : {'e', 'S', '8', '@'}) {
        const std::vector<ContourCurve> glyph = ContourCurves(source.Outline(c));
        std::vector<double> areas;
        for (int start = 0; start < SplitFractionCursor::kSize; start += 3) {
            SplitFractionCursor fractions(start);
            std::vector<DisplayVertex> walls;
            for (std::size_t i = 0; i < glyph.size(); ++i) {
                ContourCurve contour = glyph[i];
                std::vector<Point2> polygon;
                FlattenContour(contour, 0.0, 0.45, TextShape::kFlatness, fractions, walls, polygon);
                const double area = SignedArea(polygon);
                EXPECT_EQ(contour.orientation, area > 0 ? 1 : -1) << c << " from " << start;
                if (start == 0)
                    areas.push_back(area);
                else
                    EXPECT_NEAR(area, areas[i], 0.01 * std::fabs(areas[i])) << c << " " << start;
            }
        }
    }
}

bool SameBytes(const Mesh& a, const Mesh& b) {
    return a.vertices.size() == b.vertices.size() && a.indices == b.indices &&
           std::memcmp(a.vertices.data(), b.vertices.data(),
                       a.vertices.size() * sizeof(DisplayVertex)) == 0;
}

// Flattening and caps draw on state of the build's own, so other texts built in between
// change nothing.
TEST(TextDeterminism, SameTextGivesTheSameMeshBytesEveryBuild) {
    const FaceGlyphs face(kDefaultFace);
    for (const std::string text : {"Kelto 8", "Ke", "@%&"}) {
        const Mesh first = face.Build(text);
        face.Build("WAW");
        face.Build(text + text);
        EXPECT_TRUE(SameBytes(first, face.Build(text))) << text;
    }
    // The same from the font each time, as the text tool and kelto-cli make text objects.
    Mesh meshes[2];
    for (Mesh& mesh : meshes) {
        TextShape shape("Kelto 8", LogFont::TextToolDefault(), 0.45);
        ASSERT_TRUE(shape.ReadGlyphs());
        BoundingBox box;
        ASSERT_TRUE(shape.BuildDisplayMesh(mesh, box));
        TextShape other("W", LogFont::TextToolDefault(), 0.45);
        ASSERT_TRUE(other.ReadGlyphs());
        Mesh ignored;
        ASSERT_TRUE(other.BuildDisplayMesh(ignored, box));
    }
    EXPECT_TRUE(SameBytes(meshes[0], meshes[1]));
}

}  // namespace
}  // namespace kelto
