// Fuzz target: any bytes read as a 3DS file and imported. The import must fail with a message
// (or quietly) and change nothing, or add objects whose meshes index only their own vertices.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckThreeDsImport(data, size);
    return 0;
}
