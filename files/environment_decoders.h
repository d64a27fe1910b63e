// The decoders behind DecodeEnvironmentPicture, each for one format. They fail with a short
// reason (Status::Library) that the caller puts into the picture's message, or with the
// too-large message itself.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/environment_picture.h"
#include "model/status.h"

namespace kelto {

// Whether a picture of this size may be held: sides and pixel count within EnvironmentPicture's
// limits and the memory for its floats to be had now. Fails with the too-large message.
Status CheckEnvironmentSize(std::int64_t width, std::int64_t height, const std::string& name);

// The value a picture may hold for `v`: 0 for NaN and negatives, at most 65504.
float EnvironmentValue(float v);

// Radiance RGBE: "#?RADIANCE" or "#?RGBE", the header lines, "-Y H +X W" (or "+Y H +X W",
// bottom row first), then run-length encoded or flat scanlines.
Result<EnvironmentPicture> DecodeRadiance(std::span<const std::uint8_t> bytes,
                                          const std::string& name);

// OpenEXR, first part, scanline or tiled: its R, G and B channels, or Y as grey.
Result<EnvironmentPicture> DecodeOpenExr(std::span<const std::uint8_t> bytes,
                                         const std::string& name);

}  // namespace kelto
