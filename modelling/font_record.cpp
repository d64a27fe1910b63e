#include "font_record.h"

#include <algorithm>
#include <cstring>

namespace kelto {

std::string LogFont::FaceName() const {
    const auto end = std::find(face_name.begin(), face_name.end(), '\0');
    return std::string(face_name.begin(), end);
}

void LogFont::SetFaceName(const std::string& name) {
    face_name.fill('\0');
    std::memcpy(face_name.data(), name.data(), std::min(name.size(), kFaceNameSize - 1));
}

LogFont LogFont::TextToolDefault() {
    LogFont font;
    font.SetFaceName("Times New Roman");
    return font;
}

double TextDepthFromSlider(int slider) {
    return std::clamp(slider, kMinDepthSlider, kMaxDepthSlider) * 0.01;
}

}  // namespace kelto
