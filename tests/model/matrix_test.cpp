#include <gtest/gtest.h>

#include "model/geometry.h"

namespace kelto {
namespace {

Vec3f Apply(const Matrix4& m, Vec3f p) {
    return m.TransformPoint(p);
}

void ExpectNear(const Vec3f& a, const Vec3f& b, float tolerance = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Matrix4, RotationIsRightHandedForRowVectors) {
    Matrix4 about_z;
    about_z.Rotate(90.0, {0, 0, 1});
    ExpectNear(Apply(about_z, {1, 0, 0}), {0, 1, 0});
    Matrix4 about_x;
    about_x.Rotate(-90.0, {2, 0, 0});  // the axis is normalised first
    // -90 degrees about x turns the model's z axis into the world's y axis.
    ExpectNear(Apply(about_x, {0, 0, 1}), {0, 1, 0});
    ExpectNear(Apply(about_x, {0, 1, 0}), {0, 0, -1});
}

TEST(Matrix4, TranslateRotateScaleActsScaleFirstTranslateLastAndTheProjectiveColumnDivides) {
    // Operations pre-multiply: added last, applied first. Result is S * R * T on row vectors.
    Matrix4 m;
    m.Translate({10, 0, 0});
    m.Rotate(90.0, {0, 0, 1});
    m.Scale({2, 3, 4});
    // (1,1,1) scaled -> (2,3,4), rotated 90 about z -> (-3,2,4), translated -> (7,2,4).
    ExpectNear(Apply(m, {1, 1, 1}), {7, 2, 4});
    Matrix4 projective;
    projective[11] = 1.0;  // w' = z
    projective[15] = 0.0;
    ExpectNear(Apply(projective, {2, 4, 2}), {1, 2, 1});
}

}  // namespace
}  // namespace kelto
