// What the image codecs share: the size limits, the file-level wrappers and the dispatch.
#include <cstdlib>

#include "file_io.h"
#include "image_files.h"

namespace kelto {

bool ImageSizeAcceptable(std::int64_t width, std::int64_t height, std::int64_t channels) {
    if (!(width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
          width * height * channels <= kMaxImageBytes)) {
        return false;
    }
    // The decoder's buffer and the rows it fills, asked for once without the out-of-memory
    // exit of ordinary allocations.
    void* probe = std::malloc(static_cast<std::size_t>(width * height * channels * 2));
    std::free(probe);
    return probe != nullptr;
}

namespace {

template <typename Decoder>
Status ReadWith(const std::string& path, Decoder decode) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return Status::Message(kMsgImageOpenFailed, {path});
    }
    return decode(*bytes);
}

template <typename Encoder>
Status WriteWith(const std::string& path, Encoder encode) {
    std::vector<std::uint8_t> bytes;
    // A picture can be rendered again: it is replaced whole, without waiting for the disk.
    if (!encode(bytes).ok()) {
        return Status::Message(kMsgImageWriteFailed, {path});
    }
    switch (ReplaceFileContents(path, bytes, Durability::Unflushed)) {
        case FileWrite::Done:
            return Status::Ok();
        case FileWrite::CannotCreate:
            return Status::Message(kMsgImageOpenFailed, {path});
        case FileWrite::CannotWrite:
            break;
    }
    return Status::Message(kMsgImageWriteFailed, {path});
}

}  // namespace

Status ReadJpeg(const std::string& path, TextureImage& image, const ProgressCallback& progress) {
    return ReadWith(path,
                    [&](const auto& bytes) { return DecodeJpeg(bytes, image, path, progress); });
}

Status ReadPng(const std::string& path, TextureImage& image, std::vector<Status>* warnings) {
    return ReadWith(path,
                    [&](const auto& bytes) { return DecodePng(bytes, image, path, warnings); });
}

Status ReadTiff(const std::string& path, TextureImage& image) {
    return ReadWith(path, [&](const auto& bytes) { return DecodeTiff(bytes, image, path); });
}

Status WriteBmp(const RenderImage& image, const std::string& path) {
    return WriteWith(path, [&](auto& bytes) { return EncodeBmp(image, bytes); });
}

Status WriteJpeg(const RenderImage& image, const std::string& path, int quality) {
    return WriteWith(path, [&](auto& bytes) { return EncodeJpeg(image, quality, bytes); });
}

Status WritePng(const RenderImage& image, const std::string& path, int threads) {
    return WriteWith(path, [&](auto& bytes) { return EncodePng(image, bytes, threads); });
}

Status WriteTiff(const RenderImage& image, const std::string& path) {
    return WriteWith(path, [&](auto& bytes) { return EncodeTiff(image, bytes); });
}

bool IsWritableImageExtension(const std::string& extension) {
    const std::string e = LowerCase(extension);
    return e == "bmp" || e == "dib" || e == "jpeg" || e == "jpg" || e == "jfif" || e == "png" ||
           e == "tif" || e == "tiff";
}

Status WriteImage(const RenderImage& image, const std::string& path, const std::string& extension,
                  int jpeg_quality, int threads) {
    const std::string e = LowerCase(extension);
    if (e == "bmp" || e == "dib")
        return WriteBmp(image, path);
    if (e == "jpeg" || e == "jpg" || e == "jfif")
        return WriteJpeg(image, path, jpeg_quality);
    if (e == "png")
        return WritePng(image, path, threads);
    if (e == "tif" || e == "tiff")
        return WriteTiff(image, path);
    return Status::Message(kMsgImageTypeUnknown, {extension});
}

// Windows bitmap, 24 bits, rows bottom-up, each padded with zeros to a multiple of 4 bytes.
Status EncodeBmp(const RenderImage& image, std::vector<std::uint8_t>& out) {
    const auto width = static_cast<std::uint32_t>(image.Width());
    const auto height = static_cast<std::uint32_t>(image.Height());
    const std::uint64_t stride = (std::uint64_t{width} * 3 + 3) & ~std::uint64_t{3};
    const std::uint64_t size = 54 + stride * height;
    if (size > 0xFFFFFFFFu) {
        return Status::Silent();
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(size));
    auto u16 = [&](std::uint32_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    auto u32 = [&](std::uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    u32(static_cast<std::uint32_t>(size));
    u16(0);
    u16(0);
    u32(54);
    u32(40);
    u32(width);
    u32(height);
    u16(1);
    u16(24);
    for (int i = 0; i < 6; ++i) {
        u32(0);  // compression, image size, resolutions, colours used, important colours
    }
    for (int y = image.Height() - 1; y >= 0; --y) {
        const RgbRow& row = image.Row(y);
        for (std::uint32_t x = 0; x < width; ++x) {
            out.push_back(row.blue[x]);
            out.push_back(row.green[x]);
            out.push_back(row.red[x]);
        }
        out.insert(out.end(), static_cast<std::size_t>(stride - std::uint64_t{width} * 3), 0);
    }
    return Status::Ok();
}

}  // namespace kelto
