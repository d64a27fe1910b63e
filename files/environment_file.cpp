#include "environment_file.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "environment_decoders.h"
#include "file_io.h"
#include "image_files.h"
#include "model/message_table.h"

namespace kelto {
namespace {

constexpr float kLargestValue = 65504.0f;

bool StartsWith(std::span<const std::uint8_t> bytes, std::initializer_list<std::uint8_t> magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

enum class PictureFormat { Unknown, Radiance, OpenExr, Jpeg, Png, Tiff };

PictureFormat FormatOf(std::span<const std::uint8_t> bytes) {
    if (StartsWith(bytes, {'#', '?'}))
        return PictureFormat::Radiance;
    if (StartsWith(bytes, {0x76, 0x2F, 0x31, 0x01}))
        return PictureFormat::OpenExr;
    if (StartsWith(bytes, {0xFF, 0xD8}))
        return PictureFormat::Jpeg;
    if (StartsWith(bytes, {0x89, 'P', 'N', 'G'}))
        return PictureFormat::Png;
    if (StartsWith(bytes, {'I', 'I', 42, 0}) || StartsWith(bytes, {'M', 'M', 0, 42})) {
        return PictureFormat::Tiff;
    }
    return PictureFormat::Unknown;
}

// A picture of bytes as the readers of material pictures give it, each byte / 255.
Result<EnvironmentPicture> FromTexture(const TextureImage& image, const std::string& name) {
    if (Status status = CheckEnvironmentSize(image.width, image.height, name); !status.ok()) {
        return status;
    }
    EnvironmentPicture picture;
    picture.width = image.width;
    picture.height = image.height;
    picture.rgb.resize(static_cast<std::size_t>(image.width) *
                       static_cast<std::size_t>(image.height) * 3);
    float* out = picture.rgb.data();
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.channels == 1) {
                const float v = image.grey_rows[y][x] / 255.0f;
                *out++ = v;
                *out++ = v;
                *out++ = v;
            } else {
                const RgbRow& row = image.rgb_rows[y];
                *out++ = row.red[x] / 255.0f;
                *out++ = row.green[x] / 255.0f;
                *out++ = row.blue[x] / 255.0f;
            }
        }
    }
    return picture;
}

Result<EnvironmentPicture> DecodeEightBit(PictureFormat format, std::span<const std::uint8_t> bytes,
                                          const std::string& name) {
    TextureImage image;
    Status status;
    switch (format) {
        case PictureFormat::Jpeg:
            status = DecodeJpeg(bytes, image, name);
            break;
        case PictureFormat::Png:
            status = DecodePng(bytes, image, name);
            break;
        default:
            status = DecodeTiff(bytes, image, name);
            break;
    }
    if (!status.ok()) {
        if (status.number == kMsgImageTooLarge) {
            return Status::Message(kMsgEnvironmentTooLarge,
                                   {name, "?", "?", std::to_string(EnvironmentPicture::kMaxSide),
                                    std::to_string(EnvironmentPicture::kMaxPixels)});
        }
        std::string reason = status.text.empty() ? "the picture is damaged" : status.text;
        if (status.number == kMsgImageDamaged) {
            reason = "it is damaged or cut short";
        } else if (status.number == kMsgImageUnreadable && status.arguments.size() == 2) {
            reason = status.arguments[1];  // the library's own words; the name is said already
        }
        return Status::Message(kMsgEnvironmentUnreadable, {name, reason});
    }
    if (image.height <= 0 || image.width <= 0 ||
        static_cast<std::size_t>(image.height) !=
            (image.channels == 1 ? image.grey_rows.size() : image.rgb_rows.size())) {
        return Status::Message(kMsgEnvironmentUnreadable, {name, "the picture is damaged"});
    }
    return FromTexture(image, name);
}

}  // namespace

float EnvironmentValue(float v) {
    if (!(v > 0.0f))
        return 0.0f;  // NaN too
    return std::min(v, kLargestValue);
}

Status CheckEnvironmentSize(std::int64_t width, std::int64_t height, const std::string& name) {
    const bool fits = width > 0 && height > 0 && width <= EnvironmentPicture::kMaxSide &&
                      height <= EnvironmentPicture::kMaxSide &&
                      static_cast<std::uint64_t>(width * height) <= EnvironmentPicture::kMaxPixels;
    // Asked for once without the out-of-memory exit of ordinary allocations, so that a picture
    // this machine cannot hold now is refused with a message.
    void* probe =
        fits ? std::malloc(static_cast<std::size_t>(width * height) * 3 * sizeof(float)) : nullptr;
    std::free(probe);
    if (probe == nullptr) {
        return Status::Message(kMsgEnvironmentTooLarge,
                               {name, std::to_string(width), std::to_string(height),
                                std::to_string(EnvironmentPicture::kMaxSide),
                                std::to_string(EnvironmentPicture::kMaxPixels)});
    }
    return Status::Ok();
}

Result<EnvironmentPicture> DecodeEnvironmentPicture(std::span<const std::uint8_t> bytes,
                                                    const std::string& name) {
    const PictureFormat format = FormatOf(bytes);
    Result<EnvironmentPicture> picture = Status::Library("");
    switch (format) {
        case PictureFormat::Unknown:
            return Status::Message(kMsgEnvironmentUnreadable,
                                   {name,
                                    "it is not a Radiance .hdr, OpenEXR .exr, JPEG, PNG or "
                                    "TIFF picture"});
        case PictureFormat::Radiance:
            picture = DecodeRadiance(bytes, name);
            break;
        case PictureFormat::OpenExr:
            picture = DecodeOpenExr(bytes, name);
            break;
        default:
            return DecodeEightBit(format, bytes, name);
    }
    if (!picture.ok() && picture.status().number == Status::kLibraryMessage) {
        return Status::Message(kMsgEnvironmentUnreadable, {name, picture.status().text});
    }
    return picture;
}

Result<EnvironmentPicture> ReadEnvironmentPicture(const std::string& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return Status::Message(kMsgEnvironmentMissing, {path});
    }
    return DecodeEnvironmentPicture(*bytes, path);
}

}  // namespace kelto
