// Test pictures written with the image libraries themselves, in every form the readers must
// take: PNG of every colour type and bit depth, grey and CMYK JPEG.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "model/image.h"

namespace kelto::testing_images {

struct PngLayout {
    int width = 4;
    int height = 3;
    int bit_depth = 8;
    int colour_type = 0;  // PNG_COLOR_TYPE_*
    bool interlaced = false;
    std::optional<double> gamma;                           // gAMA chunk
    std::optional<std::vector<std::uint16_t>> background;  // bKGD: grey, or r, g, b, or index
    std::vector<std::array<std::uint8_t, 3>> palette;
    // One sample per channel per pixel, at the file's bit depth, row by row.
    std::vector<std::uint16_t> samples;
};

std::vector<std::uint8_t> MakePng(const PngLayout& layout);

// A JPEG of `components` channels (1 grey, 3 RGB, 4 CMYK) filled with `value` in every sample.
std::vector<std::uint8_t> MakeJpeg(int width, int height, int components, std::uint8_t value);

// A render-sized picture with a smooth gradient and some detail.
RenderImage GradientPicture(int width, int height);

}  // namespace kelto::testing_images
