#include <cstddef>
#include <cstdint>

#include "files/environment_file.h"
#include "fuzz_checks.h"

namespace kelto {

void CheckEnvironmentPicture(const std::uint8_t* data, std::size_t size) {
    const Result<EnvironmentPicture> picture = DecodeEnvironmentPicture({data, size}, "fuzz.hdr");
    if (!picture.ok()) {
        if (picture.status().text.empty())
            __builtin_trap();  // a refusal must say why
        return;
    }
    if (picture->width < 1 || picture->height < 1 ||
        picture->rgb.size() != static_cast<std::size_t>(picture->width) *
                                   static_cast<std::size_t>(picture->height) * 3)
        __builtin_trap();
    for (const float v : picture->rgb) {
        if (!(v >= 0.0f && v <= 65504.0f))
            __builtin_trap();
    }
}

}  // namespace kelto
