// Fuzz target: any bytes read as a file of the user's material library.
#include <cstddef>
#include <cstdint>

#include "material_file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckMaterialFile(data, size);
    return 0;
}
