#include "gltf_geometry.h"

#include <algorithm>
#include <cmath>

namespace kelto {
namespace {

Vec3 ToVec3(const Vec3f& v) {
    return {v.x, v.y, v.z};
}

Vec3f Normalised(Vec3f v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 1e-20f) || !std::isfinite(length)) {
        return {};
    }
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

Quaternion QuaternionOf(const std::array<std::array<double, 3>, 3>& a) {
    Quaternion q;
    const double trace = a[0][0] + a[1][1] + a[2][2];
    if (trace > 0.0) {
        const double s = 0.5 / std::sqrt(trace + 1.0);
        q = {(a[2][1] - a[1][2]) * s, (a[0][2] - a[2][0]) * s, (a[1][0] - a[0][1]) * s, 0.25 / s};
    } else if (a[0][0] > a[1][1] && a[0][0] > a[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + a[0][0] - a[1][1] - a[2][2]);
        q = {0.25 * s, (a[0][1] + a[1][0]) / s, (a[0][2] + a[2][0]) / s, (a[2][1] - a[1][2]) / s};
    } else if (a[1][1] > a[2][2]) {
        const double s = 2.0 * std::sqrt(1.0 + a[1][1] - a[0][0] - a[2][2]);
        q = {(a[0][1] + a[1][0]) / s, 0.25 * s, (a[1][2] + a[2][1]) / s, (a[0][2] - a[2][0]) / s};
    } else {
        const double s = 2.0 * std::sqrt(1.0 + a[2][2] - a[0][0] - a[1][1]);
        q = {(a[0][2] + a[2][0]) / s, (a[1][2] + a[2][1]) / s, 0.25 * s, (a[1][0] - a[0][1]) / s};
    }
    const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {0, 0, 0, 1};
    }
    for (double& c : q) {
        c /= length;
    }
    return q;
}

std::optional<Trs> Decompose(const Matrix4& m) {
    if (m[3] != 0.0 || m[7] != 0.0 || m[11] != 0.0 || m[15] != 1.0) {
        return std::nullopt;
    }
    Trs trs;
    trs.translation = {m[12], m[13], m[14]};
    std::array<std::array<double, 3>, 3> rows{};
    std::array<double, 3> scale{};
    for (int r = 0; r < 3; ++r) {
        const Vec3 row{m[4 * r], m[4 * r + 1], m[4 * r + 2]};
        scale[static_cast<std::size_t>(r)] = row.Length();
        if (!(scale[static_cast<std::size_t>(r)] > 1e-12) ||
            !std::isfinite(scale[static_cast<std::size_t>(r)])) {
            return std::nullopt;
        }
        const Vec3 unit = row * (1.0 / scale[static_cast<std::size_t>(r)]);
        rows[static_cast<std::size_t>(r)] = {unit.x, unit.y, unit.z};
    }
    const Vec3 r0{rows[0][0], rows[0][1], rows[0][2]}, r1{rows[1][0], rows[1][1], rows[1][2]},
        r2{rows[2][0], rows[2][1], rows[2][2]};
    if (std::abs(Dot(r0, r1)) > 1e-5 || std::abs(Dot(r1, r2)) > 1e-5 ||
        std::abs(Dot(r0, r2)) > 1e-5) {
        return std::nullopt;
    }
    if (Dot(Cross(r0, r1), r2) < 0.0) {  // a mirroring placement: the mirror goes in the scale
        scale[0] = -scale[0];
        rows[0] = {-rows[0][0], -rows[0][1], -rows[0][2]};
    }
    // Column vectors: the rotation is the transpose of the rows.
    std::array<std::array<double, 3>, 3> a{};
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 3; ++j) {
            a[i][j] = rows[j][i];
        }
    }
    trs.rotation = QuaternionOf(a);
    trs.scale = {scale[0], scale[1], scale[2]};
    return trs;
}

Quaternion FrameRotation(const Vec3& x, const Vec3& y, const Vec3& z) {
    return QuaternionOf({{{x.x, y.x, z.x}, {x.y, y.y, z.y}, {x.z, y.z, z.z}}});
}

std::vector<std::uint32_t> UsableIndices(const Mesh& mesh) {
    std::vector<std::uint32_t> indices;
    indices.reserve(mesh.indices.size());
    const std::size_t count = mesh.vertices.size();
    for (std::size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        const std::uint32_t a = mesh.indices[i], b = mesh.indices[i + 1], c = mesh.indices[i + 2];
        if (a < count && b < count && c < count && a != b && b != c && a != c) {
            indices.insert(indices.end(), {a, b, c});
        }
    }
    return indices;
}

std::vector<Vec3f> UnitNormals(const Mesh& mesh, const std::vector<std::uint32_t>& indices) {
    std::vector<Vec3f> normals(mesh.vertices.size());
    bool missing = false;
    for (std::size_t i = 0; i < normals.size(); ++i) {
        normals[i] = Normalised(mesh.vertices[i].Normal());
        missing = missing || normals[i] == Vec3f{};
    }
    if (!missing) {
        return normals;
    }
    std::vector<Vec3f> sums(mesh.vertices.size());
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        const Vec3f p = mesh.vertices[indices[i]].Position();
        const Vec3f q = mesh.vertices[indices[i + 1]].Position();
        const Vec3f r = mesh.vertices[indices[i + 2]].Position();
        const Vec3f u{q.x - p.x, q.y - p.y, q.z - p.z}, v{r.x - p.x, r.y - p.y, r.z - p.z};
        const Vec3f n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        for (std::size_t k = i; k < i + 3; ++k) {
            Vec3f& s = sums[indices[k]];
            s = {s.x + n.x, s.y + n.y, s.z + n.z};
        }
    }
    for (std::size_t i = 0; i < normals.size(); ++i) {
        if (normals[i] == Vec3f{}) {
            normals[i] = Normalised(sums[i]);
            if (normals[i] == Vec3f{}) {
                normals[i] = {0.0f, 1.0f, 0.0f};
            }
        }
    }
    return normals;
}

std::vector<std::array<float, 4>> Tangents(const Mesh& mesh,
                                           const std::vector<std::uint32_t>& indices,
                                           const std::vector<Vec3f>& normals) {
    std::vector<Vec3> along_s(mesh.vertices.size()), along_t(mesh.vertices.size());
    for (std::size_t i = 0; i < indices.size(); i += 3) {
        const DisplayVertex& a = mesh.vertices[indices[i]];
        const DisplayVertex& b = mesh.vertices[indices[i + 1]];
        const DisplayVertex& c = mesh.vertices[indices[i + 2]];
        const Vec3 e1 = ToVec3(b.Position()) - ToVec3(a.Position());
        const Vec3 e2 = ToVec3(c.Position()) - ToVec3(a.Position());
        const double s1 = b.s - a.s, t1 = b.t - a.t, s2 = c.s - a.s, t2 = c.t - a.t;
        const double area = s1 * t2 - s2 * t1;
        if (!(std::abs(area) > 1e-20) || !std::isfinite(area)) {
            continue;
        }
        const Vec3 ds = (e1 * t2 - e2 * t1) * (1.0 / area);
        const Vec3 dt = (e2 * s1 - e1 * s2) * (1.0 / area);
        for (std::size_t k = i; k < i + 3; ++k) {
            along_s[indices[k]] = along_s[indices[k]] + ds;
            along_t[indices[k]] = along_t[indices[k]] + dt;
        }
    }
    std::vector<std::array<float, 4>> tangents(mesh.vertices.size());
    for (std::size_t i = 0; i < tangents.size(); ++i) {
        const Vec3 n = ToVec3(normals[i]);
        Vec3 t = along_s[i] - n * Dot(n, along_s[i]);
        if (!(t.Length() > 1e-12) || !std::isfinite(t.Length())) {
            // No direction of s here: any direction square to the normal.
            t = Cross(n, std::abs(n.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
        }
        t = t * (1.0 / t.Length());
        const float side = Dot(Cross(n, t), along_t[i]) < 0.0 ? -1.0f : 1.0f;
        tangents[i] = {static_cast<float>(t.x), static_cast<float>(t.y), static_cast<float>(t.z),
                       side};
    }
    return tangents;
}

}  // namespace kelto
