// The material editor's live preview: one 128 x 128 Draft trace of the preview sphere on one
// core, for each kind of material the editor makes.
#include <benchmark/benchmark.h>

#include <string>

#include "document/material_preview.h"

namespace kelto {
namespace {

// A 512 x 512 picture of soft stripes, as an imported photograph would be.
SharedImage StripedPicture(int channels) {
    TextureImage image = TextureImage::Blank(512, 512, channels);
    for (int y = 0; y < image.height; ++y) {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(image.width * channels));
        for (int x = 0; x < image.width; ++x) {
            const auto value = static_cast<std::uint8_t>((x * 7 + y * 3) % 256);
            for (int c = 0; c < channels; ++c) {
                pixels[static_cast<std::size_t>(x * channels + c)] =
                    static_cast<std::uint8_t>(value + c * 60);
            }
        }
        if (channels == 1) {
            image.grey_rows[static_cast<std::size_t>(y)] = pixels;
        } else {
            RgbRow& row = image.rgb_rows[static_cast<std::size_t>(y)];
            for (int x = 0; x < image.width; ++x) {
                row.red[static_cast<std::size_t>(x)] = pixels[static_cast<std::size_t>(x * 3)];
                row.green[static_cast<std::size_t>(x)] =
                    pixels[static_cast<std::size_t>(x * 3 + 1)];
                row.blue[static_cast<std::size_t>(x)] = pixels[static_cast<std::size_t>(x * 3 + 2)];
            }
        }
    }
    image.failed = 0;
    image.BuildTexture();
    return SharedImage(std::move(image));
}

Material KindOfMaterial(int kind) {
    Material m;
    switch (kind) {
        case 1:  // image
            m.colour_source = 1;
            m.colour_image = StripedPicture(3);
            break;
        case 2:  // bump
            m.bump_mode = BumpMode::Image;
            m.bump_image = StripedPicture(1);
            m.bump_magnitude = 0.3f;
            break;
        case 3:  // reflective
            m.reflective_strength = 0.6f;
            m.shininess = 0.9f;
            break;
        case 4:  // transparent
            m.transparency = 0.8f;
            m.index_of_refraction = 1.5f;
            break;
        default:  // plain
            break;
    }
    return m;
}

const char* const kKindNames[] = {"plain", "image", "bump", "reflective", "transparent"};

void BM_MaterialPreview(benchmark::State& state) {
    MaterialPreviewScene scene;
    const Material material = KindOfMaterial(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        RenderImage picture = scene.Render(material);
        benchmark::DoNotOptimize(picture);
    }
    state.SetLabel(kKindNames[state.range(0)]);
}
BENCHMARK(BM_MaterialPreview)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

// The scene itself, made once per editor.
void BM_MaterialPreviewScene(benchmark::State& state) {
    for (auto _ : state) {
        MaterialPreviewScene scene;
        benchmark::DoNotOptimize(scene);
    }
}
BENCHMARK(BM_MaterialPreviewScene)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto

BENCHMARK_MAIN();
