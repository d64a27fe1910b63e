#include "prepared_scene.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "model/child_list.h"
#include "triangle_intersection.h"

namespace kelto {
namespace {

constexpr std::uint32_t kItemsPerLeaf = 4;

void GrowBox(Vec3f& min, Vec3f& max, const Vec3f& p) {
    min = {std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z)};
    max = {std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z)};
}

void GrowRect(ScreenRect& r, const ScreenRect& other) {
    r.xmin = std::min(r.xmin, other.xmin);
    r.xmax = std::max(r.xmax, other.xmax);
    r.ymin = std::min(r.ymin, other.ymin);
    r.ymax = std::max(r.ymax, other.ymax);
}

void ClampRect(ScreenRect& r, int width, int height) {
    r.xmin = std::max(r.xmin, 0.0f);
    r.ymin = std::max(r.ymin, 0.0f);
    r.xmax = std::min(r.xmax, static_cast<float>(width));
    r.ymax = std::min(r.ymax, static_cast<float>(height));
}

Vec3f Inverse(const Vec3f& d) {
    return {1.0f / d.x, 1.0f / d.y, 1.0f / d.z};
}

}  // namespace

PreparedScene::PreparedScene(const Scene& scene, const RenderCamera& camera, float kx, float ky,
                             float kxz, float kyz, Hierarchy hierarchy)
    : lights_(scene.Lights()),
      ambient_light_{scene.ambient_light[0], scene.ambient_light[1], scene.ambient_light[2]},
      image_width_(camera.width),
      image_height_(camera.height) {
    Prepare(scene.Root(), Matrix4{}, camera.view, camera, kx, ky, kxz, kyz);
    PreparedNode& root = nodes_.front();
    root.off_screen = root.first_child < 0;
    if (hierarchy == Hierarchy::Build) {
        BuildHierarchy();
    }
}

int PreparedScene::Prepare(const SceneNode& node, const Matrix4& world_parent,
                           const Matrix4& eye_parent, const RenderCamera& camera, float kx,
                           float ky, float kxz, float kyz) {
    const bool root = node.type == ObjectType::Root;
    Matrix4 world = world_parent;
    Matrix4 eye = eye_parent;
    if (!root) {
        const Matrix4 local = node.ComposeMatrix();
        world.Multiply(local);
        eye.Multiply(local);
    }
    const int index = static_cast<int>(nodes_.size());
    nodes_.emplace_back();

    if (root || node.IsContainer()) {
        int previous = -1;
        for (const SceneNode* child : Children(node)) {
            const int c = Prepare(*child, world, eye, camera, kx, ky, kxz, kyz);
            PreparedNode& self = nodes_[static_cast<std::size_t>(index)];
            if (previous < 0) {
                self.first_child = c;
            } else {
                nodes_[static_cast<std::size_t>(previous)].next_sibling = c;
            }
            previous = c;
            const PreparedNode& prepared = nodes_[static_cast<std::size_t>(c)];
            GrowBox(self.box_min, self.box_max, prepared.box_min);
            GrowBox(self.box_min, self.box_max, prepared.box_max);
            GrowRect(self.rect, prepared.rect);
        }
        return index;
    }

    PreparedNode& leaf = nodes_[static_cast<std::size_t>(index)];
    leaf.leaf = true;
    leaf.material = static_cast<int>(materials_.size());
    materials_.push_back(node.material);
    const Mesh& mesh = node.display_mesh;
    const NormalTransform normals = NormalTransform::Of(world);
    std::vector<TriangleCorner> corners(mesh.vertices.size());
    float nearest_depth = std::numeric_limits<float>::infinity();
    float farthest_depth = -std::numeric_limits<float>::infinity();
    bool behind_eye = false;
    bool before_eye = false;
    for (std::size_t i = 0; i < mesh.vertices.size(); ++i) {
        const DisplayVertex& v = mesh.vertices[i];
        TriangleCorner& c = corners[i];
        c.position = world.TransformPoint(v.Position());
        const Vec3 n = normals.Apply(v.nx, v.ny, v.nz);
        c.normal = Normalised(ToFloat(n));
        c.u = v.s;
        c.v = v.t;
        GrowBox(leaf.box_min, leaf.box_max, c.position);

        const Point4d e = MultiplyPoint(eye, {v.x, v.y, v.z, 1.0});
        const Point4d q = MultiplyPoint(camera.projection, {e.x / e.w, e.y / e.w, e.z / e.w, 1.0});
        if (!(q.w > 1e-9)) {
            behind_eye = true;  // no projection; a leaf wholly behind the eye stays off the screen
            continue;
        }
        before_eye = true;
        const auto sx = static_cast<float>(camera.half_width * q.x / q.w + camera.x_offset);
        const auto sy = static_cast<float>(camera.viewport_height -
                                           (camera.half_height * q.y / q.w + camera.y_offset) - 1);
        leaf.rect.xmin = std::min(leaf.rect.xmin, sx);
        leaf.rect.xmax = std::max(leaf.rect.xmax, sx);
        leaf.rect.ymin = std::min(leaf.rect.ymin, sy);
        leaf.rect.ymax = std::max(leaf.rect.ymax, sy);
        const auto depth = static_cast<float>(e.z / e.w);
        nearest_depth = std::min(nearest_depth, depth);
        farthest_depth = std::max(farthest_depth, depth);
    }
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        TriangleCorner triangle[3];
        bool valid = true;
        for (int k = 0; k < 3; ++k) {
            const std::uint16_t vi = mesh.indices[t + static_cast<std::size_t>(k)];
            valid = valid && vi < corners.size();
            if (valid)
                triangle[k] = corners[vi];
        }
        if (valid) {
            leaf.triangles.push_back(MakeRenderTriangle(triangle));
        }
    }
    if (behind_eye && before_eye) {
        // Reaching round the eye: its projection could be anywhere.
        leaf.rect = {0.0f, static_cast<float>(image_width_), 0.0f,
                     static_cast<float>(image_height_)};
    }
    leaf.rect.xmin -= 0.5f;
    leaf.rect.xmax += 0.5f;
    leaf.rect.ymin -= 0.5f;
    leaf.rect.ymax += 0.5f;
    ClampRect(leaf.rect, image_width_, image_height_);
    leaf.off_screen = leaf.rect.xmax <= 0.0f || leaf.rect.ymax <= 0.0f ||
                      leaf.rect.xmin >= image_width_ || leaf.rect.ymin >= image_height_;
    if (!leaf.off_screen && std::isfinite(nearest_depth)) {
        // Widen by the lens's circle of confusion at the leaf's nearest and farthest depths.
        float blur_x = 0.0f, blur_y = 0.0f;
        for (float depth : {nearest_depth, farthest_depth}) {
            depth = depth == 0.0f ? 0.001f : depth;
            depth = -depth;
            blur_x = std::max(blur_x, std::fabs(kx / depth + kxz));
            blur_y = std::max(blur_y, std::fabs(ky / depth + kyz));
        }
        leaf.rect.xmin -= blur_x;
        leaf.rect.xmax += blur_x;
        leaf.rect.ymin -= blur_y;
        leaf.rect.ymax += blur_y;
        ClampRect(leaf.rect, image_width_, image_height_);
    }
    return index;
}

bool PreparedScene::HasCandidates(float x, float y) const {
    const PreparedNode& root = Root();
    if (root.off_screen || !root.rect.Contains(x, y)) {
        return false;
    }
    for (const PreparedNode& node : nodes_) {
        if (node.leaf && !node.off_screen && node.rect.Contains(x, y)) {
            return true;
        }
    }
    return false;
}

void PreparedScene::ReferenceWalk(int index, const Vec3f& origin, const Vec3f& direction,
                                  const Vec3f& inverse, float& max_distance, TraceHit& best) const {
    const PreparedNode& node = nodes_[static_cast<std::size_t>(index)];
    if (!RayMeetsBox(node.box_min, node.box_max, origin, inverse, max_distance)) {
        return;
    }
    if (!node.leaf) {
        for (int c = node.first_child; c >= 0;
             c = nodes_[static_cast<std::size_t>(c)].next_sibling) {
            ReferenceWalk(c, origin, direction, inverse, max_distance, best);
        }
        return;
    }
    for (std::size_t i = 0; i < node.triangles.size(); ++i) {
        float t = 0.0f;
        if (HitTriangle(node.triangles[i], origin, direction, max_distance, t)) {
            max_distance = t;
            best = {index, static_cast<int>(i), t};
        }
    }
}

TraceHit PreparedScene::ReferenceNearest(const Vec3f& origin, const Vec3f& direction,
                                         float max_distance) const {
    TraceHit best;
    ReferenceWalk(0, origin, direction, Inverse(direction), max_distance, best);
    return best;
}

void PreparedScene::BuildHierarchy() {
    if (hierarchy_built_) {
        return;
    }
    hierarchy_built_ = true;
    std::uint64_t order = 0;
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        for (std::size_t t = 0; t < nodes_[n].triangles.size(); ++t) {
            items_.push_back(
                {static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(t), order++});
        }
    }
    if (items_.empty()) {
        return;
    }
    std::vector<Vec3f> centres(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        centres[i] = TriangleOf(items_[i]).sphere_centre;
    }
    bvh_.reserve(2 * items_.size() / kItemsPerLeaf + 1);
    BuildRange(0, static_cast<std::uint32_t>(items_.size()), centres, 0);
}

std::uint32_t PreparedScene::BuildRange(std::uint32_t begin, std::uint32_t end,
                                        std::vector<Vec3f>& centres, int depth) {
    const auto index = static_cast<std::uint32_t>(bvh_.size());
    bvh_.push_back({{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}, begin, end - begin});
    Vec3f centre_min{1e30f, 1e30f, 1e30f}, centre_max{-1e30f, -1e30f, -1e30f};
    std::vector<Vec3f> item_min(end - begin), item_max(end - begin);
    for (std::uint32_t i = begin; i < end; ++i) {
        const RenderTriangle& t = TriangleOf(items_[i]);
        Vec3f lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
        for (const Vec3f& c : t.corner) {
            GrowBox(lo, hi, c);
        }
        item_min[i - begin] = lo;
        item_max[i - begin] = hi;
        GrowBox(bvh_[index].min, bvh_[index].max, lo);
        GrowBox(bvh_[index].min, bvh_[index].max, hi);
        GrowBox(centre_min, centre_max, centres[i]);
    }
    const std::uint32_t count = end - begin;
    if (count <= kItemsPerLeaf || depth > 60) {
        return index;
    }

    // Binned surface-area heuristic over the centres along each axis.
    constexpr int kBins = 12;
    auto area = [](const Vec3f& lo, const Vec3f& hi) {
        const Vec3f e = hi - lo;
        return e.x < 0 ? 0.0f : e.x * e.y + e.y * e.z + e.z * e.x;
    };
    float best_cost = std::numeric_limits<float>::infinity();
    int best_axis = -1;
    float best_split = 0.0f;
    for (int axis = 0; axis < 3; ++axis) {
        const float lo = Component(centre_min, axis), hi = Component(centre_max, axis);
        if (!(hi > lo)) {
            continue;
        }
        struct Bin {
            Vec3f min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
            std::uint32_t count = 0;
        } bins[kBins];
        const float scale = kBins / (hi - lo);
        for (std::uint32_t i = 0; i < count; ++i) {
            const int b = std::min(
                kBins - 1, static_cast<int>((Component(centres[begin + i], axis) - lo) * scale));
            GrowBox(bins[b].min, bins[b].max, item_min[i]);
            GrowBox(bins[b].min, bins[b].max, item_max[i]);
            ++bins[b].count;
        }
        float right_area[kBins] = {};
        std::uint32_t right_count[kBins] = {};
        Vec3f rmin{1e30f, 1e30f, 1e30f}, rmax{-1e30f, -1e30f, -1e30f};
        std::uint32_t rc = 0;
        for (int b = kBins - 1; b > 0; --b) {
            if (bins[b].count > 0) {
                GrowBox(rmin, rmax, bins[b].min);
                GrowBox(rmin, rmax, bins[b].max);
            }
            rc += bins[b].count;
            right_area[b] = area(rmin, rmax);
            right_count[b] = rc;
        }
        Vec3f lmin{1e30f, 1e30f, 1e30f}, lmax{-1e30f, -1e30f, -1e30f};
        std::uint32_t lc = 0;
        for (int b = 0; b < kBins - 1; ++b) {
            if (bins[b].count > 0) {
                GrowBox(lmin, lmax, bins[b].min);
                GrowBox(lmin, lmax, bins[b].max);
            }
            lc += bins[b].count;
            if (lc == 0 || right_count[b + 1] == 0) {
                continue;
            }
            const float cost = area(lmin, lmax) * lc + right_area[b + 1] * right_count[b + 1];
            if (cost < best_cost) {
                best_cost = cost;
                best_axis = axis;
                best_split = lo + (b + 1) / scale;
            }
        }
    }
    if (best_axis < 0 || best_cost >= area(bvh_[index].min, bvh_[index].max) * count) {
        if (count <= 16 || best_axis < 0) {
            return index;  // splitting would not pay, or every centre is at one place
        }
    }
    // Partition the items by the chosen plane, keeping their relative order.
    std::vector<Item> left_items, right_items;
    std::vector<Vec3f> left_centres, right_centres;
    for (std::uint32_t i = begin; i < end; ++i) {
        if (Component(centres[i], best_axis) < best_split) {
            left_items.push_back(items_[i]);
            left_centres.push_back(centres[i]);
        } else {
            right_items.push_back(items_[i]);
            right_centres.push_back(centres[i]);
        }
    }
    if (left_items.empty() || right_items.empty()) {
        return index;
    }
    std::copy(left_items.begin(), left_items.end(), items_.begin() + begin);
    std::copy(right_items.begin(), right_items.end(),
              items_.begin() + begin + static_cast<std::ptrdiff_t>(left_items.size()));
    std::copy(left_centres.begin(), left_centres.end(), centres.begin() + begin);
    std::copy(right_centres.begin(), right_centres.end(),
              centres.begin() + begin + static_cast<std::ptrdiff_t>(left_centres.size()));
    const std::uint32_t split = begin + static_cast<std::uint32_t>(left_items.size());
    BuildRange(begin, split, centres, depth + 1);
    const std::uint32_t right = BuildRange(split, end, centres, depth + 1);
    bvh_[index].first = right;
    bvh_[index].count = 0;
    return index;
}

TraceHit PreparedScene::Nearest(const Vec3f& origin, const Vec3f& direction,
                                float max_distance) const {
    TraceHit best;
    if (bvh_.empty()) {
        return best;
    }
    const Vec3f inverse = Inverse(direction);
    std::uint64_t best_order = std::numeric_limits<std::uint64_t>::max();
    float limit = max_distance;  // a hit must be nearer, or as near and earlier in order
    struct Pending {
        std::uint32_t node;
        float entry;
    };
    Pending stack[128];
    int top = 0;
    const float root_entry = RayBoxEntry(bvh_[0].min, bvh_[0].max, origin, inverse, limit);
    if (std::isfinite(root_entry)) {
        stack[top++] = {0, root_entry};
    }
    while (top > 0) {
        const Pending pending = stack[--top];
        // Boxes are entered with a little slack (see RayMeetsBox); one found farther than the
        // best hit so far cannot hold a nearer triangle.
        if (pending.entry > limit + 1e-4f * std::max(1.0f, limit)) {
            continue;
        }
        const BvhNode& n = bvh_[pending.node];
        if (n.count > 0) {
            for (std::uint32_t i = n.first; i < n.first + n.count; ++i) {
                const Item& item = items_[i];
                float t = 0.0f;
                const float test_limit = best.Found() ? std::nextafter(limit, INFINITY) : limit;
                if (!HitTriangle(TriangleOf(item), origin, direction, test_limit, t)) {
                    continue;
                }
                if (!best.Found() || t < limit || (t == limit && item.order < best_order)) {
                    best = {static_cast<int>(item.node), static_cast<int>(item.triangle), t};
                    best_order = item.order;
                    limit = t;
                }
            }
            continue;
        }
        // Inner node: its left child follows it, its right child is at `first`. The nearer
        // one is visited first.
        const std::uint32_t left = pending.node + 1;
        const std::uint32_t right = n.first;
        const float enter_left =
            RayBoxEntry(bvh_[left].min, bvh_[left].max, origin, inverse, limit);
        const float enter_right =
            RayBoxEntry(bvh_[right].min, bvh_[right].max, origin, inverse, limit);
        if (top + 2 > 128) {
            continue;  // never at the depths the build makes
        }
        const bool left_first = enter_left <= enter_right;
        const Pending near{left_first ? left : right, left_first ? enter_left : enter_right};
        const Pending far{left_first ? right : left, left_first ? enter_right : enter_left};
        if (std::isfinite(far.entry))
            stack[top++] = far;
        if (std::isfinite(near.entry))
            stack[top++] = near;
    }
    return best;
}

bool PreparedScene::AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                                 float limit) const {
    if (bvh_.empty()) {
        return false;
    }
    const Vec3f inverse = Inverse(direction);
    std::uint32_t stack[128];
    int top = 0;
    stack[top++] = 0;
    while (top > 0) {
        const BvhNode& n = bvh_[stack[--top]];
        if (!RayMeetsBox(n.min, n.max, origin, inverse, max_distance)) {
            continue;
        }
        if (n.count > 0) {
            for (std::uint32_t i = n.first; i < n.first + n.count; ++i) {
                float t = 0.0f;
                if (HitTriangle(TriangleOf(items_[i]), origin, direction, max_distance, t) &&
                    t <= limit) {
                    return true;
                }
            }
            continue;
        }
        if (top + 2 > 128) {
            continue;
        }
        stack[top++] = n.first;
        stack[top++] = static_cast<std::uint32_t>(&n - bvh_.data()) + 1;
    }
    return false;
}

}  // namespace kelto
