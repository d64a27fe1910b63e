// Fuzz target: any bytes read as a render part file. Only complete, undamaged parts that a
// render could have written may be accepted.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckRenderPart(data, size);
    return 0;
}
