// The picture of a picture environment: an equirectangular panorama in linear floating-point
// RGB, rows top first. Column 0 starts straight behind the default view's direction (-z) and
// longitude grows toward +x; row 0 is the zenith, the last row the nadir.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image.h"

namespace kelto {

struct EnvironmentPicture {
    // Wider or taller pictures are refused as too large to hold.
    static constexpr int kMaxSide = 32768;
    static constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

    int width = 0;
    int height = 0;
    std::vector<float> rgb;  // width * height * 3, finite and not negative

    ColourRgb Texel(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                               static_cast<std::size_t>(x)) *
                              3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }
};

}  // namespace kelto
