// The material editor's preview: the scene shows the material on its sphere, traces stop when
// told, and of several requests only the newest picture reaches the window thread, never after
// the preview is gone.
#include <gtest/gtest.h>

#include "document/material_preview.h"
#include "tests/document/waiting_window_thread.h"

namespace kelto {
namespace {

constexpr int kCentre = MaterialPreviewScene::kSize / 2;

Material Coloured(float r, float g, float b) {
    Material m;
    m.colour = {r, g, b};
    return m;
}

bool Dominant(const std::array<std::uint8_t, 3>& pixel, int channel) {
    const int value = pixel[static_cast<std::size_t>(channel)];
    for (int c = 0; c < 3; ++c)
        if (c != channel && value <= 2 * pixel[static_cast<std::size_t>(c)] + 10)
            return false;
    return value > 60;
}

using test::WaitingWindowThread;

TEST(MaterialPreviewScene, ShowsTheMaterialOnTheSphereBeforeACheckeredRoom) {
    MaterialPreviewScene scene;
    const RenderImage red = scene.Render(Coloured(0.9f, 0.1f, 0.1f));
    const RenderImage blue = scene.Render(Coloured(0.1f, 0.1f, 0.9f));
    ASSERT_EQ(red.Width(), MaterialPreviewScene::kSize);
    ASSERT_EQ(red.Height(), MaterialPreviewScene::kSize);
    EXPECT_TRUE(Dominant(red.Pixel(kCentre, kCentre), 0));
    EXPECT_TRUE(Dominant(blue.Pixel(kCentre, kCentre), 2));
    // The corners show the grey wall and floor, whatever the material.
    for (const auto& [x, y] : {std::pair{2, 2}, std::pair{125, 2}, std::pair{2, 125}}) {
        const auto pixel = red.Pixel(x, y);
        EXPECT_EQ(pixel, blue.Pixel(x, y));
        EXPECT_EQ(pixel[0], pixel[1]);
        EXPECT_EQ(pixel[1], pixel[2]);
    }
    // Glass shows the grey room through the sphere; a mirror changes it too.
    Material glass = Coloured(0.9f, 0.1f, 0.1f);
    glass.transparency = 1.0f;
    glass.index_of_refraction = 1.5f;
    EXPECT_FALSE(Dominant(scene.Render(glass).Pixel(kCentre, kCentre), 0));
    Material mirror = Coloured(0.9f, 0.1f, 0.1f);
    mirror.reflective_strength = 1.0f;
    const RenderImage mirrored = scene.Render(mirror);
    int differing_rows = 0;
    for (int y = 0; y < red.Height(); ++y)
        differing_rows += mirrored.Row(y) == red.Row(y) ? 0 : 1;
    EXPECT_GT(differing_rows, 30);
}

TEST(MaterialPreviewScene, ImagesAndBumpsReachTheSphere) {
    MaterialPreviewScene scene;
    TextureImage green = TextureImage::Blank(4, 4, 3);
    for (RgbRow& row : green.rgb_rows)
        std::fill(row.green.begin(), row.green.end(), 230);
    green.failed = 0;
    Material pictured = Coloured(0.9f, 0.1f, 0.1f);
    pictured.colour_source = 1;
    pictured.colour_image = SharedImage(green);
    EXPECT_TRUE(Dominant(scene.Render(pictured).Pixel(kCentre, kCentre), 1));
    // A bump picture of stripes makes the shading of a plain sphere change across them.
    TextureImage stripes = TextureImage::Blank(64, 64, 1);
    for (std::size_t y = 0; y < stripes.grey_rows.size(); ++y)
        for (std::size_t x = 0; x < stripes.grey_rows[y].size(); ++x)
            stripes.grey_rows[y][x] = (x / 4) % 2 ? 255 : 0;
    stripes.failed = 0;
    Material bumpy;
    bumpy.bump_mode = BumpMode::Image;
    bumpy.bump_image = SharedImage(stripes);
    bumpy.bump_magnitude = 1.0f;
    const RenderImage smooth = scene.Render(Material());
    const RenderImage bumped = scene.Render(bumpy);
    int changed = 0;
    for (int x = 40; x < 88; ++x)
        changed += smooth.Pixel(x, kCentre) == bumped.Pixel(x, kCentre) ? 0 : 1;
    EXPECT_GT(changed, 10);
}

TEST(MaterialPreviewScene, AnAbortedTraceLeavesThePictureUnfinished) {
    MaterialPreviewScene scene;
    const std::atomic<int> abort{1};
    const RenderImage picture = scene.Render(Coloured(1, 1, 1), &abort);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            ASSERT_EQ(picture.Pixel(x, y), (std::array<std::uint8_t, 3>{0, 0, 0}));
}

TEST(MaterialPreview, OnlyTheNewestRequestsPictureReachesTheWindowThread) {
    WaitingWindowThread window_thread;
    std::vector<RenderImage> shown;
    MaterialPreview preview(window_thread, [&](const RenderImage& p) { shown.push_back(p); });
    Material material = Coloured(0.1f, 0.1f, 0.9f);
    preview.Request(material);
    material.colour = {0.1f, 0.9f, 0.1f};
    preview.Request(material);
    material.colour = {0.9f, 0.1f, 0.1f};
    preview.Request(material);
    material.colour = {0.1f, 0.1f, 0.9f};  // changed after the request: the preview has a copy
    EXPECT_EQ(preview.Requested(), 3u);
    while (preview.Delivered() == 0)
        ASSERT_TRUE(window_thread.RunNext());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(Dominant(shown[0].Pixel(kCentre, kCentre), 0));
    // A new request brings one more picture.
    preview.Request(Coloured(0.1f, 0.9f, 0.1f));
    while (preview.Delivered() == 1)
        ASSERT_TRUE(window_thread.RunNext());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(Dominant(shown[1].Pixel(kCentre, kCentre), 1));
}

TEST(MaterialPreview, NothingArrivesOnceThePreviewIsGone) {
    WaitingWindowThread window_thread;
    int shown = 0;
    {
        MaterialPreview preview(window_thread, [&](const RenderImage&) { ++shown; });
        preview.Request(Coloured(0.5f, 0.5f, 0.5f));
        // Let the first picture arrive, then ask again and go at once.
        while (preview.Delivered() == 0)
            ASSERT_TRUE(window_thread.RunNext());
        preview.Request(Coloured(0.9f, 0.1f, 0.1f));
    }
    window_thread.RunAll();
    EXPECT_EQ(shown, 1);
}

}  // namespace
}  // namespace kelto
