// Rational B-spline evaluation: basis functions with their first derivatives, curves, and
// the surface evaluator that the tessellation and the Trim kernel both use.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "geometry.h"

namespace kelto {

// Orders above this are refused: no shape the program builds comes near it, and a bound keeps
// the basis arrays on the stack.
inline constexpr int kMaxSplineOrder = 16;

// True when the knot vector suits `count` control points of the given order: order in
// 1..kMaxSplineOrder, exactly count + order knots, finite and non-decreasing, and a parameter
// span of positive length.
bool IsValidKnotVector(int order, int count, std::span<const double> knots);

// The non-zero basis functions of one parameter value: functions span - order + 1 ... span.
struct BasisAtParameter {
    int first = 0;  // index of the first non-zero function
    int count = 0;  // how many (the order)
    double value[kMaxSplineOrder] = {};
    double derivative[kMaxSplineOrder] = {};
};

// Basis functions and first derivatives at t, for a knot vector already checked with
// IsValidKnotVector. t is clamped into the valid span; its end belongs to the last span.
BasisAtParameter EvaluateBasis(int order, int count, std::span<const double> knots, double t);

// The valid parameter span of a knot vector: knots[order - 1] to knots[count].
struct ParameterRange {
    double low = 0.0;
    double high = 1.0;
    double At(int i, int n) const { return low + (static_cast<double>(i) / n) * (high - low); }
};

// A point of a rational B-spline curve or surface with its first partial derivatives.
struct CurvePoint {
    Vec3 point;
    Vec3 derivative;
};
struct SurfacePoint {
    Vec3 point;
    Vec3 du;
    Vec3 dv;
};

// A rational B-spline curve given by weighted control points. Valid() tells whether it can
// be evaluated at all.
class CurveEvaluator {
  public:
    CurveEvaluator(std::span<const double> knots, std::span<const Point4> points);
    bool Valid() const { return valid_; }
    ParameterRange Range() const { return range_; }
    CurvePoint Evaluate(double t) const;

  private:
    std::span<const double> knots_;
    std::span<const Point4> points_;
    int order_ = 0;
    bool valid_ = false;
    ParameterRange range_;
};

// A rational B-spline surface: rows x columns weighted control points stored row by row,
// point (i, j) at i * columns + j. The first parameter u runs along a row (over the columns,
// knots U, order U); the second parameter v runs across the rows (knots V, order V).
class SurfaceEvaluator {
  public:
    // Copies the surface; returns false (and evaluates nothing) when the counts, orders or
    // knot vectors do not fit together.
    bool Load(int rows, int columns, int order_u, int order_v, std::span<const double> knots_u,
              std::span<const double> knots_v, std::span<const Point4> net);
    bool Valid() const { return valid_; }
    ParameterRange RangeU() const { return range_u_; }
    ParameterRange RangeV() const { return range_v_; }
    SurfacePoint Evaluate(double u, double v) const;

  private:
    int rows_ = 0, columns_ = 0, order_u_ = 0, order_v_ = 0;
    std::vector<double> knots_u_, knots_v_;
    std::vector<Point4> net_;
    ParameterRange range_u_, range_v_;
    bool valid_ = false;
};

}  // namespace kelto
