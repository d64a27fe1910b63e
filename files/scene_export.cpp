#include "scene_export.h"

#include <array>
#include <sstream>

#include "file_io.h"
#include "model/child_list.h"
#include "model/message_table.h"
#include "obj_writer.h"

namespace kelto {
namespace {

constexpr std::array kFormats{
    ExportFormat{"obj", &WriteSceneObjFiles},
    ExportFormat{"glb", &WriteSceneGlb},
    ExportFormat{"gltf", &WriteSceneGltf},
    ExportFormat{"stl", &WriteSceneStl},
};

// The path with its extension (if any) replaced by `extension`.
std::string WithExtension(const std::string& path, std::string_view extension) {
    const std::string current = ExtensionOf(path);
    const std::size_t stem = path.size() - (current.empty() ? 0 : current.size() + 1);
    return path.substr(0, stem) + "." + std::string(extension);
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Status WriteText(const std::string& path, const std::string& text) {
    if (ReplaceFileContents(path, {text.begin(), text.end()}) != FileWrite::Done) {
        return Status::Message(kMsgExportWriteFailed, {path});
    }
    return Status::Ok();
}

}  // namespace

std::span<const ExportFormat> ExportFormats() {
    return kFormats;
}

std::vector<const SceneNode*> ExportedTopLevel(const Scene& scene, const ExportOptions& options) {
    std::vector<const SceneNode*> top;
    for (const SceneNode* node : Children(scene.Root())) {
        if (!options.selection_only || node->selected != 0) {
            top.push_back(node);
        }
    }
    return top;
}

Result<ExportReport> WriteSceneAs(const Scene& scene, const std::string& path,
                                  const ExportOptions& options) {
    const std::string extension = LowerCase(ExtensionOf(path));
    for (const ExportFormat& format : kFormats) {
        if (format.extension == extension) {
            return format.write(scene, path, options);
        }
    }
    // A name without a known extension gets the first format, as `kelto-cli export` always did.
    return kFormats.front().write(scene, path, options);
}

Result<ExportReport> WriteSceneObjFiles(const Scene& scene, const std::string& path,
                                        const ExportOptions& options) {
    const std::string mtl_path = WithExtension(path, "mtl");
    std::ostringstream obj, mtl;
    ExportReport report;
    report.objects = WriteSceneObj(scene, obj, mtl, FileNameOf(mtl_path), options.selection_only);
    for (const auto& [file, text] : {std::pair{&path, obj.str()}, {&mtl_path, mtl.str()}}) {
        if (Status written = WriteText(*file, text); !written.ok()) {
            return written;
        }
        report.files.push_back(*file);
    }
    return report;
}

}  // namespace kelto
