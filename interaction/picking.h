// What lies under a point of a modelling view: the scene's objects (their picking meshes), the
// selection's handles or rotation rings, and the light icons, tested against the ray through
// the point. Everything hit is collected with its distance along the ray; the nearest wins.
#pragma once

#include <optional>

#include "model/scene.h"
#include "view_renderer.h"

namespace kelto {

struct PickOptions {
    // The rotate tool: the rings of the one selected object are tested instead of handles.
    bool rings = false;
};

struct PickHit {
    enum class Kind { NodeBody, NodeHandle, NodeRing, LightBody, LightHandle, LightRing };
    Kind kind = Kind::NodeBody;
    double distance = 0.0;  // along the ray, in world units
    NodeId node;            // the top-level object hit (or whose handle or ring was hit)
    LightId light;
    int code = -1;  // handle code 0..31, or ring code 32..34
    // A ring hit: the middle of the hit band's quadrilateral, and the ring's centre line from
    // the hit station to the next one (the way the ring turns for a positive angle), in the
    // world.
    Vec3 grab_point;
    Vec3 segment_start;
    Vec3 segment_end;

    bool IsNode() const {
        return kind == Kind::NodeBody || kind == Kind::NodeHandle || kind == Kind::NodeRing;
    }
};

// The nearest thing the ray meets. Each top-level object is tested against its box first,
// then exactly against the triangles of its render mesh (a text object's display mesh, a
// group's or a Trim object's members; any object without a render mesh by its display mesh).
// Hidden objects are not picked. Selected objects' handles (or, with `options.rings` and
// exactly one thing selected, its rings) and every light icon's box, with a selected light's
// handles or rings, are tested too.
std::optional<PickHit> Pick(const Scene& scene, const PickRay& ray, const PickOptions& options);

// --- the geometry underneath (world units, doubles) ---

// A point of a matrix's frame in its parent's coordinates.
Vec3 TransformPoint(const Matrix4& m, const Vec3& p);
// The matrix undoing an affine placement; false when the placement flattens space (a scale of
// zero), and `inverse` is then untouched.
bool InvertAffine(const Matrix4& m, Matrix4& inverse);
// Both faces of the triangle count; the distance t >= 0 along the ray (in units of its
// direction's length).
std::optional<double> RayHitsTriangle(const PickRay& ray, const Vec3& a, const Vec3& b,
                                      const Vec3& c);
// The ray against the six faces of a box placed by `frame` (as quadrilaterals in the world).
std::optional<double> RayHitsPlacedBox(const PickRay& ray, const BoundingBox& box,
                                       const Matrix4& frame);

}  // namespace kelto
