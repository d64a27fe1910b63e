// Where a shading point's soft-shadow and occlusion rays go: stratified points of a disc and
// cosine-weighted directions over a hemisphere. Their numbers come from a stream that is a
// hash of the render's seed, the point's coordinates, what is sampled and the ray depth, so
// that a point is sampled alike whichever thread traces it, in whatever order, in whatever
// region of the picture.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "float_math.h"

namespace kelto {

class SampleStream {
  public:
    // `what` tells apart the things sampled at one point: a light's index, or kOcclusion.
    static constexpr std::uint32_t kOcclusion = 0xFFFFFFFFu;
    SampleStream(long seed, const Vec3f& point, std::uint32_t what, int depth);
    // A number in [0, 1).
    float Next();

  private:
    std::uint64_t state_;
};

// Two unit vectors that make a right-handed frame with the unit vector `n`.
struct TangentFrame {
    Vec3f tangent;
    Vec3f bitangent;
};
TangentFrame FrameAbout(const Vec3f& n);

// The unit square mapped onto the unit disc by rings (Shirley and Chiu's concentric map), so
// that strata of the square stay compact strata of the disc of equal area.
struct DiscPoint {
    float x;
    float y;
};
DiscPoint ConcentricDisc(float u, float v);

// Calls `use(u, v)` for `count` points of the unit square, one jittered in each cell of a
// grid of ceil(sqrt(count)) columns and as many rows as needed; when the grid has more cells
// than points, which cells are left empty is drawn from the stream.
template <typename Use>
void ForStratifiedPoints(int count, SampleStream& stream, Use&& use) {
    if (count <= 0) {
        return;
    }
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    int cells_left = columns * rows;
    int needed = count;
    const float width = 1.0f / static_cast<float>(columns);
    const float height = 1.0f / static_cast<float>(rows);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column, --cells_left) {
            // Each cell is taken with the chance of needed / left: exactly `count` in all.
            if (needed < cells_left &&
                stream.Next() * static_cast<float>(cells_left) >= static_cast<float>(needed)) {
                continue;
            }
            const float u = (static_cast<float>(column) + stream.Next()) * width;
            const float v = (static_cast<float>(row) + stream.Next()) * height;
            use(std::min(u, 1.0f), std::min(v, 1.0f));
            if (--needed == 0) {
                return;
            }
        }
    }
}

}  // namespace kelto
