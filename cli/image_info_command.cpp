#include <string>

#include "commands.h"
#include "files/image_import.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kImageInfoUsage =
    "usage: kelto-cli image-info FILE\n"
    "\n"
    "Reads a JPEG, PNG or TIFF picture as \"Import Image...\" does and prints its size and\n"
    "channel count after the reader's conversions: WIDTHxHEIGHT channels=C.\n";

}  // namespace

int RunImageInfo(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kImageInfoUsage;
        return kExitOk;
    }
    if (args.size() != 1) {
        err << "kelto-cli image-info: needs one picture file\n" << kImageInfoUsage;
        return kExitUsage;
    }
    TextureImage image;
    std::vector<Status> warnings;
    const Status read = ImportImage(std::string(args[0]), image, &warnings);
    for (const Status& warning : warnings) {
        err << warning.text << '\n';
    }
    if (!read.ok()) {
        err << read.text << '\n';
        return kExitFailed;
    }
    out << image.width << 'x' << image.height << " channels=" << image.channels << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
