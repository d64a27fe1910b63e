#include "curve_factory.h"

#include <cmath>

namespace kelto {

std::vector<double> ClampedUniformKnots(int point_count, int order) {
    std::vector<double> knots;
    const int interior = point_count - order;
    knots.reserve(static_cast<std::size_t>(point_count + order));
    knots.insert(knots.end(), static_cast<std::size_t>(order), 0.0);
    for (int i = 1; i <= interior; ++i) {
        knots.push_back(static_cast<double>(i) / (interior + 1));
    }
    knots.insert(knots.end(), static_cast<std::size_t>(order), 1.0);
    return knots;
}

NurbsPatch MakeCurve(std::span<const Vec3> points, std::span<const double> weights, int order,
                     std::span<const double> knots) {
    NurbsPatch curve;
    curve.kind = NurbsPatch::kFactoryKind;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double w = weights.empty() ? 1.0 : weights[i];
        curve.control_points.push_back(Point4::Weighted(points[i], w));
    }
    curve.second_points = curve.control_points;
    curve.count = static_cast<std::int32_t>(points.size());
    if (knots.empty()) {
        curve.knots_u = ClampedUniformKnots(static_cast<int>(points.size()), order);
    } else {
        curve.knots_u.assign(knots.begin(), knots.end());
    }
    return curve;
}

namespace {

const double kHalfRoot2 = std::sqrt(2.0) / 2.0;

NurbsPatch HalfCircle() {
    const Vec3 points[] = {{0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}};
    const double weights[] = {1, kHalfRoot2, 1, kHalfRoot2, 1};
    const double knots[] = {0, 0, 0, 0.5, 0.5, 1, 1, 1};
    return MakeCurve(points, weights, 3, knots);
}

NurbsPatch FullCircle() {
    const Vec3 points[] = {{0, 0, 1},   {1, 0, 1},  {1, 0, 0},  {1, 0, -1}, {0, 0, -1},
                           {-1, 0, -1}, {-1, 0, 0}, {-1, 0, 1}, {0, 0, 1}};
    const double weights[] = {1, kHalfRoot2, 1, kHalfRoot2, 1, kHalfRoot2, 1, kHalfRoot2, 1};
    const double knots[] = {0, 0, 0, 0.25, 0.25, 0.5, 0.5, 0.75, 0.75, 1, 1, 1};
    return MakeCurve(points, weights, 3, knots);
}

NurbsPatch CylinderSide() {
    const Vec3 points[] = {{0, 0, 1},  {0, 0, 1},  {1, 0, 1},  {1, 0, 1}, {1, 0, 0},
                           {1, 0, -1}, {1, 0, -1}, {0, 0, -1}, {0, 0, -1}};
    // The rims (the doubled points) sit at the parameters 5/18 and 13/18, which are rows of
    // the default 18-step tessellation, so the mesh keeps both edges sharp.
    const double knots[] = {0,         0,         0,         3.0 / 18, 5.0 / 18, 7.0 / 18,
                            11.0 / 18, 13.0 / 18, 15.0 / 18, 1,        1,        1};
    return MakeCurve(points, {}, 3, knots);
}

}  // namespace

NurbsPatch MakeFactoryCurve(FactoryCurve kind, bool sample) {
    NurbsPatch curve;
    switch (kind) {
        case FactoryCurve::HalfCircle:
            curve = HalfCircle();
            break;
        case FactoryCurve::CylinderSide:
            curve = CylinderSide();
            break;
        case FactoryCurve::FullCircle:
            curve = FullCircle();
            break;
    }
    if (sample) {
        curve.Flatten();
    }
    return curve;
}

NurbsPatch MakeConeProfile() {
    // Apex, rim doubled for a sharp edge, centre of the base.
    const Vec3 points[] = {{0, 0, 1}, {1, 0, -1}, {1, 0, -1}, {0, 0, -1}};
    return MakeCurve(points, {}, 3);
}

NurbsPatch MakeParaboloidProfile() {
    // One quadratic arc z = 1 - 2x^2 from the tip to the rim, then a straight piece back to
    // the axis along z = -1. The doubled middle knot keeps the two pieces separate, so the
    // first is exactly the parabola and the rim is a sharp edge.
    const Vec3 points[] = {{0, 0, 1}, {0.5, 0, 1}, {1, 0, -1}, {0.5, 0, -1}, {0, 0, -1}};
    const double knots[] = {0, 0, 0, 0.5, 0.5, 1, 1, 1};
    return MakeCurve(points, {}, 3, knots);
}

NurbsPatch MakeHyperboloidProfile() {
    // The top rim lies a quarter turn around the axis from the bottom rim, so the revolved
    // straight side is a twisted ruled surface with a waist.
    const Vec3 points[] = {{0, 0, 1}, {0, 1, 1}, {0, 1, 1}, {1, 0, -1}, {1, 0, -1}, {0, 0, -1}};
    return MakeCurve(points, {}, 3);
}

NurbsPatch MakeSuperquadricMeridian() {
    const Vec3 points[] = {{0, 0, 1}, {1, 0, 1}, {1, 0, 0}, {1, 0, -1}, {0, 0, -1}};
    return MakeCurve(points, {}, 3);
}

NurbsPatch MakeSuperquadricEquator() {
    const Vec3 points[] = {{1, 0, 0},   {1, 1, 0},  {0, 1, 0},  {-1, 1, 0},
                           {-1, -1, 0}, {0, -1, 0}, {1, -1, 0}, {1, 0, 0}};
    return MakeCurve(points, {}, 3);
}

NurbsPatch MakeSquareEquator() {
    // Corners doubled for sharp edges.
    const Vec3 points[] = {{1, 0, 0},   {1, 1, 0},   {1, 1, 0},  {-1, 1, 0}, {-1, 1, 0},
                           {-1, -1, 0}, {-1, -1, 0}, {1, -1, 0}, {1, -1, 0}, {1, 0, 0}};
    return MakeCurve(points, {}, 3);
}

}  // namespace kelto
