#include "gltf_pictures.h"

#include <algorithm>
#include <cmath>

#include "image_files.h"

namespace kelto {
namespace {

// Heights 0..1 of every pixel, rows top first.
std::vector<float> HeightsOf(const TextureImage& picture) {
    const int w = picture.width, h = picture.height;
    std::vector<float> heights(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float height = 0.0f;
            if (picture.IsGrey()) {
                height =
                    picture.grey_rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] /
                    255.0f;
            } else {
                const RgbRow& row = picture.rgb_rows[static_cast<std::size_t>(y)];
                const auto i = static_cast<std::size_t>(x);
                height =
                    (0.299f * row.red[i] + 0.587f * row.green[i] + 0.114f * row.blue[i]) / 255.0f;
            }
            heights[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                    static_cast<std::size_t>(x)] = height;
        }
    }
    return heights;
}

std::uint8_t UnitToByte(float v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround((v * 0.5f + 0.5f) * 255.0f), 0L, 255L));
}

Result<EncodedPicture> Png(const RenderImage& image) {
    EncodedPicture encoded{{}, "image/png", "png"};
    if (Status done = EncodePng(image, encoded.bytes); !done.ok()) {
        return done;
    }
    return encoded;
}

}  // namespace

RenderImage RgbPictureOf(const TextureImage& picture) {
    RenderImage image(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            const auto i = static_cast<std::size_t>(x);
            if (picture.IsGrey()) {
                const std::uint8_t g = picture.grey_rows[static_cast<std::size_t>(y)][i];
                image.SetPixel(x, y, g, g, g);
            } else {
                const RgbRow& row = picture.rgb_rows[static_cast<std::size_t>(y)];
                image.SetPixel(x, y, row.red[i], row.green[i], row.blue[i]);
            }
        }
    }
    return image;
}

Result<EncodedPicture> EncodeMaterialPicture(const TextureImage& picture) {
    if (!picture.HasPixels()) {
        return Status::Silent();
    }
    return Png(RgbPictureOf(picture));
}

Result<EncodedPicture> EncodeNormalMap(const TextureImage& heights, float magnitude) {
    if (!heights.HasPixels()) {
        return Status::Silent();
    }
    const int w = heights.width, h = heights.height;
    const std::vector<float> height = HeightsOf(heights);
    auto at = [&](int x, int y) {
        x = (x + w) % w;  // the picture repeats across its edges, as a tiled bump does
        y = std::clamp(y, 0, h - 1);
        return height[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                      static_cast<std::size_t>(x)];
    };
    const float scale = std::isfinite(magnitude) ? magnitude * 4.0f : 0.0f;
    RenderImage map(w, h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            // Rows run downwards, so the slope upwards is the row above less the row below.
            const float nx = -scale * (at(x + 1, y) - at(x - 1, y)) * 0.5f;
            const float ny = -scale * (at(x, y - 1) - at(x, y + 1)) * 0.5f;
            const float length = std::sqrt(nx * nx + ny * ny + 1.0f);
            map.SetPixel(x, y, UnitToByte(nx / length), UnitToByte(ny / length),
                         UnitToByte(1.0f / length));
        }
    }
    return Png(map);
}

}  // namespace kelto
