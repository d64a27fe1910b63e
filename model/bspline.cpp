#include "bspline.h"

#include <algorithm>
#include <cmath>

namespace kelto {

bool IsValidKnotVector(int order, int count, std::span<const double> knots) {
    if (order < 1 || order > kMaxSplineOrder || count < order) {
        return false;
    }
    if (knots.size() != static_cast<std::size_t>(count) + static_cast<std::size_t>(order)) {
        return false;
    }
    for (std::size_t i = 0; i < knots.size(); ++i) {
        if (!std::isfinite(knots[i]) || (i > 0 && knots[i] < knots[i - 1])) {
            return false;
        }
    }
    return knots[static_cast<std::size_t>(order - 1)] < knots[static_cast<std::size_t>(count)];
}

namespace {

// The knot span index s with knots[s] <= t < knots[s + 1], for order - 1 <= s <= count - 1.
// The end of the valid range belongs to the last non-empty span.
int FindSpan(int order, int count, std::span<const double> knots, double t) {
    const int low_index = order - 1;
    if (t >= knots[static_cast<std::size_t>(count)]) {
        int s = count - 1;
        while (s > low_index &&
               knots[static_cast<std::size_t>(s)] >= knots[static_cast<std::size_t>(count)]) {
            --s;
        }
        return s;
    }
    // Last index in [low_index, count - 1] whose knot is <= t.
    const auto begin = knots.begin() + low_index;
    const auto end = knots.begin() + count;
    const auto it = std::upper_bound(begin, end, t);
    return std::max(low_index, static_cast<int>(it - knots.begin()) - 1);
}

// Division rather than multiplication by the reciprocal, so that a weighted coordinate equal
// to its weight comes out exactly 1 (coincident control points give coincident points).
Vec3 Divide(const Vec3& a, double w) {
    return {a.x / w, a.y / w, a.z / w};
}

}  // namespace

BasisAtParameter EvaluateBasis(int order, int count, std::span<const double> knots, double t) {
    const ParameterRange range{knots[static_cast<std::size_t>(order - 1)],
                               knots[static_cast<std::size_t>(count)]};
    t = std::clamp(t, range.low, range.high);
    const int p = order - 1;
    const int span = FindSpan(order, count, knots, t);

    // Triangular table of basis values (upper part) and knot differences (lower part).
    double ndu[kMaxSplineOrder][kMaxSplineOrder];
    double left[kMaxSplineOrder];
    double right[kMaxSplineOrder];
    ndu[0][0] = 1.0;
    for (int j = 1; j <= p; ++j) {
        left[j] = t - knots[static_cast<std::size_t>(span + 1 - j)];
        right[j] = knots[static_cast<std::size_t>(span + j)] - t;
        double saved = 0.0;
        for (int r = 0; r < j; ++r) {
            ndu[j][r] = right[r + 1] + left[j - r];
            const double temp = ndu[r][j - 1] / ndu[j][r];
            ndu[r][j] = saved + right[r + 1] * temp;
            saved = left[j - r] * temp;
        }
        ndu[j][j] = saved;
    }

    BasisAtParameter basis;
    basis.first = span - p;
    basis.count = order;
    for (int r = 0; r <= p; ++r) {
        basis.value[r] = ndu[r][p];
        double d = 0.0;
        if (p > 0) {
            if (r >= 1) {
                d += ndu[r - 1][p - 1] / ndu[p][r - 1];
            }
            if (r <= p - 1) {
                d -= ndu[r][p - 1] / ndu[p][r];
            }
            d *= p;
        }
        basis.derivative[r] = d;
    }
    return basis;
}

CurveEvaluator::CurveEvaluator(std::span<const double> knots, std::span<const Point4> points)
    : knots_(knots), points_(points) {
    const long long order =
        static_cast<long long>(knots.size()) - static_cast<long long>(points.size());
    if (order >= 1 && order <= kMaxSplineOrder) {
        order_ = static_cast<int>(order);
        valid_ = IsValidKnotVector(order_, static_cast<int>(points.size()), knots);
    }
    if (valid_) {
        range_ = {knots[static_cast<std::size_t>(order_ - 1)], knots[points.size()]};
    }
}

CurvePoint CurveEvaluator::Evaluate(double t) const {
    if (!valid_) {
        return {};
    }
    const BasisAtParameter b = EvaluateBasis(order_, static_cast<int>(points_.size()), knots_, t);
    Vec3 a, da;
    double w = 0.0, dw = 0.0;
    for (int k = 0; k < b.count; ++k) {
        const Point4& p = points_[static_cast<std::size_t>(b.first + k)];
        const Vec3 weighted{p.x, p.y, p.z};
        a = a + weighted * b.value[k];
        da = da + weighted * b.derivative[k];
        w += p.w * b.value[k];
        dw += p.w * b.derivative[k];
    }
    CurvePoint result;
    result.point = Divide(a, w);
    result.derivative = Divide(da - result.point * dw, w);
    return result;
}

bool SurfaceEvaluator::Load(int rows, int columns, int order_u, int order_v,
                            std::span<const double> knots_u, std::span<const double> knots_v,
                            std::span<const Point4> net) {
    valid_ = false;
    if (rows < 1 || columns < 1 ||
        net.size() != static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns) ||
        !IsValidKnotVector(order_u, columns, knots_u) ||
        !IsValidKnotVector(order_v, rows, knots_v)) {
        return false;
    }
    rows_ = rows;
    columns_ = columns;
    order_u_ = order_u;
    order_v_ = order_v;
    knots_u_.assign(knots_u.begin(), knots_u.end());
    knots_v_.assign(knots_v.begin(), knots_v.end());
    net_.assign(net.begin(), net.end());
    range_u_ = {knots_u_[static_cast<std::size_t>(order_u - 1)],
                knots_u_[static_cast<std::size_t>(columns)]};
    range_v_ = {knots_v_[static_cast<std::size_t>(order_v - 1)],
                knots_v_[static_cast<std::size_t>(rows)]};
    valid_ = true;
    return true;
}

SurfacePoint SurfaceEvaluator::Evaluate(double u, double v) const {
    if (!valid_) {
        return {};
    }
    const BasisAtParameter bu = EvaluateBasis(order_u_, columns_, knots_u_, u);
    const BasisAtParameter bv = EvaluateBasis(order_v_, rows_, knots_v_, v);

    // Weighted sums of the control net and of its two partial derivatives.
    Vec3 a, au, av;
    double w = 0.0, wu = 0.0, wv = 0.0;
    for (int k = 0; k < bv.count; ++k) {
        const std::size_t row =
            static_cast<std::size_t>(bv.first + k) * static_cast<std::size_t>(columns_);
        for (int l = 0; l < bu.count; ++l) {
            const Point4& p = net_[row + static_cast<std::size_t>(bu.first + l)];
            const Vec3 weighted{p.x, p.y, p.z};
            const double n = bv.value[k] * bu.value[l];
            const double nu = bv.value[k] * bu.derivative[l];
            const double nv = bv.derivative[k] * bu.value[l];
            a = a + weighted * n;
            au = au + weighted * nu;
            av = av + weighted * nv;
            w += p.w * n;
            wu += p.w * nu;
            wv += p.w * nv;
        }
    }

    // Quotient rule for the rational surface.
    SurfacePoint result;
    result.point = Divide(a, w);
    result.du = Divide(au - result.point * wu, w);
    result.dv = Divide(av - result.point * wv, w);
    return result;
}

}  // namespace kelto
