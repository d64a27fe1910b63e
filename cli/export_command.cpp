#include <fstream>
#include <sstream>
#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "files/file_io.h"
#include "files/obj_writer.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kExportUsage =
    "usage: kelto-cli export FILE.kel OUT.obj\n"
    "\n"
    "Writes every object's mesh in world coordinates to OUT.obj (one 'o' block per object,\n"
    "named after it) and the objects' materials to OUT.mtl beside it.\n";

std::string MtlPathFor(const std::string& obj_path) {
    const std::size_t slash = obj_path.rfind('/');
    const std::size_t dot = obj_path.rfind('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (has_extension ? obj_path.substr(0, dot) : obj_path) + ".mtl";
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::uint8_t> BytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

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
    const std::string obj_path(paths[1]);
    DocumentCore document;
    const Status opened = document.Open(scene_path);
    if (!opened.ok()) {
        PrintOpenFailure(err, "export", scene_path, opened.text);
        return kExitFailed;
    }
    const std::string mtl_path = MtlPathFor(obj_path);
    std::ostringstream obj, mtl;
    const int objects = WriteSceneObj(document.GetScene(), obj, mtl, FileNameOf(mtl_path));
    for (const auto& [path, text] : {std::pair{&obj_path, obj.str()}, {&mtl_path, mtl.str()}}) {
        if (ReplaceFileContents(*path, BytesOf(text)) != FileWrite::Done) {
            err << "kelto-cli export: cannot write " << *path << '\n';
            return kExitFailed;
        }
    }
    out << objects << " objects written to " << obj_path << " and " << mtl_path << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
