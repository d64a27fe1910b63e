// The walks through a triangle hierarchy's nodes and leaves, in two builds of the same code:
// one for any x86-64 processor (and elsewhere), one for processors with AVX2. Both give the
// same answers bit for bit; TriangleHierarchy chooses which one runs.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "float_math.h"
#include "near_set.h"
#include "triangle_hierarchy.h"
#include "triangle_intersection.h"

namespace kelto {

// How much later than computed a ray is taken to leave a box, relative to the distance: the
// rounding of the box test never loses a triangle that lies on a face.
inline constexpr float kBoxSlack = 1e-4f;

// What the walks need of a ray, worked out once: the node test's inverses in whole vectors,
// which the walks spread over their lanes straight from here.
struct WalkRay {
    // The ray's origin and direction are kept by reference: they must outlive the walk.
    WalkRay(Vec3f&&, const Vec3f&, float) = delete;
    WalkRay(const Vec3f&, Vec3f&&, float) = delete;
    WalkRay(const Vec3f& o, const Vec3f& d, float max)
        : origin(o),
          direction(d),
          max_distance(max),
          t_cap(max > 0.0f ? Below(std::min(max, kMaxHitDistance)) : -1.0f),
          k_cap(max > 0.0f ? Below(max) : -1.0f) {
        // A direction along a face plane gets a huge finite inverse instead of an infinite
        // one, so that a ray in the plane of a face never makes 0 * infinity.
#if defined(__SSE2__)
        // The three axes at once, with the same operations as below.
        const __m128 components = _mm_setr_ps(d.x, d.y, d.z, 1.0f);
        const __m128 sign = _mm_set1_ps(-0.0f);
        const __m128 i = _mm_div_ps(_mm_set1_ps(1.0f), components);
        const __m128 finite = _mm_cmplt_ps(_mm_andnot_ps(sign, i), _mm_set1_ps(INFINITY));
        const __m128 huge = _mm_or_ps(_mm_and_ps(sign, components), _mm_set1_ps(1e30f));
        const __m128 inv = _mm_or_ps(_mm_and_ps(finite, i), _mm_andnot_ps(finite, huge));
        _mm_store_ps(inverse, inv);
        _mm_store_ps(far_inverse, _mm_mul_ps(inv, _mm_set1_ps(1.0f + kBoxSlack)));
        // The inverse is never zero or not a number: its sign bit tells whether it is below 0.
        negative = static_cast<unsigned>(_mm_movemask_ps(inv)) & 7u;
#else
        const float components[4] = {d.x, d.y, d.z, 1.0f};
        negative = 0u;
        for (int a = 0; a < 4; ++a) {
            const float i = 1.0f / components[a];
            inverse[a] = std::isfinite(i) ? i : std::copysign(1e30f, components[a]);
            far_inverse[a] = inverse[a] * (1.0f + kBoxSlack);
            negative |= a < 3 && inverse[a] < 0.0f ? 1u << a : 0u;
        }
#endif
    }
    // The byte offset within a node of the row of bounds the ray enters through on `axis`
    // (the row it leaves through is the next or the one before: offset ^ kRowBytes).
    static constexpr int kRowBytes = sizeof(float) * TriangleHierarchy::kWidth;
    std::ptrdiff_t NearRowOffset(int axis) const {
        static_assert(kRowBytes == 32);  // (bit `axis` of `negative` shifted up to it)
        return 2 * kRowBytes * axis +
               (static_cast<std::ptrdiff_t>(negative & (1u << axis)) << (5 - axis));
    }

    alignas(16) float inverse[4];      // 1 / direction, huge but finite where the direction is 0
    alignas(16) float far_inverse[4];  // the same, a little larger, for where the ray leaves a box
    const Vec3f& origin;
    const Vec3f& direction;
    float max_distance;
    // A distance d is below both the maximum and kMaxHitDistance exactly when d <= t_cap, and
    // below the maximum exactly when d <= k_cap: one comparison each in the triangle test.
    // (Negative when the maximum is not above 0, or not a number: then nothing passes.)
    float t_cap, k_cap;
    unsigned negative;  // bit a set where the direction is negative on axis a

  private:
    // The largest float below x > 0.
    static float Below(float x) {
        return std::bit_cast<float>(std::bit_cast<std::uint32_t>(x) - 1u);
    }
};

// The hierarchy's arrays as the walks read them.
struct WalkTree {
    const TriangleHierarchy::Node* nodes;
    const TriangleHierarchy::Packet* packets;
    std::uint32_t root;
};

enum class AnyHitAnswer {
    kNone,       // no triangle within the limit
    kHit,        // the reference's nearest hit is within the limit
    kUndecided,  // only the full nearest-hit search can tell
};

// How far past the bound a box may begin and still be opened.
inline float Reach(float bound) {
    return bound + kBoxSlack * (bound > 1.0f ? bound : 1.0f);
}

#define KELTO_WALK_DECLARATIONS                                                              \
    /* Collects the triangles that decide the nearest hit; false when there were more than   \
       the near set holds or the walk went deeper than its stack. With `fixed_bound` the     \
       search never narrows below the set's bound. */                                        \
    bool Collect(const WalkTree& tree, const WalkRay& ray, NearSet& near, bool fixed_bound); \
    /* Whether the reference's nearest hit within `max_distance` lies at `limit` or nearer,  \
       when the walk alone can tell (the ray is worked out inside, where its lanes are). */  \
    AnyHitAnswer AnyHit(const WalkTree& tree, const Vec3f& origin, const Vec3f& direction,   \
                        float max_distance, float limit);

namespace walk_pair {
KELTO_WALK_DECLARATIONS
}
namespace walk_avx2 {
KELTO_WALK_DECLARATIONS
}
#undef KELTO_WALK_DECLARATIONS

}  // namespace kelto
