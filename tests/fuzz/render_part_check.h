// What the render part fuzz target checks for any input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

// Reads the bytes as a render part file. Traps (ends the process) when a part it accepts is
// not what a render writes: a rectangle outside its picture, pixels not the rectangle's, or
// bytes that do not encode back to the same file.
void CheckRenderPart(const std::uint8_t* data, std::size_t size);

}  // namespace kelto
