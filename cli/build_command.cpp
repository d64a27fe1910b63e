#include <string>

#include "build_operations.h"
#include "commands.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kBuildUsage =
    "usage: kelto-cli build OUT.kel [--from IN.kel] OPERATION...\n"
    "\n"
    "Starts from a new scene (or IN.kel), applies each operation in order through the same\n"
    "document operations the application uses, and saves the scene as OUT.kel. Nothing is\n"
    "written when an operation cannot be done.\n"
    "\n";

bool EndsWithKel(std::string_view name) {
    if (name.size() <= 4) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - 4);
    return tail[0] == '.' && (tail[1] | 0x20) == 'k' && (tail[2] | 0x20) == 'e' &&
           (tail[3] | 0x20) == 'l';
}

// Why the first argument cannot be the scene file to write, or nothing.
std::string OutputNameProblem(std::string_view output) {
    if (output.empty()) {
        return "the first argument must name the scene file to write (OUT.kel)";
    }
    if (LooksLikeBuildOperation(output)) {
        return "the first argument must name the scene file to write (OUT.kel); '" +
               std::string(output) + "' is an operation";
    }
    if (!EndsWithKel(output)) {
        return "the scene file to write must end in .kel: '" + std::string(output) + "'";
    }
    return {};
}

}  // namespace

int RunBuild(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view output;
    std::string_view input;
    std::vector<std::string_view> operations;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kBuildUsage << BuildOperationsHelp();
            return kExitOk;
        }
        if (arg == "--from") {
            if (i + 1 >= args.size() || !input.empty()) {
                err << "kelto-cli build: --from needs one scene file\n" << kBuildUsage;
                return kExitUsage;
            }
            input = args[++i];
        } else if (output.empty()) {
            output = arg;
        } else {
            operations.push_back(arg);
        }
    }
    if (const std::string problem = OutputNameProblem(output); !problem.empty()) {
        err << "kelto-cli build: " << problem << '\n' << kBuildUsage;
        return kExitUsage;
    }

    DocumentCore document;
    if (!input.empty()) {
        const Status opened = document.Open(std::string(input));
        if (!opened.ok()) {
            PrintOpenFailure(err, "build", input, opened.text);
            return kExitFailed;
        }
    }
    std::vector<Status> warnings;
    for (std::string_view operation : operations) {
        warnings.clear();
        const Status applied = ApplyBuildOperation(document, operation, &warnings);
        for (const Status& warning : warnings) {
            err << "kelto-cli build: warning: " << warning.text << '\n';
        }
        if (!applied.ok()) {
            if (applied.number != Status::kUsage) {
                err << applied.text << '\n';
                return kExitFailed;
            }
            err << "kelto-cli build: operation '" << operation << "': " << applied.text << '\n';
            return kExitUsage;
        }
    }
    const Status saved = document.Save(std::string(output));
    if (!saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace kelto::cli
