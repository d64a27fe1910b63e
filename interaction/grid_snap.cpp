#include "grid_snap.h"

#include <cmath>

namespace kelto {

double SnapToStep(double value, double step) {
    // Beyond 2^52 steps the multiples are no longer exact doubles.
    constexpr double kLargestExactSteps = 4503599627370496.0;
    if (!(step > 0.0) || !std::isfinite(step) || !std::isfinite(value)) {
        return value;
    }
    const double steps = value / step;
    if (!(std::abs(steps) < kLargestExactSteps)) {
        return value;
    }
    const double snapped = std::round(steps) * step + 0.0;  // + 0.0: no negative zero
    return std::isfinite(snapped) ? snapped : value;
}

Vec3 SnapOnFloor(const Vec3& point, double step) {
    return {SnapToStep(point.x, step), point.y, SnapToStep(point.z, step)};
}

}  // namespace kelto
