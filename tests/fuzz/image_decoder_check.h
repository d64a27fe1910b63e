// What the image fuzz targets check for any input: a decoder fails with a message, or gives a
// picture whose rows all exist and are as wide as the picture says.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelto {

enum class ImageDecoder { Jpeg, Png, Tiff };

// Traps (ends the process) when a decoder breaks its promise.
void CheckImageDecoder(ImageDecoder decoder, const std::uint8_t* data, std::size_t size);

}  // namespace kelto
