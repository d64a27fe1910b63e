// Fuzz target: any bytes read as a render part file. Only complete, undamaged parts that a
// render could have written may be accepted. The two checksums (the pixels' and the header's)
// are made right first, so that the fuzzer's changes reach the fields behind them.
#include <zlib.h>

#include <vector>

#include "files/render_part.h"
#include "fuzz_checks.h"

namespace {

void PutCrc(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t from, std::size_t to) {
    const auto crc =
        static_cast<std::uint32_t>(crc32(0, bytes.data() + from, static_cast<uInt>(to - from)));
    for (int i = 0; i < 4; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(crc >> (8 * i));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> bytes(data, data + size);
    constexpr std::size_t kHeader = kelto::kRenderPartHeaderSize;
    if (bytes.size() >= kHeader) {
        PutCrc(bytes, kHeader - 8, kHeader, bytes.size());  // the pixels'
        PutCrc(bytes, kHeader - 4, 0, kHeader - 4);         // the header's, over the above
    }
    kelto::CheckRenderPart(bytes.data(), bytes.size());
    return 0;
}
