// Renders of regions of a picture: the Hilbert walk restricted to a rectangle, the per-pixel
// sampling of seeded Production renders, and pictures put together from regions that equal
// the whole render bit for bit, whatever the cut and the number of threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <ranges>
#include <set>

#include "raytracer/pixel_walk.h"
#include "raytracer/ray_tracer.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

using tracer_test::Camera;
using tracer_test::CollectingSink;
using tracer_test::ExpectSamePicture;

// Every pixel of the cursor's walk over `rect`, in order.
std::vector<WalkStep> WalkOf(int order, const PixelRect& rect) {
    HilbertCursor cursor(order, rect);
    std::vector<WalkStep> all, stretch;
    while (cursor.Next(37, stretch))
        all.insert(all.end(), stretch.begin(), stretch.end());
    return all;
}

// That a render outputs every pixel once is checked by every region render below.
TEST(HilbertWalk, CursorVisitsAnyRectangleInTheWholeWalksOrder) {
    EXPECT_EQ(RayTracer::HilbertOrderFor(5000, 10), 13);  // beyond the old table
    Scene scene;
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{
             {100, 30}, {16, 16}, {1, 1}, {37, 5}, {5, 70}, {64, 63}}) {
        const RayTracer tracer(scene, Camera(w, h, RenderQuality::Production));
        const int order = tracer.HilbertOrder();
        const std::vector<std::pair<int, int>> whole = tracer.HilbertPixels();
        const std::vector<WalkStep> walked = WalkOf(order, {0, 0, w, h});
        ASSERT_EQ(walked.size(), whole.size()) << w << "x" << h;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            ASSERT_EQ(std::make_pair(walked[i].x, walked[i].y), whole[i]) << i;
            ASSERT_EQ(HilbertPosition(order, walked[i].index), whole[i]);
            // The walk's previous pixel in the picture is the one listed before.
            const auto before = PreviousInPicture(order, w, h, walked[i].index);
            if (i == 0) {
                EXPECT_FALSE(before.has_value());
            } else {
                ASSERT_TRUE(before.has_value());
                ASSERT_EQ(*before, walked[i - 1].index);
            }
        }
        // A rectangle's walk is the whole walk with the pixels outside it left out.
        for (const PixelRect& rect :
             {PixelRect{0, 0, 1, 1}, PixelRect{w / 3, h / 4, w, h}, PixelRect{w - 1, 0, w, h},
              PixelRect{0, h / 2, w / 2 + 1, h}}) {
            const PixelRect r = Intersection(rect, {0, 0, w, h});
            std::vector<std::pair<int, int>> expected;
            for (const auto& p : whole)
                if (r.Contains(p.first, p.second))
                    expected.push_back(p);
            std::vector<std::pair<int, int>> got;
            for (const WalkStep& s : WalkOf(order, r))
                got.emplace_back(s.x, s.y);
            EXPECT_EQ(got, expected) << w << "x" << h << " " << r.x0 << "," << r.y0;
        }
    }
}

TEST(PixelDraws, DependOnSeedAndPositionOnlyAndSpreadOverTheTables) {
    std::set<int> first_sets, lenses;
    int differing_seed = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
            const PixelDraws a = PixelDrawsFor(12, x, y, RayTracer::kLensSets);
            const PixelDraws again = PixelDrawsFor(12, x, y, RayTracer::kLensSets);
            ASSERT_EQ(a.first_pass_set, again.first_pass_set);
            ASSERT_EQ(a.refinement_lens, again.refinement_lens);
            for (const auto& [draw, size] : {std::pair{a.first_pass_set, kJitterSets},
                                             {a.refinement_set, kJitterSets},
                                             {a.first_pass_lens, RayTracer::kLensSets},
                                             {a.refinement_lens, RayTracer::kLensSets}})
                ASSERT_TRUE(draw >= 0 && draw < size) << draw;
            first_sets.insert(a.first_pass_set);
            lenses.insert(a.first_pass_lens);
            differing_seed +=
                PixelDrawsFor(13, x, y, RayTracer::kLensSets).first_pass_set != a.first_pass_set;
        }
    }
    // 2000 draws from 1000 sets reach most of them; every lens set is used.
    EXPECT_GT(first_sets.size(), 800u);
    EXPECT_EQ(lenses.size(), static_cast<std::size_t>(RayTracer::kLensSets));
    EXPECT_GT(differing_seed, 1900);
}

// Renders `rect` of the picture (all of it without one) and returns what came out, checking
// that every pixel of the rectangle came once and nothing else.
RenderImage RenderRegion(const Scene& scene, const RenderCamera& camera, RenderOptions options,
                         std::optional<PixelRect> rect) {
    options.region = rect;
    RayTracer tracer(scene, camera, nullptr, options);
    CollectingSink sink(camera.width, camera.height);
    tracer.Render(sink);
    const PixelRect r = rect.value_or(PixelRect{0, 0, camera.width, camera.height});
    EXPECT_EQ(static_cast<std::size_t>(sink.outputs), r.Area());
    for (int y = 0; y < camera.height; ++y) {
        for (int x = 0; x < camera.width; ++x)
            EXPECT_EQ(sink.hits[static_cast<std::size_t>(y * camera.width + x)],
                      r.Contains(x, y) ? 1 : 0)
                << x << "," << y;
    }
    return sink.image;
}

// The picture put together from renders of each rectangle.
RenderImage Assemble(const Scene& scene, const RenderCamera& camera, const RenderOptions& options,
                     const std::vector<PixelRect>& rects) {
    RenderImage image(camera.width, camera.height);
    for (const PixelRect& r : rects) {
        const RenderImage part = RenderRegion(scene, camera, options, r);
        for (int y = r.y0; y < r.y1; ++y) {
            for (int x = r.x0; x < r.x1; ++x) {
                const auto p = part.Pixel(x, y);
                image.SetPixel(x, y, p[0], p[1], p[2]);
            }
        }
    }
    return image;
}

// Cuts of a w x h picture: uneven bands, a grid of tiles, strips one pixel wide, one part.
std::vector<std::vector<PixelRect>> Cuts(int w, int h) {
    std::vector<std::vector<PixelRect>> cuts;
    cuts.push_back({{0, 0, w, 3}, {0, 3, w, 4}, {0, 4, w, h / 2}, {0, h / 2, w, h}});
    std::vector<PixelRect> tiles;
    for (int k = 0; k < 6; ++k)
        tiles.push_back(TileRect(w, h, 3, 2, k));
    cuts.push_back(tiles);
    std::vector<PixelRect> strips;
    for (int x = 0; x < w; ++x)
        strips.push_back({x, 0, x + 1, h});
    cuts.push_back(strips);
    cuts.push_back({{0, 0, w, h}});
    return cuts;
}

// Unlit blocks that glow evenly, turned so that their edges cross the pixels aslant, in
// front of a dimmer wall: the four first samples of many pixels along the edges agree, and
// whether such a pixel is refined depends on the pixel before it on the walk.
void AddGlowingBlocks(Scene& scene) {
    scene.Lights().clear();
    scene.ambient_light = {0, 0, 0, 0};
    SceneNode* wall = scene.CreateNode(ObjectType::Cube, {0, 0, -3});
    wall->scale = {40, 40, 1};
    wall->ComputeParentFromNode();
    wall->material.colour = {0, 0, 0};
    wall->material.glow = {0.2f, 0.3f, 0.1f};
    const double places[4][2] = {{-2.5, 2}, {1.5, 3.2}, {-0.5, -0.5}, {2.5, -1}};
    for (int i = 0; i < 4; ++i) {
        SceneNode* block = scene.CreateNode(ObjectType::Cube, {places[i][0], places[i][1], 0});
        block->rotation.Rotate(20.0 + 17.0 * i, {0, 0, 1});
        block->ComputeParentFromNode();
        block->material.colour = {0, 0, 0};
        block->material.glow = {0.9f, 0.6f - 0.1f * static_cast<float>(i), 0.4f};
    }
}

// Draft, and seeded Production of the still life and of glowing blocks whose refinement
// depends on the pixel before on the walk.
TEST(RegionRender, RegionsMakeTheWholePictureBitForBit) {
    for (int which = 0; which < 3; ++which) {
        Scene scene;
        if (which == 2)
            AddGlowingBlocks(scene);
        else
            tracer_test::AddStillLife(scene);
        const RenderCamera camera =
            which == 0   ? Camera(23, 17)
            : which == 1 ? Camera(21, 15, RenderQuality::Production)
                         : Camera(21, 15, RenderQuality::Production, {0, 1, 12}, {0, 1, 0});
        RenderOptions options;
        if (which > 0) {
            options.seed = 2024;
            options.sampling = ProductionSampling::Pixel;
        }
        const RenderImage whole = RenderRegion(scene, camera, options, std::nullopt);
        int cut_number = 0;
        for (const auto& cut : Cuts(camera.width, camera.height)) {
            for (int threads : {1, 2, 4}) {
                options.threads = threads;
                ExpectSamePicture(Assemble(scene, camera, options, cut), whole,
                                  "scene " + std::to_string(which) + ", cut " +
                                      std::to_string(cut_number) + " on " +
                                      std::to_string(threads) + " threads");
            }
            ++cut_number;
        }
        // The seed does choose the samples: another gives another picture.
        if (which == 1) {
            options.seed = 2025;
            const RenderImage other = RenderRegion(scene, camera, options, std::nullopt);
            EXPECT_FALSE(std::ranges::all_of(std::views::iota(0, camera.height),
                                             [&](int y) { return other.Row(y) == whole.Row(y); }));
        }
    }
}

TEST(RegionRender, LargePicturesSplitAlikeWhereStretchesAndTheWalkLeaveThePicture) {
    // 1100 x 3 pixels: a 2048-wide walk that leaves the picture and comes back, and more than
    // one stretch of 1024 pixels.
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = Camera(1100, 3, RenderQuality::Production);
    RenderOptions options;
    options.seed = 5;
    options.sampling = ProductionSampling::Pixel;
    options.threads = 2;
    const RenderImage whole = RenderRegion(scene, camera, options, std::nullopt);
    ExpectSamePicture(
        Assemble(scene, camera, options, {{0, 0, 700, 3}, {700, 0, 1100, 1}, {700, 1, 1100, 3}}),
        whole, "three parts");
}

TEST(RegionRender, WalkSamplingStaysAsTheProgramAlwaysWalked) {
    // Unseeded renders (the application's) carry the counters, the lens set and the last
    // colour along stretches of the heading-and-turn walk, as they always have.
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = Camera(40, 30, RenderQuality::Production);
    RenderOptions options;
    options.seed = 8;
    options.threads = 3;
    const RenderImage rendered = RenderRegion(scene, camera, options, std::nullopt);
    const RayTracer tracer(scene, camera, nullptr, options);
    const std::vector<std::pair<int, int>> pixels = tracer.HilbertPixels();
    RenderImage expected(40, 30);
    RayTracer::ProductionState state;
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        if (i % RayTracer::kProductionStretch == 0)
            state = RayTracer::ProductionState::ForStretch(i / RayTracer::kProductionStretch);
        int samples = 0;
        state.last = tracer.ProductionPixel(pixels[i].first, pixels[i].second, state, samples);
        const std::uint32_t c = PackColour(state.last);
        expected.SetPixel(pixels[i].first, pixels[i].second, c & 0xFF, (c >> 8) & 0xFF,
                          (c >> 16) & 0xFF);
    }
    ExpectSamePicture(rendered, expected, "walk");
}

TEST(RegionRender, SeededPixelsRefineWhenBrighterThanTheFirstPassBefore) {
    Scene scene;
    tracer_test::AddGlowingWall(scene);
    RenderOptions options;
    options.seed = 3;
    options.sampling = ProductionSampling::Pixel;
    const RayTracer tracer(scene, Camera(16, 16, RenderQuality::Production, {0, 1, 12}, {0, 1, 0}),
                           nullptr, options);
    ColourRgb mean;
    int samples = 0;
    ColourRgb colour = tracer.SeededPixel(8, 8, {}, mean, samples);
    EXPECT_EQ(samples, 20);  // brighter than black
    EXPECT_FLOAT_EQ(colour.r, 0.5f);
    EXPECT_FLOAT_EQ(mean.g, 0.25f);
    const ColourRgb before = tracer.FirstPassMean(8, 8);
    EXPECT_EQ(before, mean);
    colour = tracer.SeededPixel(9, 8, before, mean, samples);
    EXPECT_EQ(samples, 4);  // equal samples, no brighter than the pixel before
    EXPECT_FLOAT_EQ(colour.b, 0.125f);
}

TEST(RegionRender, ARegionTracesOnlyWhatItsPixelsNeed) {
    Scene scene;
    tracer_test::AddGlowingWall(scene);
    const RenderCamera draft = Camera(64, 48, RenderQuality::Draft, {0, 1, 12}, {0, 1, 0});
    const PixelRect rect{10, 7, 30, 19};
    TraceStatistics draft_rays;
    RenderOptions options;
    options.statistics = &draft_rays;
    options.threads = 2;
    RenderRegion(scene, draft, options, rect);
    // Draft: the region's corners, each once.
    EXPECT_EQ(draft_rays.rays.load(), (rect.Width() + 1) * (rect.Height() + 1));

    const RenderCamera production =
        Camera(64, 48, RenderQuality::Production, {0, 1, 12}, {0, 1, 0});
    TraceStatistics production_rays;
    options.statistics = &production_rays;
    options.seed = 1;
    options.sampling = ProductionSampling::Pixel;
    RenderRegion(scene, production, options, rect);
    // Production: four samples a pixel, none refined (the wall is even), and where the walk
    // comes in from outside, the first pass of the pixel it came from: far fewer than the
    // rectangle's edge has pixels.
    const long long area = static_cast<long long>(rect.Area());
    EXPECT_GE(production_rays.rays.load(), 4 * area);
    EXPECT_LE(production_rays.rays.load(), 4 * area + 4 * (rect.Width() + rect.Height()));
}

}  // namespace
}  // namespace kelto
