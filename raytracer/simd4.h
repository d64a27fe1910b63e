// Four floats side by side, for testing a ray against four boxes or four triangles at once.
// Every operation is the IEEE single-precision operation lane by lane (no fused multiply-add,
// no approximations), so a lane gives exactly the bits the same scalar expression gives. SSE2
// is part of every x86-64 processor; other processors get a plain four-element fallback.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelto {

#if defined(__SSE2__)

struct Float4 {
    __m128 v;

    static Float4 Load(const float* p) { return {_mm_load_ps(p)}; }
    static Float4 LoadUnaligned(const float* p) { return {_mm_loadu_ps(p)}; }
    static Float4 Splat(float f) { return {_mm_set1_ps(f)}; }
    void Store(float* p) const { _mm_store_ps(p, v); }

    friend Float4 operator+(Float4 a, Float4 b) { return {_mm_add_ps(a.v, b.v)}; }
    friend Float4 operator-(Float4 a, Float4 b) { return {_mm_sub_ps(a.v, b.v)}; }
    friend Float4 operator*(Float4 a, Float4 b) { return {_mm_mul_ps(a.v, b.v)}; }
    friend Float4 operator/(Float4 a, Float4 b) { return {_mm_div_ps(a.v, b.v)}; }
    friend Float4 operator-(Float4 a) { return {_mm_xor_ps(a.v, _mm_set1_ps(-0.0f))}; }
};

// A lane mask: all bits set where a comparison held.
struct Mask4 {
    __m128 v;
    friend Mask4 operator&(Mask4 a, Mask4 b) { return {_mm_and_ps(a.v, b.v)}; }
    friend Mask4 operator|(Mask4 a, Mask4 b) { return {_mm_or_ps(a.v, b.v)}; }
    // Bit i set when lane i holds.
    int Bits() const { return _mm_movemask_ps(v); }
};

inline Float4 Sqrt(Float4 a) {
    return {_mm_sqrt_ps(a.v)};
}
inline Float4 Abs(Float4 a) {
    return {_mm_andnot_ps(_mm_set1_ps(-0.0f), a.v)};
}
// Lane-wise a < b ? b : a, as std::max does (the first argument wins when unordered).
inline Float4 Max(Float4 a, Float4 b) {
    return {_mm_max_ps(b.v, a.v)};
}
// Lane-wise b < a ? b : a, as std::min does.
inline Float4 Min(Float4 a, Float4 b) {
    return {_mm_min_ps(b.v, a.v)};
}
inline Mask4 operator<(Float4 a, Float4 b) {
    return {_mm_cmplt_ps(a.v, b.v)};
}
inline Mask4 operator<=(Float4 a, Float4 b) {
    return {_mm_cmple_ps(a.v, b.v)};
}
inline Mask4 operator>(Float4 a, Float4 b) {
    return {_mm_cmpgt_ps(a.v, b.v)};
}
inline Mask4 operator>=(Float4 a, Float4 b) {
    return {_mm_cmpge_ps(a.v, b.v)};
}
// a and not b.
inline Mask4 AndNot(Mask4 a, Mask4 b) {
    return {_mm_andnot_ps(b.v, a.v)};
}
inline Float4 Select(Mask4 m, Float4 a, Float4 b) {
    return {_mm_or_ps(_mm_and_ps(m.v, a.v), _mm_andnot_ps(m.v, b.v))};
}
// Lanes whose 32-bit integer, masked by `bits`, equals `value`.
inline Mask4 IntegerEquals(const std::uint32_t* lanes, std::uint32_t bits, std::uint32_t value) {
    const __m128i x = _mm_and_si128(_mm_load_si128(reinterpret_cast<const __m128i*>(lanes)),
                                    _mm_set1_epi32(static_cast<int>(bits)));
    return {_mm_castsi128_ps(_mm_cmpeq_epi32(x, _mm_set1_epi32(static_cast<int>(value))))};
}
// Bit i set when the top bit of 32-bit integer i is (`lanes` aligned to 16 bytes).
inline int TopBits(const std::uint32_t* lanes) {
    return _mm_movemask_ps(
        _mm_castsi128_ps(_mm_load_si128(reinterpret_cast<const __m128i*>(lanes))));
}

#else

struct Float4 {
    float v[4];

    static Float4 Load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static Float4 LoadUnaligned(const float* p) { return Load(p); }
    static Float4 Splat(float f) { return {{f, f, f, f}}; }
    void Store(float* p) const { std::memcpy(p, v, sizeof v); }

    template <typename F>
    static Float4 Map(Float4 a, Float4 b, F f) {
        return {{f(a.v[0], b.v[0]), f(a.v[1], b.v[1]), f(a.v[2], b.v[2]), f(a.v[3], b.v[3])}};
    }
    friend Float4 operator+(Float4 a, Float4 b) {
        return Map(a, b, [](float x, float y) { return x + y; });
    }
    friend Float4 operator-(Float4 a, Float4 b) {
        return Map(a, b, [](float x, float y) { return x - y; });
    }
    friend Float4 operator*(Float4 a, Float4 b) {
        return Map(a, b, [](float x, float y) { return x * y; });
    }
    friend Float4 operator/(Float4 a, Float4 b) {
        return Map(a, b, [](float x, float y) { return x / y; });
    }
    friend Float4 operator-(Float4 a) { return {{-a.v[0], -a.v[1], -a.v[2], -a.v[3]}}; }
};

struct Mask4 {
    bool v[4];
    friend Mask4 operator&(Mask4 a, Mask4 b) {
        return {{a.v[0] && b.v[0], a.v[1] && b.v[1], a.v[2] && b.v[2], a.v[3] && b.v[3]}};
    }
    friend Mask4 operator|(Mask4 a, Mask4 b) {
        return {{a.v[0] || b.v[0], a.v[1] || b.v[1], a.v[2] || b.v[2], a.v[3] || b.v[3]}};
    }
    int Bits() const { return (v[0] ? 1 : 0) | (v[1] ? 2 : 0) | (v[2] ? 4 : 0) | (v[3] ? 8 : 0); }
};

template <typename F>
Mask4 Compare(Float4 a, Float4 b, F f) {
    return {{f(a.v[0], b.v[0]), f(a.v[1], b.v[1]), f(a.v[2], b.v[2]), f(a.v[3], b.v[3])}};
}
inline Float4 Sqrt(Float4 a) {
    return {{std::sqrt(a.v[0]), std::sqrt(a.v[1]), std::sqrt(a.v[2]), std::sqrt(a.v[3])}};
}
inline Float4 Abs(Float4 a) {
    return {{std::fabs(a.v[0]), std::fabs(a.v[1]), std::fabs(a.v[2]), std::fabs(a.v[3])}};
}
inline Float4 Max(Float4 a, Float4 b) {
    return Float4::Map(a, b, [](float x, float y) { return x < y ? y : x; });
}
inline Float4 Min(Float4 a, Float4 b) {
    return Float4::Map(a, b, [](float x, float y) { return y < x ? y : x; });
}
inline Mask4 operator<(Float4 a, Float4 b) {
    return Compare(a, b, [](float x, float y) { return x < y; });
}
inline Mask4 operator<=(Float4 a, Float4 b) {
    return Compare(a, b, [](float x, float y) { return x <= y; });
}
inline Mask4 operator>(Float4 a, Float4 b) {
    return Compare(a, b, [](float x, float y) { return x > y; });
}
inline Mask4 operator>=(Float4 a, Float4 b) {
    return Compare(a, b, [](float x, float y) { return x >= y; });
}
inline Mask4 AndNot(Mask4 a, Mask4 b) {
    return {{a.v[0] && !b.v[0], a.v[1] && !b.v[1], a.v[2] && !b.v[2], a.v[3] && !b.v[3]}};
}
inline Float4 Select(Mask4 m, Float4 a, Float4 b) {
    return {{m.v[0] ? a.v[0] : b.v[0], m.v[1] ? a.v[1] : b.v[1], m.v[2] ? a.v[2] : b.v[2],
             m.v[3] ? a.v[3] : b.v[3]}};
}
inline int TopBits(const std::uint32_t* lanes) {
    return static_cast<int>(lanes[0] >> 31 | (lanes[1] >> 31) << 1 | (lanes[2] >> 31) << 2 |
                            (lanes[3] >> 31) << 3);
}
inline Mask4 IntegerEquals(const std::uint32_t* lanes, std::uint32_t bits, std::uint32_t value) {
    return {{(lanes[0] & bits) == value, (lanes[1] & bits) == value, (lanes[2] & bits) == value,
             (lanes[3] & bits) == value}};
}

#endif

}  // namespace kelto
