// Fuzz target: any bytes read as an environment picture (Radiance, OpenEXR, JPEG, PNG, TIFF).
// A picture the reader accepts has all its values, each finite and within 0 .. 65504; a
// refusal says why.
#include <cstddef>
#include <cstdint>

#include "files/environment_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kelto::Result<kelto::EnvironmentPicture> picture =
        kelto::DecodeEnvironmentPicture({data, size}, "fuzz.hdr");
    if (!picture.ok()) {
        if (picture.status().text.empty())
            __builtin_trap();
        return 0;
    }
    if (picture->width < 1 || picture->height < 1 ||
        picture->rgb.size() != static_cast<std::size_t>(picture->width) *
                                   static_cast<std::size_t>(picture->height) * 3)
        __builtin_trap();
    for (const float v : picture->rgb) {
        if (!(v >= 0.0f && v <= 65504.0f))
            __builtin_trap();
    }
    return 0;
}
