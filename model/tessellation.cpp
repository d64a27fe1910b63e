#include "tessellation.h"

#include <cmath>
#include <vector>

#include "mesh_welder.h"

namespace kelto {
namespace {

struct Sample {
    Vec3 position;
    Vec3 normal;
    double normal_length = 0.0;  // 0 marks a sample without a valid normal
    double u = 0.0;
    double v = 0.0;
};

Sample SampleAt(const SurfaceEvaluator& surface, double u, double v) {
    const SurfacePoint point = surface.Evaluate(u, v);
    Sample sample;
    sample.position = point.point;
    sample.u = u;
    sample.v = v;
    const Vec3 n = Cross(point.du, point.dv);
    const double length = n.Length();
    if (length != 0.0) {
        sample.normal = n * (1.0 / length);
        sample.normal_length = length;
    }
    return sample;
}

// Newell's normal of a polygon, here a triangle.
Vec3 NewellNormal(const Sample* const corners[3]) {
    Vec3 n;
    for (int i = 0; i < 3; ++i) {
        const Vec3& a = corners[i]->position;
        const Vec3& b = corners[(i + 1) % 3]->position;
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Gives the corners without a normal the normal of the first corner, in the given order, that
// has one; when none has, all three get the triangle's Newell normal (if it is not zero).
// The samples are changed in the grid, so later cells see the repaired normals.
void RepairNormals(Sample* a, Sample* b, Sample* c) {
    Sample* const corners[3] = {a, b, c};
    for (const Sample* donor : corners) {
        if (donor->normal_length > 0.0) {
            for (Sample* corner : corners) {
                if (corner->normal_length == 0.0) {
                    corner->normal = donor->normal;
                    corner->normal_length = donor->normal_length;
                }
            }
            return;
        }
    }
    const Sample* const constant_corners[3] = {a, b, c};
    const Vec3 n = NewellNormal(constant_corners);
    const double length = n.Length();
    if (length != 0.0) {
        for (Sample* corner : corners) {
            corner->normal = n * (1.0 / length);
            corner->normal_length = 1.0;
        }
    }
}

DisplayVertex ToDisplayVertex(const Sample& s) {
    DisplayVertex v;
    v.x = static_cast<float>(s.position.x);
    v.y = static_cast<float>(s.position.y);
    v.z = static_cast<float>(s.position.z);
    v.nx = static_cast<float>(s.normal.x);
    v.ny = static_cast<float>(s.normal.y);
    v.nz = static_cast<float>(s.normal.z);
    v.normal_valid = s.normal_length > 0.0 ? 1.0f : 0.0f;
    v.s = static_cast<float>(s.u);
    v.t = static_cast<float>(s.v);
    return v;
}

bool SamePosition(const DisplayVertex& a, const DisplayVertex& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Emits one triangle through the welder unless two of its corners coincide.
bool EmitTriangle(MeshWelder& welder, const Sample& a, const Sample& b, const Sample& c) {
    const DisplayVertex corners[3] = {ToDisplayVertex(a), ToDisplayVertex(b), ToDisplayVertex(c)};
    if (SamePosition(corners[0], corners[1]) || SamePosition(corners[1], corners[2]) ||
        SamePosition(corners[0], corners[2])) {
        return true;
    }
    return welder.Add(corners[0]) && welder.Add(corners[1]) && welder.Add(corners[2]);
}

}  // namespace

bool TessellateSurface(const SurfaceEvaluator& surface, int steps, Mesh& out) {
    out.Clear();
    if (!surface.Valid() || steps < 1 || steps > kMaxTessellationSteps) {
        return false;
    }
    const int n = steps;
    const ParameterRange range_u = surface.RangeU();
    const ParameterRange range_v = surface.RangeV();

    std::vector<Sample> grid;
    grid.reserve(static_cast<std::size_t>((n + 1) * (n + 1)));
    for (int i = 0; i <= n; ++i) {
        const double u = range_u.At(i, n);
        for (int j = 0; j <= n; ++j) {
            grid.push_back(SampleAt(surface, u, range_v.At(j, n)));
        }
    }
    auto at = [&](int i, int j) -> Sample& {
        return grid[static_cast<std::size_t>(i * (n + 1) + j)];
    };

    MeshWelder welder(out);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Sample& a = at(i, j);
            Sample& b = at(i, j + 1);
            Sample& c = at(i + 1, j);
            Sample& d = at(i + 1, j + 1);
            const bool a_has = a.normal_length > 0.0;
            const bool c_has = c.normal_length > 0.0;
            const bool d_has = d.normal_length > 0.0;
            if (!a_has || !c_has || !d_has) {
                RepairNormals(&a, &d, &c);
            } else if (b.normal_length == 0.0) {
                RepairNormals(&a, &b, &d);
            }
            if (!EmitTriangle(welder, a, c, d) || !EmitTriangle(welder, a, d, b)) {
                out.Clear();
                return false;
            }
        }
    }
    return true;
}

}  // namespace kelto
