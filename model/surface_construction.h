// Building a shape's rational B-spline surface from its curves: the surface of revolution and
// the product of a meridian and an equator.
#pragma once

#include <cstdint>
#include <vector>

#include "bspline.h"
#include "geometry.h"
#include "nurbs_patch.h"

namespace kelto {

// A control net with its knot vectors: rows x columns points, row-major. The first parameter
// u runs over the columns (knots U, order U), the second parameter v over the rows.
struct NurbsSurface {
    std::int32_t rows = 0;
    std::int32_t columns = 0;
    std::int32_t order_u = 0;
    std::int32_t order_v = 0;
    std::vector<double> knots_u;
    std::vector<double> knots_v;
    std::vector<Point4> net;

    // Loads the surface into an evaluator; false when its parts do not fit together.
    bool LoadInto(SurfaceEvaluator& evaluator) const {
        return evaluator.Load(rows, columns, order_u, order_v, knots_u, knots_v, net);
    }
};

// Knot vector of a sweep split into `arcs` arcs of order 3: three 0s, the interior knots
// doubled, three 1s.
std::vector<double> SweepKnots(int arcs);
int SweepArcCount(double degrees);

// Revolves a profile curve about the axis through `axis_point` with direction `axis`, through
// `degrees` (Piegl and Tiller's construction): each control point becomes a row of circle arcs
// of at most 90 degrees. The rows run around the axis (v, order 3), the columns along the
// profile (u, the profile's knots and order). A point closer than 1e-12 to the axis stays put.
NurbsSurface RevolveCurve(const NurbsPatch& profile, const Vec3& axis_point, Vec3 axis,
                          double degrees);

// The product of a meridian A and an equator B: point (a.x * b.x, a.x * b.y, a.z) with weight
// w(A) * w(B). A's x is the radius and its z the height, B gives the direction around the
// vertical axis. Rows follow B, columns follow A.
NurbsSurface ProductSurface(const NurbsPatch& meridian, const NurbsPatch& equator);

}  // namespace kelto
