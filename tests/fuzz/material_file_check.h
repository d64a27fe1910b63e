// What the material file fuzz target checks for any input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

// Reads the bytes as a file of the user's material library. Traps (ends the process) when a
// refusal has no message naming the file, or when a material it accepts is out of range or
// does not write back as a file that reads again to the same bytes.
void CheckMaterialFile(const std::uint8_t* data, std::size_t size);

}  // namespace kelto
