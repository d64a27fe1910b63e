// Writing PNG. The picture's rows are cut into a few bands by its height alone, each band is
// filtered (each row against the row above) and deflated on its own, on as many threads as
// the caller allows, and the pieces are joined into one zlib stream: every band but the last
// ends on a byte boundary without closing the stream (a sync flush), and the stream's
// checksum is combined from the bands'. The bands, and so the file's bytes, do not depend on
// the number of threads.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

#include "image_files.h"
#include "model/out_of_memory.h"

namespace kelto {
namespace {

// Light compression: a rendered picture comes out about a quarter larger than with every
// filter tried at the default level, and is written several times as fast.
constexpr int kLevel = 3;
constexpr int kRowsPerBand = 128;
constexpr int kMostBands = 4;
constexpr std::size_t kLargestChunk = std::size_t{1} << 20;
constexpr std::uint8_t kFilterUp = 2;

struct Band {
    int first = 0, last = 0;  // rows
    std::vector<std::uint8_t> deflated;
    uLong adler = 1;         // of the filtered rows
    std::size_t length = 0;  // of the filtered rows
    bool ok = false;
};

// Filters and deflates one band's rows as raw deflate data.
void DeflateBand(const RenderImage& image, bool last_band, Band& band) {
    const std::size_t row_bytes = static_cast<std::size_t>(image.Width()) * 3;
    std::vector<std::uint8_t> above(row_bytes, 0), row(row_bytes), filtered(row_bytes + 1);
    if (band.first > 0) {
        image.InterleaveRow(band.first - 1, above.data());
    }
    z_stream z{};
    const int init = deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (init == Z_MEM_ERROR) {
        ReportOutOfMemory();
    }
    if (init != Z_OK) {
        return;
    }
    std::array<std::uint8_t, 1 << 16> buffer;
    bool ok = true;
    auto drain = [&](int flush) {
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            const int result = deflate(&z, flush);
            if (result == Z_STREAM_ERROR) {
                ok = false;
                return;
            }
            band.deflated.insert(band.deflated.end(), buffer.data(),
                                 buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_out == 0);
    };
    for (int y = band.first; y < band.last && ok; ++y) {
        image.InterleaveRow(y, row.data());
        filtered[0] = kFilterUp;
        for (std::size_t i = 0; i < row_bytes; ++i) {
            filtered[i + 1] = static_cast<std::uint8_t>(row[i] - above[i]);
        }
        band.adler = adler32(band.adler, filtered.data(), static_cast<uInt>(filtered.size()));
        band.length += filtered.size();
        z.next_in = filtered.data();
        z.avail_in = static_cast<uInt>(filtered.size());
        drain(Z_NO_FLUSH);
        std::swap(above, row);
    }
    if (ok) {
        drain(last_band ? Z_FINISH : Z_SYNC_FLUSH);
    }
    deflateEnd(&z);
    band.ok = ok;
}

void PutBigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void PutChunk(std::vector<std::uint8_t>& out, const char (&type)[5], const std::uint8_t* data,
              std::size_t length) {
    PutBigEndian(out, static_cast<std::uint32_t>(length));
    const auto* type_bytes = reinterpret_cast<const std::uint8_t*>(type);
    out.insert(out.end(), type_bytes, type_bytes + 4);
    out.insert(out.end(), data, data + length);
    uLong crc = crc32(0, type_bytes, 4);
    if (length > 0) {
        crc = crc32(crc, data, static_cast<uInt>(length));
    }
    PutBigEndian(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

bool EncodePng(const RenderImage& image, std::vector<std::uint8_t>& out, int threads) {
    out.clear();
    const int width = image.Width(), height = image.Height();
    // The format's limit on a side, and what one row's bytes may come to.
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF / 3 - 1) {
        return false;
    }
    const int count = std::clamp((height + kRowsPerBand - 1) / kRowsPerBand, 1, kMostBands);
    std::vector<Band> bands(static_cast<std::size_t>(count));
    for (int b = 0; b < count; ++b) {
        bands[static_cast<std::size_t>(b)].first =
            static_cast<int>(static_cast<long long>(height) * b / count);
        bands[static_cast<std::size_t>(b)].last =
            static_cast<int>(static_cast<long long>(height) * (b + 1) / count);
    }
    // The first band on this thread, the others on helpers while they are allowed; a helper
    // that cannot be started leaves its band to this thread.
    std::vector<std::thread> helpers;
    std::vector<bool> started(bands.size(), false);
    for (int b = 1; b < count && b < threads; ++b) {
        try {
            helpers.emplace_back(DeflateBand, std::cref(image), b == count - 1,
                                 std::ref(bands[static_cast<std::size_t>(b)]));
            started[static_cast<std::size_t>(b)] = true;
        } catch (const std::system_error&) {
            break;
        }
    }
    for (int b = 0; b < count; ++b) {
        if (!started[static_cast<std::size_t>(b)]) {
            DeflateBand(image, b == count - 1, bands[static_cast<std::size_t>(b)]);
        }
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }

    std::vector<std::uint8_t> stream = {0x78, 0x5E};  // deflate, 32 KiB window, a fast level
    uLong adler = 1;
    for (const Band& band : bands) {
        if (!band.ok) {
            return false;
        }
        stream.insert(stream.end(), band.deflated.begin(), band.deflated.end());
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }
    PutBigEndian(stream, static_cast<std::uint32_t>(adler));

    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.assign(kSignature, kSignature + 8);
    std::vector<std::uint8_t> header;
    PutBigEndian(header, static_cast<std::uint32_t>(width));
    PutBigEndian(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, filters, no interlace
    PutChunk(out, "IHDR", header.data(), header.size());
    for (std::size_t at = 0; at < stream.size(); at += kLargestChunk) {
        PutChunk(out, "IDAT", stream.data() + at, std::min(kLargestChunk, stream.size() - at));
    }
    PutChunk(out, "IEND", nullptr, 0);
    return true;
}

}  // namespace kelto
