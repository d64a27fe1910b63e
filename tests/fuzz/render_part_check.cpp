#include "fuzz_checks.h"

#include <algorithm>
#include <span>

#include "files/render_part.h"
#include "model/message_table.h"

namespace kelto {

void CheckRenderPart(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const Result<RenderPart> part = DecodeRenderPart(bytes, "fuzz.kpart");
    const Result<RenderPartHeader> header = DecodeRenderPartHeader(
        bytes.first(std::min(size, kRenderPartHeaderSize)), size, "fuzz.kpart");
    if (!part.ok()) {
        // The header alone may pass (its checks need no pixels) only when the pixels fail
        // their checksum; every refusal says why.
        if (part.status().text.empty() || (header.ok() && part.status().number != kMsgPartCorrupt))
            __builtin_trap();
        return;
    }
    const RenderPartHeader& h = part->header;
    if (!header.ok() || !(*header == h))
        __builtin_trap();
    const PixelRect& r = h.rect;
    if (r.Empty() || r.x0 < 0 || r.y0 < 0 || r.x1 > h.width || r.y1 > h.height ||
        part->pixels.size() != r.Area() * 3)
        __builtin_trap();
    const std::vector<std::uint8_t> again = EncodeRenderPart(*part);
    if (!std::equal(again.begin(), again.end(), bytes.begin(), bytes.end()))
        __builtin_trap();
}

}  // namespace kelto
