// Reading the picture of a picture environment: a Radiance RGBE (.hdr), OpenEXR (.exr), JPEG,
// PNG or TIFF file, told apart by its first bytes rather than its name, into linear floats.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/environment_picture.h"
#include "model/status.h"

namespace kelto {

// The picture in the file at `path`. Fails with a message naming the file when it cannot be
// opened, is in none of the formats, is damaged, or is larger than EnvironmentPicture holds.
// Values that are not numbers become 0, infinities and anything larger 65504, negatives 0;
// JPEG, PNG and TIFF bytes are taken as value / 255.
Result<EnvironmentPicture> ReadEnvironmentPicture(const std::string& path);

// The same from the file's bytes; `name` is what the messages call the file.
Result<EnvironmentPicture> DecodeEnvironmentPicture(std::span<const std::uint8_t> bytes,
                                                    const std::string& name);

}  // namespace kelto
