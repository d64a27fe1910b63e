#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>
#include <ranges>
#include <utility>
#include <vector>

#include "modelling/seidel_triangulation.h"
#include "polygon_distance.h"

namespace kelto {
namespace {

using Contour = std::vector<Point2>;
using Contours = std::vector<Contour>;
using Triangles = std::vector<std::array<int, 3>>;
using test::DistanceToBoundary;

constexpr double kPi = std::numbers::pi;

// Outer area minus the holes' areas.
double RegionArea(const Contours& contours) {
    double area = std::abs(SignedArea(contours[0]));
    for (std::size_t c = 1; c < contours.size(); ++c)
        area -= std::abs(SignedArea(contours[c]));
    return area;
}

std::size_t PointCount(const Contours& contours) {
    std::size_t n = 0;
    for (const Contour& contour : contours)
        n += contour.size();
    return n;
}

// Point number k (from 1) is element k - 1.
std::vector<Point2> Numbered(const Contours& contours) {
    std::vector<Point2> points;
    for (const Contour& contour : contours)
        points.insert(points.end(), contour.begin(), contour.end());
    return points;
}

double Cross(const Point2& a, const Point2& b, const Point2& c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Even-odd ray crossing over all contours, independent of the code under test.
bool InsideEvenOdd(const Contours& contours, const Point2& p) {
    bool inside = false;
    for (const Contour& contour : contours) {
        for (std::size_t i = 0, j = contour.size() - 1; i < contour.size(); j = i++) {
            const Point2& a = contour[i];
            const Point2& b = contour[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                inside = !inside;
        }
    }
    return inside;
}

std::array<Point2, 3> Corners(const std::vector<Point2>& points, const std::array<int, 3>& t) {
    return {points[static_cast<std::size_t>(t[0] - 1)], points[static_cast<std::size_t>(t[1] - 1)],
            points[static_cast<std::size_t>(t[2] - 1)]};
}

// The triangles' areas added up, counter-clockwise ones counting positive.
double TotalArea(const std::vector<Point2>& points, const Triangles& triangles) {
    double area = 0.0;
    for (const auto& t : triangles) {
        const auto c = Corners(points, t);
        area += Cross(c[0], c[1], c[2]) / 2.0;
    }
    return area;
}

bool IndicesInRange(const Triangles& triangles, std::size_t n) {
    for (const auto& t : triangles) {
        for (const int v : t)
            if (v < 1 || static_cast<std::size_t>(v) > n)
                return false;
    }
    return true;
}

// Counts the triangles whose interior holds p; returns -1 when p is within `margin` of a
// triangle's edge, where containment is a matter of rounding.
int CoveringTriangles(const std::vector<Point2>& points, const Triangles& triangles,
                      const Point2& p, double margin) {
    int count = 0;
    for (const auto& t : triangles) {
        const auto c = Corners(points, t);
        double nearest = std::numeric_limits<double>::infinity();
        for (int k = 0; k < 3; ++k) {
            const Point2& a = c[static_cast<std::size_t>(k)];
            const Point2& b = c[static_cast<std::size_t>((k + 1) % 3)];
            const double length = std::hypot(b.x - a.x, b.y - a.y);
            nearest = std::min(nearest, length > 0.0 ? Cross(a, b, p) / length : 0.0);
        }
        if (nearest > margin)
            ++count;
        else if (nearest > -margin)
            return -1;
    }
    return count;
}

// Checks what must hold for any correct triangulation of a valid polygon with holes: the
// expected triangle count, input point numbers only, counter-clockwise triangles of positive
// area adding up to the region's area, and (by sampling) every point of the region covered by
// exactly one triangle while holes and the outside are covered by none.
void ExpectExactTiling(const Contours& contours, const Triangles& triangles, std::uint32_t sampling,
                       int samples = 300) {
    const std::size_t n = PointCount(contours);
    EXPECT_EQ(triangles.size(), n - 2 + 2 * (contours.size() - 1));
    ASSERT_TRUE(IndicesInRange(triangles, n));
    const std::vector<Point2> points = Numbered(contours);
    const auto flat = std::ranges::count_if(triangles, [&](const auto& t) {
        const auto c = Corners(points, t);
        return Cross(c[0], c[1], c[2]) <= 0.0;
    });
    EXPECT_EQ(flat, 0) << "triangles that are clockwise or have no area";
    const double region = RegionArea(contours);
    EXPECT_NEAR(TotalArea(points, triangles), region, 1e-9 * region);

    const auto [min_x, max_x] =
        std::ranges::minmax(contours[0] | std::views::transform(&Point2::x));
    const auto [min_y, max_y] =
        std::ranges::minmax(contours[0] | std::views::transform(&Point2::y));
    std::mt19937 generator(sampling);
    std::uniform_real_distribution<double> along_x(min_x - 1.0, max_x + 1.0);
    std::uniform_real_distribution<double> along_y(min_y - 1.0, max_y + 1.0);
    int wrong = 0;
    int checked = 0;
    for (int i = 0; i < samples; ++i) {
        const Point2 p{along_x(generator), along_y(generator)};
        if (DistanceToBoundary(contours, p) < 1e-9)
            continue;
        const int covering = CoveringTriangles(points, triangles, p, 1e-9);
        if (covering < 0)
            continue;
        ++checked;
        if (covering != (InsideEvenOdd(contours, p) ? 1 : 0))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0) << "of " << checked << " sampled points are covered wrongly";
    EXPECT_GT(checked, samples / 2);
}

// A polygon star-shaped around its centre with random radii, counter-clockwise or clockwise.
Contour RandomStar(std::mt19937& generator, int n, double min_radius, double max_radius,
                   Point2 centre, bool clockwise) {
    std::uniform_real_distribution<double> jitter(-0.3, 0.3);
    std::uniform_real_distribution<double> radius(min_radius, max_radius);
    Contour contour;
    for (int i = 0; i < n; ++i) {
        const double angle = (clockwise ? -2.0 : 2.0) * kPi * (i + jitter(generator)) / n;
        const double r = radius(generator);
        contour.push_back({centre.x + r * std::cos(angle), centre.y + r * std::sin(angle)});
    }
    return contour;
}

// A star around the origin with radii between 5 and 10 and at least 8 points contains the disc of
// radius 4; holes are small clockwise stars on a grid well inside that disc, so none touch.
Contours RandomStarWithHoles(std::mt19937& generator) {
    std::uniform_int_distribution<int> outer_points(8, 60);
    std::uniform_int_distribution<int> hole_points(3, 9);
    std::bernoulli_distribution has_hole(0.4);
    Contours contours = {RandomStar(generator, outer_points(generator), 5.0, 10.0, {0, 0}, false)};
    for (int gx = -1; gx <= 1; ++gx) {
        for (int gy = -1; gy <= 1; ++gy) {
            if (has_hole(generator)) {
                contours.push_back(RandomStar(generator, hole_points(generator), 0.3, 0.9,
                                              {2.0 * gx, 2.0 * gy}, true));
            }
        }
    }
    return contours;
}

// A bar chart of columns two wide with distinct neighbouring heights, and unit square holes low
// in some columns: many points share a height, and most edges are horizontal or vertical.
Contours RandomRectilinearWithHoles(std::mt19937& generator) {
    std::uniform_int_distribution<int> columns(1, 12);
    std::uniform_int_distribution<int> height(4, 9);
    std::uniform_int_distribution<int> hole(0, 2);
    const int k = columns(generator);
    std::vector<int> heights;
    for (int i = 0; i < k; ++i) {
        int h = height(generator);
        while (!heights.empty() && h == heights.back())
            h = height(generator);
        heights.push_back(h);
    }
    Contour outer = {{0, 0}, {2.0 * k, 0}};
    for (int i = k - 1; i >= 0; --i) {
        outer.push_back({2.0 * (i + 1), static_cast<double>(heights[static_cast<std::size_t>(i)])});
        outer.push_back({2.0 * i, static_cast<double>(heights[static_cast<std::size_t>(i)])});
    }
    Contours contours = {outer};
    for (int i = 0; i < k; ++i) {
        const int level = hole(generator);  // 0: no hole, 1 or 2: the hole's bottom
        if (level == 0)
            continue;
        const double x0 = 2.0 * i + 0.5;
        const double y0 = level;
        contours.push_back({{x0, y0}, {x0, y0 + 1}, {x0 + 1, y0 + 1}, {x0 + 1, y0}});
    }
    return contours;
}

// Shapes the random ones seldom make: a comb with teeth up and down (many vertices where the
// boundary turns back), two holes level with each other, a letter A, runs of collinear points
// round a hole of collinear runs, and a clockwise outline round a counter-clockwise hole.
TEST(SeidelTriangulation, HandMadeShapesAreTiledExactly) {
    Contour comb = {{0, 0}};
    for (int i = 0; i < 6; ++i) {
        comb.push_back({2.0 * i + 1, -3});
        comb.push_back({2.0 * i + 2, 0});
    }
    comb.push_back({13, 1});
    for (int i = 6; i > 0; --i) {
        comb.push_back({2.0 * i - 0.5, 4});
        comb.push_back({2.0 * i - 1.5, 1});
    }
    const Contour runs = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {3, 2},
                          {3, 3}, {2, 3}, {1, 3}, {0, 3}, {0, 2}, {0, 1}};
    const Contours shapes[] = {
        {comb},
        {{{0, 0}, {10, 0}, {10, 10}, {0, 10}},
         {{2, 2}, {2, 4}, {4, 4}, {4, 2}},
         {{6, 2}, {6, 4}, {8, 4}, {8, 2}}},
        {{{0, 0}, {2, 0}, {3, 3}, {5, 3}, {6, 0}, {8, 0}, {5, 10}, {3, 10}},
         {{4, 8}, {4.5, 5}, {3.5, 5}}},
        {runs, {{1, 1}, {1, 1.5}, {1, 2}, {1.5, 2}, {2, 2}, {2, 1.5}, {2, 1}, {1.5, 1}}},
        {{{0, 0}, {0, 10}, {10, 10}, {10, 0}}, {{2, 2}, {4, 2}, {4, 4}, {2, 4}}},
    };
    for (const Contours& shape : shapes) {
        SCOPED_TRACE(PointCount(shape));
        ExpectExactTiling(shape, TriangulatePolygon(shape, 3u), 11u);
    }
}

TEST(SeidelTriangulation, RandomPolygonsWithHolesAreTiledExactly) {
    for (std::uint32_t trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        std::mt19937 generator(trial < 150 ? trial : trial + 850);
        const Contours polygon =
            trial < 150 ? RandomStarWithHoles(generator) : RandomRectilinearWithHoles(generator);
        ExpectExactTiling(polygon, TriangulatePolygon(polygon, trial * 7919u), trial, 200);
    }
}

// The trapezoidal map of a set of segments does not depend on the order they were inserted in,
// so every insertion order yields the same triangles.
TEST(SeidelTriangulation, InsertionOrderDoesNotChangeTheTriangulation) {
    std::mt19937 generator(42);
    const Contours polygon = RandomStarWithHoles(generator);
    const auto canonical = [](Triangles triangles) {
        for (auto& t : triangles)
            std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
        std::sort(triangles.begin(), triangles.end());
        return triangles;
    };
    const Triangles reference = canonical(TriangulatePolygon(polygon, 0u));
    ExpectExactTiling(polygon, reference, 5u);
    for (std::uint32_t trial = 1; trial < 25; ++trial) {
        SCOPED_TRACE(trial);
        EXPECT_EQ(canonical(TriangulatePolygon(polygon, trial)), reference);
    }
}

TEST(SeidelTriangulation, RepeatedPointsAreSkipped) {
    // Repeated consecutive points, including a closing copy of the first.
    const Contours repeated = {{{0, 0}, {0, 0}, {4, 0}, {4, 4}, {4, 4}, {4, 4}, {0, 4}, {0, 0}}};
    const Triangles triangles = TriangulatePolygon(repeated, 2u);
    EXPECT_EQ(triangles.size(), 2u);
    ASSERT_TRUE(IndicesInRange(triangles, 8));
    EXPECT_DOUBLE_EQ(TotalArea(Numbered(repeated), triangles), 16.0);
}

// Glyph outlines put points a unit in the last place off a horizontal line (a curve's sample
// beside a straight segment's ends): edges that close in direction must still be told apart,
// and the sliver between them covered.
TEST(SeidelTriangulation, PointsOneUnitInTheLastPlaceOffALineAreTiled) {
    const double y = -0.0464;
    const double above = std::nextafter(y, 1.0);
    const double below = std::nextafter(y, -1.0);
    const Contours shapes[] = {
        {{{0, 2}, {-1, 1}, {-0.2974, above}, {0.0008, y}, {0.0488, y}, {0.0735, -0.0304}, {1, 1}}},
        {{{0, 2}, {-1, 1}, {-0.2974, y}, {0.0008, below}, {0.0488, y}, {1, 1}}},
        {{{0, 2}, {-1, 1}, {-0.25, above}, {0.0, y}, {0.25, below}, {0.5, y}, {1, 1}},
         {{0, 1.5}, {0.25, 0.5}, {-0.25, 0.5}}},
    };
    for (const Contours& shape : shapes) {
        SCOPED_TRACE(PointCount(shape));
        for (std::uint32_t seed = 0; seed < 20; ++seed)
            ExpectExactTiling(shape, TriangulatePolygon(shape, seed), seed, 50);
    }
}

TEST(SeidelTriangulation, HostileInputNeverCrashes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Contour square = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const Contours cases[] = {
        {},
        {{}},
        {{}, square},
        {{{0, 0}, {1, 1}}},
        {{{2, 2}, {2, 2}, {2, 2}, {2, 2}}},
        {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}},                       // all on one line
        {{{0, 0}, {2, 0}, {1, 0}}},                               // folds back on itself
        {square, {{0.2, 0.2}, {0.4, 0.4}, {0.6, 0.6}}},           // hole without area
        {square, {{0, 0}, {0, 1}, {1, 1}, {1, 0}}},               // hole equal to the outline
        {square, square},                                         // hole with the wrong turn
        {{{0, 0}, {1, 1}, {1, 0}, {0, 1}}},                       // bow tie
        {square, {{0, 0}, {0.5, 0.5}, {0.5, 0.2}}},               // hole touching a corner
        {{{0, 0}, {2, 0}, {1, 1}, {2, 2}, {0, 2}, {1, 1}}},       // touches itself at (1, 1)
        {{{0, 0}, {1e300, 0}, {1e300, 1e300}, {-1e300, 1e300}}},  // products overflow
        {{{0, 0}, {1e-300, 0}, {1e-300, 1e-300}, {0, 1e-300}}},
        {{{0, 0}, {inf, 0}, {1, 1}, {0, inf}}},
        {{{0, 0}, {nan, nan}, {1, 1}, {0, 1}}},
        {{{nan, 0}, {nan, 1}, {nan, 2}}},
        {square, {{nan, 0.5}, {0.5, nan}, {0.2, 0.2}}},
    };
    for (const Contours& contours : cases) {
        const Triangles triangles = TriangulatePolygon(contours, 1u);
        EXPECT_TRUE(IndicesInRange(triangles, PointCount(contours)));
    }

    // A point that is not a number is left out; the rest of the outline still triangulates.
    const Contours with_nan = {{{0, 0}, {1, 0}, {nan, 5}, {1, 1}, {0, 1}}};
    const Triangles triangles = TriangulatePolygon(with_nan, 1u);
    ASSERT_EQ(triangles.size(), 2u);
    for (const auto& t : triangles)
        EXPECT_EQ(std::count(t.begin(), t.end(), 3), 0);

    // Random outlines on a coarse grid: self-crossings, repeats, collinear and level points.
    std::mt19937 generator(99);
    std::uniform_int_distribution<int> coordinate(0, 4);
    std::uniform_int_distribution<int> size(0, 12);
    std::uniform_int_distribution<int> contours_count(1, 3);
    for (int i = 0; i < 2000; ++i) {
        Contours contours(static_cast<std::size_t>(contours_count(generator)));
        for (Contour& contour : contours) {
            contour.resize(static_cast<std::size_t>(size(generator)));
            for (Point2& p : contour) {
                p = {static_cast<double>(coordinate(generator)),
                     static_cast<double>(coordinate(generator))};
            }
        }
        ASSERT_TRUE(IndicesInRange(TriangulatePolygon(contours, static_cast<std::uint32_t>(i)),
                                   PointCount(contours)))
            << i;
    }
}

TEST(SeidelTriangulation, LargePolygonsAreTriangulated) {
    std::mt19937 generator(5);
    Contours star = {RandomStar(generator, 20000, 50.0, 100.0, {0, 0}, false)};
    for (int i = 0; i < 20; ++i) {
        star.push_back(
            RandomStar(generator, 500, 1.0, 2.0, {10.0 * (i % 5) - 20, 10.0 * (i / 5) - 15}, true));
    }
    ExpectExactTiling(star, TriangulatePolygon(star, 23u), 2u, 100);
}

TEST(PolygonLocator, AgreesWithRayCrossing) {
    // A U: the notch between the arms lies outside.
    const Contour u = {{0, 0}, {6, 0}, {6, 6}, {4, 6}, {4, 2}, {2, 2}, {2, 6}, {0, 6}};
    Contour u_reversed = u;
    std::reverse(u_reversed.begin(), u_reversed.end());
    const PolygonLocator locator(u, 1u);
    const PolygonLocator reversed(u_reversed, 2u);
    // Queries level with vertices, which random points never are.
    for (const auto& [p, inside] : {std::pair{Point2{1, 2}, true},
                                    {Point2{5, 2}, true},
                                    {Point2{3, 6}, false},
                                    {Point2{7, 2}, false},
                                    {Point2{-1, 0}, false}}) {
        EXPECT_EQ(locator.Contains(p), inside) << p.x << ", " << p.y;
        EXPECT_EQ(reversed.Contains(p), inside) << p.x << ", " << p.y;
    }

    for (std::uint32_t trial = 0; trial < 50; ++trial) {
        SCOPED_TRACE(trial);
        std::mt19937 shapes(trial);
        const Contour star =
            RandomStar(shapes, 5 + static_cast<int>(trial), 2.0, 10.0, {1, 1}, false);
        PolygonLocator star_locator(star, trial);
        const PolygonLocator moved = std::move(star_locator);
        std::uniform_real_distribution<double> where(-11.0, 11.0);
        int mismatches = 0;
        for (int i = 0; i < 300; ++i) {
            const Point2 p{where(shapes), where(shapes)};
            if (DistanceToBoundary({star}, p) >= 1e-9 &&
                moved.Contains(p) != InsideEvenOdd({star}, p))
                ++mismatches;
        }
        EXPECT_EQ(mismatches, 0);
    }
}

TEST(PolygonLocator, DegenerateContoursContainNothing) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Contour contours[] = {
        {}, {{0, 0}, {1, 1}}, {{0, 0}, {1, 1}, {2, 2}}, {{1, 1}, {1, 1}, {1, 1}}};
    for (const Contour& contour : contours) {
        const PolygonLocator locator(contour, 1u);
        EXPECT_FALSE(locator.Contains({1, 1}));
        EXPECT_FALSE(locator.Contains({0.5, 0.5}));
    }
    const PolygonLocator square({{0, 0}, {1, 0}, {1, 1}, {0, 1}}, 1u);
    EXPECT_TRUE(square.Contains({0.5, 0.5}));
    EXPECT_FALSE(square.Contains({nan, 0.5}));
    EXPECT_FALSE(square.Contains({0.5, std::numeric_limits<double>::infinity()}));
}

}  // namespace
}  // namespace kelto
