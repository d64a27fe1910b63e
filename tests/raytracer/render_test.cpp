// Cameras, shading rules and the two pixel loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <tuple>
#include <utility>

#include "files/image_files.h"
#include "raytracer/ray_tracer.h"
#include "tracer_test_scenes.h"

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer runtime's count of the bytes its allocator has handed out and not taken back
// (declared in sanitizer/allocator_interface.h, which GCC does not install).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace kelto {
namespace {

using tracer_test::Camera;
using tracer_test::CollectingSink;

TEST(RenderCamera, PrimaryRaysGoThroughTheirPixelsAndUnsizedViewsRenderAtTheSmallest) {
    const RenderCamera camera = Camera(64, 48);
    EXPECT_NEAR(Dot(camera.forward, camera.right), 0.0, 1e-12);
    EXPECT_NEAR(Dot(camera.forward, camera.up), 0.0, 1e-12);
    EXPECT_NEAR(camera.vertical_ray_scale, -camera.horizontal_ray_scale * 48.0 / 64.0, 1e-12);
    Scene scene;
    const RayTracer tracer(scene, camera);
    const Vec3f centre = tracer.PrimaryDirection(32, 24);
    EXPECT_NEAR(centre.x, camera.forward.x, 1e-6);
    EXPECT_NEAR(centre.z, camera.forward.z, 1e-6);
    // The top rows look up, the left columns look left.
    EXPECT_GT(Dot(tracer.PrimaryDirection(32, 0), ToFloat(camera.up)), 0.0f);
    EXPECT_LT(Dot(tracer.PrimaryDirection(0, 24), ToFloat(camera.right)), 0.0f);
    // A world point, projected to the screen, lies on the ray through its pixel.
    const Vec3 point{1.5, 0.7, -2.0};
    const std::optional<WindowPoint> window = WindowOf(camera).FromWorld(point);
    ASSERT_TRUE(window);
    const Vec3f d =
        tracer.PrimaryDirection(static_cast<float>(window->x), static_cast<float>(window->y));
    EXPECT_NEAR(Dot(d, Normalised(ToFloat(point - camera.eye))), 1.0f, 1e-6f);
    // The lens samples sit within a hair of the eye.
    for (const Vec3f& p : tracer.LensSet(7))
        EXPECT_LT(Length(p - ToFloat(camera.eye)), 1e-4f);
    ViewCamera view;
    view.SetProjection(320, 200, 35);
    view.LookAt({2, 3, 9}, {0, 0, 0}, {0, 1, 0});
    // A window of no height (or 3 x 1, as hidden windows are): 11 x 11 through the same eye.
    for (const auto& [w, h] : {std::pair{0, 0}, std::pair{3, 1}, std::pair{400, 4}}) {
        ViewCamera squashed = view;
        squashed.SetProjection(w, h, 35);
        const RenderCamera camera = ViewRenderCamera(squashed, 35, RenderQuality::Draft);
        EXPECT_EQ(camera.width, std::max(w, kSmallestRenderSide));
        EXPECT_EQ(camera.height, std::max(h, kSmallestRenderSide));
        EXPECT_EQ(camera.eye, view.eye);
        EXPECT_EQ(camera.forward, view.direction);
        // Its rays still spread over the picture: the centre looks ahead.
        EXPECT_DOUBLE_EQ(camera.half_width, camera.width / 2.0);
        EXPECT_GT(std::abs(camera.horizontal_ray_scale), 0.0);
        EXPECT_TRUE(std::isfinite(camera.horizontal_ray_scale));
        EXPECT_TRUE(std::isfinite(camera.vertical_ray_scale));
    }
}

TEST(ProductionRender, LensSetsComeFromTheRendersOwnSeed) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = Camera(16, 12, RenderQuality::Production);
    RenderOptions options;
    options.seed = 42;
    const RayTracer first(scene, camera, nullptr, options);
    // Another render in between, seeded otherwise, does not move the next one's sequence.
    options.seed = 7;
    const RayTracer other(scene, camera, nullptr, options);
    options.seed = 42;
    const RayTracer again(scene, camera, nullptr, options);
    EXPECT_EQ(first.Seed(), 42);
    int differing = 0;
    for (int set = 0; set < RayTracer::kLensSets; ++set) {
        for (int slot = 0; slot < RayTracer::kLensSlots; ++slot) {
            ASSERT_TRUE(first.LensSet(set)[slot] == again.LensSet(set)[slot]) << set << ' ' << slot;
            differing += first.LensSet(set)[slot] != other.LensSet(set)[slot] ? 1 : 0;
        }
    }
    EXPECT_GT(differing, RayTracer::kLensSets * RayTracer::kLensSlots / 2);
    // Without a seed the clock gives one; the sequence is still the render's own.
    options.seed.reset();
    const RayTracer unseeded(scene, camera, nullptr, options);
    options.seed = unseeded.Seed();
    const RayTracer replayed(scene, camera, nullptr, options);
    EXPECT_EQ(unseeded.LensSet(99)[15].x, replayed.LensSet(99)[15].x);
}

TEST(SubtractiveRandom, AnySeedDrawsFromZeroToOne) {
    // Seeds beyond the modulus, and the most negative, are folded in without overflow.
    for (long seed : {-1L, 1000000001L, std::numeric_limits<long>::min()}) {
        SubtractiveRandom r(seed);
        for (int i = 0; i < 200; ++i) {
            const double v = r.Next();
            ASSERT_GE(v, 0.0);
            ASSERT_LT(v, 1.0);
        }
    }
}

#if defined(__SANITIZE_ADDRESS__)
// Where two runs of corner rows meet, both rows of corners are kept until the row of pixels
// between them is out; then their memory goes back. A tall picture has thousands of such
// seams: kept, they would hold two rows of corners each (here 2 x 401 x 12 bytes, some
// 11 MB for the picture's 1 200 seams).
TEST(DraftRender, ATallPictureHoldsOnlyTheSeamsInProgress) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = Camera(400, 4800);
    class PeakSink : public PixelSink {
      public:
        void Output(std::span<const PixelUpdate>) override {  // from both threads
            const std::size_t now = __sanitizer_get_current_allocated_bytes();
            std::lock_guard guard(lock);
            peak = std::max(peak, now);
        }
        std::mutex lock;
        std::size_t peak = 0;
    };
    RenderOptions options;
    options.threads = 2;
    RayTracer tracer(scene, camera, nullptr, options);
    const std::size_t before = __sanitizer_get_current_allocated_bytes();
    PeakSink sink;
    tracer.Render(sink);
    EXPECT_LT(sink.peak - before, std::size_t{4} << 20);
}
#endif

TEST(DraftRender, SameImageOnAnyNumberOfThreads) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = Camera(40, 30);
    RenderImage first;
    for (int threads : {1, 2, 8}) {
        RenderOptions options;
        options.threads = threads;
        RayTracer tracer(scene, camera, nullptr, options);
        CollectingSink sink(40, 30);
        tracer.Render(sink);
        EXPECT_EQ(sink.outputs, 1200);
        if (threads == 1) {
            first = sink.image;
            // One thread visits the pixels row by row, top to bottom, left to right.
            for (std::size_t i = 0; i < sink.order.size(); ++i)
                ASSERT_EQ(sink.order[i], (std::pair<int, int>(static_cast<int>(i % 40),
                                                              static_cast<int>(i / 40))));
        } else {
            tracer_test::ExpectSamePicture(sink.image, first, std::to_string(threads));
        }
    }
    // The reference walk gives the same picture as the hierarchy.
    RenderOptions reference;
    reference.reference_walk = true;
    RayTracer slow(scene, camera, nullptr, reference);
    CollectingSink sink(40, 30);
    slow.Render(sink);
    tracer_test::ExpectSamePicture(sink.image, first, "reference walk");
}

TEST(DraftRender, MatchesTheReviewedReferencePicture) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    RayTracer tracer(scene, Camera(64, 48));
    CollectingSink sink(64, 48);
    tracer.Render(sink);
    // TIFF, because it reads back byte for byte (PNG reading applies a gamma correction).
    TextureImage reference;
    const Status read = ReadTiff(KELTO_TEST_DATA "/raytracer/still_life_draft.tif", reference);
    if (!read.ok()) {
        // Write the picture for review when the reference is missing; fail until it is kept.
        WriteTiff(sink.image, "still_life_draft.tif");
        FAIL() << "no reference picture: " << read.text;
    }
    ASSERT_EQ(reference.width, 64);
    ASSERT_EQ(reference.height, 48);
    for (int y = 0; y < 48; ++y)
        EXPECT_TRUE(reference.rgb_rows[y] == sink.image.Row(y)) << "row " << y;
}

TEST(ProductionRender, RefinesOnlyWhereSamplesDifferOrBrighten) {
    Scene scene;
    tracer_test::AddGlowingWall(scene);
    RenderOptions options;
    options.seed = 3;
    const RayTracer tracer(scene, Camera(16, 16, RenderQuality::Production, {0, 1, 12}, {0, 1, 0}),
                           nullptr, options);
    RayTracer::ProductionState state;
    int samples = 0;
    // The previous pixel was black: this one is brighter, so it is refined.
    ColourRgb colour = tracer.ProductionPixel(8, 8, state, samples);
    EXPECT_EQ(samples, 20);
    EXPECT_FLOAT_EQ(colour.r, 0.5f);
    // Four equal samples, no brighter than the last pixel: four samples only.
    state.last = colour;
    colour = tracer.ProductionPixel(9, 8, state, samples);
    EXPECT_EQ(samples, 4);
    EXPECT_FLOAT_EQ(colour.g, 0.25f);
    EXPECT_EQ(state.first_pass_counter, 2);
    EXPECT_EQ(state.refinement_counter, 1);
}

// Two facing mirrors with the eye between them: rays bounce until the depth limit (8), or
// until the weight falls below 0.05 (reflection 0.5: weights 1, 0.5 ... 0.0625, then 0.03125).
TEST(Shading, DepthAndWeightLimitRecursion) {
    for (const auto& [reflection, transparency, deepest] :
         {std::tuple{1.0f, 1.0f, 8}, {0.5f, 0.0f, 4}, {0.05f, 0.0f, 0}}) {
        Scene scene;
        for (double z : {-3.0, 3.0}) {
            SceneNode* mirror = scene.CreateNode(ObjectType::Cube, {0, 0, z});
            mirror->scale = {10, 10, 0.5};
            mirror->ComputeParentFromNode();
            mirror->material.reflective_strength = reflection;
            mirror->material.transparency = transparency;
        }
        TraceStatistics statistics;
        RenderOptions options;
        options.statistics = &statistics;
        RayTracer tracer(scene, Camera(4, 4, RenderQuality::Draft, {0, 1, 0}, {0, 1, -1}), nullptr,
                         options);
        tracer.Trace(tracer.Eye(), {0, 0, -1}, 0, 1.0f, 1.0f);
        EXPECT_EQ(statistics.deepest.load(), deepest) << reflection;
    }
}

// A floor lit by one light from above; what lands at the floor point under the light.
ColourRgb FloorUnderLight(Scene& scene, const Vec3& light_position) {
    const RenderCamera camera = Camera(8, 8, RenderQuality::Draft, {0, 10, 10}, {0, 0, 0});
    RayTracer tracer(scene, camera);
    const Vec3f floor_point{static_cast<float>(light_position.x), 0.0f,
                            static_cast<float>(light_position.z)};
    const Vec3f eye = tracer.Eye();
    return tracer.Trace(eye, Normalised(floor_point - eye), 0, 1.0f, 1.0f);
}

Scene& FloorScene(Scene& scene) {
    scene.Lights().clear();
    scene.ambient_light = {0, 0, 0, 0};
    SceneNode* floor = scene.CreateNode(ObjectType::Cube, {0, -2, 0});  // top face at y = 0
    floor->scale = {30, 1, 30};
    floor->ComputeParentFromNode();
    floor->material.highlight = {0, 0, 0};
    return scene;
}

TEST(Shading, SpotConesShadowsAndClamping) {
    Scene scene;
    FloorScene(scene);
    scene.InsertLight(LightKind::Spot, {0, 4, 0});
    Light& spot = scene.Lights().back();
    spot.rotation.Rotate(-90, {1, 0, 0});  // shining down
    spot.spot_angle = 45.0f;
    spot.casts_shadows = 0;
    // Straight below: lit. 45 degrees off the axis exactly, on the cone's edge: lit. Beyond: dark.
    EXPECT_GT(FloorUnderLight(scene, {0, 4, 0}).b, 0.1f);
    const RenderCamera camera = Camera(8, 8, RenderQuality::Draft, {0, 10, 10}, {0, 0, 0});
    {
        RayTracer tracer(scene, camera);
        const Vec3f eye = tracer.Eye();
        const Vec3f edge{3.99f, 0.0f, 0.0f}, outside{4.4f, 0.0f, 0.0f};
        EXPECT_GT(tracer.Trace(eye, Normalised(edge - eye), 0, 1, 1).b, 0.01f);
        EXPECT_EQ(tracer.Trace(eye, Normalised(outside - eye), 0, 1, 1).b, 0.0f);
    }

    // An object outside the picture still casts its shadow: a light far to the side, and a
    // block half-way to it, well out of the camera's narrow view.
    scene.Lights().clear();
    scene.InsertLight(LightKind::Point, {20, 10, 0});
    EXPECT_GT(FloorUnderLight(scene, {0, 4, 0}).b, 0.1f);
    scene.CreateNode(ObjectType::Cube, {10, 4, 0});
    {
        RayTracer tracer(scene, camera);
        int blockers = 0;
        for (const PreparedNode& node : tracer.Prepared().Nodes()) {
            if (node.leaf && node.box_min.x > 8.0f) {
                EXPECT_TRUE(node.off_screen);
                ++blockers;
            }
        }
        EXPECT_EQ(blockers, 1);
    }
    EXPECT_EQ(FloorUnderLight(scene, {0, 4, 0}).b, 0.0f);

    // Many bright lights clamp at 1 per channel.
    Scene bright;
    FloorScene(bright);
    for (int i = 0; i < 6; ++i) {
        bright.InsertLight(LightKind::Point, {0.1 * i, 3, 0});
        bright.Lights().back().intensity = 5;
    }
    const ColourRgb c = FloorUnderLight(bright, {0, 3, 0});
    EXPECT_EQ(c.b, 1.0f);
    EXPECT_LE(c.r, 1.0f);
}

}  // namespace
}  // namespace kelto
