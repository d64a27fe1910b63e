// Geometry value types: double and float vectors, homogeneous control points and
// the 4x4 transform matrix that nodes, lights and cameras compose their placement from.
#pragma once

#include <array>
#include <cmath>

namespace kelto {

// Degrees to radians with the exact factor the model has always used.
inline constexpr double kDegreesToRadians = 3.141592653589793 * 0.005555555555555556;

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    constexpr Vec3() = default;
    constexpr Vec3(double x_, double y_, double z_) : x(x_), y(y_), z(z_) {}

    // Divides by the Euclidean length. A zero vector is not guarded (it becomes NaN),
    // exactly like every caller has always expected.
    void Normalise() {
        const double length = std::sqrt(x * x + y * y + z * z);
        x /= length;
        y /= length;
        z /= length;
    }
    double Length() const { return std::sqrt(x * x + y * y + z * z); }

    friend constexpr Vec3 operator+(const Vec3& a, const Vec3& b) {
        return {a.x + b.x, a.y + b.y, a.z + b.z};
    }
    friend constexpr Vec3 operator-(const Vec3& a, const Vec3& b) {
        return {a.x - b.x, a.y - b.y, a.z - b.z};
    }
    friend constexpr Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
    friend constexpr Vec3 operator*(double s, const Vec3& a) { return a * s; }
    friend constexpr bool operator==(const Vec3&, const Vec3&) = default;
};

constexpr double Dot(const Vec3& a, const Vec3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

struct Vec3f {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    constexpr Vec3f() = default;
    constexpr Vec3f(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}
    friend constexpr bool operator==(const Vec3f&, const Vec3f&) = default;
};

// A homogeneous (rational) control point. x, y and z are the weighted coordinates,
// that is the Euclidean point multiplied by the weight w.
struct Point4 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
    double w = 1.0;

    constexpr Point4() = default;
    constexpr Point4(double x_, double y_, double z_, double w_) : x(x_), y(y_), z(z_), w(w_) {}

    // The control point with Euclidean position p and weight w.
    static constexpr Point4 Weighted(const Vec3& p, double w) {
        return {p.x * w, p.y * w, p.z * w, w};
    }
    Vec3 Euclidean() const { return {x / w, y / w, z / w}; }
    friend constexpr bool operator==(const Point4&, const Point4&) = default;
};

// Sixteen doubles in OpenGL's array order: element 4*r + c is row r, column c, points are
// row vectors multiplied on the left (p' = p * M) and the translation sits in elements 12..14.
// Every composing operation pre-multiplies (M <- X * M), so the operation added last acts
// first on a point, just as OpenGL's matrix calls do.
class Matrix4 {
  public:
    std::array<double, 16> m{};

    Matrix4() { SetIdentity(); }

    void SetIdentity();
    void Translate(const Vec3& t);
    void Rotate(double degrees, Vec3 axis);
    void Multiply(const Matrix4& a);  // M <- A * M: A acts first.
    void Scale(const Vec3& s);
    Vec3f TransformPoint(const Vec3f& p) const;

    // Turns by each of the angles (degrees) about the x, y and z axes, in that order, skipping
    // angles that are zero of either sign.
    void RotateAboutAxes(const Vec3& degrees);

    double& operator[](int i) { return m[static_cast<std::size_t>(i)]; }
    double operator[](int i) const { return m[static_cast<std::size_t>(i)]; }
    friend bool operator==(const Matrix4&, const Matrix4&) = default;
};

// How normals follow a placement: the inverse transpose of its 3x3 part (up to scale), so
// that they stay perpendicular to their surface under non-uniform scale, and keep their side
// under a mirroring placement.
class NormalTransform {
  public:
    static NormalTransform Of(const Matrix4& placement);
    // The transformed normal, not yet normalised.
    Vec3 Apply(double x, double y, double z) const;

  private:
    double m_[3][3] = {};  // row-vector convention: n' = n * m
};

}  // namespace kelto
