// Image files: JPEG, PNG and TIFF read into a material's picture; BMP, JPEG, PNG and TIFF
// written from a render.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "model/image.h"
#include "model/message_table.h"

namespace kelto {

// Pictures larger than this on a side, or whose decoded pixels would take more than
// kMaxImageBytes, are refused before anything is allocated for them.
inline constexpr std::int64_t kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImageBytes = std::int64_t{1} << 30;
// Also false when the memory for the decoded picture cannot be had now: the import then fails
// with its message instead of the program running out of memory halfway.
bool ImageSizeAcceptable(std::int64_t width, std::int64_t height, std::int64_t channels);

// Told how far a decoding has gone, in percent.
using ProgressCallback = std::function<void(int percent)>;

// --- reading ---
// Each decoder fills `image` (channels, width, rows top first; height counts the rows stored)
// from a whole file's bytes. On failure the status carries the message: one of the program's
// (with `path` in it) or the decoding library's own; the rows decoded so far stay.
Status DecodeJpeg(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                  const ProgressCallback& progress = {});
// PNG warnings are added to `warnings` (reading goes on), each the library's text in a
// warning box.
Status DecodePng(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                 std::vector<Status>* warnings = nullptr);
Status DecodeTiff(std::span<const std::uint8_t> bytes, TextureImage& image,
                  const std::string& path);

// The same from a file: a file that cannot be read gives "Error: unable to open image file".
Status ReadJpeg(const std::string& path, TextureImage& image,
                const ProgressCallback& progress = {});
Status ReadPng(const std::string& path, TextureImage& image,
               std::vector<Status>* warnings = nullptr);
Status ReadTiff(const std::string& path, TextureImage& image);

// --- writing ---
inline constexpr int kDefaultJpegQuality = 90;

// Encoders into memory; they fail silently when the library refuses (the image is then not
// written, and the writers below say so).
Status EncodeBmp(const RenderImage& image, std::vector<std::uint8_t>& out);
Status EncodeJpeg(const RenderImage& image, int quality, std::vector<std::uint8_t>& out);
// PNG compresses bands of rows on up to `threads` threads; the bytes are the same for any.
Status EncodePng(const RenderImage& image, std::vector<std::uint8_t>& out, int threads = 1);
Status EncodeTiff(const RenderImage& image, std::vector<std::uint8_t>& out);

// Writers: encode, then replace the file only once the new one is complete on the disk. A
// file that cannot be made gives "Error: unable to open image file", one that cannot be
// written whole (a full disk) "Error: unable to write image file"; the previous file stays.
Status WriteBmp(const RenderImage& image, const std::string& path);
Status WriteJpeg(const RenderImage& image, const std::string& path,
                 int quality = kDefaultJpegQuality);
Status WritePng(const RenderImage& image, const std::string& path, int threads = 1);
Status WriteTiff(const RenderImage& image, const std::string& path);
// Dispatches by the extension, lower-cased: bmp, dib -> BMP; jpeg, jpg, jfif -> JPEG;
// png -> PNG; tif, tiff -> TIFF; anything else writes nothing and gives "Error image type".
// `threads`: how many a PNG may be compressed on.
Status WriteImage(const RenderImage& image, const std::string& path, const std::string& extension,
                  int jpeg_quality = kDefaultJpegQuality, int threads = 1);
bool IsWritableImageExtension(const std::string& extension);

}  // namespace kelto
