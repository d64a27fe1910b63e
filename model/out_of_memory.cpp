#include "out_of_memory.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace kelto {
namespace {

[[noreturn]] void ReportOutOfMemory() {
    std::fputs("out of memory\n", stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

}  // namespace

void InstallOutOfMemoryHandler() {
    std::set_new_handler(ReportOutOfMemory);
}

}  // namespace kelto
