// The export, the render snapshot, picking and the window projection place a surface point of
// random scenes (groups within groups, uneven scales, turns, a pending drag) where composing
// its parents' placements one by one puts it.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "files/obj_writer.h"
#include "interaction/picking.h"
#include "raytracer/prepared_scene.h"
#include "raytracer/render_camera.h"

namespace kelto {
namespace {

Vec3 ToVec3(const Vec3f& p) {
    return {p.x, p.y, p.z};
}

// A point of the node's frame in the world, frame by frame up to the root.
Vec3 InWorld(const Scene& scene, const SceneNode& node, Vec3 p) {
    for (const SceneNode* n = &node; n != &scene.Root(); n = scene.ParentOf(*n))
        p = TransformPoint(n->ComposeParentFromNode(), p);
    return p;
}

const SceneNode& TopLevelOf(const Scene& scene, const SceneNode& node) {
    const SceneNode* n = &node;
    while (scene.ParentOf(*n) != &scene.Root())
        n = scene.ParentOf(*n);
    return *n;
}

// Every exported object's vertex positions, by name.
std::map<std::string, std::vector<Vec3>> ExportedVertices(const Scene& scene) {
    std::ostringstream obj, mtl;
    WriteSceneObj(scene, obj, mtl, "scene.mtl");
    std::map<std::string, std::vector<Vec3>> objects;
    std::istringstream in(obj.str());
    std::string line, current;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        if (tag == "o") {
            fields >> current;
        } else if (tag == "v") {
            Vec3 p;
            fields >> p.x >> p.y >> p.z;
            objects[current].push_back(p);
        }
    }
    return objects;
}

class RandomScene {
  public:
    explicit RandomScene(unsigned seed) : random_(seed) {
        scene_.RemoveLight(0);
        std::vector<SceneNode*> top;
        const int objects = Int(4, 7);
        for (int i = 0; i < objects; ++i) {
            const auto type = static_cast<ObjectType>(Int(0, 7));
            SceneNode* node = scene_.CreateNode(type, {Real(-4, 4), 0, Real(-4, 4)});
            node->material.colour.r = static_cast<float>(leaves_.size());  // tells leaves apart
            leaves_.push_back(node);
            Place(*node, 0.5, 1.8);
            top.push_back(node);
        }
        // Groups of two, some of them grouped again, each with a placement of its own.
        for (int round = 0; round < 3 && top.size() >= 2; ++round) {
            scene_.ClearSelection();
            for (int k = 0; k < 2; ++k) {
                const std::size_t i =
                    static_cast<std::size_t>(Int(0, static_cast<int>(top.size()) - 1));
                scene_.AddToSelection(*top[i]);
                top.erase(top.begin() + static_cast<std::ptrdiff_t>(i));
            }
            SceneNode* group = scene_.GroupSelected();
            Place(*group, 0.6, 1.6);
            top.push_back(group);
        }
        scene_.ClearSelection();
        SceneNode& dragged =
            *top[static_cast<std::size_t>(Int(0, static_cast<int>(top.size()) - 1))];
        dragged.moving = 1;
        dragged.pending_offset = {Real(-1, 1), Real(-1, 1), Real(-1, 1)};
        dragged.ComputeParentFromNode();
    }

    const Scene& Get() const { return scene_; }
    const std::vector<SceneNode*>& Leaves() const { return leaves_; }
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    double Real(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random_);
    }

  private:
    // An uneven scale and a turn about a slanted axis.
    void Place(SceneNode& node, double low, double high) {
        node.scale = {Real(low, high), Real(low, high), Real(low, high)};
        node.rotation.Rotate(Real(-60, 60), {Real(-1, 1), 1.0, Real(-1, 1)});
        node.UpdateBounds();
        node.ComputeParentFromNode();
    }

    std::mt19937 random_;
    Scene scene_;
    std::vector<SceneNode*> leaves_;
};

TEST(Placements, ExportRenderPickAndWindowAgreeOnEverySurfacePoint) {
    for (unsigned seed = 1; seed <= 25; ++seed) {
        SCOPED_TRACE(seed);
        RandomScene random(seed);
        const Scene& scene = random.Get();
        const HeadlessViewRenderer view(400, 300, {4, 12, 40}, {0, 1, 0}, {0, 1, 0}, 35.0);
        const RenderCamera camera = MakeRenderCamera(view.Camera(), RenderQuality::Draft);
        const PreparedScene prepared(scene, camera, 0, 0, 0, 0);
        const auto exported = ExportedVertices(scene);
        const Vec3 eye = view.Camera().eye;

        for (int trial = 0; trial < 8; ++trial) {
            const SceneNode& leaf = *random.Leaves()[static_cast<std::size_t>(
                random.Int(0, static_cast<int>(random.Leaves().size()) - 1))];
            const Mesh& mesh = leaf.display_mesh;
            const int t = random.Int(0, static_cast<int>(mesh.TriangleCount()) - 1);
            Vec3 corners[3];
            Vec3 obj_point, local_point;
            for (std::size_t k = 0; k < 3; ++k) {
                const std::uint16_t i = mesh.indices[3 * static_cast<std::size_t>(t) + k];
                corners[k] = InWorld(scene, leaf, ToVec3(mesh.vertices[i].Position()));
                local_point = local_point + ToVec3(mesh.vertices[i].Position()) * (1.0 / 3.0);
                obj_point = obj_point + exported.at(leaf.name).at(i) * (1.0 / 3.0);
            }
            const Vec3 point = InWorld(scene, leaf, local_point);
            const double tolerance = 1e-4 * (1.0 + point.Length());
            EXPECT_NEAR((obj_point - point).Length(), 0.0, tolerance) << leaf.name;

            const PreparedNode* traced = nullptr;
            for (const PreparedNode& n : prepared.Nodes())
                if (n.leaf && prepared.MaterialOf(n).colour.r == leaf.material.colour.r)
                    traced = &n;
            ASSERT_NE(traced, nullptr);
            ASSERT_LT(static_cast<std::size_t>(t), traced->mesh.Size());
            const RenderTriangle triangle = traced->mesh.Triangle(static_cast<std::size_t>(t));
            const Vec3 traced_point = (ToVec3(triangle.corner[0]) + ToVec3(triangle.corner[1]) +
                                       ToVec3(triangle.corner[2])) *
                                      (1.0 / 3.0);
            EXPECT_NEAR((traced_point - point).Length(), 0.0, tolerance) << leaf.name;

            // The ray through the point's window point passes through the point; the tracer's
            // rectangle (its rows one above the window's) holds that window point.
            WindowPoint window;
            ASSERT_TRUE(view.ProjectToWindow(point, window));
            EXPECT_TRUE(traced->rect.Contains(static_cast<float>(window.x),
                                              static_cast<float>(window.y - 1.0)))
                << window.x << ", " << window.y;
            const PickRay ray = view.RayAt(window);
            const Vec3 direction = ray.direction * (1.0 / ray.direction.Length());
            EXPECT_NEAR(Cross(point - ray.origin, direction).Length(), 0.0, tolerance);

            // Seen nearly edge on, the double and single precision tests may part.
            const Vec3 normal = Cross(corners[1] - corners[0], corners[2] - corners[0]);
            if (std::fabs(Dot(normal, direction)) < 0.2 * normal.Length())
                continue;
            const std::optional<PickHit> hit = Pick(scene, ray, {});
            const TraceHit trace = prepared.Nearest(ToFloat(ray.origin), ToFloat(direction), 1e30f);
            ASSERT_TRUE(hit.has_value());
            ASSERT_TRUE(trace.Found());
            const double distance = (point - eye).Length();
            EXPECT_NEAR(hit->distance, trace.distance, 1e-3 * (1.0 + distance));
            EXPECT_LE(hit->distance, distance + 1e-3 * (1.0 + distance));
            if (std::fabs(hit->distance - distance) < 1e-3 * (1.0 + distance)) {
                EXPECT_EQ(hit->node, TopLevelOf(scene, leaf).id) << leaf.name;
            }
        }
    }
}

}  // namespace
}  // namespace kelto
