#include "surface_construction.h"

#include <cmath>

namespace kelto {

int SweepArcCount(double degrees) {
    if (degrees <= 90.0)
        return 1;
    if (degrees <= 180.0)
        return 2;
    if (degrees <= 270.0)
        return 3;
    return 4;
}

std::vector<double> SweepKnots(int arcs) {
    std::vector<double> knots = {0.0, 0.0, 0.0};
    for (int i = 1; i < arcs; ++i) {
        const double k = static_cast<double>(i) / arcs;
        knots.push_back(k);
        knots.push_back(k);
    }
    knots.insert(knots.end(), {1.0, 1.0, 1.0});
    return knots;
}

NurbsSurface RevolveCurve(const NurbsPatch& profile, const Vec3& axis_point, Vec3 axis,
                          double degrees) {
    const int arcs = SweepArcCount(degrees);
    const double step = degrees / arcs * kDegreesToRadians;
    const double middle_weight = std::cos(step / 2.0);
    const bool full_turn = degrees == 360.0;
    axis.Normalise();

    const int row_count = 2 * arcs + 1;
    const int column_count = static_cast<int>(profile.control_points.size());
    NurbsSurface surface;
    surface.rows = row_count;
    surface.columns = column_count;
    surface.order_u = profile.Order();
    surface.order_v = 3;
    surface.knots_u = profile.knots_u;
    surface.knots_v = SweepKnots(arcs);
    surface.net.resize(static_cast<std::size_t>(row_count) *
                       static_cast<std::size_t>(column_count));

    auto at = [&](int row, int column) -> Point4& {
        return surface.net[static_cast<std::size_t>(row) * static_cast<std::size_t>(column_count) +
                           static_cast<std::size_t>(column)];
    };

    for (int j = 0; j < column_count; ++j) {
        const Point4& stored = profile.control_points[static_cast<std::size_t>(j)];
        const Vec3 p = stored.Euclidean();
        const double w = stored.w;
        const Vec3 centre = axis_point + axis * Dot(p - axis_point, axis);
        Vec3 x_dir = p - centre;
        const double radius = x_dir.Length();

        at(0, j) = Point4::Weighted(p, w);
        if (radius < 1e-12) {
            for (int row = 1; row < row_count; ++row) {
                at(row, j) = Point4::Weighted(p, row % 2 == 1 ? w * middle_weight : w);
            }
            continue;
        }
        x_dir = x_dir * (1.0 / radius);
        const Vec3 y_dir = Cross(axis, x_dir);
        auto on_circle = [&](double angle, double distance) {
            return centre + x_dir * (distance * std::cos(angle)) +
                   y_dir * (distance * std::sin(angle));
        };

        for (int arc = 1; arc <= arcs; ++arc) {
            // The in-between point is where the tangents at the arc's ends meet.
            const double mid_angle = (arc - 0.5) * step;
            at(2 * arc - 1, j) =
                Point4::Weighted(on_circle(mid_angle, radius / middle_weight), w * middle_weight);
            // A full turn closes exactly on the first point.
            const Vec3 end = full_turn && arc == arcs ? p : on_circle(arc * step, radius);
            at(2 * arc, j) = Point4::Weighted(end, w);
        }
    }
    return surface;
}

NurbsSurface ProductSurface(const NurbsPatch& meridian, const NurbsPatch& equator) {
    NurbsSurface surface;
    surface.rows = static_cast<std::int32_t>(equator.control_points.size());
    surface.columns = static_cast<std::int32_t>(meridian.control_points.size());
    surface.order_u = meridian.Order();
    surface.order_v = equator.Order();
    surface.knots_u = meridian.knots_u;
    surface.knots_v = equator.knots_u;
    surface.net.reserve(static_cast<std::size_t>(surface.rows) *
                        static_cast<std::size_t>(surface.columns));
    for (const Point4& b4 : equator.control_points) {
        const Vec3 b = b4.Euclidean();
        for (const Point4& a4 : meridian.control_points) {
            const Vec3 a = a4.Euclidean();
            surface.net.push_back(Point4::Weighted({a.x * b.x, a.x * b.y, a.z}, a4.w * b4.w));
        }
    }
    return surface;
}

}  // namespace kelto
