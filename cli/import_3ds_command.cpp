#include <cstdio>
#include <string>

#include "commands.h"
#include "document/document_core.h"
#include "files/file_io.h"
#include "files/three_ds_reader.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kImportUsage =
    "usage: kelto-cli import-3ds FILE.3ds [--into SCENE.kel] [-o OUT.kel]\n"
    "\n"
    "Reads and checks a 3D Studio file. Without -o, prints what it holds: the master scale,\n"
    "the materials with their colours, the meshes with their vertex and face counts and\n"
    "materials. With -o, adds its meshes to SCENE.kel (or to a new scene) as the import command\n"
    "does and saves the result as OUT.kel.\n";

std::string Colour(const ColourRgb& c) {
    return FormatTriple(c.r, c.g, c.b);
}

}  // namespace

int RunImport3ds(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view file, into, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kImportUsage;
            return kExitOk;
        }
        if ((arg == "--into" || arg == "-o") && i + 1 >= args.size()) {
            err << "kelto-cli import-3ds: " << arg << " needs a file name\n" << kImportUsage;
            return kExitUsage;
        }
        if (arg == "--into" || arg == "-o") {
            (arg == "--into" ? into : output) = args[++i];
        } else if (file.empty() && !arg.starts_with("-")) {
            file = arg;
        } else {
            err << "kelto-cli import-3ds: unexpected argument '" << arg << "'\n" << kImportUsage;
            return kExitUsage;
        }
    }
    if (file.empty() || (!into.empty() && output.empty())) {
        err << "kelto-cli import-3ds: needs a 3DS file (and -o with --into)\n" << kImportUsage;
        return kExitUsage;
    }
    const std::string path(file);
    if (output.empty()) {
        if (LowerCase(ExtensionOf(path)) != "3ds") {
            err << FormatMessage(kMsgObjectTypeUnknown, ExtensionOf(path)) << '\n';
            return kExitFailed;
        }
        const Result<std::vector<std::uint8_t>> read = ReadWholeFile(path);
        if (!read.ok()) {
            err << FormatMessage(kMsgObjectOpenFailed, path) << '\n';
            return kExitFailed;
        }
        const std::vector<std::uint8_t>& bytes = *read;
        Importer importer;
        const std::size_t slash = path.rfind('/');
        const Status status =
            Read3ds(bytes, slash == std::string::npos ? path : path.substr(slash + 1), importer);
        if (!status.ok()) {
            if (!status.text.empty())
                err << status.text << '\n';
            return kExitFailed;
        }
        out << "master scale " << FormatNumber(importer.master_scale) << '\n';
        for (const ImportedMaterial* m : importer.material_order) {
            out << "material " << m->name << " ambient=" << Colour(m->ambient)
                << " diffuse=" << Colour(m->diffuse) << " specular=" << Colour(m->specular)
                << " shininess=" << FormatNumber(m->shininess)
                << " transparency=" << FormatNumber(m->transparency) << '\n';
        }
        for (const ImportedMesh* m : importer.mesh_order) {
            std::string material = "none";
            for (const ImportedFace& f : m->faces) {
                if (f.material != nullptr) {
                    material = f.material->name;
                    break;
                }
            }
            out << "mesh " << m->name << " vertices=" << m->vertices.size()
                << " faces=" << m->faces.size() << " smoothing=" << m->smoothing
                << " material=" << material << '\n';
        }
        return kExitOk;
    }
    DocumentCore document;
    if (!into.empty()) {
        const Status opened = document.Open(std::string(into));
        if (!opened.ok()) {
            PrintOpenFailure(err, "import-3ds", into, opened.text);
            return kExitFailed;
        }
    }
    const Result<std::vector<NodeId>> imported = document.Import3ds(path);
    if (!imported.ok()) {
        err << imported.status().text << '\n';
        return kExitFailed;
    }
    const Status saved = document.Save(std::string(output));
    if (!saved.ok()) {
        err << saved.text << '\n';
        return kExitFailed;
    }
    out << imported->size() << " objects imported into " << output << '\n';
    return kExitOk;
}

}  // namespace kelto::cli
