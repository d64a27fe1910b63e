#include "file_chooser.h"

namespace kelto {
namespace {
const FileFilter kAllFiles{"All Files (*.*)", {"*"}};
}

std::vector<FileFilter> SceneFileFilters() {
    return {{"Kelto Files (*.kel)", {"*.kel"}}, kAllFiles};
}

std::vector<FileFilter> ImportObjectFilters() {
    return {{"3D Studio Objects (*.3ds)", {"*.3ds"}},
            {"Wavefront OBJ (*.obj)", {"*.obj"}},
            {"STL (*.stl)", {"*.stl"}},
            {"Stanford PLY (*.ply)", {"*.ply"}},
            {"glTF 2.0 (*.gltf;*.glb)", {"*.gltf", "*.glb"}},
            kAllFiles};
}

std::vector<FileFilter> ExportFilters() {
    return {{"glTF Binary (*.glb)", {"*.glb"}},
            {"glTF (*.gltf)", {"*.gltf"}},
            {"STL for 3D Printing (*.stl)", {"*.stl"}},
            {"Wavefront OBJ (*.obj)", {"*.obj"}}};
}

std::vector<FileFilter> ScriptFilters() {
    return {{"Python Scripts (*.py)", {"*.py"}}, kAllFiles};
}

std::vector<FileFilter> ImportImageFilters() {
    return {{"Image Files (*.jpg;*.png;*.tif)", {"*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff"}},
            {"Jpeg Image (*.jpg)", {"*.jpg", "*.jpeg"}},
            {"PNG Image (*.png)", {"*.png"}},
            {"Tiff Image (*.tif)", {"*.tif", "*.tiff"}},
            kAllFiles};
}

FileDialogRequest ImportImageRequest() {
    FileDialogRequest request;
    request.title = kImportImageTitle;
    request.filters = ImportImageFilters();
    request.initial_name = "*.jpg; *.png";
    request.image_preview = true;
    return request;
}

std::vector<FileFilter> SaveImageFilters() {
    return {{"Image Files (*.bmp;*.dib;*.jpg;*.png;*.tif)",
             {"*.bmp", "*.dib", "*.jpg", "*.png", "*.tif"}},
            {"Windows Bitmap (*.bmp)", {"*.bmp"}},
            {"Windows Bitmap (*.dib)", {"*.dib"}},
            {"Jpeg Image (*.jpg)", {"*.jpg"}},
            {"PNG Image (*.png)", {"*.png"}},
            {"Tiff Image (*.tif)", {"*.tif"}}};
}

}  // namespace kelto
