// A rectangle of a picture's pixels: what a render traces of its picture, and what a render
// part holds.
#pragma once

#include <algorithm>
#include <cstddef>

namespace kelto {

// Pixels x0 <= x < x1, y0 <= y < y1.
struct PixelRect {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;

    int Width() const { return x1 - x0; }
    int Height() const { return y1 - y0; }
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
    std::size_t Area() const {
        return Empty() ? 0 : static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height());
    }
    bool Contains(int x, int y) const { return x0 <= x && x < x1 && y0 <= y && y < y1; }
    // Whether the two share a pixel.
    bool Overlaps(const PixelRect& other) const {
        return !Empty() && !other.Empty() && x0 < other.x1 && other.x0 < x1 && y0 < other.y1 &&
               other.y0 < y1;
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The pixels both hold (an empty rectangle at 0 when they share none).
inline PixelRect Intersection(const PixelRect& a, const PixelRect& b) {
    const PixelRect r{std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1),
                      std::min(a.y1, b.y1)};
    return r.Empty() ? PixelRect{} : r;
}

// Tile `index` of a width x height picture cut into `columns` x `rows` tiles, counted row by
// row from the top left: column c spans x from floor(c * width / columns) to
// floor((c + 1) * width / columns), row r likewise in y. No tile is empty when columns <=
// width and rows <= height. One column of N rows cuts the picture into N bands.
inline PixelRect TileRect(int width, int height, int columns, int rows, int index) {
    const auto cut = [](int size, int parts, int i) {
        return static_cast<int>(static_cast<long long>(size) * i / parts);
    };
    const int c = index % columns;
    const int r = index / columns;
    return {cut(width, columns, c), cut(height, rows, r), cut(width, columns, c + 1),
            cut(height, rows, r + 1)};
}

}  // namespace kelto
