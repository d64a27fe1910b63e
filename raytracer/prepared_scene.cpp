#include "prepared_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/placement_walk.h"
#include "triangle_intersection.h"

namespace kelto {
namespace {

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

// Builds the prepared tree as the walk goes: containers when it enters them, leaves as it
// hands them over; a finished node is linked after its older siblings and grows its parent's
// box and rectangle.
class PreparedScene::Builder : public PlacementVisitor {
  public:
    Builder(PreparedScene& prepared, const RenderCamera& camera, const float coc[4])
        : prepared_(prepared), window_(WindowOf(camera)), coc_(coc) {}

    void Enter(const Placement&) override { open_.push_back({Add(), -1}); }
    void Visit(const Placement& placed) override {
        const int index = Add();
        prepared_.PrepareLeaf(index, placed, window_, coc_);
        Finished(index);
    }
    void Leave(const Placement&) override {
        const int index = open_.back().index;
        open_.pop_back();
        Finished(index);
    }

  private:
    struct Open {
        int index;
        int last_child;
    };
    int Add() {
        prepared_.nodes_.emplace_back();
        return static_cast<int>(prepared_.nodes_.size()) - 1;
    }
    void Finished(int index) {
        if (open_.empty()) {
            return;
        }
        Open& parent = open_.back();
        std::vector<PreparedNode>& nodes = prepared_.nodes_;
        PreparedNode& self = nodes[static_cast<std::size_t>(parent.index)];
        if (parent.last_child < 0) {
            self.first_child = index;
        } else {
            nodes[static_cast<std::size_t>(parent.last_child)].next_sibling = index;
        }
        parent.last_child = index;
        const PreparedNode& prepared = nodes[static_cast<std::size_t>(index)];
        GrowBox(self.box_min, self.box_max, prepared.box_min);
        GrowBox(self.box_min, self.box_max, prepared.box_max);
        GrowRect(self.rect, prepared.rect);
    }

    PreparedScene& prepared_;
    WindowProjection window_;
    const float* coc_;
    std::vector<Open> open_;
};

PreparedScene::PreparedScene(const Scene& scene, const RenderCamera& camera, float kx, float ky,
                             float kxz, float kyz, Hierarchy hierarchy)
    : lights_(scene.Lights()),
      ambient_light_{scene.ambient_light[0], scene.ambient_light[1], scene.ambient_light[2]},
      lighting_(scene.lighting),
      image_width_(camera.width),
      image_height_(camera.height) {
    const float coc[4] = {kx, ky, kxz, kyz};
    Builder builder(*this, camera, coc);
    WalkPlacements(scene.Root(), Matrix4{}, LeafRule::NotContainer, builder);
    PreparedNode& root = nodes_.front();
    root.off_screen = root.first_child < 0;
    if (hierarchy == Hierarchy::Build) {
        BuildHierarchy();
    }
}

void PreparedScene::PrepareLeaf(int index, const Placement& placed, const WindowProjection& window,
                                const float coc[4]) {
    const SceneNode& node = placed.node;
    const Matrix4& world = placed.world_from_node;
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

        const Point4d w = MultiplyPoint(world, {v.x, v.y, v.z, 1.0});
        const Point4d e = MultiplyPoint(window.ViewFromWorld(), {w.x, w.y, w.z, 1.0});
        const std::optional<WindowPoint> p = window.FromView(e);
        if (!p) {
            behind_eye = true;  // no projection; a leaf wholly behind the eye stays off the screen
            continue;
        }
        before_eye = true;
        const auto sx = static_cast<float>(p->x);
        const auto sy = static_cast<float>(p->y - 1.0);
        leaf.rect.xmin = std::min(leaf.rect.xmin, sx);
        leaf.rect.xmax = std::max(leaf.rect.xmax, sx);
        leaf.rect.ymin = std::min(leaf.rect.ymin, sy);
        leaf.rect.ymax = std::max(leaf.rect.ymax, sy);
        const auto depth = static_cast<float>(e.z);
        nearest_depth = std::min(nearest_depth, depth);
        farthest_depth = std::max(farthest_depth, depth);
    }
    if (LeftOutAsUntraceable(leaf, node, corners)) {
        return;
    }
    leaf.mesh.triangles.reserve(mesh.indices.size() / 3);
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const std::array<std::uint16_t, 3> triangle = {mesh.indices[t], mesh.indices[t + 1],
                                                       mesh.indices[t + 2]};
        if (triangle[0] < corners.size() && triangle[1] < corners.size() &&
            triangle[2] < corners.size()) {
            leaf.mesh.triangles.push_back(triangle);
        }
    }
    leaf.mesh.corners = std::move(corners);
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
            blur_x = std::max(blur_x, std::fabs(coc[0] / depth + coc[2]));
            blur_y = std::max(blur_y, std::fabs(coc[1] / depth + coc[3]));
        }
        leaf.rect.xmin -= blur_x;
        leaf.rect.xmax += blur_x;
        leaf.rect.ymin -= blur_y;
        leaf.rect.ymax += blur_y;
        ClampRect(leaf.rect, image_width_, image_height_);
    }
}

bool TraceableCorners(const std::vector<TriangleCorner>& corners) {
    auto within = [](float v) { return std::fabs(v) <= kMaxTracedCoordinate; };
    auto finite = [](const Vec3f& v) {
        return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
    };
    for (const TriangleCorner& c : corners) {
        if (!within(c.position.x) || !within(c.position.y) || !within(c.position.z) ||
            !finite(c.normal) || !std::isfinite(c.u) || !std::isfinite(c.v)) {
            return false;
        }
    }
    return true;
}

bool PreparedScene::LeftOutAsUntraceable(PreparedNode& leaf, const SceneNode& node,
                                         const std::vector<TriangleCorner>& corners) {
    if (TraceableCorners(corners)) {
        return false;
    }
    leaf.box_min = PreparedNode{}.box_min;
    leaf.box_max = PreparedNode{}.box_max;
    leaf.rect = {};
    leaf.off_screen = true;
    left_out_.push_back(node.name);
    return true;
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
    for (std::size_t i = 0; i < node.mesh.Size(); ++i) {
        float t = 0.0f;
        if (node.mesh.Hits(i, origin, direction, max_distance, t)) {
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

void PreparedScene::BuildHierarchy(int threads) {
    if (hierarchy_built_) {
        return;
    }
    hierarchy_built_ = true;
    std::vector<const TracedMesh*> lists;
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        if (!nodes_[n].mesh.Empty()) {
            lists.push_back(&nodes_[n].mesh);
            hierarchy_nodes_.push_back(static_cast<int>(n));
        }
    }
    hierarchy_.Build(lists, TriangleHierarchy::Walk::kFastest, threads);
}

std::size_t PreparedScene::TriangleCount() const {
    std::size_t count = 0;
    for (const PreparedNode& node : nodes_) {
        count += node.mesh.Size();
    }
    return count;
}

std::size_t PreparedScene::TriangleBytes() const {
    std::size_t bytes = 0;
    for (const PreparedNode& node : nodes_) {
        bytes += node.mesh.Bytes();
    }
    return bytes;
}

TraceHit PreparedScene::FromHierarchy(const TriangleHierarchy::Hit& hit) const {
    if (!hit.Found()) {
        return {};
    }
    return {hierarchy_nodes_[static_cast<std::size_t>(hit.list)], hit.triangle, hit.distance};
}

TraceHit PreparedScene::Nearest(const Vec3f& origin, const Vec3f& direction,
                                float max_distance) const {
    return FromHierarchy(hierarchy_.Nearest(origin, direction, max_distance));
}

bool PreparedScene::AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                                 float limit) const {
    return hierarchy_.AnyHitWithin(origin, direction, max_distance, limit);
}

}  // namespace kelto
