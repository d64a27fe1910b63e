#include "fuzz_checks.h"

#include <algorithm>
#include <span>

#include "files/image_files.h"

namespace kelto {
namespace {

bool RowsMatch(const TextureImage& image) {
    const auto w = static_cast<std::size_t>(image.width);
    const auto wide = [w](const auto& row) { return row.size() == w; };
    if (image.channels == 1)
        return image.grey_rows.size() == static_cast<std::size_t>(image.height) &&
               std::ranges::all_of(image.grey_rows, wide);
    return image.channels == 3 && image.rgb_rows.size() == static_cast<std::size_t>(image.height) &&
           std::ranges::all_of(image.rgb_rows, [&](const RgbRow& row) {
               return wide(row.red) && wide(row.green) && wide(row.blue);
           });
}

}  // namespace

void CheckImageDecoder(ImageDecoder decoder, const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    TextureImage image;
    Status status;
    switch (decoder) {
        case ImageDecoder::Jpeg:
            status = DecodeJpeg(bytes, image, "fuzz.jpg");
            break;
        case ImageDecoder::Png:
            status = DecodePng(bytes, image, "fuzz.png");
            break;
        case ImageDecoder::Tiff:
            status = DecodeTiff(bytes, image, "fuzz.tif");
            break;
    }
    if (status.ok()) {
        if (!RowsMatch(image))
            __builtin_trap();
        image.SampleColour(0.5, 0.5);
        image.BuildTexture();
    } else if (status.text.empty() && status.number != Status::kSilentFailure) {
        __builtin_trap();  // a failure must say why, unless it is one the program keeps quiet
    }
}

}  // namespace kelto
