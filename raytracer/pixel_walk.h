// The Hilbert walk of Production renders: a curve over a square of
// side 2^order from (0, 0), visiting positions outside the picture without tracing them. A
// walk can be restricted to a rectangle of the picture: it then visits the rectangle's pixels
// in the order the whole walk visits them, and skips whole blocks of the curve that miss it,
// so that a small rectangle of a large picture costs little.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "model/pixel_rect.h"

namespace kelto {

// The position of step `index` of the walk of this order (0 <= index < 4^order, order <= 30).
std::pair<int, int> HilbertPosition(int order, std::uint64_t index);

// The last step before `index` of the walk of this order that lies in a width x height
// picture; none before the first step.
std::optional<std::uint64_t> PreviousInPicture(int order, int width, int height,
                                               std::uint64_t index);

// One pixel of a walk and its step number in the whole walk.
struct WalkStep {
    int x = 0;
    int y = 0;
    std::uint64_t index = 0;
};

// Walks the pixels of `rect` (within the picture the order was chosen for) in the order of the
// whole walk, a stretch at a time.
class HilbertCursor {
  public:
    HilbertCursor(int order, const PixelRect& rect);
    // Replaces `steps` with up to `count` next pixels; false when none are left.
    bool Next(std::size_t count, std::vector<WalkStep>& steps);

  private:
    int order_;
    PixelRect rect_;
    std::uint64_t next_ = 0;
    std::uint64_t end_;
    std::size_t left_;  // pixels of the rectangle not yet visited
};

}  // namespace kelto
