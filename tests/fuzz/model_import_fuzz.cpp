// Fuzz target: any bytes imported as a model file (the first byte picks the format: OBJ, STL,
// PLY, glTF or GLB), through our own readers (OBJ, binary STL) or the Open Asset Import Library
// and our checks into a scene. A failure says why and changes nothing; what is
// imported is whole triangles over finite points, and the scene saves and opens again.
#include "fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckModelImport(data, size);
    return 0;
}
