// Render parts: the pixels of one rectangle of a picture rendered on its own (on another
// machine, say), with what says which render they belong to, and the merge of a set of parts
// into the whole picture.
//
// A part file is little-endian binary:
//
//   offset  bytes  field
//        0      8  magic "KELTOPRT"
//        8      4  format version, 1
//       12      8  picture width, height (int32 each, 1 .. kMaxPartSide)
//       20     16  rectangle x0, y0, x1, y1 (int32 each; pixels x0 <= x < x1, y0 <= y < y1,
//                  not empty, within the picture)
//       36      4  quality (int32: 0 Draft, 1 Production)
//       40      4  seeded (uint32: 0 or 1)
//       44      8  seed (int64; 0 when not seeded)
//       52      4  view (int32: the stored view from 1, or 0 for the scene's camera)
//       56      8  scene file length in bytes (uint64)
//       64      8  scene file hash (uint64: FNV-1a, 64 bits, over the file's bytes)
//       72     12  tile columns, tile rows, tile index (int32 each; all 0 for a part made as
//                  a region, else columns x rows tiles and the index of this one, row by row)
//       84      4  CRC-32 of the pixel bytes
//       88      4  CRC-32 of bytes 0 .. 87
//       92          pixels: (x1 - x0) x (y1 - y0) x 3 bytes, rows top first, red, green, blue
//                  for each pixel; the file ends with them
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/image.h"
#include "model/pixel_rect.h"
#include "model/status.h"

namespace kelto {

inline constexpr int kMaxPartSide = 32768;
inline constexpr std::string_view kRenderPartExtension = "kpart";
inline constexpr std::size_t kRenderPartHeaderSize = 92;
inline constexpr std::uint32_t kRenderPartVersion = 1;

struct RenderPartHeader {
    std::int32_t width = 0;  // the whole picture
    std::int32_t height = 0;
    PixelRect rect;            // the part's pixels
    std::int32_t quality = 0;  // 0 Draft, 1 Production
    std::optional<std::int64_t> seed;
    std::int32_t view = 0;
    std::uint64_t scene_length = 0;
    std::uint64_t scene_hash = 0;
    std::int32_t tile_columns = 0;
    std::int32_t tile_rows = 0;
    std::int32_t tile_index = 0;

    bool IsTile() const { return tile_columns > 0; }
    // Whether the two come from the same render (everything but the rectangle and the tile).
    bool SameRenderAs(const RenderPartHeader& other) const;
    friend bool operator==(const RenderPartHeader&, const RenderPartHeader&) = default;
};

struct RenderPart {
    RenderPartHeader header;
    std::vector<std::uint8_t> pixels;  // rows top first, red, green, blue per pixel
};

// The hash a part records of its scene file.
std::uint64_t SceneFileHash(std::span<const std::uint8_t> bytes);

// The file's bytes, checksums included. The pixels must be the rectangle's.
std::vector<std::uint8_t> EncodeRenderPart(const RenderPart& part);
// Reads a whole part file's bytes; `name` goes into the messages. Anything but a complete,
// undamaged part of this version is refused with the message that says which.
Result<RenderPart> DecodeRenderPart(std::span<const std::uint8_t> bytes, const std::string& name);
// Reads only the header, from the file's first bytes and its length: the checks that need no
// pixels (the pixel checksum is not checked).
Result<RenderPartHeader> DecodeRenderPartHeader(std::span<const std::uint8_t> first_bytes,
                                                std::uint64_t file_length, const std::string& name);

// Writes a part file; the previous file is replaced only by a complete new one.
Status WriteRenderPart(const RenderPart& part, const std::string& path);
Result<RenderPart> ReadRenderPart(const std::string& path);
Result<RenderPartHeader> ReadRenderPartHeader(const std::string& path);

// The whole picture from its parts: every part read and checked, all from one render (the
// same scene, size, quality, seed and view), listed once, not overlapping, together covering
// every pixel. Otherwise the message names the part at fault (or the pixel none covers).
Result<RenderImage> MergeRenderParts(const std::vector<std::string>& paths);

}  // namespace kelto
