// Fuzz target: any bytes decoded as a PNG picture. The chunks' checksums are made right before
// decoding, so that the fuzzer's changes reach the fields behind them instead of stopping at
// libpng's checksum test.
#include <zlib.h>

#include <vector>

#include "fuzz_checks.h"

namespace {

void MendChunkChecksums(std::vector<std::uint8_t>& png) {
    constexpr std::size_t kSignature = 8;
    std::size_t at = kSignature;
    while (at + 12 <= png.size()) {
        const std::size_t length = std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
                                   std::size_t{png[at + 2]} << 8 | png[at + 3];
        if (length > png.size() - at - 12) {
            return;
        }
        const std::size_t crc_at = at + 8 + length;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, png.data() + at + 4, static_cast<uInt>(length + 4)));
        for (int i = 0; i < 4; ++i) {
            png[crc_at + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        }
        at = crc_at + 4;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> png(data, data + size);
    MendChunkChecksums(png);
    kelto::CheckImageDecoder(kelto::ImageDecoder::Png, png.data(), png.size());
    return 0;
}
