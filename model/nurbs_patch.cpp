#include "nurbs_patch.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "bspline.h"

namespace kelto {
namespace {

// Process-wide: see CurveJitter.
std::array<double, CurveJitter::kSize> g_jitter_table{};
std::once_flag g_jitter_filled;
std::atomic<std::uint8_t> g_jitter_cursor{0};

void FillJitterTable() {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (double& entry : g_jitter_table) {
        // A 15-bit draw, the range the factor 1/32767 is made for; the C library here
        // returns up to 2^31 - 1, which would put values far outside [0.45, 0.55].
        const int draw = std::rand() & 0x7FFF;
        entry = draw * 3.051850947599719e-5 * 0.1 + 0.45;
    }
}

// Deep enough for any curve the program draws; a bound so that a degenerate curve read
// from a file cannot recurse without end.
constexpr int kMaxFlattenDepth = 40;
constexpr double kFlatness = 1e-8;

struct Flattener {
    const CurveEvaluator& curve;
    NurbsPatch& patch;

    void Append(const Vec3& p) {
        patch.work_points[0] = {static_cast<float>(p.x), static_cast<float>(p.y),
                                static_cast<float>(p.z)};
        patch.samples.push_back(patch.work_points[0]);
    }

    void Interval(double t1, const Vec3& p1, double t2, const Vec3& p2, int depth) {
        const double t = t1 + (t2 - t1) * CurveJitter::Next();
        const Vec3 m = curve.Evaluate(t).point;
        const Vec3 c = Cross(p1 - m, p2 - m);
        if (depth < kMaxFlattenDepth && Dot(c, c) >= kFlatness) {
            Interval(t1, p1, t, m, depth + 1);
            Interval(t, m, t2, p2, depth + 1);
        } else {
            Append(p1);
        }
    }
};

}  // namespace

void CurveJitter::EnsureFilled() {
    std::call_once(g_jitter_filled, FillJitterTable);
}

double CurveJitter::Next() {
    EnsureFilled();
    return g_jitter_table[g_jitter_cursor.fetch_add(1, std::memory_order_relaxed)];
}

double CurveJitter::At(int i) {
    EnsureFilled();
    return g_jitter_table[static_cast<std::size_t>(i) % kSize];
}

NurbsPatch::NurbsPatch() {
    CurveJitter::EnsureFilled();
}

int NurbsPatch::Order() const {
    const long long order =
        static_cast<long long>(knots_u.size()) - static_cast<long long>(control_points.size());
    return order >= 1 && order <= kMaxSplineOrder ? static_cast<int>(order) : 0;
}

void NurbsPatch::ScaleBy(const Vec3& s) {
    for (Point4& p : control_points) {
        p.x *= s.x;
        p.y *= s.y;
        p.z *= s.z;
    }
}

void NurbsPatch::MoveBy(const Vec3& offset) {
    for (Point4& p : control_points) {
        p.x += offset.x * p.w;
        p.y += offset.y * p.w;
        p.z += offset.z * p.w;
    }
}

void NurbsPatch::Flatten() {
    samples.clear();
    const CurveEvaluator curve(knots_u, control_points);
    if (!curve.Valid()) {
        return;
    }
    const ParameterRange range = curve.Range();
    const Vec3 start = curve.Evaluate(range.low).point;
    const double middle = (range.low + range.high) * 0.5;
    const Vec3 centre = curve.Evaluate(middle).point;
    const Vec3 end = curve.Evaluate(range.high).point;
    // The two halves are flattened separately: the ends of a closed curve coincide, and
    // an interval whose ends coincide would look flat whatever lies between them.
    Flattener flattener{curve, *this};
    flattener.Interval(range.low, start, middle, centre, 0);
    flattener.Interval(middle, centre, range.high, end, 0);
    flattener.Append(end);
}

}  // namespace kelto
