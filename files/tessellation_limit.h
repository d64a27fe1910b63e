// How much tessellation a scene may ask for when it is read. Primitives keep no meshes in the
// file: they are rebuilt from their stored surfaces, so a small record with a large step count
// could ask for far more work and memory than the file holds. Each surface may take one grid
// sample per byte of its own stored record (Kelto's primitives store kilobytes and take 361);
// what surfaces take beyond that comes out of one allowance for the whole scene.
//
// The reader refuses a file beyond the limit, and Paste refuses objects that would take the
// document beyond it, so every scene Kelto saves opens again. A surface's record never changes
// once made, so only new surfaces count against the limit: no deletion, rename or material
// change can take a scene beyond it, and a new primitive takes less than its record holds.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/tessellation.h"

namespace kelto {

inline constexpr std::size_t kTessellationAllowance = 100000;

// The grid samples a surface of `steps` steps stored in `record_bytes` bytes takes beyond its
// record; none for a step count the tessellation refuses (it makes nothing).
constexpr std::size_t ExcessSamples(std::int32_t steps, std::size_t record_bytes) {
    if (steps < 1 || steps > kMaxTessellationSteps) {
        return 0;
    }
    const auto side = static_cast<std::size_t>(steps) + 1;
    return side * side > record_bytes ? side * side - record_bytes : 0;
}

// Whether surfaces that take `excess` samples beyond their records may be in one scene.
constexpr bool WithinTessellationLimit(std::size_t excess) {
    return excess <= kTessellationAllowance;
}

}  // namespace kelto
