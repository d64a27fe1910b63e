// The caps of glyphs: holes cut out, each outer contour capped alone, caps meeting the walls.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <tuple>

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

// Every edge on the front cap's boundary is the front edge of a side wall: caps and walls close.
TEST(TextCaps, CapsMeetTheWalls) {
    for (char c : {'A', 'B', 'e', 'g', '8'}) {
        const Glyph g = Build(c);
        using Corner = std::pair<float, float>;
        using Edge = std::pair<Corner, Corner>;
        auto edge = [](Corner a, Corner b) { return a < b ? Edge{a, b} : Edge{b, a}; };
        std::map<Edge, int> cap_edges;
        for (std::size_t k = 0; k < g.caps.size(); k += 6) {
            const Corner p[3] = {{g.caps[k].x, g.caps[k].z},
                                 {g.caps[k + 1].x, g.caps[k + 1].z},
                                 {g.caps[k + 2].x, g.caps[k + 2].z}};
            for (int e = 0; e < 3; ++e) {
                ++cap_edges[edge(p[e], p[(e + 1) % 3])];
            }
        }
        std::set<Edge> wall_edges;
        for (std::size_t k = 0; k < g.walls.size(); k += 6) {
            wall_edges.insert(
                edge({g.walls[k].x, g.walls[k].z}, {g.walls[k + 1].x, g.walls[k + 1].z}));
        }
        std::size_t boundary = 0;
        for (const auto& [e, count] : cap_edges) {
            if (count == 1) {
                ++boundary;
                EXPECT_TRUE(wall_edges.contains(e)) << c;
            } else {
                EXPECT_EQ(count, 2) << c;  // an inside edge is shared by exactly two triangles
            }
        }
        EXPECT_EQ(boundary, wall_edges.size()) << c;
    }
}

}  // namespace
}  // namespace kelto
