#include "image_decoder_check.h"

#include <span>

#include "files/image_files.h"

namespace kelto {
namespace {

bool RowsMatch(const TextureImage& image) {
    const auto w = static_cast<std::size_t>(image.width);
    const auto h = static_cast<std::size_t>(image.height);
    if (image.channels == 1) {
        if (image.grey_rows.size() != h)
            return false;
        for (const auto& row : image.grey_rows) {
            if (row.size() != w)
                return false;
        }
        return true;
    }
    if (image.channels != 3 || image.rgb_rows.size() != h)
        return false;
    for (const RgbRow& row : image.rgb_rows) {
        if (row.red.size() != w || row.green.size() != w || row.blue.size() != w)
            return false;
    }
    return true;
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
