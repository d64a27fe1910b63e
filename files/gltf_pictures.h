// The pictures of a material as a glTF file carries them: colour pictures encoded as PNG or
// JPEG, and bump pictures (heights) turned into tangent-space normal maps.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/image.h"
#include "model/status.h"

namespace kelto {

struct EncodedPicture {
    std::vector<std::uint8_t> bytes;
    std::string mime_type;  // "image/png" or "image/jpeg"
    std::string extension;  // "png" or "jpg"
};

// The picture's pixels as RGB (a grey picture with its grey in all three channels).
RenderImage RgbPictureOf(const TextureImage& picture);

// The picture as PNG, whatever file it was read from: a scene file keeps the pixels, not the
// picture's file, so PNG loses nothing (and glTF readers take no TIFF). Fails when the picture
// has no pixels or the encoder refuses it.
Result<EncodedPicture> EncodeMaterialPicture(const TextureImage& picture);

// The normal map of a height picture (grey, or the luminance of a colour picture), its slopes
// scaled as the renderer scales the bump: by `magnitude` x 4 per pixel. Red is the slope to the
// right, green the slope upwards in the picture, blue the normal's own part; PNG encoded.
Result<EncodedPicture> EncodeNormalMap(const TextureImage& heights, float magnitude);

}  // namespace kelto
