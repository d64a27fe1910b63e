#include <cmath>

#include "geometry.h"

namespace kelto {

void Matrix4::SetIdentity() {
    m.fill(0.0);
    m[0] = m[5] = m[10] = m[15] = 1.0;
}

void Matrix4::Translate(const Vec3& t) {
    for (int j = 0; j < 4; ++j) {
        m[12 + j] += t.x * m[j] + t.y * m[4 + j] + t.z * m[8 + j];
    }
}

void Matrix4::Rotate(double degrees, Vec3 axis) {
    axis.Normalise();
    const double angle = degrees * kDegreesToRadians;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double t = 1.0 - c;
    const double x = axis.x, y = axis.y, z = axis.z;

    // The axis-angle matrix for column vectors, transposed so that it acts on row vectors.
    Matrix4 r;
    r[0] = t * x * x + c;
    r[1] = t * x * y + s * z;
    r[2] = t * x * z - s * y;
    r[4] = t * x * y - s * z;
    r[5] = t * y * y + c;
    r[6] = t * y * z + s * x;
    r[8] = t * x * z + s * y;
    r[9] = t * y * z - s * x;
    r[10] = t * z * z + c;
    Multiply(r);
}

void Matrix4::RotateAboutAxes(const Vec3& degrees) {
    if (degrees.x != 0.0)
        Rotate(degrees.x, {1, 0, 0});
    if (degrees.y != 0.0)
        Rotate(degrees.y, {0, 1, 0});
    if (degrees.z != 0.0)
        Rotate(degrees.z, {0, 0, 1});
}

void Matrix4::Multiply(const Matrix4& a) {
    std::array<double, 16> product{};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[4 * r + k] * m[4 * k + c];
            }
            product[4 * r + c] = sum;
        }
    }
    m = product;
}

void Matrix4::Scale(const Vec3& s) {
    const double factors[3] = {s.x, s.y, s.z};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 4; ++c) {
            m[4 * r + c] *= factors[r];
        }
    }
}

Vec3f Matrix4::TransformPoint(const Vec3f& p) const {
    const double x = p.x, y = p.y, z = p.z;
    const double w = x * m[3] + y * m[7] + z * m[11] + m[15];
    return {static_cast<float>((x * m[0] + y * m[4] + z * m[8] + m[12]) / w),
            static_cast<float>((x * m[1] + y * m[5] + z * m[9] + m[13]) / w),
            static_cast<float>((x * m[2] + y * m[6] + z * m[10] + m[14]) / w)};
}

NormalTransform NormalTransform::Of(const Matrix4& placement) {
    double a[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            a[r][c] = placement[4 * r + c];
        }
    }
    // The cofactor matrix is the determinant times the inverse transpose.
    NormalTransform t;
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            const int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            t.m_[r][c] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
        }
    }
    const double det = a[0][0] * t.m_[0][0] + a[0][1] * t.m_[0][1] + a[0][2] * t.m_[0][2];
    if (det < 0) {
        for (auto& row : t.m_) {
            for (double& v : row)
                v = -v;
        }
    }
    return t;
}

Vec3 NormalTransform::Apply(double x, double y, double z) const {
    return {x * m_[0][0] + y * m_[1][0] + z * m_[2][0], x * m_[0][1] + y * m_[1][1] + z * m_[2][1],
            x * m_[0][2] + y * m_[1][2] + z * m_[2][2]};
}

}  // namespace kelto
