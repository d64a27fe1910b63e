#include "render_part.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "byte_stream.h"
#include "file_io.h"
#include "model/message_table.h"

namespace kelto {
namespace {

constexpr char kMagic[8] = {'K', 'E', 'L', 'T', 'O', 'P', 'R', 'T'};
constexpr std::size_t kHeaderCrcOffset = kRenderPartHeaderSize - 4;

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    // zlib takes at most 4 GiB at a time.
    uLong crc = crc32(0L, Z_NULL, 0);
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
        crc = crc32(crc, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return static_cast<std::uint32_t>(crc);
}

std::uint64_t PixelBytes(const PixelRect& rect) {
    return static_cast<std::uint64_t>(rect.Area()) * 3;
}

Status Corrupt(const std::string& name) {
    return Status::Message(kMsgPartCorrupt, {name});
}

std::string Number(long long value) {
    return std::to_string(value);
}

// Writes the header fields, without the two checksums.
void WriteFields(ByteWriter& out, const RenderPartHeader& h) {
    out.Bytes({reinterpret_cast<const std::uint8_t*>(kMagic), sizeof kMagic});
    out.U32(kRenderPartVersion);
    out.I32(h.width);
    out.I32(h.height);
    out.I32(h.rect.x0);
    out.I32(h.rect.y0);
    out.I32(h.rect.x1);
    out.I32(h.rect.y1);
    out.I32(h.quality);
    out.U32(h.seed ? 1 : 0);
    const auto seed = static_cast<std::uint64_t>(h.seed.value_or(0));
    out.U32(static_cast<std::uint32_t>(seed));
    out.U32(static_cast<std::uint32_t>(seed >> 32));
    out.I32(h.view);
    out.U32(static_cast<std::uint32_t>(h.scene_length));
    out.U32(static_cast<std::uint32_t>(h.scene_length >> 32));
    out.U32(static_cast<std::uint32_t>(h.scene_hash));
    out.U32(static_cast<std::uint32_t>(h.scene_hash >> 32));
    out.I32(h.tile_columns);
    out.I32(h.tile_rows);
    out.I32(h.tile_index);
}

std::uint64_t U64(ByteReader& in) {
    const std::uint64_t low = in.U32();
    return low | (static_cast<std::uint64_t>(in.U32()) << 32);
}

// Whether the fields make sense together: a picture of an acceptable size, a rectangle in it,
// a known quality, and tile fields that are all zero or name a tile of a grid.
bool FieldsAcceptable(const RenderPartHeader& h, std::uint32_t seeded) {
    if (h.width < 1 || h.height < 1 || h.width > kMaxPartSide || h.height > kMaxPartSide) {
        return false;
    }
    const PixelRect& r = h.rect;
    if (r.Empty() || r.x0 < 0 || r.y0 < 0 || r.x1 > h.width || r.y1 > h.height) {
        return false;
    }
    if ((h.quality != 0 && h.quality != 1) || seeded > 1 || (seeded == 0 && h.seed) || h.view < 0) {
        return false;
    }
    if (h.tile_columns == 0 && h.tile_rows == 0) {
        return h.tile_index == 0;
    }
    return h.tile_columns >= 1 && h.tile_rows >= 1 && h.tile_columns <= h.width &&
           h.tile_rows <= h.height && h.tile_index >= 0 &&
           h.tile_index < h.tile_columns * h.tile_rows;
}

}  // namespace

bool RenderPartHeader::SameRenderAs(const RenderPartHeader& other) const {
    return width == other.width && height == other.height && quality == other.quality &&
           seed == other.seed && view == other.view && scene_length == other.scene_length &&
           scene_hash == other.scene_hash;
}

std::uint64_t SceneFileHash(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const std::uint8_t b : bytes) {
        hash = (hash ^ b) * 0x100000001B3u;
    }
    return hash;
}

std::vector<std::uint8_t> EncodeRenderPart(const RenderPart& part) {
    ByteWriter out;
    WriteFields(out, part.header);
    out.U32(Crc32(part.pixels));
    std::vector<std::uint8_t> bytes = out.Take();
    const std::uint32_t header_crc = Crc32({bytes.data(), kHeaderCrcOffset});
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<std::uint8_t>(header_crc >> shift));
    }
    bytes.insert(bytes.end(), part.pixels.begin(), part.pixels.end());
    return bytes;
}

Result<RenderPartHeader> DecodeRenderPartHeader(std::span<const std::uint8_t> first_bytes,
                                                std::uint64_t file_length,
                                                const std::string& name) {
    if (first_bytes.size() < sizeof kMagic ||
        std::memcmp(first_bytes.data(), kMagic, sizeof kMagic) != 0) {
        return Status::Message(kMsgPartNotPart, {name});
    }
    // A part of another version may be laid out otherwise: its version is all that is read.
    ByteReader version_field(first_bytes.subspan(sizeof kMagic));
    const std::uint32_t version = version_field.U32();
    if (!version_field.Failed() && version != kRenderPartVersion) {
        return Status::Message(kMsgPartVersion, {name, Number(version)});
    }
    if (first_bytes.size() < kRenderPartHeaderSize) {
        return Corrupt(name);
    }
    ByteReader crc_field(first_bytes.subspan(kHeaderCrcOffset, 4));
    if (Crc32(first_bytes.first(kHeaderCrcOffset)) != crc_field.U32()) {
        return Corrupt(name);
    }
    ByteReader in(first_bytes.subspan(sizeof kMagic + 4, kHeaderCrcOffset - sizeof kMagic - 4));
    RenderPartHeader h;
    h.width = in.I32();
    h.height = in.I32();
    h.rect.x0 = in.I32();
    h.rect.y0 = in.I32();
    h.rect.x1 = in.I32();
    h.rect.y1 = in.I32();
    h.quality = in.I32();
    const std::uint32_t seeded = in.U32();
    const auto seed = static_cast<std::int64_t>(U64(in));
    if (seeded == 1) {
        h.seed = seed;
    } else if (seed != 0) {
        return Corrupt(name);  // a render without a seed writes zeros there
    }
    h.view = in.I32();
    h.scene_length = U64(in);
    h.scene_hash = U64(in);
    h.tile_columns = in.I32();
    h.tile_rows = in.I32();
    h.tile_index = in.I32();
    if (in.Failed() || !FieldsAcceptable(h, seeded) ||
        file_length != kRenderPartHeaderSize + PixelBytes(h.rect)) {
        return Corrupt(name);
    }
    return h;
}

Result<RenderPart> DecodeRenderPart(std::span<const std::uint8_t> bytes, const std::string& name) {
    Result<RenderPartHeader> header = DecodeRenderPartHeader(bytes, bytes.size(), name);
    if (!header.ok()) {
        return header.status();
    }
    const std::span<const std::uint8_t> pixels = bytes.subspan(kRenderPartHeaderSize);
    ByteReader crc_field(bytes.subspan(kHeaderCrcOffset - 4, 4));
    if (Crc32(pixels) != crc_field.U32()) {
        return Corrupt(name);
    }
    RenderPart part;
    part.header = std::move(header.value());
    part.pixels.assign(pixels.begin(), pixels.end());
    return part;
}

Status WriteRenderPart(const RenderPart& part, const std::string& path) {
    // Parts can be made again: the flushing is left to the system.
    switch (ReplaceFileContents(path, EncodeRenderPart(part), Durability::Unflushed)) {
        case FileWrite::Done:
            return Status::Ok();
        case FileWrite::CannotCreate:
        case FileWrite::CannotWrite:
            break;
    }
    return Status::Message(kMsgPartWriteFailed, {path});
}

Result<RenderPart> ReadRenderPart(const std::string& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return Status::Message(kMsgPartOpenFailed, {path});
    }
    return DecodeRenderPart(*bytes, path);
}

Result<RenderPartHeader> ReadRenderPartHeader(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    struct stat info {};
    if (!file || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return Status::Message(kMsgPartOpenFailed, {path});
    }
    std::vector<std::uint8_t> bytes(kRenderPartHeaderSize);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return DecodeRenderPartHeader(bytes, static_cast<std::uint64_t>(info.st_size), path);
}

namespace {

// The first field in which `part` differs from `first`, as the message names it.
int DifferingField(const RenderPartHeader& part, const RenderPartHeader& first) {
    if (part.scene_length != first.scene_length || part.scene_hash != first.scene_hash) {
        return kMsgPartSceneFile;
    }
    if (part.width != first.width || part.height != first.height) {
        return kMsgPartPictureSize;
    }
    if (part.quality != first.quality) {
        return kMsgPartQuality;
    }
    if (part.seed != first.seed) {
        return kMsgPartSeed;
    }
    return kMsgPartView;
}

// Why parts that neither overlap nor miss the picture cover less than all of it: the first
// missing tile when they are all tiles of one grid, else the first pixel none covers.
Status Uncovered(const std::vector<RenderPartHeader>& headers) {
    const RenderPartHeader& first = headers.front();
    const bool one_grid = std::all_of(headers.begin(), headers.end(), [&](const auto& h) {
        return h.IsTile() && h.tile_columns == first.tile_columns && h.tile_rows == first.tile_rows;
    });
    if (one_grid) {
        std::vector<bool> present(static_cast<std::size_t>(first.tile_columns) *
                                  static_cast<std::size_t>(first.tile_rows));
        for (const RenderPartHeader& h : headers) {
            present[static_cast<std::size_t>(h.tile_index)] = true;
        }
        const auto missing = std::find(present.begin(), present.end(), false);
        if (missing != present.end()) {
            // As --tiles names them: N bands, or columns x rows tiles.
            const std::string tiles = first.tile_columns == 1 ? Number(first.tile_rows)
                                                              : Number(first.tile_columns) + "x" +
                                                                    Number(first.tile_rows);
            return Status::Message(kMsgPartTileMissing, {Number(missing - present.begin()), tiles});
        }
    }
    // Row by row: the covered stretches of the row, sorted, leave a first gap somewhere.
    for (int y = 0; y < first.height; ++y) {
        std::vector<std::pair<int, int>> spans;
        for (const RenderPartHeader& h : headers) {
            if (h.rect.y0 <= y && y < h.rect.y1) {
                spans.emplace_back(h.rect.x0, h.rect.x1);
            }
        }
        std::sort(spans.begin(), spans.end());
        int x = 0;
        for (const auto& [x0, x1] : spans) {
            if (x0 > x) {
                break;
            }
            x = std::max(x, x1);
        }
        if (x < first.width) {
            return Status::Message(kMsgPartGap, {Number(x), Number(y)});
        }
    }
    return Status::Ok();  // not reached: the areas said something is missing
}

// Checks that the parts belong together and cover the picture exactly once.
Status CheckCover(const std::vector<std::string>& paths,
                  const std::vector<RenderPartHeader>& headers) {
    const RenderPartHeader& first = headers.front();
    std::uint64_t area = 0;
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (!headers[i].SameRenderAs(first)) {
            return Status::Message(
                kMsgPartForeign, {paths[i], paths.front(),
                                  std::string(MessageTemplate(DifferingField(headers[i], first)))});
        }
        area += headers[i].rect.Area();
    }
    // Sorted by their top rows, a part can only overlap those after it that start above its
    // bottom row.
    std::vector<std::size_t> order(headers.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return headers[a].rect.y0 < headers[b].rect.y0;
    });
    for (std::size_t a = 0; a < order.size(); ++a) {
        const PixelRect& ra = headers[order[a]].rect;
        for (std::size_t b = a + 1; b < order.size() && headers[order[b]].rect.y0 < ra.y1; ++b) {
            if (ra.Overlaps(headers[order[b]].rect)) {
                const std::size_t i = std::min(order[a], order[b]);
                const std::size_t j = std::max(order[a], order[b]);
                return Status::Message(kMsgPartOverlap, {paths[i], paths[j]});
            }
        }
    }
    if (area !=
        static_cast<std::uint64_t>(first.width) * static_cast<std::uint64_t>(first.height)) {
        return Uncovered(headers);
    }
    return Status::Ok();
}

}  // namespace

Result<RenderImage> MergeRenderParts(const std::vector<std::string>& paths) {
    if (paths.empty()) {
        return Status::Message(kMsgPartGap, {"0", "0"});
    }
    // First the headers only: the checks that need no pixels, before a picture is made.
    std::vector<RenderPartHeader> headers;
    std::vector<std::pair<dev_t, ino_t>> files;
    for (const std::string& path : paths) {
        Result<RenderPartHeader> header = ReadRenderPartHeader(path);
        if (!header.ok()) {
            return header.status();
        }
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            return Status::Message(kMsgPartOpenFailed, {path});
        }
        // The same file under two names is listed twice too.
        const std::pair<dev_t, ino_t> file{info.st_dev, info.st_ino};
        if (std::find(files.begin(), files.end(), file) != files.end()) {
            return Status::Message(kMsgPartListedTwice, {path});
        }
        files.push_back(file);
        headers.push_back(std::move(header.value()));
    }
    if (Status cover = CheckCover(paths, headers); !cover.ok()) {
        return cover;
    }
    // Then each part whole, its pixels checked, into its place.
    RenderImage image(headers.front().width, headers.front().height);
    for (std::size_t i = 0; i < paths.size(); ++i) {
        Result<RenderPart> part = ReadRenderPart(paths[i]);
        if (!part.ok()) {
            return part.status();
        }
        if (!(part->header == headers[i])) {
            return Corrupt(paths[i]);  // changed since its header was read
        }
        const PixelRect& r = part->header.rect;
        const std::uint8_t* p = part->pixels.data();
        for (int y = r.y0; y < r.y1; ++y) {
            for (int x = r.x0; x < r.x1; ++x, p += 3) {
                image.SetPixel(x, y, p[0], p[1], p[2]);
            }
        }
    }
    return image;
}

}  // namespace kelto
