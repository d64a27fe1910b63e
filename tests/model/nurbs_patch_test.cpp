#include <gtest/gtest.h>

#include <cmath>

#include "model/curve_factory.h"
#include "model/nurbs_patch.h"

namespace kelto {
namespace {

TEST(CurveFlattening, HalfCircleSamplesLieOnTheCircleAndRunEndToEnd) {
    const NurbsPatch curve = MakeFactoryCurve(FactoryCurve::HalfCircle, /*sample=*/true);
    EXPECT_EQ(curve.kind, NurbsPatch::kFactoryKind);
    ASSERT_GE(curve.samples.size(), 16u);
    EXPECT_EQ(curve.samples.front(), (Vec3f{0, 0, 1}));
    EXPECT_EQ(curve.samples.back(), (Vec3f{0, 0, -1}));
    for (std::size_t i = 0; i < curve.samples.size(); ++i) {
        const Vec3f& p = curve.samples[i];
        EXPECT_NEAR(std::hypot(p.x, p.z), 1.0, 1e-6);
        if (i > 0) {
            EXPECT_LT(p.z, curve.samples[i - 1].z);  // in parameter order, top to bottom
        }
    }
}

TEST(CurveFlattening, ClosedCircleIsNotMistakenForAPointAndABrokenCurveGivesNoSamples) {
    const NurbsPatch curve = MakeFactoryCurve(FactoryCurve::FullCircle, /*sample=*/true);
    ASSERT_GE(curve.samples.size(), 32u);
    float min_x = 1, max_x = -1;
    for (const Vec3f& p : curve.samples) {
        min_x = std::min(min_x, p.x);
        max_x = std::max(max_x, p.x);
    }
    EXPECT_NEAR(min_x, -1.0f, 0.05f);
    EXPECT_NEAR(max_x, 1.0f, 0.05f);
    NurbsPatch broken;
    broken.control_points = {{0, 0, 0, 1}, {1, 0, 0, 1}};
    broken.knots_u = {0, 0};  // far too few knots
    broken.Flatten();
    EXPECT_TRUE(broken.samples.empty());
}

}  // namespace
}  // namespace kelto
