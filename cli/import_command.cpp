#include <cmath>
#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kImportUsage =
    "usage: kelto-cli import FILE.{3ds,obj,stl,ply,gltf,glb} [--into SCENE.kel] [--scale F] "
    "-o OUT.kel\n"
    "\n"
    "Imports an object file into SCENE.kel (or a new scene) as \"Import object from file\" does\n"
    "and saves the result as OUT.kel: the file's tree as groups, its meshes as mesh objects,\n"
    "its materials with their pictures, its cameras as stored views and its lights as lights.\n"
    "--scale multiplies every coordinate (0.001 turns millimetres into metres). Files of more\n"
    "than 20 000 000 triangles are refused. What was left out is printed as warnings.\n";

}  // namespace

int RunImport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view file, into, output;
    ModelImportOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kImportUsage;
            return kExitOk;
        }
        const bool takes_value = arg == "--into" || arg == "-o" || arg == "--scale";
        if (takes_value && i + 1 >= args.size()) {
            err << "kelto-cli import: " << arg << " needs a value\n" << kImportUsage;
            return kExitUsage;
        }
        if (arg == "--scale") {
            const std::optional<double> scale = ParseNumber(args[++i]);
            if (!scale || !std::isfinite(*scale) || *scale <= 0) {
                err << "kelto-cli import: --scale needs a positive number\n";
                return kExitUsage;
            }
            options.scale = *scale;
        } else if (takes_value) {
            (arg == "--into" ? into : output) = args[++i];
        } else if (file.empty() && !arg.starts_with("-")) {
            file = arg;
        } else {
            err << "kelto-cli import: unexpected argument '" << arg << "'\n" << kImportUsage;
            return kExitUsage;
        }
    }
    if (file.empty() || output.empty()) {
        err << "kelto-cli import: needs an object file and -o\n" << kImportUsage;
        return kExitUsage;
    }
    DocumentCore document;
    if (!into.empty()) {
        const Status opened = document.Open(std::string(into));
        if (!opened.ok()) {
            PrintOpenFailure(err, "import", into, opened.text);
            return kExitFailed;
        }
    }
    const Result<ImportedObjects> imported = document.ImportObject(std::string(file), options);
    if (!imported.ok()) {
        err << imported.status().text << '\n';
        return kExitFailed;
    }
    for (const Status& warning : imported->warnings) {
        err << "warning: " << warning.text << '\n';
    }
    const Status saved = document.Save(std::string(output));
    if (!saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    out << "imported " << file << " into " << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
