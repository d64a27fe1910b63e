#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "model/bspline.h"
#include "model/curve_factory.h"

namespace kelto {
namespace {

TEST(BSplineBasis, PartitionOfUnityDerivativesSumToZeroAndKnotVectorsThatDoNotFitAreRefused) {
    const std::vector<double> knots = {0, 0, 0, 0.2, 0.5, 0.5, 0.9, 1, 1, 1};
    ASSERT_TRUE(IsValidKnotVector(3, 7, knots));
    for (int i = 0; i <= 100; ++i) {
        const double t = i / 100.0;
        const BasisAtParameter b = EvaluateBasis(3, 7, knots, t);
        double sum = 0.0, derivative_sum = 0.0;
        for (int k = 0; k < b.count; ++k) {
            EXPECT_GE(b.value[k], -1e-15);
            sum += b.value[k];
            derivative_sum += b.derivative[k];
        }
        EXPECT_NEAR(sum, 1.0, 1e-12) << t;
        EXPECT_NEAR(derivative_sum, 0.0, 1e-9) << t;
        EXPECT_GE(b.first, 0);
        EXPECT_LE(b.first + b.count, 7);
    }
    EXPECT_FALSE(IsValidKnotVector(3, 4, std::vector<double>{0, 0, 0, 1, 1, 1}));    // too few
    EXPECT_FALSE(IsValidKnotVector(3, 3, std::vector<double>{0, 0, 0, 1, 0.5, 1}));  // decreasing
    EXPECT_FALSE(IsValidKnotVector(3, 3, std::vector<double>{1, 1, 1, 1, 1, 1}));    // no span
    EXPECT_FALSE(IsValidKnotVector(0, 3, std::vector<double>{0, 0, 1}));             // order 0
    EXPECT_FALSE(IsValidKnotVector(3, 3, std::vector<double>{0, 0, NAN, 1, 1, 1}));
    EXPECT_TRUE(IsValidKnotVector(3, 3, std::vector<double>{0, 0, 0, 1, 1, 1}));
}

TEST(CurveEvaluator, RationalHalfCircleIsExact) {
    const NurbsPatch circle = MakeFactoryCurve(FactoryCurve::HalfCircle);
    const CurveEvaluator curve(circle.knots_u, circle.control_points);
    ASSERT_TRUE(curve.Valid());
    for (int i = 0; i <= 64; ++i) {
        const CurvePoint p = curve.Evaluate(i / 64.0);
        EXPECT_NEAR(std::hypot(p.point.x, p.point.z), 1.0, 1e-12);
        EXPECT_EQ(p.point.y, 0.0);
        EXPECT_GE(p.point.x, -1e-12);
        // The tangent is perpendicular to the radius.
        EXPECT_NEAR(Dot(p.point, p.derivative), 0.0, 1e-9);
    }
    EXPECT_EQ(curve.Evaluate(0.0).point, (Vec3{0, 0, 1}));
    EXPECT_EQ(curve.Evaluate(1.0).point, (Vec3{0, 0, -1}));
}

TEST(SurfaceEvaluator, RefusesNetsThatDoNotMatchTheirCountsAndABilinearPatchHasExactPartials) {
    SurfaceEvaluator surface;
    const std::vector<double> knots = {0, 0, 1, 1};
    std::vector<Point4> net(4);
    EXPECT_TRUE(surface.Load(2, 2, 2, 2, knots, knots, net));
    net.pop_back();
    EXPECT_FALSE(surface.Load(2, 2, 2, 2, knots, knots, net));
    EXPECT_FALSE(surface.Valid());
    EXPECT_FALSE(surface.Load(0, 2, 2, 2, knots, knots, net));
    // Rows follow v, columns follow u: point (i, j) at i * columns + j.
    net = {{0, 0, 0, 1}, {2, 0, 0, 1}, {0, 3, 0, 1}, {2, 3, 1, 1}};
    ASSERT_TRUE(surface.Load(2, 2, 2, 2, knots, knots, net));
    const SurfacePoint p = surface.Evaluate(0.5, 0.25);
    EXPECT_NEAR(p.point.x, 1.0, 1e-12);
    EXPECT_NEAR(p.point.y, 0.75, 1e-12);
    EXPECT_NEAR(p.point.z, 0.125, 1e-12);
    EXPECT_NEAR(p.du.x, 2.0, 1e-12);
    EXPECT_NEAR(p.du.z, 0.25, 1e-12);
    EXPECT_NEAR(p.dv.y, 3.0, 1e-12);
    EXPECT_NEAR(p.dv.z, 0.5, 1e-12);
}

}  // namespace
}  // namespace kelto
