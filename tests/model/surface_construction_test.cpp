#include <gtest/gtest.h>

#include <cmath>

#include "model/curve_factory.h"
#include "model/surface_construction.h"

namespace kelto {
namespace {

TEST(Revolution, EverySurfacePointKeepsItsDistanceFromTheAxisAndPointsOnItStayPut) {
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
    // A half circle's ends lie on the axis of its full turn.
    const NurbsSurface sphere =
        RevolveCurve(MakeFactoryCurve(FactoryCurve::HalfCircle), {0, 0, 0}, {0, 0, 1}, 360.0);
    for (int row = 0; row < sphere.rows; ++row) {
        const Vec3 top = sphere.net[static_cast<std::size_t>(row * sphere.columns)].Euclidean();
        EXPECT_EQ(top, (Vec3{0, 0, 1})) << row;
    }
}

}  // namespace
}  // namespace kelto
