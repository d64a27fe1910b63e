// Fuzz target: any bytes decoded as a JPEG picture.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckImageDecoder(kelto::ImageDecoder::Jpeg, data, size);
    return 0;
}
