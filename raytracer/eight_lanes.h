// Eight floats side by side, for testing a ray against a node's eight boxes or a leaf's eight
// triangles at once. Two flavours with the same operations and the same names:
//
//   lanes_pair::Float8  two four-lane halves (SSE2, part of every x86-64 processor, or the
//                       plain fallback of simd4.h elsewhere);
//   lanes_avx2::Float8  one AVX register, defined only where the compiler can target AVX2; its
//                       functions are compiled for AVX2 and must only run where the processor
//                       has it (see Avx2LanesAvailable).
//
// Every operation is the IEEE single-precision operation lane by lane (no fused multiply-add,
// no approximations), so both flavours give exactly the bits the scalar expression gives.
#pragma once

#include <cstdint>

#include "simd4.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define KELTO_AVX2_LANES 1
#include <immintrin.h>
#else
#define KELTO_AVX2_LANES 0
#endif

// Code between these two compiles for AVX2 whatever the flags of the file.
#if KELTO_AVX2_LANES && defined(__clang__)
#define KELTO_BEGIN_AVX2 \
    _Pragma("clang attribute push(__attribute__((target(\"avx2\"))), apply_to = function)")
#define KELTO_END_AVX2 _Pragma("clang attribute pop")
#elif KELTO_AVX2_LANES
#define KELTO_BEGIN_AVX2 _Pragma("GCC push_options") _Pragma("GCC target(\"avx2\")")
#define KELTO_END_AVX2 _Pragma("GCC pop_options")
#endif

namespace kelto {

// Whether this processor runs the AVX2 flavour.
inline bool Avx2LanesAvailable() {
#if KELTO_AVX2_LANES
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

namespace lanes_pair {

struct Mask8 {
    Mask4 lo, hi;
    friend Mask8 operator&(Mask8 a, Mask8 b) { return {a.lo & b.lo, a.hi & b.hi}; }
    int Bits() const { return lo.Bits() | hi.Bits() << 4; }
};

struct Float8 {
    Float4 lo, hi;

    static Float8 Load(const float* p) { return {Float4::Load(p), Float4::Load(p + 4)}; }
    static Float8 Splat(float f) { return {Float4::Splat(f), Float4::Splat(f)}; }
    void Store(float* p) const {
        lo.Store(p);
        hi.Store(p + 4);
    }
    friend Float8 operator+(Float8 a, Float8 b) { return {a.lo + b.lo, a.hi + b.hi}; }
    friend Float8 operator-(Float8 a, Float8 b) { return {a.lo - b.lo, a.hi - b.hi}; }
    friend Float8 operator*(Float8 a, Float8 b) { return {a.lo * b.lo, a.hi * b.hi}; }
    friend Float8 operator/(Float8 a, Float8 b) { return {a.lo / b.lo, a.hi / b.hi}; }
    friend Float8 operator-(Float8 a) { return {-a.lo, -a.hi}; }
    friend Mask8 operator<(Float8 a, Float8 b) { return {a.lo < b.lo, a.hi < b.hi}; }
    friend Mask8 operator<=(Float8 a, Float8 b) { return {a.lo <= b.lo, a.hi <= b.hi}; }
    friend Mask8 operator>(Float8 a, Float8 b) { return {a.lo > b.lo, a.hi > b.hi}; }
    friend Mask8 operator>=(Float8 a, Float8 b) { return {a.lo >= b.lo, a.hi >= b.hi}; }
};

inline Float8 Sqrt(Float8 a) {
    return {Sqrt(a.lo), Sqrt(a.hi)};
}
inline Float8 Abs(Float8 a) {
    return {Abs(a.lo), Abs(a.hi)};
}
// As std::max and std::min: the first argument wins when unordered.
inline Float8 Max(Float8 a, Float8 b) {
    return {Max(a.lo, b.lo), Max(a.hi, b.hi)};
}
inline Float8 Min(Float8 a, Float8 b) {
    return {Min(a.lo, b.lo), Min(a.hi, b.hi)};
}
// a and not b.
inline Mask8 AndNot(Mask8 a, Mask8 b) {
    return {AndNot(a.lo, b.lo), AndNot(a.hi, b.hi)};
}
inline Float8 Select(Mask8 m, Float8 a, Float8 b) {
    return {Select(m.lo, a.lo, b.lo), Select(m.hi, a.hi, b.hi)};
}
// Lanes whose 32-bit integer, masked by `bits`, equals `value`.
inline Mask8 IntegerEquals(const std::uint32_t* lanes, std::uint32_t bits, std::uint32_t value) {
    return {kelto::IntegerEquals(lanes, bits, value), kelto::IntegerEquals(lanes + 4, bits, value)};
}
// Bit i set when the top bit of 32-bit integer i is (`lanes` aligned to 32 bytes).
inline int TopBits(const std::uint32_t* lanes) {
    return kelto::TopBits(lanes) | kelto::TopBits(lanes + 4) << 4;
}

}  // namespace lanes_pair

#if KELTO_AVX2_LANES
KELTO_BEGIN_AVX2
namespace lanes_avx2 {

// (Free functions rather than members and friends: GCC compiles friends defined in a class
// without the surrounding target.)
struct Mask8 {
    __m256 v;
    int Bits() const;
};

struct Float8 {
    __m256 v;

    // `p` is aligned to 32 bytes.
    static Float8 Load(const float* p);
    static Float8 Splat(float f);
    void Store(float* p) const;
};

inline int Mask8::Bits() const {
    return _mm256_movemask_ps(v);
}
inline Float8 Float8::Load(const float* p) {
    return {_mm256_load_ps(p)};
}
inline Float8 Float8::Splat(float f) {
    return {_mm256_set1_ps(f)};
}
inline void Float8::Store(float* p) const {
    _mm256_store_ps(p, v);
}
inline Mask8 operator&(Mask8 a, Mask8 b) {
    return {_mm256_and_ps(a.v, b.v)};
}
inline Float8 operator+(Float8 a, Float8 b) {
    return {_mm256_add_ps(a.v, b.v)};
}
inline Float8 operator-(Float8 a, Float8 b) {
    return {_mm256_sub_ps(a.v, b.v)};
}
inline Float8 operator*(Float8 a, Float8 b) {
    return {_mm256_mul_ps(a.v, b.v)};
}
inline Float8 operator/(Float8 a, Float8 b) {
    return {_mm256_div_ps(a.v, b.v)};
}
inline Float8 operator-(Float8 a) {
    return {_mm256_xor_ps(a.v, _mm256_set1_ps(-0.0f))};
}
inline Mask8 operator<(Float8 a, Float8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_LT_OQ)};
}
inline Mask8 operator<=(Float8 a, Float8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_LE_OQ)};
}
inline Mask8 operator>(Float8 a, Float8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_GT_OQ)};
}
inline Mask8 operator>=(Float8 a, Float8 b) {
    return {_mm256_cmp_ps(a.v, b.v, _CMP_GE_OQ)};
}
inline Float8 Sqrt(Float8 a) {
    return {_mm256_sqrt_ps(a.v)};
}
inline Float8 Abs(Float8 a) {
    return {_mm256_andnot_ps(_mm256_set1_ps(-0.0f), a.v)};
}
inline Float8 Max(Float8 a, Float8 b) {
    return {_mm256_max_ps(b.v, a.v)};
}
inline Float8 Min(Float8 a, Float8 b) {
    return {_mm256_min_ps(b.v, a.v)};
}
inline Mask8 AndNot(Mask8 a, Mask8 b) {
    return {_mm256_andnot_ps(b.v, a.v)};
}
inline Float8 Select(Mask8 m, Float8 a, Float8 b) {
    return {_mm256_blendv_ps(b.v, a.v, m.v)};
}
inline int TopBits(const std::uint32_t* lanes) {
    return _mm256_movemask_ps(
        _mm256_castsi256_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(lanes))));
}
inline Mask8 IntegerEquals(const std::uint32_t* lanes, std::uint32_t bits, std::uint32_t value) {
    const __m256i x = _mm256_and_si256(_mm256_load_si256(reinterpret_cast<const __m256i*>(lanes)),
                                       _mm256_set1_epi32(static_cast<int>(bits)));
    return {_mm256_castsi256_ps(_mm256_cmpeq_epi32(x, _mm256_set1_epi32(static_cast<int>(value))))};
}

}  // namespace lanes_avx2
KELTO_END_AVX2
#endif

}  // namespace kelto
