// Fuzz target: any bytes read as an environment picture (Radiance, OpenEXR, JPEG, PNG, TIFF).
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckEnvironmentPicture(data, size);
    return 0;
}
