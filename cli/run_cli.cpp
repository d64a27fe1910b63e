#include "commands.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kUsage =
    "usage: kelto-cli SUBCOMMAND [ARGUMENTS]\n"
    "\n"
    "Builds, inspects and converts Kelto scenes without a window.\n"
    "\n"
    "subcommands:\n"
    "  primitive TYPE [--obj FILE]   build a primitive solid and describe its meshes\n"
    "\n"
    "'kelto-cli SUBCOMMAND --help' tells more about each.\n";

}  // namespace

int RunCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return kExitUsage;
    }
    const std::string_view command = args.front();
    const auto rest = args.subspan(1);
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (command == "primitive") {
        return RunPrimitive(rest, out, err);
    }
    err << "kelto-cli: unknown subcommand '" << command << "'\n" << kUsage;
    return kExitUsage;
}

}  // namespace kelto::cli
