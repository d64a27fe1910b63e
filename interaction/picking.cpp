#include "picking.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "decorations.h"
#include "model/child_list.h"
#include "model/placement_walk.h"

namespace kelto {
namespace {

Vec3 ToVec3(const Vec3f& p) {
    return {p.x, p.y, p.z};
}

// The linear part of a matrix acting on a direction.
Vec3 TransformDirection(const Matrix4& m, const Vec3& d) {
    return {d.x * m[0] + d.y * m[4] + d.z * m[8], d.x * m[1] + d.y * m[5] + d.z * m[9],
            d.x * m[2] + d.y * m[6] + d.z * m[10]};
}

// Keeps the nearest hit.
struct Nearest {
    std::optional<PickHit> best;
    void Offer(const PickHit& hit) {
        if (!best || hit.distance < best->distance) {
            best = hit;
        }
    }
};

const Mesh& PickingMesh(const SceneNode& node) {
    if (node.type == ObjectType::Text || node.render_mesh.indices.empty()) {
        return node.display_mesh;
    }
    return node.render_mesh;
}

// The nearest triangle of a mesh placed by `world_from_mesh`, in units of the ray's direction.
std::optional<double> RayHitsMesh(const PickRay& ray, const Mesh& mesh,
                                  const Matrix4& world_from_mesh) {
    const std::size_t vertex_count = mesh.vertices.size();
    const std::size_t index_count = mesh.indices.size() / 3 * 3;
    if (vertex_count == 0 || index_count == 0) {
        return std::nullopt;
    }
    std::optional<double> nearest;
    auto offer = [&nearest](std::optional<double> t) {
        if (t && (!nearest || *t < *nearest)) {
            nearest = t;
        }
    };
    Matrix4 mesh_from_world;
    if (InvertAffine(world_from_mesh, mesh_from_world)) {
        // The ray goes into the mesh's own coordinates; its parameter stays the world's.
        const PickRay local{TransformPoint(mesh_from_world, ray.origin),
                            TransformDirection(mesh_from_world, ray.direction)};
        for (std::size_t i = 0; i < index_count; i += 3) {
            const std::uint16_t a = mesh.indices[i];
            const std::uint16_t b = mesh.indices[i + 1];
            const std::uint16_t c = mesh.indices[i + 2];
            if (a >= vertex_count || b >= vertex_count || c >= vertex_count) {
                continue;
            }
            const DisplayVertex& va = mesh.vertices[a];
            const DisplayVertex& vb = mesh.vertices[b];
            const DisplayVertex& vc = mesh.vertices[c];
            offer(
                RayHitsTriangle(local, {va.x, va.y, va.z}, {vb.x, vb.y, vb.z}, {vc.x, vc.y, vc.z}));
        }
        return nearest;
    }
    // A placement that flattens the mesh: its triangles in the world, as they are drawn.
    std::vector<Vec3> world(vertex_count);
    for (std::size_t v = 0; v < vertex_count; ++v) {
        const DisplayVertex& p = mesh.vertices[v];
        world[v] = TransformPoint(world_from_mesh, {p.x, p.y, p.z});
    }
    for (std::size_t i = 0; i < index_count; i += 3) {
        const std::uint16_t a = mesh.indices[i];
        const std::uint16_t b = mesh.indices[i + 1];
        const std::uint16_t c = mesh.indices[i + 2];
        if (a < vertex_count && b < vertex_count && c < vertex_count) {
            offer(RayHitsTriangle(ray, world[a], world[b], world[c]));
        }
    }
    return nearest;
}

// A top-level object's meshes: a node with members is its members, as it is drawn.
std::optional<double> RayHitsNodeTree(const PickRay& ray, const SceneNode& top) {
    std::optional<double> nearest;
    ForEachLeaf(top, top.parent_from_node, LeafRule::Childless, [&](const Placement& placed) {
        const std::optional<double> t =
            RayHitsMesh(ray, PickingMesh(placed.node), placed.world_from_node);
        if (t && (!nearest || *t < *nearest)) {
            nearest = t;
        }
    });
    return nearest;
}

// The nearest and farthest distances at which the ray meets the faces of a box placed by
// `frame` (as quadrilaterals in the world).
struct FaceHits {
    double nearest;
    double farthest;
};

std::optional<FaceHits> BoxFaceHits(const PickRay& ray, const BoundingBox& box,
                                    const Matrix4& frame) {
    if (box.IsEmpty()) {
        return std::nullopt;
    }
    const std::array<Vec3f, 8> local = BoxCorners(box);
    std::array<Vec3, 8> c;
    for (std::size_t i = 0; i < c.size(); ++i) {
        c[i] = TransformPoint(frame, ToVec3(local[i]));
    }
    static constexpr int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 1, 5, 6},
                                         {2, 3, 7, 4}, {0, 3, 7, 6}, {1, 2, 4, 5}};
    std::optional<FaceHits> hits;
    for (const auto& f : kFaces) {
        const Vec3& a = c[static_cast<std::size_t>(f[0])];
        const Vec3& b = c[static_cast<std::size_t>(f[1])];
        const Vec3& cc = c[static_cast<std::size_t>(f[2])];
        const Vec3& d = c[static_cast<std::size_t>(f[3])];
        for (const std::optional<double> t :
             {RayHitsTriangle(ray, a, b, cc), RayHitsTriangle(ray, a, cc, d)}) {
            if (!t) {
                continue;
            }
            if (!hits) {
                hits = FaceHits{*t, *t};
            }
            hits->nearest = std::min(hits->nearest, *t);
            hits->farthest = std::max(hits->farthest, *t);
        }
    }
    return hits;
}

// No point of the box lies nearer along the ray than this; nothing when the ray misses it.
std::optional<double> BoxEntryBound(const PickRay& ray, const BoundingBox& box,
                                    const Matrix4& frame) {
    const std::optional<FaceHits> hits = BoxFaceHits(ray, box, frame);
    if (!hits) {
        return std::nullopt;
    }
    // Met at one distance only: the ray starts inside (it only leaves), or the box is flat.
    return hits->farthest > hits->nearest ? hits->nearest : 0.0;
}

void OfferHandles(const PickRay& ray, double scale, const BoundingBox& box, const Matrix4& frame,
                  PickHit hit, Nearest& nearest) {
    for (int code = 0; code < kHandleCount; ++code) {
        if (const std::optional<double> t = RayHitsPlacedBox(ray, HandleCube(box, code), frame)) {
            hit.code = code;
            hit.distance = *t * scale;
            nearest.Offer(hit);
        }
    }
}

void OfferRings(const PickRay& ray, double scale, const Matrix4& frame, PickHit hit,
                Nearest& nearest) {
    const auto& unit = UnitRing();
    std::array<Vec3, 2 * kRingStations> world;
    for (int code = kRingCodeX; code <= kRingCodeZ; ++code) {
        for (std::size_t i = 0; i < world.size(); ++i) {
            world[i] = TransformPoint(frame, ToVec3(RingPointAbout(code, unit[i])));
        }
        for (int i = 0; i < kRingStations; ++i) {
            const auto s0 = static_cast<std::size_t>(2 * i);
            const auto s1 = static_cast<std::size_t>(2 * ((i + 1) % kRingStations));
            const Vec3& a = world[s0];
            const Vec3& b = world[s0 + 1];
            const Vec3& c = world[s1 + 1];
            const Vec3& d = world[s1];
            std::optional<double> t = RayHitsTriangle(ray, a, b, c);
            const std::optional<double> t2 = RayHitsTriangle(ray, a, c, d);
            if (t2 && (!t || *t2 < *t)) {
                t = t2;
            }
            if (!t) {
                continue;
            }
            hit.code = code;
            hit.distance = *t * scale;
            hit.grab_point = (a + c) * 0.5;
            hit.segment_start = (a + b) * 0.5;
            hit.segment_end = (c + d) * 0.5;
            nearest.Offer(hit);
        }
    }
}

}  // namespace

Vec3 TransformPoint(const Matrix4& m, const Vec3& p) {
    return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
            p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
            p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

bool InvertAffine(const Matrix4& m, Matrix4& inverse) {
    // The 3 x 3 part by its adjugate; rows are images of the axes (row vectors).
    const double a = m[0], b = m[1], c = m[2];
    const double d = m[4], e = m[5], f = m[6];
    const double g = m[8], h = m[9], i = m[10];
    const double co0 = e * i - f * h;
    const double co1 = f * g - d * i;
    const double co2 = d * h - e * g;
    const double det = a * co0 + b * co1 + c * co2;
    // Relative to the size of the matrix, so that a uniformly tiny object still inverts.
    const double size = std::abs(a) + std::abs(b) + std::abs(c) + std::abs(d) + std::abs(e) +
                        std::abs(f) + std::abs(g) + std::abs(h) + std::abs(i);
    if (!(std::abs(det) > 1e-12 * size * size * size) || !std::isfinite(det)) {
        return false;
    }
    const double k = 1.0 / det;
    Matrix4 r;
    r[0] = co0 * k;
    r[1] = (c * h - b * i) * k;
    r[2] = (b * f - c * e) * k;
    r[4] = co1 * k;
    r[5] = (a * i - c * g) * k;
    r[6] = (c * d - a * f) * k;
    r[8] = co2 * k;
    r[9] = (b * g - a * h) * k;
    r[10] = (a * e - b * d) * k;
    r[3] = r[7] = r[11] = 0.0;
    // The translation: -t * A^-1.
    const double tx = m[12], ty = m[13], tz = m[14];
    r[12] = -(tx * r[0] + ty * r[4] + tz * r[8]);
    r[13] = -(tx * r[1] + ty * r[5] + tz * r[9]);
    r[14] = -(tx * r[2] + ty * r[6] + tz * r[10]);
    r[15] = 1.0;
    inverse = r;
    return true;
}

std::optional<double> RayHitsTriangle(const PickRay& ray, const Vec3& a, const Vec3& b,
                                      const Vec3& c) {
    // Moller and Trumbore: barycentric coordinates and distance from three determinants,
    // compared before dividing (most triangles miss, and need no division at all).
    const Vec3 e1 = b - a;
    const Vec3 e2 = c - a;
    const Vec3 p = Cross(ray.direction, e2);
    double det = Dot(e1, p);
    if (det == 0.0 || !std::isfinite(det)) {
        return std::nullopt;
    }
    Vec3 s = ray.origin - a;
    if (det < 0.0) {
        det = -det;
        s = s * -1.0;
    }
    const double u = Dot(s, p);
    if (!(u >= 0.0 && u <= det)) {
        return std::nullopt;
    }
    const Vec3 q = Cross(s, e1);
    const double v = Dot(ray.direction, q);
    if (!(v >= 0.0 && u + v <= det)) {
        return std::nullopt;
    }
    const double t = Dot(e2, q) / det;
    if (!(t >= 0.0) || !std::isfinite(t)) {
        return std::nullopt;
    }
    return t;
}

std::optional<double> RayHitsPlacedBox(const PickRay& ray, const BoundingBox& box,
                                       const Matrix4& frame) {
    const std::optional<FaceHits> hits = BoxFaceHits(ray, box, frame);
    return hits ? std::optional<double>(hits->nearest) : std::nullopt;
}

std::optional<PickHit> Pick(const Scene& scene, const PickRay& ray, const PickOptions& options) {
    const double length = ray.direction.Length();
    if (!(length > 0.0) || !std::isfinite(length)) {
        return std::nullopt;
    }
    Nearest nearest;
    const bool rings_shown = options.rings && scene.CountSelected() == 1;
    // Objects whose box the ray meets, nearest box first: once an object is hit, those whose
    // box begins beyond the hit need no triangle tested.
    struct Candidate {
        double bound;
        const SceneNode* node;
    };
    std::vector<Candidate> candidates;
    for (const SceneNode* node : Children(scene.Root())) {
        if (node->visible == 0) {
            continue;
        }
        if (const std::optional<double> bound =
                BoxEntryBound(ray, node->box, node->parent_from_node)) {
            candidates.push_back({*bound, node});
        }
        if (!node->selected || node->box.IsEmpty()) {
            continue;
        }
        PickHit hit;
        hit.node = node->id;
        if (rings_shown) {
            hit.kind = PickHit::Kind::NodeRing;
            OfferRings(ray, length, NodeRingFrame(*node), hit, nearest);
        } else if (!options.rings) {
            hit.kind = PickHit::Kind::NodeHandle;
            OfferHandles(ray, length, node->box, node->parent_from_node, hit, nearest);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.bound < b.bound; });
    std::optional<double> nearest_body;
    for (const Candidate& candidate : candidates) {
        if (nearest_body && candidate.bound > *nearest_body) {
            break;
        }
        if (const std::optional<double> t = RayHitsNodeTree(ray, *candidate.node)) {
            if (!nearest_body || *t < *nearest_body) {
                nearest_body = t;
                PickHit hit;
                hit.node = candidate.node->id;
                hit.kind = PickHit::Kind::NodeBody;
                hit.distance = *t * length;
                nearest.Offer(hit);
            }
        }
    }
    for (const Light& light : scene.Lights()) {
        PickHit hit;
        hit.light = light.id;
        const BoundingBox icon = LightIconBox(light);
        const Matrix4 frame = LightFrame(light);
        if (const std::optional<double> t = RayHitsPlacedBox(ray, icon, frame)) {
            hit.kind = PickHit::Kind::LightBody;
            hit.distance = *t * length;
            nearest.Offer(hit);
        }
        if (!light.selected) {
            continue;
        }
        if (rings_shown) {
            hit.kind = PickHit::Kind::LightRing;
            OfferRings(ray, length, LightRingFrame(light), hit, nearest);
        } else if (!options.rings) {
            hit.kind = PickHit::Kind::LightHandle;
            OfferHandles(ray, length, icon, frame, hit, nearest);
        }
    }
    return nearest.best;
}

}  // namespace kelto
