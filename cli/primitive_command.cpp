#include <cstdio>
#include <string>

#include "commands.h"
#include "files/obj_writer.h"
#include "model/shapes.h"

namespace kelto::cli {
namespace {

constexpr std::string_view kPrimitiveUsageHead =
    "usage: kelto-cli primitive TYPE [--obj FILE]\n"
    "\n"
    "Builds a primitive exactly as a new scene object's shape is built and prints its\n"
    "display mesh (vertices, triangles, box in the shape's own coordinates) and, on a second\n"
    "line, its render mesh. With --obj the display mesh is also written as a Wavefront OBJ.\n"
    "\n"
    "TYPE is one of:";

std::string PrimitiveUsage() {
    return std::string(kPrimitiveUsageHead) + std::string(PrimitiveWordList()) + '\n';
}

std::string Number(float value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}

void PrintTypes(std::ostream& err) {
    err << "known types:" << PrimitiveWordList() << '\n';
}

}  // namespace

int RunPrimitive(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view type_word;
    std::string_view obj_path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << PrimitiveUsage();
            return kExitOk;
        }
        if (arg == "--obj") {
            if (i + 1 >= args.size()) {
                err << "kelto-cli primitive: --obj needs a file name\n" << PrimitiveUsage();
                return kExitUsage;
            }
            obj_path = args[++i];
        } else if (type_word.empty() && !arg.starts_with("-")) {
            type_word = arg;
        } else {
            err << "kelto-cli primitive: unexpected argument '" << arg << "'\n" << PrimitiveUsage();
            return kExitUsage;
        }
    }
    if (type_word.empty()) {
        err << "kelto-cli primitive: which primitive?\n" << PrimitiveUsage();
        return kExitUsage;
    }
    const std::optional<ObjectType> type = PrimitiveFromWord(type_word);
    if (!type) {
        err << "kelto-cli primitive: unknown type '" << type_word << "'\n";
        PrintTypes(err);
        return kExitUsage;
    }

    std::unique_ptr<Shape> shape = MakePrimitiveShape(*type);
    Mesh display, render;
    BoundingBox box;
    shape->BuildDisplayMesh(display, box);
    shape->BuildRenderMesh(render);

    out << type_word << " vertices=" << display.vertices.size()
        << " triangles=" << display.TriangleCount() << " box=" << Number(box.min.x) << ','
        << Number(box.min.y) << ',' << Number(box.min.z) << ',' << Number(box.max.x) << ','
        << Number(box.max.y) << ',' << Number(box.max.z) << '\n';
    out << type_word << " render-vertices=" << render.vertices.size()
        << " render-triangles=" << render.TriangleCount() << '\n';

    if (!obj_path.empty()) {
        if (const Status written = WriteObjFile(display, std::string(obj_path)); !written.ok()) {
            err << "kelto-cli primitive: " << written.text << '\n';
            return kExitFailed;
        }
    }
    return kExitOk;
}

}  // namespace kelto::cli
