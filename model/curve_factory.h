// The profile and path curves the primitives are built from.
#pragma once

#include <span>
#include <vector>

#include "geometry.h"
#include "nurbs_patch.h"

namespace kelto {

// Clamped uniform knots for m control points of order k: k zeros, the m - k interior knots
// i / (m - k + 1), k ones.
std::vector<double> ClampedUniformKnots(int point_count, int order);

// A curve through Euclidean control points with the given weights (all 1 when empty) and
// knots (clamped uniform of order `order` when empty), marked as a factory curve.
NurbsPatch MakeCurve(std::span<const Vec3> points, std::span<const double> weights, int order,
                     std::span<const double> knots = {});

// The factory's curves. `sample` flattens the curve into its samples as well; the primitives'
// profiles are built without sampling.
enum class FactoryCurve {
    HalfCircle = 0,    // unit half circle in the x-z plane, from (0,0,1) to (0,0,-1)
    CylinderSide = 2,  // top centre, top rim, side, bottom rim, bottom centre
    FullCircle = 3,    // unit circle in the x-z plane, starting and ending at (0,0,1)
};
NurbsPatch MakeFactoryCurve(FactoryCurve kind, bool sample = false);

// The remaining profiles, each in the x-z plane (z the axis of revolution).
NurbsPatch MakeConeProfile();
NurbsPatch MakeParaboloidProfile();
NurbsPatch MakeHyperboloidProfile();
NurbsPatch MakeSuperquadricMeridian();
NurbsPatch MakeSuperquadricEquator();
NurbsPatch MakeSquareEquator();

}  // namespace kelto
