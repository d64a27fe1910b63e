// Image files: JPEG, PNG and TIFF read into a material's picture; BMP, JPEG, PNG and TIFF
// written from a render.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/image.h"
#include "model/message_table.h"
#include "platform/messages.h"

namespace kelto {

// Pictures larger than this on a side, or whose decoded pixels would take more than
// kMaxImageBytes, are refused before anything is allocated for them.
inline constexpr std::int64_t kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImageBytes = std::int64_t{1} << 30;
bool ImageSizeAcceptable(std::int64_t width, std::int64_t height, std::int64_t channels);

// --- reading ---
// Each decoder fills `image` (channels, width, rows top first; height counts the rows stored)
// from a whole file's bytes. On failure the status carries the message: one of the program's
// (with `path` in it) or the decoding library's own; the rows decoded so far stay.
Status DecodeJpeg(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                  ProgressSink* progress = nullptr);
// PNG warnings go to `warnings` as warning messages (reading goes on).
Status DecodePng(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                 MessageSink* warnings = nullptr);
Status DecodeTiff(std::span<const std::uint8_t> bytes, TextureImage& image,
                  const std::string& path);

// The same from a file: a file that cannot be read gives "Error: unable to open image file".
Status ReadJpeg(const std::string& path, TextureImage& image, ProgressSink* progress = nullptr);
Status ReadPng(const std::string& path, TextureImage& image, MessageSink* warnings = nullptr);
Status ReadTiff(const std::string& path, TextureImage& image);

// --- writing ---
inline constexpr int kDefaultJpegQuality = 90;

// Encoders into memory; false when the library refuses (the image is then not written).
bool EncodeBmp(const RenderImage& image, std::vector<std::uint8_t>& out);
bool EncodeJpeg(const RenderImage& image, int quality, std::vector<std::uint8_t>& out);
bool EncodePng(const RenderImage& image, std::vector<std::uint8_t>& out);
bool EncodeTiff(const RenderImage& image, std::vector<std::uint8_t>& out);

// Writers: encode, then replace the file only once the new one is complete on the disk.
bool WriteBmp(const RenderImage& image, const std::string& path);
bool WriteJpeg(const RenderImage& image, const std::string& path,
               int quality = kDefaultJpegQuality);
bool WritePng(const RenderImage& image, const std::string& path);
bool WriteTiff(const RenderImage& image, const std::string& path);
// Dispatches by the extension, lower-cased: bmp, dib -> BMP; jpeg, jpg, jfif -> JPEG;
// png -> PNG; tif, tiff -> TIFF; anything else writes nothing and gives false.
bool WriteImage(const RenderImage& image, const std::string& path, const std::string& extension,
                int jpeg_quality = kDefaultJpegQuality);
bool IsWritableImageExtension(const std::string& extension);

}  // namespace kelto
