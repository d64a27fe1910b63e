// What the 3DS fuzz target checks for any input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

// Traps (ends the process) when the import breaks its promise.
void CheckThreeDsImport(const std::uint8_t* data, std::size_t size);

}  // namespace kelto
