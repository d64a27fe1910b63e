#include <string>
#include <vector>

#include "commands.h"
#include "document/render_request.h"
#include "files/render_part.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kMergeUsage =
    "usage: kelto-cli merge OUT PART.kpart... [--jpeg-quality Q]\n"
    "\n"
    "Puts the render parts made by 'kelto-cli render ... --region' or '--tiles' together into\n"
    "the whole picture and writes it to OUT, whose extension picks the format: bmp, dib, jpg,\n"
    "jpeg, jfif, png, tif, tiff. The parts must come from one render (the same scene file,\n"
    "size, quality, seed and view), each listed once, and cover the picture exactly once;\n"
    "otherwise the part at fault is named and nothing is written.\n";

}  // namespace

int RunMerge(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string output;
    std::vector<std::string> parts;
    int jpeg_quality = kDefaultJpegQuality;
    auto usage = [&](const std::string& why) {
        err << "kelto-cli merge: " << why << '\n' << kMergeUsage;
        return kExitUsage;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kMergeUsage;
            return kExitOk;
        } else if (arg == "--jpeg-quality") {
            const auto n = i + 1 < args.size() ? ParseWhole(args[++i], 20, 100) : std::nullopt;
            if (!n)
                return usage("--jpeg-quality takes 20 to 100");
            jpeg_quality = static_cast<int>(*n);
        } else if (arg.starts_with("--")) {
            return usage("unexpected argument '" + std::string(arg) + "'");
        } else if (output.empty()) {
            output = arg;
        } else {
            parts.emplace_back(arg);
        }
    }
    if (output.empty() || parts.empty()) {
        return usage("needs an output picture and at least one render part");
    }
    for (std::size_t i = 0; i < parts.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (parts[i] == parts[j]) {
                err << Status::Message(kMsgPartListedTwice, {parts[i]}).text << '\n';
                return kExitFailed;
            }
        }
    }
    if (const Status name = CheckPictureName(output); !name.ok()) {
        err << name.text << '\n';
        return kExitFailed;
    }
    const Result<RenderImage> picture = MergeRenderParts(parts);
    if (!picture.ok()) {
        err << picture.status().text << '\n';
        return kExitFailed;
    }
    if (const Status saved = SavePicture(*picture, output, jpeg_quality); !saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    out << picture->Width() << 'x' << picture->Height() << " picture merged from " << parts.size()
        << " parts written to " << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
