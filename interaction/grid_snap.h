// Snapping to the floor grid: a coordinate rounded to the nearest multiple of the grid step.
#pragma once

#include "model/geometry.h"

namespace kelto {

// The multiple of `step` nearest `value`. A value that has no exact multiple near it (not
// finite, or so large that the doubles around it are further apart than the step) and a step
// that is not positive stay as they are, so that snapping never makes a position infinite.
double SnapToStep(double value, double step);

// The point with x and z snapped (y as it is): where an insertion lands on the floor.
Vec3 SnapOnFloor(const Vec3& point, double step);

}  // namespace kelto
