// Fuzz target: a scene file with document operations after it (document_ops_check.h). Every
// save along the way opens again to the same bytes, and refused operations change nothing.
#include "document_ops_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::CheckDocumentOperations(data, size);
    return 0;
}
