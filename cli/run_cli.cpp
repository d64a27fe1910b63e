#include "commands.h"
#include "modelling/glyph_outline.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kUsage =
    "usage: kelto-cli SUBCOMMAND [ARGUMENTS]\n"
    "\n"
    "Builds, inspects and converts Kelto scenes without a window.\n"
    "\n"
    "subcommands:\n"
    "  primitive TYPE [--obj FILE]          build a primitive solid and describe its meshes\n"
    "  build OUT.kel [--from IN.kel] OP...  make or change a scene and save it\n"
    "  info FILE.kel [--json]               print what a scene holds\n"
    "  export FILE.kel OUT [--selection]    write a scene as OBJ, glTF (.glb, .gltf) or STL\n"
    "  image-info FILE                      read a JPEG, PNG or TIFF picture and describe it\n"
    "  render FILE.kel OUT [OPTIONS]        ray trace a scene into a picture (or a part of one)\n"
    "  merge OUT PART.kpart...              put render parts together into the picture\n"
    "  fonts                                list the TrueType font families for text\n"
    "  import-3ds FILE.3ds [--into S] [-o O] check a 3D Studio file, or import it into a scene\n"
    "  import FILE [--into S] [--scale F] -o O  import a 3DS, OBJ, STL, PLY or glTF file\n"
    "  script FILE.py [ARG...]              run a Python script with the module kelto\n"
    "\n"
    "'kelto-cli SUBCOMMAND --help' tells more about each.\n";

}  // namespace

void PrintOpenFailure(std::ostream& err, std::string_view command, std::string_view path,
                      const std::string& message) {
    if (message.empty()) {
        err << "kelto-cli " << command << ": cannot read " << path << '\n';
    } else {
        err << message << '\n';
    }
}

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
    if (command == "build") {
        return RunBuild(rest, out, err);
    }
    if (command == "info") {
        return RunInfo(rest, out, err);
    }
    if (command == "image-info") {
        return RunImageInfo(rest, out, err);
    }
    if (command == "fonts") {
        if (!rest.empty() && rest[0] != "--help" && rest[0] != "-h") {
            err << "kelto-cli fonts: takes no arguments\n";
            return kExitUsage;
        }
        if (!rest.empty()) {
            out << "usage: kelto-cli fonts\n\nLists the TrueType font families text can be made "
                   "in.\n";
            return kExitOk;
        }
        for (const std::string& family : TrueTypeFamilies()) {
            out << family << '\n';
        }
        return kExitOk;
    }
    if (command == "import-3ds") {
        return RunImport3ds(rest, out, err);
    }
    if (command == "import") {
        return RunImport(rest, out, err);
    }
    if (command == "render") {
        return RunRender(rest, out, err);
    }
    if (command == "merge") {
        return RunMerge(rest, out, err);
    }
    if (command == "export") {
        return RunExport(rest, out, err);
    }
    if (command == "script") {
        return RunScript(rest, out, err);
    }
    err << "kelto-cli: unknown subcommand '" << command << "'\n" << kUsage;
    return kExitUsage;
}

}  // namespace kelto::cli
