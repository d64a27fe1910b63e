// Reading the pictures of the modelling views back: a pixel's colour, the background's grey,
// a colour near a point.
#pragma once

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "interaction/view_renderer.h"

namespace kelto::test {

inline constexpr int kBackground = 128;  // grey 0.5

struct Rgb {
    int r, g, b;
};

// Clamped to the picture.
inline Rgb At(const QImage& image, int x, int y) {
    const QRgb p =
        image.pixel(std::clamp(x, 0, image.width() - 1), std::clamp(y, 0, image.height() - 1));
    return {qRed(p), qGreen(p), qBlue(p)};
}

inline bool IsBackground(const Rgb& c) {
    return std::abs(c.r - kBackground) <= 1 && std::abs(c.g - kBackground) <= 1 &&
           std::abs(c.b - kBackground) <= 1;
}

// A pixel within `reach` of the point that passes `test`.
template <typename Test>
bool Near(const QImage& image, const WindowPoint& p, int reach, Test test) {
    const int cx = static_cast<int>(std::floor(p.x));
    const int cy = static_cast<int>(std::floor(p.y));
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            if (test(At(image, cx + dx, cy + dy))) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace kelto::test
