#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "files/scene_export.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kExportUsage =
    "usage: kelto-cli export FILE.kel OUT.obj\n"
    "\n"
    "Writes every object's mesh in world coordinates to OUT.obj (one 'o' block per object,\n"
    "named after it) and the objects' materials to OUT.mtl beside it.\n";

}  // namespace

int RunExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::vector<std::string_view> paths;
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kExportUsage;
            return kExitOk;
        }
        paths.push_back(arg);
    }
    if (paths.size() != 2) {
        err << "kelto-cli export: needs a scene file and an OBJ file\n" << kExportUsage;
        return kExitUsage;
    }
    const std::string scene_path(paths[0]);
    const std::string out_path(paths[1]);
    DocumentCore document;
    const Status opened = document.Open(scene_path);
    if (!opened.ok()) {
        PrintOpenFailure(err, "export", scene_path, opened.text);
        return kExitFailed;
    }
    const Result<ExportReport> written = WriteSceneAs(document.GetScene(), out_path);
    if (!written.ok()) {
        err << "kelto-cli export: " << written.status().text << '\n';
        return kExitFailed;
    }
    out << written->objects << " objects written to ";
    for (std::size_t i = 0; i < written->files.size(); ++i) {
        out << (i > 0 ? " and " : "") << written->files[i];
    }
    out << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
