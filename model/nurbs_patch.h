// The general B-spline record used for profile and path curves, and the curve flattening
// that turns a curve into the polyline the views draw.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry.h"

namespace kelto {

struct NurbsPatch {
    // How the record came to be.
    static constexpr std::int32_t kFactoryKind = 0;  // built by the curve factory
    static constexpr std::int32_t kEmptyKind = 1;    // constructed empty (reading, hand-built)

    std::vector<double> knots_u;
    std::vector<double> knots_v;  // empty for a curve
    std::vector<Point4> control_points;
    std::vector<Point4> second_points;  // as many as control_points
    std::int32_t count = 0;
    std::vector<Vec3f> samples;  // the curve flattened to a polyline
    Vec3f work_points[2];        // the first receives each sample before it is appended
    std::int32_t reserved = 0;
    std::int32_t kind = kEmptyKind;
    std::int32_t flag = 0;

    // Construction fills the process-wide jitter table on first use.
    NurbsPatch();

    // Curve order as implied by the knot and point counts (0 when they do not fit).
    int Order() const;

    // Scales the Euclidean control points per axis, or moves them, keeping their weights.
    void ScaleBy(const Vec3& s);
    void MoveBy(const Vec3& offset);

    // Flattens the curve over its whole parameter span into `samples` (replacing what was
    // there): each half of the span is split at a jittered point near its middle until the split
    // point is in line with the interval's ends, and each flat interval contributes its first
    // point; the curve's end point closes the polyline. A curve that cannot be evaluated
    // yields no samples.
    void Flatten();
};

// The jitter table shared by every curve flattening in the process: 256 values in
// [0.45, 0.55], filled once from the C library's generator seeded with the current time, and
// an 8-bit cursor that moves to the next value each time one is taken. Only the modelling
// thread flattens curves; the cursor is atomic so that a stray second thread cannot corrupt it.
class CurveJitter {
  public:
    static constexpr int kSize = 256;
    // Fills the table if nobody has yet.
    static void EnsureFilled();
    static double Next();
    static double At(int i);
};

}  // namespace kelto
