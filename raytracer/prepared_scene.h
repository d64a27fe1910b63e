// The scene as the tracer sees it, a snapshot that owns everything a render reads: every leaf
// object's triangles in world space, world boxes, screen rectangles, copies of the materials
// (their pictures shared, never copied), the lights and the ambient light; and two ways of
// finding what a ray hits. The reference walk visits the
// tree as the program always has (depth first, boxes pruned against the shrinking distance,
// triangles in order); the accelerated search uses a bounding-volume hierarchy over all the
// triangles and returns exactly the reference's hit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "float_math.h"
#include "model/placement_walk.h"
#include "model/render_triangle.h"
#include "model/scene.h"
#include "render_camera.h"
#include "traced_mesh.h"
#include "triangle_hierarchy.h"
#include "triangle_intersection.h"

namespace kelto {

struct ScreenRect {
    float xmin = 1000000.0f, xmax = -1000000.0f, ymin = 1000000.0f, ymax = -1000000.0f;
    bool Contains(float x, float y) const {
        return xmin <= x && x <= xmax && ymin <= y && y <= ymax;
    }
};

struct PreparedNode {
    int material = -1;  // leaves only: index in PreparedScene::Materials
    bool leaf = false;
    int first_child = -1;  // index in PreparedScene::nodes
    int next_sibling = -1;
    TracedMesh mesh;  // leaves only, world space, the triangles in the mesh's order
    Vec3f box_min{1000000.0f, 1000000.0f, 1000000.0f};
    Vec3f box_max{-1000000.0f, -1000000.0f, -1000000.0f};
    ScreenRect rect;
    bool off_screen = false;
};

// The largest coordinate a traced corner may have (after the conversion to single precision):
// the squared distances of the triangle test stay finite up to about 5e18.
inline constexpr float kMaxTracedCoordinate = 1e18f;

// Whether every corner's position is within that range and its normal and texture
// coordinates are numbers.
bool TraceableCorners(const std::vector<TriangleCorner>& corners);

// A hit: which leaf, which of its triangles, how far.
struct TraceHit {
    int node = -1;
    int triangle = -1;
    float distance = 0.0f;
    bool Found() const { return node >= 0; }
};

class PreparedScene {
  public:
    // Whether the constructor builds the hierarchy too, or leaves it to BuildHierarchy: a
    // render takes its snapshot on the caller's thread and builds the hierarchy on its own.
    enum class Hierarchy { Build, Later };

    // Prepares every shown leaf under the scene's root for this camera (hidden objects are left
    // out with what is below them).
    // `kx`, `ky`, `kxz`, `kyz` are the lens blur coefficients that widen screen rectangles.
    // Nothing of the scene is referred to afterwards.
    PreparedScene(const Scene& scene, const RenderCamera& camera, float kx, float ky, float kxz,
                  float kyz, Hierarchy hierarchy = Hierarchy::Build);
    PreparedScene(PreparedScene&&) noexcept = default;
    PreparedScene& operator=(PreparedScene&&) noexcept = default;

    // Builds the hierarchy that Nearest and AnyHitWithin search, once, on up to `threads`
    // threads.
    void BuildHierarchy(int threads = 1);
    bool HierarchyBuilt() const { return hierarchy_built_; }

    const std::vector<PreparedNode>& Nodes() const { return nodes_; }
    const std::vector<Material>& Materials() const { return materials_; }
    const Material& MaterialOf(const PreparedNode& leaf) const {
        return materials_[static_cast<std::size_t>(leaf.material)];
    }
    const std::vector<Light>& Lights() const { return lights_; }
    const ColourRgb& AmbientLight() const { return ambient_light_; }
    // The scene's soft-shadow, occlusion and environment settings.
    const SceneLighting& Lighting() const { return lighting_; }
    const PreparedNode& Root() const { return nodes_.front(); }
    // Whether any on-screen leaf's rectangle holds the pixel position.
    bool HasCandidates(float x, float y) const;

    // The nearest hit nearer than `max_distance` by the reference walk; of equal distances the
    // first tested wins.
    TraceHit ReferenceNearest(const Vec3f& origin, const Vec3f& direction,
                              float max_distance) const;
    // The same answer through the hierarchy.
    TraceHit Nearest(const Vec3f& origin, const Vec3f& direction, float max_distance) const;
    // Whether anything lies nearer than `limit` (and nearer than `max_distance`): the question
    // a shadow ray asks.
    bool AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                      float limit) const;

    std::size_t TriangleCount() const;
    // For measurements: the bytes the leaves' meshes hold (the hierarchy's are
    // Triangles().Bytes()).
    std::size_t TriangleBytes() const;
    // The names of the objects left out of the render because their placed corners are not
    // finite or out of range (a position or scale beyond what single precision holds).
    const std::vector<std::string>& LeftOut() const { return left_out_; }
    const TriangleHierarchy& Triangles() const { return hierarchy_; }

  private:
    class Builder;
    // Fills the leaf at `index` (already in the list) from its node placed in the world: its
    // triangles, box, and the screen rectangle of its corners' window points, widened by the
    // lens blur `coc` (kx, ky, kxz, kyz).
    void PrepareLeaf(int index, const Placement& placed, const WindowProjection& window,
                     const float coc[4]);
    void ReferenceWalk(int index, const Vec3f& origin, const Vec3f& direction, const Vec3f& inverse,
                       float& max_distance, TraceHit& best) const;
    // Leaves the leaf out (no triangles, empty box, off the screen) and notes its name when its
    // corners cannot be traced; returns whether it did.
    bool LeftOutAsUntraceable(PreparedNode& leaf, const SceneNode& node,
                              const std::vector<TriangleCorner>& corners);
    TraceHit FromHierarchy(const TriangleHierarchy::Hit& hit) const;

    std::vector<PreparedNode> nodes_;
    std::vector<Material> materials_;
    std::vector<Light> lights_;
    ColourRgb ambient_light_;
    SceneLighting lighting_;
    bool hierarchy_built_ = false;
    // The hierarchy's lists are the leaves' triangles in the reference's order; this gives
    // the prepared node of each list.
    std::vector<int> hierarchy_nodes_;
    TriangleHierarchy hierarchy_;
    std::vector<std::string> left_out_;
    int image_width_ = 0;
    int image_height_ = 0;
};

}  // namespace kelto
