#include "file_chooser.h"

namespace kelto {
namespace {
const FileFilter kAllFiles{"All Files (*.*)", {"*"}};
}

std::vector<FileFilter> SceneFileFilters() {
    return {{"Kelto Files (*.kel)", {"*.kel"}}, kAllFiles};
}

std::vector<FileFilter> ImportObjectFilters() {
    return {{"3D Studio Objects (*.3ds)", {"*.3ds"}}, kAllFiles};
}

std::vector<FileFilter> ImportImageFilters() {
    return {{"Image Files (*.jpg;*.png)", {"*.jpg", "*.png"}},
            {"Jpeg Image (*.jpg)", {"*.jpg"}},
            {"PNG Image (*.png)", {"*.png"}},
            kAllFiles};
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
