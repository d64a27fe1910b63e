#include <iostream>
#include <string_view>
#include <vector>

#include "commands.h"
#include "model/heap_tuning.h"
#include "model/out_of_memory.h"

int main(int argc, char** argv) {
    kelto::InstallOutOfMemoryHandler();
    kelto::TuneHeapForLargeWork();
    std::vector<std::string_view> args(argv + 1, argv + argc);
    return kelto::cli::RunCli(args, std::cout, std::cerr);
}
