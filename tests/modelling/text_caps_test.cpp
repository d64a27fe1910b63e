// The caps of glyphs: holes cut out, each outer contour capped alone. That caps meet the walls
// is the closure tests' check.
#include <gtest/gtest.h>

#include <cmath>

#include "modelling/text_shape.h"

namespace kelto {
namespace {

struct Glyph {
    std::vector<ContourCurve> contours;
    std::vector<std::vector<Point2>> polygons;
    std::vector<DisplayVertex> walls;
    std::vector<DisplayVertex> caps;
};

Glyph Build(char c) {
    const GlyphSource source(LogFont::TextToolDefault());
    Glyph g;
    g.contours = ContourCurves(source.Outline(static_cast<unsigned char>(c)));
    g.polygons.resize(g.contours.size());
    TextBuildState state(std::string(1, c));
    for (std::size_t i = 0; i < g.contours.size(); ++i) {
        FlattenContour(g.contours[i], 0.0, 0.45, TextShape::kFlatness, state.split_fractions,
                       g.walls, g.polygons[i]);
    }
    BuildCaps(g.contours, g.polygons, 0.0, 0.45, state.cap_random, g.caps);
    return g;
}

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

TEST(TextCaps, CapitalAIsCappedAroundItsHole) {
    const Glyph a = Build('A');
    ASSERT_EQ(a.contours.size(), 2u);
    const std::size_t outer = a.contours[0].orientation == 1 ? 0 : 1;
    const double expected = PolygonArea(a.polygons[outer]) - PolygonArea(a.polygons[1 - outer]);
    EXPECT_NEAR(FrontCapArea(a.caps), expected, expected * 1e-6);
    // One triangle per point, less two, plus two for the hole: front and back, three corners.
    const std::size_t points = a.polygons[0].size() + a.polygons[1].size();
    EXPECT_EQ(a.caps.size(), (points - 2 + 2) * 6);
}

TEST(TextCaps, SmallIHasTwoOuterContoursCappedAlone) {
    const Glyph i = Build('i');
    ASSERT_EQ(i.contours.size(), 2u);
    const double expected = PolygonArea(i.polygons[0]) + PolygonArea(i.polygons[1]);
    EXPECT_NEAR(FrontCapArea(i.caps), expected, expected * 1e-6);
    EXPECT_EQ(i.caps.size(), (i.polygons[0].size() - 2 + i.polygons[1].size() - 2) * 6);
}

}  // namespace
}  // namespace kelto
