// Distance from a point to the nearest edge of closed polygons, for the outline tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "modelling/seidel_triangulation.h"

namespace kelto::test {

inline double DistanceToBoundary(const std::vector<std::vector<Point2>>& polygons,
                                 const Point2& p) {
    double best = std::numeric_limits<double>::infinity();
    for (const std::vector<Point2>& polygon : polygons) {
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const Point2& a = polygon[i];
            const Point2& b = polygon[(i + 1) % polygon.size()];
            const double dx = b.x - a.x, dy = b.y - a.y;
            const double length2 = dx * dx + dy * dy;
            const double t =
                length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0)
                            : 0.0;
            best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
        }
    }
    return best;
}

}  // namespace kelto::test
