#include "pixel_walk.h"

#include <algorithm>
#include <bit>

namespace kelto {
namespace {

// The walk's steps from a multiple of 4^k on, 4^k of them, cover one aligned square of side
// 2^k. This is the largest k for which `index` starts such a block (all of them for 0).
int LargestBlockStartingAt(int order, std::uint64_t index) {
    return index == 0 ? order : std::min(order, std::countr_zero(index) / 2);
}

// Whether the aligned square of side 2^k holding (x, y) shares a pixel with the rectangle.
bool BlockMeets(int x, int y, int k, const PixelRect& rect) {
    const int side = 1 << k;
    const int bx = x & ~(side - 1);
    const int by = y & ~(side - 1);
    return bx < rect.x1 && rect.x0 < bx + side && by < rect.y1 && rect.y0 < by + side;
}

}  // namespace

std::pair<int, int> HilbertPosition(int order, std::uint64_t index) {
    // From the finest level up: each pair of index bits picks a quarter of the square of the
    // level above, which is turned or mirrored so that the curve joins up.
    std::uint32_t x = 0, y = 0;
    for (int level = 0; level < order; ++level) {
        const std::uint32_t side = 1u << level;
        const auto rx = static_cast<std::uint32_t>((index >> 1) & 1);
        const auto ry = static_cast<std::uint32_t>((index ^ rx) & 1);
        if (ry == 0) {
            if (rx == 1) {
                x = side - 1 - x;
                y = side - 1 - y;
            }
            std::swap(x, y);
        }
        x += side * rx;
        y += side * ry;
        index >>= 2;
    }
    return {static_cast<int>(x), static_cast<int>(y)};
}

std::optional<std::uint64_t> PreviousInPicture(int order, int width, int height,
                                               std::uint64_t index) {
    if (index == 0) {
        return std::nullopt;
    }
    const PixelRect picture{0, 0, width, height};
    std::uint64_t p = index - 1;
    for (;;) {
        const auto [x, y] = HilbertPosition(order, p);
        if (picture.Contains(x, y)) {
            return p;
        }
        // Step back over the largest block ending at p that misses the picture; the block that
        // starts at 0 holds (0, 0), so this never runs past the start.
        int k = LargestBlockStartingAt(order, p + 1);
        while (k > 0 && BlockMeets(x, y, k, picture)) {
            --k;
        }
        p -= std::uint64_t{1} << (2 * k);
    }
}

HilbertCursor::HilbertCursor(int order, const PixelRect& rect)
    : order_(order), rect_(rect), end_(std::uint64_t{1} << (2 * order)), left_(rect.Area()) {}

bool HilbertCursor::Next(std::size_t count, std::vector<WalkStep>& steps) {
    steps.clear();
    while (steps.size() < count && left_ > 0 && next_ < end_) {
        const auto [x, y] = HilbertPosition(order_, next_);
        // Skip the largest block starting here that misses the rectangle, or visit the pixel.
        int k = LargestBlockStartingAt(order_, next_);
        while (k >= 0 && BlockMeets(x, y, k, rect_)) {
            --k;
        }
        if (k < 0) {
            steps.push_back({x, y, next_});
            --left_;
            ++next_;
        } else {
            next_ += std::uint64_t{1} << (2 * k);
        }
    }
    return !steps.empty();
}

}  // namespace kelto
