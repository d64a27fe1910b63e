// Single-precision vector arithmetic for the tracer's triangles and rays.
#pragma once

#include <cmath>

#include "model/geometry.h"

namespace kelto {

inline Vec3f operator+(const Vec3f& a, const Vec3f& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3f operator-(const Vec3f& a, const Vec3f& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3f operator-(const Vec3f& a) {
    return {-a.x, -a.y, -a.z};
}
inline Vec3f operator*(const Vec3f& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vec3f operator*(float s, const Vec3f& a) {
    return a * s;
}
inline float Dot(const Vec3f& a, const Vec3f& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3f Cross(const Vec3f& a, const Vec3f& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float Length(const Vec3f& a) {
    return std::sqrt(Dot(a, a));
}
// Divides by the length; a zero vector stays zero.
inline Vec3f Normalised(const Vec3f& a) {
    const float length = Length(a);
    return length > 0.0f ? a * (1.0f / length) : a;
}
inline float Component(const Vec3f& a, int axis) {
    return axis == 0 ? a.x : axis == 1 ? a.y : a.z;
}
inline Vec3f ToFloat(const Vec3& v) {
    return {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
}

}  // namespace kelto
