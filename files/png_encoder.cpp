// Writing PNG. The picture's rows are cut into a few bands by its height alone, each band is
// filtered (by the Paeth predictor) and deflated on its own, on as many threads as
// the caller allows, and the pieces are joined into one zlib stream: every band but the last
// ends on a byte boundary without closing the stream (a sync flush), and the stream's
// checksum is combined from the bands'. The bands, and so the file's bytes, do not depend on
// the number of threads.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image_files.h"
#include "model/out_of_memory.h"
#include "model/shared_work.h"

namespace kelto {
namespace {

// Every row Paeth-filtered and the filtered bytes run-length coded: on rendered pictures this
// is smaller than one filter throughout at the default level, and several times as fast (the
// demo's 640x480 Draft: 10 ms of one core and 293 KB, against 40 ms and 322 KB).
constexpr int kLevel = 3;
constexpr int kStrategy = Z_RLE;
constexpr int kRowsPerBand = 64;
constexpr int kMostBands = 8;
constexpr std::size_t kLargestChunk = std::size_t{1} << 20;
constexpr std::uint8_t kFilterPaeth = 4;

struct Band {
    int first = 0, last = 0;  // rows
    std::vector<std::uint8_t> deflated;
    uLong adler = 1;         // of the filtered rows
    std::size_t length = 0;  // of the filtered rows
    bool ok = false;
};

// The Paeth predictor of a byte from its left, upper and upper-left neighbours: whichever is
// nearest to left + upper - upper-left, in that order on ties. Written without branches.
inline std::uint8_t Paeth(int a, int b, int c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    const int bc = pb <= pc ? b : c;
    return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : bc);
}

// Row `row` Paeth-filtered against the row above, after the filter type byte.
void FilterRow(const std::uint8_t* above, const std::uint8_t* row, std::size_t row_bytes,
               std::uint8_t* filtered) {
    filtered[0] = kFilterPaeth;
    const std::size_t first = std::min<std::size_t>(3, row_bytes);
    for (std::size_t i = 0; i < first; ++i) {
        filtered[i + 1] = static_cast<std::uint8_t>(row[i] - above[i]);  // left is 0: upper
    }
    for (std::size_t i = 3; i < row_bytes; ++i) {
        filtered[i + 1] =
            static_cast<std::uint8_t>(row[i] - Paeth(row[i - 3], above[i], above[i - 3]));
    }
}

// Filters and deflates one band's rows as raw deflate data.
void DeflateBand(const RenderImage& image, bool last_band, Band& band) {
    const std::size_t row_bytes = static_cast<std::size_t>(image.Width()) * 3;
    std::vector<std::uint8_t> above(row_bytes, 0), row(row_bytes), filtered(row_bytes + 1);
    if (band.first > 0) {
        image.InterleaveRow(band.first - 1, above.data());
    }
    z_stream z{};
    const int init = deflateInit2(&z, kLevel, Z_DEFLATED, -15, 8, kStrategy);
    if (init == Z_MEM_ERROR) {
        ReportOutOfMemory();
    }
    if (init != Z_OK) {
        return;
    }
    // Room for the most the band can come to, so that its bytes are never moved (untouched
    // room costs no memory).
    band.deflated.reserve(deflateBound(
        &z, static_cast<uLong>(band.last - band.first) * static_cast<uLong>(row_bytes + 1)));
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
        FilterRow(above.data(), row.data(), row_bytes, filtered.data());
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

Status EncodePng(const RenderImage& image, std::vector<std::uint8_t>& out, int threads) {
    out.clear();
    const int width = image.Width(), height = image.Height();
    // The format's limit on a side, and what one row's bytes may come to.
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFF / 3 - 1) {
        return Status::Silent();
    }
    const int count = std::clamp((height + kRowsPerBand - 1) / kRowsPerBand, 1, kMostBands);
    std::vector<Band> bands(static_cast<std::size_t>(count));
    for (int b = 0; b < count; ++b) {
        bands[static_cast<std::size_t>(b)].first =
            static_cast<int>(static_cast<long long>(height) * b / count);
        bands[static_cast<std::size_t>(b)].last =
            static_cast<int>(static_cast<long long>(height) * (b + 1) / count);
    }
    // The threads take the bands in turn, this one too.
    std::atomic<int> next_band{0};
    RunOnThreads(std::min(threads, count), [&] {
        for (int b = next_band.fetch_add(1); b < count; b = next_band.fetch_add(1)) {
            DeflateBand(image, b == count - 1, bands[static_cast<std::size_t>(b)]);
        }
    });

    std::size_t stream_length = 2 + 4;
    for (const Band& band : bands) {
        if (!band.ok) {
            return Status::Silent();
        }
        stream_length += band.deflated.size();
    }
    std::vector<std::uint8_t> stream;
    stream.reserve(stream_length);
    stream = {0x78, 0x5E};  // deflate, 32 KiB window, a fast level
    uLong adler = 1;
    for (Band& band : bands) {
        stream.insert(stream.end(), band.deflated.begin(), band.deflated.end());
        std::vector<std::uint8_t>().swap(band.deflated);
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }
    PutBigEndian(stream, static_cast<std::uint32_t>(adler));

    static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const std::size_t chunks = (stream.size() + kLargestChunk - 1) / kLargestChunk;
    out.reserve(8 + (12 + 13) + stream.size() + 12 * chunks + 12);
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
    return Status::Ok();
}

}  // namespace kelto
