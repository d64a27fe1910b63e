// What the file-to-picture fuzz target checks for any input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

// Opens the bytes as a scene file and, when they load, ray traces the scene as kelto-cli
// would (its first view, or the scene's camera) in a tiny picture, in Draft and in Production,
// on one thread. Traps (ends the process) when a render does not output every pixel once.
void CheckSceneRender(const std::uint8_t* data, std::size_t size);

}  // namespace kelto
