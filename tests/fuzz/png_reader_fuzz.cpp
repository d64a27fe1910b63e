// Fuzz target: any bytes decoded as a PNG picture.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckImageDecoder(kelto::ImageDecoder::Png, data, size);
    return 0;
}
