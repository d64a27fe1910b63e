// Small scenes and cameras for the tracer's tests, and what a render's listener and pixel sink
// were told.
#pragma once

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "model/scene.h"
#include "raytracer/ray_tracer.h"
#include "raytracer/render_job.h"

namespace kelto::tracer_test {

// Pictures equal bit for bit; `what` names the case in the failure.
inline void ExpectSamePicture(const RenderImage& a, const RenderImage& b,
                              const std::string& what = "") {
    ASSERT_EQ(a.Width(), b.Width()) << what;
    ASSERT_EQ(a.Height(), b.Height()) << what;
    for (int y = 0; y < a.Height(); ++y)
        ASSERT_TRUE(a.Row(y) == b.Row(y)) << what << ", row " << y;
}

// Counts a render's flush requests and its done notice, and waits for the latter.
class RecordingListener : public RenderListener {
  public:
    void FlushRequested() override {
        std::lock_guard guard(lock_);
        ++flushes_;
    }
    void RenderDone() override {
        std::lock_guard guard(lock_);
        ++done_;
        changed_.notify_all();
    }
    void WaitForDone() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return done_ > 0; });
    }
    int Flushes() {
        std::lock_guard guard(lock_);
        return flushes_;
    }
    int Done() {
        std::lock_guard guard(lock_);
        return done_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    int flushes_ = 0;
    int done_ = 0;
};

// Collects a render's pixels.
class CollectingSink : public PixelSink {
  public:
    CollectingSink(int width, int height)
        : image(width, height), hits(static_cast<std::size_t>(width * height)) {}
    void Output(std::span<const PixelUpdate> pixels) override {
        std::lock_guard guard(lock);
        for (const PixelUpdate& p : pixels) {
            const std::uint32_t colour = p.colour;
            image.SetPixel(p.x, p.y, colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
            ++hits[static_cast<std::size_t>(p.y * image.Width() + p.x)];
            ++outputs;
            order.push_back({p.x, p.y});
        }
    }
    std::mutex lock;
    RenderImage image;
    std::vector<int> hits;
    int outputs = 0;
    std::vector<std::pair<int, int>> order;  // pixels in the order they came
};

inline RenderCamera Camera(int width, int height, RenderQuality quality = RenderQuality::Draft,
                           Vec3 eye = {3, 8.5, 22.5}, Vec3 target = {0, 0, 0}) {
    return MakeRenderCamera(eye, target, {0, 1, 0}, 50.0, width, height, quality);
}

// A few objects of several kinds on the floor, one with a picture and a bump.
inline void AddStillLife(Scene& scene) {
    SceneNode* sphere = scene.CreateNode(ObjectType::Sphere, {0, 0, 0});
    sphere->material.reflective_strength = 0.4f;
    SceneNode* cube = scene.CreateNode(ObjectType::Cube, {-3, 0, 1});
    cube->material.colour = {0.9f, 0.2f, 0.1f};
    SceneNode* cone = scene.CreateNode(ObjectType::Cone, {3, 0, -1});
    cone->material.transparency = 0.6f;
    cone->material.index_of_refraction = 1.5f;
    SceneNode* torus = scene.CreateNode(ObjectType::Torus, {0, 0, 3});
    torus->material.colour = {0.9f, 0.8f, 0.1f};
    TextureImage picture = TextureImage::Blank(4, 4, 3);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            picture.rgb_rows[y].red[x] = static_cast<std::uint8_t>(60 * x);
            picture.rgb_rows[y].green[x] = static_cast<std::uint8_t>(60 * y);
        }
    }
    torus->material.colour_source = 1;
    torus->material.colour_image = SharedImage(picture);
    torus->material.bump_mode = BumpMode::UseColourMap;
    scene.InsertLight(LightKind::Spot, {0, 9, 2});
    scene.Lights().back().rotation.Rotate(-90, {1, 0, 0});  // pointing down
    scene.Lights().back().spot_angle = 40;
}

// A wall that glows the same everywhere, lit by nothing: every sample of it is equal, and
// every ray is a primary ray.
inline void AddGlowingWall(Scene& scene) {
    scene.Lights().clear();
    scene.ambient_light = {0, 0, 0, 0};
    SceneNode* wall = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
    wall->scale = {40, 40, 1};
    wall->ComputeParentFromNode();
    wall->material.glow = {0.5f, 0.25f, 0.125f};
}

}  // namespace kelto::tracer_test
