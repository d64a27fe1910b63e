// Fuzz target: any bytes opened as a scene file and, when they load, ray traced in a tiny
// picture in both qualities. Nothing the reader accepts may crash the tracer.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckSceneRender(data, size);
    return 0;
}
