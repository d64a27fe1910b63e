// TIFF through libtiff, in memory. Any layout libtiff can turn into RGBA (grey, palette, RGB,
// strips or tiles, contiguous or separate planes, 1 to 16 bits) is read; grey pictures are
// kept with one channel, everything else with three.
#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "image_files.h"

namespace kelto {
namespace {

// A growable byte buffer that libtiff reads from and writes to.
struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    const std::uint8_t* read_data = nullptr;  // reading: the caller's bytes
    std::size_t size = 0;
    std::size_t position = 0;
    bool writing = false;
    char message[256] = {};

    std::size_t Size() const { return writing ? bytes.size() : size; }
    const std::uint8_t* Data() const { return writing ? bytes.data() : read_data; }
};

tmsize_t ReadProc(thandle_t handle, void* out, tmsize_t length) {
    auto* file = static_cast<MemoryFile*>(handle);
    const std::size_t available = file->Size() - std::min(file->position, file->Size());
    const std::size_t n = std::min(static_cast<std::size_t>(length), available);
    if (n > 0) {
        std::memcpy(out, file->Data() + file->position, n);
    }
    file->position += n;
    return static_cast<tmsize_t>(n);
}

tmsize_t WriteProc(thandle_t handle, void* data, tmsize_t length) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (!file->writing || length < 0) {
        return -1;
    }
    const auto n = static_cast<std::size_t>(length);
    if (file->position + n > file->bytes.size()) {
        file->bytes.resize(file->position + n);
    }
    std::memcpy(file->bytes.data() + file->position, data, n);
    file->position += n;
    return length;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = file->position;
    if (whence == SEEK_END)
        base = file->Size();
    const std::uint64_t target = base + offset;
    if (target > (std::uint64_t{1} << 40)) {
        return static_cast<toff_t>(-1);
    }
    file->position = static_cast<std::size_t>(target);
    if (file->writing && file->position > file->bytes.size()) {
        file->bytes.resize(file->position);
    }
    return target;
}

int CloseProc(thandle_t) {
    return 0;
}
toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->Size();
}
int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int KeepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto* file = static_cast<MemoryFile*>(user);
    if (file->message[0] == '\0') {
        char text[200];
        std::vsnprintf(text, sizeof text, format, args);
        std::snprintf(file->message, sizeof file->message, "%s: %s", module ? module : "TIFF",
                      text);
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// Opens the memory file with errors kept in it and warnings dropped.
TIFF* OpenMemory(MemoryFile& file, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, &file);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(kMaxImageBytes) * 4);
    TIFF* tiff = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc,
                                   SizeProc, MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

}  // namespace

Status DecodeTiff(std::span<const std::uint8_t> bytes, TextureImage& image,
                  const std::string& path) {
    MemoryFile file;
    file.read_data = bytes.data();
    file.size = bytes.size();
    TiffHandle tiff(OpenMemory(file, "rm"));
    if (!tiff) {
        return Status::Message(kMsgImageOpenFailed, FormatMessage(kMsgImageOpenFailed, path));
    }
    std::uint32_t width = 0, height = 0;
    std::uint16_t photometric = PHOTOMETRIC_RGB, samples = 1, extra_count = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_EXTRASAMPLES, &extra_count, &extra);
    if (!ImageSizeAcceptable(width, height, 4)) {
        return Status::Message(kMsgImageTooLarge, FormatMessage(kMsgImageTooLarge, path));
    }
    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), reason)) {
        return Status::Message(kMsgImageUnreadable, {path, reason});
    }
    std::vector<std::uint32_t> raster(std::size_t{width} * height);
    if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.data(), ORIENTATION_TOPLEFT,
                                   1)) {
        return Status::Message(
            kMsgImageUnreadable,
            {path, file.message[0] ? file.message : "the picture cannot be decoded"});
    }
    const bool grey =
        (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) &&
        samples - extra_count == 1;
    image.channels = grey ? 1 : 3;
    image.width = static_cast<std::int32_t>(width);
    image.height = 0;
    image.grey_rows.clear();
    image.rgb_rows.clear();
    for (std::uint32_t y = 0; y < height; ++y) {
        const std::uint32_t* row = raster.data() + std::size_t{y} * width;
        if (grey) {
            std::vector<std::uint8_t>& out = image.grey_rows.emplace_back(width);
            for (std::uint32_t x = 0; x < width; ++x) {
                out[x] = static_cast<std::uint8_t>(TIFFGetR(row[x]));
            }
        } else {
            RgbRow& out = image.rgb_rows.emplace_back();
            out.red.resize(width);
            out.green.resize(width);
            out.blue.resize(width);
            for (std::uint32_t x = 0; x < width; ++x) {
                out.red[x] = static_cast<std::uint8_t>(TIFFGetR(row[x]));
                out.green[x] = static_cast<std::uint8_t>(TIFFGetG(row[x]));
                out.blue[x] = static_cast<std::uint8_t>(TIFFGetB(row[x]));
            }
        }
        ++image.height;
    }
    return Status::Ok();
}

Status EncodeTiff(const RenderImage& image, std::vector<std::uint8_t>& out) {
    if (image.Width() <= 0 || image.Height() <= 0) {
        return Status::Silent();
    }
    MemoryFile file;
    file.writing = true;
    TiffHandle tiff(OpenMemory(file, "w"));
    if (!tiff) {
        return Status::Silent();
    }
    const auto width = static_cast<std::uint32_t>(image.Width());
    TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(image.Height()));
    TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff.get(), TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff.get(), TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff.get(), 0));
    std::vector<std::uint8_t> scanline(std::size_t{width} * 3);
    for (int y = 0; y < image.Height(); ++y) {
        image.InterleaveRow(y, scanline.data());
        if (TIFFWriteScanline(tiff.get(), scanline.data(), static_cast<std::uint32_t>(y), 0) < 0) {
            return Status::Silent();
        }
    }
    if (!TIFFFlush(tiff.get())) {
        return Status::Silent();
    }
    tiff.reset();
    out = std::move(file.bytes);
    return Status::Ok();
}

}  // namespace kelto
