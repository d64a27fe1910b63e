#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "document/export_cameras.h"
#include "files/scene_export.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kExportUsage =
    "usage: kelto-cli export FILE.kel OUT.{obj,glb,gltf,stl} [--selection] [--unit mm|m]\n"
    "\n"
    "Writes the scene in the format the output's extension names:\n"
    "  .obj   every object's mesh in world coordinates (one 'o' block per object, named after\n"
    "         it) and the objects' materials in OUT.mtl beside it\n"
    "  .glb   glTF 2.0 in one file: the object tree, meshes, materials and pictures, the\n"
    "         cameras of the modelling windows and the lights; one scene unit is one metre\n"
    "  .gltf  the same as text, with OUT.bin and the pictures beside it\n"
    "  .stl   binary STL of the world-space triangles, one closed shell per solid where the\n"
    "         surfaces are closed; objects whose surfaces are open are named in a warning\n"
    "\n"
    "options:\n"
    "  --selection   only the selected objects (glTF: without the lights)\n"
    "  --unit mm|m   STL: one scene unit is one millimetre (the default) or one metre\n";

}  // namespace

int RunExport(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::vector<std::string_view> paths;
    ExportOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kExportUsage;
            return kExitOk;
        }
        if (arg == "--selection") {
            options.selection_only = true;
        } else if (arg == "--unit") {
            const std::string_view unit = i + 1 < args.size() ? args[++i] : std::string_view();
            if (unit != "mm" && unit != "m") {
                err << "kelto-cli export: --unit takes mm or m\n" << kExportUsage;
                return kExitUsage;
            }
            options.unit = unit == "m" ? ExportUnit::Metre : ExportUnit::Millimetre;
        } else {
            paths.push_back(arg);
        }
    }
    if (paths.size() != 2) {
        err << "kelto-cli export: needs a scene file and an output file\n" << kExportUsage;
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
    options.cameras = ExportCamerasOf(document);
    const Result<ExportReport> written = WriteSceneAs(document.GetScene(), out_path, options);
    if (!written.ok()) {
        err << "kelto-cli export: " << written.status().text << '\n';
        return kExitFailed;
    }
    out << written->objects << " objects written to ";
    for (std::size_t i = 0; i < written->files.size(); ++i) {
        out << (i > 0 ? " and " : "") << written->files[i];
    }
    out << '\n';
    for (const Status& warning : written->warnings) {
        err << "kelto-cli export: " << warning.text << '\n';
    }
    return kExitOk;
}

}  // namespace kelto::cli
