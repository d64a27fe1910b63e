#include "trim_kernel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>

#include "model/bspline.h"
#include "model/mesh_welder.h"
#include "model/message_table.h"
#include "model/shapes.h"
#include "model/view_camera.h"

namespace kelto {
namespace {

constexpr double kClassifyTolerance = 0.0001;
constexpr double kScoreTolerance = 1e-8;

double DoubledArea(const std::vector<Vec3>& p) {
    Vec3 sum;
    for (std::size_t i = 0; i < p.size(); ++i) {
        sum = sum + Cross(p[i], p[(i + 1) % p.size()]);
    }
    return sum.Length();
}

// Which side of a plane a polygon is on, by a tolerance: 1 front, -1 back, 0 on or spanning.
int Side(const BspNode& plane, const std::vector<Vec3>& polygon, double tolerance) {
    bool above = false, below = false;
    for (const Vec3& p : polygon) {
        const double distance = plane.Distance(p);
        above = above || distance > tolerance;
        below = below || distance < -tolerance;
    }
    if (above && !below)
        return 1;
    if (below && !above)
        return -1;
    return 0;
}

void SetPlane(BspNode& node, const std::vector<Vec3>& polygon) {
    Vec3 n = Cross(polygon[1] - polygon[0], polygon[2] - polygon[0]);
    const double length = n.Length();
    n = length > 0 ? n * (1.0 / length) : n;
    node.a = n.x;
    node.b = n.y;
    node.c = n.z;
    node.d = -Dot(n, polygon[0]);
}

// The splitting polygon: the one whose plane leaves the front and back counts most even, of
// five drawn at random from a long list.
std::size_t ChooseSplitter(const std::vector<std::vector<Vec3>>& polygons, SplitterRandom& random) {
    std::vector<std::size_t> candidates;
    if (polygons.size() < 5) {
        for (std::size_t i = 0; i < polygons.size(); ++i)
            candidates.push_back(i);
    } else {
        std::set<std::size_t> drawn;
        for (int k = 0; k < 5; ++k) {
            drawn.insert(static_cast<std::size_t>(random()) % polygons.size());
        }
        candidates.assign(drawn.begin(), drawn.end());
    }
    std::size_t best = candidates.front();
    long best_score = -1;
    for (std::size_t candidate : candidates) {
        BspNode plane;
        SetPlane(plane, polygons[candidate]);
        long front = 0, back = 0;
        for (const auto& polygon : polygons) {
            const int side = Side(plane, polygon, kScoreTolerance);
            front += side > 0 ? 1 : 0;
            back += side < 0 ? 1 : 0;
        }
        const long score = std::labs(front - back);
        if (best_score < 0 || score < best_score) {
            best_score = score;
            best = candidate;
            if (score == 0)
                break;
        }
    }
    return best;
}

// Cuts a point polygon by the node's plane into its front and back pieces.
void SplitPoints(const BspNode& node, const std::vector<Vec3>& polygon, double tolerance,
                 std::vector<Vec3>& front, std::vector<Vec3>& back) {
    const std::size_t n = polygon.size();
    std::vector<int> side(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double distance = node.Distance(polygon[i]);
        side[i] = distance > tolerance ? 1 : (distance < -tolerance ? -1 : 0);
    }
    const Vec3 normal{node.a, node.b, node.c};
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        const Vec3& a = polygon[i];
        const Vec3& b = polygon[j];
        if (side[i] >= 0)
            front.push_back(a);
        if (side[i] <= 0)
            back.push_back(a);
        if (side[i] * side[j] < 0) {
            const double denominator = Dot(normal, b - a);
            const double t = denominator == 0.0 ? 0.0 : -(Dot(normal, a) + node.d) / denominator;
            const Vec3 cut = a + (b - a) * t;
            front.push_back(cut);
            back.push_back(cut);
        }
    }
}

// The same for an operand's polygon, carrying local positions, parameters and normals along.
void SplitPolygon(const BspNode& node, const CsgPolygon& polygon, CsgPolygon& front,
                  CsgPolygon& back) {
    const std::size_t n = polygon.points.size();
    std::vector<int> side(n);
    std::vector<double> distance(n);
    for (std::size_t i = 0; i < n; ++i) {
        distance[i] = node.Distance(polygon.points[i]);
        side[i] =
            distance[i] > kClassifyTolerance ? 1 : (distance[i] < -kClassifyTolerance ? -1 : 0);
    }
    front.source = back.source = polygon.source;
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        if (side[i] >= 0)
            front.AppendVertex(polygon, i);
        if (side[i] <= 0)
            back.AppendVertex(polygon, i);
        if (side[i] * side[j] < 0) {
            const double t = distance[i] / (distance[i] - distance[j]);
            auto mix = [t](const auto& a, const auto& b) { return a + (b - a) * t; };
            CsgPolygon cut;
            cut.points.push_back(mix(polygon.points[i], polygon.points[j]));
            cut.local_points.push_back(mix(polygon.local_points[i], polygon.local_points[j]));
            cut.u.push_back(polygon.u[i] + (polygon.u[j] - polygon.u[i]) * t);
            cut.v.push_back(polygon.v[i] + (polygon.v[j] - polygon.v[i]) * t);
            cut.normals.push_back(mix(polygon.normals[i], polygon.normals[j]));
            cut.created.push_back(1);
            front.AppendVertex(cut, 0);
            back.AppendVertex(cut, 0);
        }
    }
}

struct Classified {
    std::vector<int> whole;             // source triangles kept whole
    std::vector<CsgPolygon> fragments;  // kept pieces of split triangles, as triangles
};

// Where a piece lying wholly in a plane of the other tree goes on: to the plane's back (its
// inside) or front, by whether the piece faces the same way as the plane.
struct CoplanarRoute {
    bool same_way_to_back = false;
    bool opposite_to_back = false;
};

// What one operation keeps of each operand, and how each is classified.
struct KeptSides {
    int trimmed_label;  // of the trimmed solid's pieces against the cutter's tree
    CoplanarRoute trimmed_route;
    int cutter_label;  // of the cutter's pieces against the trimmed solid's tree
    CoplanarRoute cutter_route;
    bool cutter_inside_out;
};

// The shared faces (one plane, same facing) are kept once: by neither solid for a difference,
// by the trimmed solid for a union or intersection. Faces touching back to back vanish.
KeptSides SidesFor(BooleanMode mode) {
    switch (mode) {
        case BooleanMode::Union:
            return {1, {false, true}, 1, {true, true}, false};
        case BooleanMode::Intersection:
            return {0, {true, false}, 0, {false, false}, false};
        case BooleanMode::Difference:
            break;
    }
    return {1, {true, false}, 0, {false, false}, true};
}

// Pushes every polygon through the tree and keeps the parts with the wanted label.
Classified Classify(const std::vector<CsgPolygon>& polygons, const BspNode& tree, int kept,
                    const CoplanarRoute& route) {
    Classified result;
    for (const CsgPolygon& polygon : polygons) {
        std::vector<CsgPolygon> out;
        std::vector<std::pair<CsgPolygon, const BspNode*>> pending;
        pending.emplace_back(polygon, &tree);
        while (!pending.empty()) {
            auto [piece, node] = std::move(pending.back());
            pending.pop_back();
            if (node->kind != BspNode::kInterior) {
                piece.label = node->kind == BspNode::kInside ? 0 : 1;
                out.push_back(std::move(piece));
                continue;
            }
            bool above = false, below = false;
            for (const Vec3& p : piece.points) {
                const double distance = node->Distance(p);
                above = above || distance > kClassifyTolerance;
                below = below || distance < -kClassifyTolerance;
            }
            const bool off_plane = above || below;
            // A piece on one side (touching the plane at most) goes on whole, uncopied.
            if (above && !below && node->front) {
                pending.emplace_back(std::move(piece), node->front.get());
                continue;
            }
            if (below && !above && node->back) {
                pending.emplace_back(std::move(piece), node->back.get());
                continue;
            }
            CsgPolygon front, back;
            SplitPolygon(*node, piece, front, back);
            const bool has_front = front.points.size() >= 3 && node->front;
            const bool has_back = back.points.size() >= 3 && node->back;
            if (!off_plane) {
                // Wholly in the node's plane: the route says on which side a piece facing the
                // same way as the plane, or the other way, goes on (for Trim a shared face
                // goes with the cut from the trimmed solid and is not kept twice by the
                // cutter, so it vanishes from both results); the rest of such a face is
                // classified by the other planes.
                const Vec3 n =
                    Cross(piece.points[1] - piece.points[0], piece.points[2] - piece.points[0]);
                const bool same_way = Dot(n, Vec3{node->a, node->b, node->c}) > 0.0;
                const bool to_back = same_way ? route.same_way_to_back : route.opposite_to_back;
                const BspNode* next = to_back ? node->back.get() : node->front.get();
                pending.emplace_back(std::move(piece), next);
                continue;
            }
            // Pieces that are only their shared points on the plane are not pieces.
            bool front_off = false, back_off = false;
            for (const Vec3& p : front.points)
                front_off = front_off || node->Distance(p) > kClassifyTolerance;
            for (const Vec3& p : back.points)
                back_off = back_off || node->Distance(p) < -kClassifyTolerance;
            if (has_front && front_off)
                pending.emplace_back(std::move(front), node->front.get());
            if (has_back && back_off)
                pending.emplace_back(std::move(back), node->back.get());
        }
        const bool any_kept = std::any_of(out.begin(), out.end(),
                                          [&](const CsgPolygon& p) { return p.label == kept; });
        const bool all_kept = std::all_of(out.begin(), out.end(),
                                          [&](const CsgPolygon& p) { return p.label == kept; });
        if (out.empty() || !any_kept) {
            continue;
        }
        if (all_kept) {
            result.whole.push_back(polygon.source);
            continue;
        }
        for (const CsgPolygon& piece : out) {
            if (piece.label != kept)
                continue;
            for (std::size_t i = 0; i + 2 < piece.points.size(); ++i) {
                CsgPolygon triangle;
                triangle.source = piece.source;
                triangle.label = kept;
                for (std::size_t k : {std::size_t{0}, i + 1, i + 2}) {
                    triangle.AppendVertex(piece, k);
                }
                result.fragments.push_back(std::move(triangle));
            }
        }
    }
    return result;
}

std::vector<CsgPolygon> PolygonsOf(const SceneNode& node, const Matrix4& world) {
    std::vector<CsgPolygon> polygons;
    const Mesh& mesh = node.display_mesh;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        CsgPolygon p;
        p.source = static_cast<int>(t);
        for (int k = 0; k < 3; ++k) {
            const std::uint16_t index = mesh.indices[t + static_cast<std::size_t>(k)];
            if (index >= mesh.vertices.size()) {
                return {};
            }
            const DisplayVertex& v = mesh.vertices[index];
            const Point4d w = MultiplyPoint(world, {v.x, v.y, v.z, 1.0});
            p.points.push_back({w.x / w.w, w.y / w.w, w.z / w.w});
            p.local_points.push_back({v.x, v.y, v.z});
            p.u.push_back(v.s);
            p.v.push_back(v.t);
            p.normals.push_back({v.nx, v.ny, v.nz});
            p.created.push_back(0);
        }
        polygons.push_back(std::move(p));
    }
    return polygons;
}

std::vector<std::vector<Vec3>> PointsOf(const std::vector<CsgPolygon>& polygons) {
    std::vector<std::vector<Vec3>> points;
    points.reserve(polygons.size());
    for (const CsgPolygon& p : polygons)
        points.push_back(p.points);
    return points;
}

// Emits whole triangles and fragments of one operand into a new mesh. `inside_out` negates
// normals and reverses the corners.
bool BuildMesh(const SceneNode& node, const Classified& kept, bool inside_out, Mesh& out) {
    out.Clear();
    MeshWelder welder(out);
    std::vector<int> whole = kept.whole;
    std::sort(whole.begin(), whole.end());
    whole.erase(std::unique(whole.begin(), whole.end()), whole.end());
    const Mesh& mesh = node.display_mesh;
    auto flip = [](DisplayVertex v) {
        v.nx = -v.nx;
        v.ny = -v.ny;
        v.nz = -v.nz;
        return v;
    };
    // Inside out: normals negated and the corners in reverse order.
    auto emit = [&](const DisplayVertex(&corners)[3]) {
        return inside_out
                   ? welder.Add(flip(corners[2])) && welder.Add(flip(corners[1])) &&
                         welder.Add(flip(corners[0]))
                   : welder.Add(corners[0]) && welder.Add(corners[1]) && welder.Add(corners[2]);
    };
    for (int source : whole) {
        DisplayVertex corners[3];
        for (int k = 0; k < 3; ++k) {
            corners[k] = mesh.vertices[mesh.indices[static_cast<std::size_t>(source + k)]];
        }
        if (!emit(corners))
            return false;
    }
    for (const CsgPolygon& fragment : kept.fragments) {
        DisplayVertex corners[3];
        for (int k = 0; k < 3; ++k) {
            corners[k] = SurfaceCorner(node, fragment.local_points[static_cast<std::size_t>(k)],
                                       fragment.u[static_cast<std::size_t>(k)],
                                       fragment.v[static_cast<std::size_t>(k)],
                                       fragment.normals[static_cast<std::size_t>(k)]);
        }
        // Corners without a surface normal take the fragment's face normal.
        Vec3 face = Cross(Vec3{corners[1].x - corners[0].x, corners[1].y - corners[0].y,
                               corners[1].z - corners[0].z},
                          Vec3{corners[2].x - corners[0].x, corners[2].y - corners[0].y,
                               corners[2].z - corners[0].z});
        const double length = face.Length();
        face = length > 0 ? face * (1.0 / length) : face;
        for (DisplayVertex& c : corners) {
            if (c.normal_valid == 0.0f) {
                c.nx = static_cast<float>(face.x);
                c.ny = static_cast<float>(face.y);
                c.nz = static_cast<float>(face.z);
                c.normal_valid = 1.0f;
            }
        }
        if (!emit(corners))
            return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<BspNode> BuildBspTree(std::vector<std::vector<Vec3>> polygons, std::uint32_t seed) {
    SplitterRandom random(seed);
    auto root = std::make_unique<BspNode>();
    std::vector<std::pair<BspNode*, std::vector<std::vector<Vec3>>>> work;
    work.emplace_back(root.get(), std::move(polygons));
    while (!work.empty()) {
        auto [node, list] = std::move(work.back());
        work.pop_back();
        std::erase_if(list, [](const std::vector<Vec3>& p) {
            return p.size() < 3 || !(DoubledArea(p) > 1e-10);
        });
        if (list.empty()) {
            if (node->kind == BspNode::kChoosing)
                node->kind = BspNode::kOutside;
            continue;
        }
        const std::size_t splitter = ChooseSplitter(list, random);
        SetPlane(*node, list[splitter]);
        node->index = static_cast<int>(splitter);
        node->kind = BspNode::kInterior;
        double tolerance = 1e-10;
        for (const Vec3& p : list[splitter])
            tolerance = std::max(tolerance, std::fabs(node->Distance(p)));
        std::vector<std::vector<Vec3>> front_list, back_list;
        for (auto& polygon : list) {
            bool front = false, back = false;
            for (const Vec3& p : polygon) {
                const double distance = node->Distance(p);
                front = front || distance > tolerance;
                back = back || distance < -tolerance;
            }
            if (front && !back) {
                front_list.push_back(std::move(polygon));
            } else if (back && !front) {
                back_list.push_back(std::move(polygon));
            } else if (!front && !back) {
                node->coplanar.push_back(std::move(polygon));
            } else {
                std::vector<Vec3> f, b;
                SplitPoints(*node, polygon, tolerance, f, b);
                if (f.size() >= 3)
                    front_list.push_back(std::move(f));
                if (b.size() >= 3)
                    back_list.push_back(std::move(b));
            }
        }
        node->front = std::make_unique<BspNode>();
        node->front->parent = node;
        node->front->kind = BspNode::kOutside;
        node->back = std::make_unique<BspNode>();
        node->back->parent = node;
        node->back->kind = BspNode::kInside;
        if (!front_list.empty()) {
            node->front->kind = BspNode::kChoosing;
            work.emplace_back(node->front.get(), std::move(front_list));
        }
        if (!back_list.empty()) {
            node->back->kind = BspNode::kChoosing;
            work.emplace_back(node->back.get(), std::move(back_list));
        }
    }
    return root;
}

bool InsideSolid(const BspNode& tree, const Vec3& point) {
    const BspNode* node = &tree;
    while (node->kind == BspNode::kInterior) {
        node = node->Distance(point) > 0 ? node->front.get() : node->back.get();
    }
    return node->kind == BspNode::kInside;
}

DisplayVertex SurfaceCorner(const SceneNode& node, const Vec3& local, double u, double v,
                            const Vec3& normal) {
    DisplayVertex corner;
    corner.s = static_cast<float>(u);
    corner.t = static_cast<float>(v);
    // The position and (when it has a length) the normal of the corner.
    auto set = [&corner](const Vec3& position, const Vec3& n) {
        corner.x = static_cast<float>(position.x);
        corner.y = static_cast<float>(position.y);
        corner.z = static_cast<float>(position.z);
        const double length = n.Length();
        if (length > 0.0001) {
            corner.nx = static_cast<float>(n.x / length);
            corner.ny = static_cast<float>(n.y / length);
            corner.nz = static_cast<float>(n.z / length);
            corner.normal_valid = 1.0f;
        }
    };
    SurfaceEvaluator surface;
    if (node.shape && node.shape->MeshFollowsSurface() && node.shape->surface.LoadInto(surface)) {
        const SurfacePoint p = surface.Evaluate(u, v);
        set(p.point, Cross(p.du, p.dv));
    } else {
        // A mesh that is not its surface's tessellation (the flat-faced cube, text): the cut
        // point itself, with the interpolated normal.
        set(local, normal);
    }
    return corner;
}

std::uint32_t OperandSeed(const SceneNode& trimmed, const SceneNode& cutter) {
    // FNV-1a over the bytes of both meshes and both placements.
    std::uint64_t hash = 14695981039346656037ull;
    auto add = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
    };
    for (const SceneNode* node : {&trimmed, &cutter}) {
        const Mesh& mesh = node->display_mesh;
        for (const DisplayVertex& v : mesh.vertices) {
            const float fields[] = {v.x, v.y, v.z, v.nx, v.ny, v.nz, v.normal_valid, v.s, v.t};
            add(fields, sizeof fields);
        }
        add(mesh.indices.data(), mesh.indices.size() * sizeof(mesh.indices[0]));
        const Matrix4 placement = node->ComposeParentFromNode();
        for (int i = 0; i < 16; ++i) {
            const double element = placement[i];
            add(&element, sizeof element);
        }
    }
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

Status TrimKernel(SceneNode& trimmed, SceneNode& cutter, BooleanMode mode) {
    if (trimmed.display_mesh.vertices.empty() || trimmed.display_mesh.indices.empty()) {
        return Status::Message(kMsgTrimTopology);
    }
    const KeptSides sides = SidesFor(mode);
    const std::vector<CsgPolygon> a = PolygonsOf(trimmed, trimmed.ComposeParentFromNode());
    const std::vector<CsgPolygon> b = PolygonsOf(cutter, cutter.ComposeParentFromNode());
    const std::uint32_t seed = OperandSeed(trimmed, cutter);

    const std::unique_ptr<BspNode> a_tree = BuildBspTree(PointsOf(a), seed);
    const Classified b_kept = Classify(b, *a_tree, sides.cutter_label, sides.cutter_route);
    if (b_kept.whole.empty() && b_kept.fragments.empty()) {
        return Status::Message(kMsgTrimNoIntersection);
    }
    const std::unique_ptr<BspNode> b_tree = BuildBspTree(PointsOf(b), seed + 1);
    const Classified a_kept = Classify(a, *b_tree, sides.trimmed_label, sides.trimmed_route);
    if (a_kept.whole.empty() && a_kept.fragments.empty()) {
        return Status::Message(kMsgTrimNoIntersection);
    }
    // Solids that do not meet keep all of their surfaces in a union: nothing to combine.
    auto all_kept = [](const Classified& kept, std::size_t count) {
        return kept.fragments.empty() && kept.whole.size() == count;
    };
    if (mode == BooleanMode::Union && all_kept(a_kept, a.size()) && all_kept(b_kept, b.size())) {
        return Status::Message(kMsgTrimNoIntersection);
    }
    Mesh new_b, new_a;
    if (!BuildMesh(cutter, b_kept, sides.cutter_inside_out, new_b) ||
        !BuildMesh(trimmed, a_kept, false, new_a)) {
        return Status::Message(kMsgTrimTopology);  // more vertices than one mesh holds
    }
    trimmed.display_mesh = std::move(new_a);
    cutter.display_mesh = std::move(new_b);
    return Status::Ok();
}

}  // namespace kelto
