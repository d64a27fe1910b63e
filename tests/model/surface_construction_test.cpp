#include <gtest/gtest.h>

#include <cmath>

#include "model/curve_factory.h"
#include "model/surface_construction.h"

namespace kelto {
namespace {

TEST(Revolution, SweepAngleSetsArcsAndKnots) {
    const NurbsPatch profile = MakeFactoryCurve(FactoryCurve::HalfCircle);
    const NurbsSurface full = RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 360.0);
    EXPECT_EQ(full.knots_v.size(), 12u);
    EXPECT_EQ(full.knots_v,
              (std::vector<double>{0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1}));
    EXPECT_EQ(full.rows, 9);
    EXPECT_EQ(full.columns, 5);
    EXPECT_EQ(full.order_v, 3);
    EXPECT_EQ(full.knots_u, profile.knots_u);

    const NurbsSurface quarter = RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 90.0);
    EXPECT_EQ(quarter.knots_v, (std::vector<double>{0, 0, 0, 1, 1, 1}));
    EXPECT_EQ(quarter.rows, 3);
    EXPECT_EQ(RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 180.0).knots_v.size(), 8u);
    EXPECT_EQ(RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 270.0).knots_v.size(), 10u);
}

TEST(Revolution, EverySurfacePointKeepsItsDistanceFromTheAxis) {
    // A straight profile at radius 2 revolved about a tilted axis through (1, 1, 1) sweeps a
    // cylinder of radius 2 about that axis.
    const Vec3 points[] = {{3, 1, 1}, {3, 1, 3}};
    const NurbsPatch line = MakeCurve(points, {}, 2);
    const Vec3 axis_point{1, 1, 1};
    const NurbsSurface s = RevolveCurve(line, axis_point, {0, 0, 1}, 270.0);
    SurfaceEvaluator evaluator;
    ASSERT_TRUE(s.LoadInto(evaluator));
    for (int i = 0; i <= 10; ++i) {
        for (int j = 0; j <= 30; ++j) {
            const Vec3 p = evaluator.Evaluate(i / 10.0, j / 30.0).point;
            EXPECT_NEAR(std::hypot(p.x - 1, p.y - 1), 2.0, 1e-12);
        }
    }
    // 270 degrees ends a quarter turn short of the start: at (1, -1) relative... i.e. y = -1.
    const Vec3 end = evaluator.Evaluate(0.0, 1.0).point;
    EXPECT_NEAR(end.x, 1.0, 1e-12);
    EXPECT_NEAR(end.y, -1.0, 1e-12);
}

TEST(Revolution, PointsOnTheAxisStayPut) {
    const NurbsPatch profile = MakeFactoryCurve(FactoryCurve::HalfCircle);
    const NurbsSurface s = RevolveCurve(profile, {0, 0, 0}, {0, 0, 1}, 360.0);
    for (int row = 0; row < s.rows; ++row) {
        const Vec3 top = s.net[static_cast<std::size_t>(row * s.columns)].Euclidean();
        EXPECT_EQ(top, (Vec3{0, 0, 1})) << row;
    }
}

TEST(ProductSurface, CombinesMeridianAndEquator) {
    const NurbsPatch meridian = MakeSuperquadricMeridian();
    const NurbsPatch equator = MakeSuperquadricEquator();
    const NurbsSurface s = ProductSurface(meridian, equator);
    EXPECT_EQ(s.rows, 8);
    EXPECT_EQ(s.columns, 5);
    EXPECT_EQ(s.knots_u, meridian.knots_u);
    EXPECT_EQ(s.knots_v, equator.knots_u);
    // Row 1 is equator point (1, 1), column 2 meridian point (1, 0, 0).
    EXPECT_EQ(s.net[1 * 5 + 2], (Point4{1, 1, 0, 1}));
    // Column 0 is the meridian's top (radius 0): every row gives the same point.
    EXPECT_EQ(s.net[3 * 5 + 0], (Point4{0, 0, 1, 1}));
}

}  // namespace
}  // namespace kelto
