#include "program_settings.h"

#include <algorithm>

namespace kelto {

using namespace settings_keys;

TextToolSettings ReadTextToolSettings(const SettingsStore& store) {
    const TextToolSettings defaults;
    TextToolSettings values;
    values.face_name = store.ReadString(kTextToolSection, kTextFaceName, defaults.face_name);
    values.weight = store.ReadInt(kTextToolSection, kTextStyle, defaults.weight);
    values.italic = store.ReadInt(kTextToolSection, kTextItalic, defaults.italic);
    values.depth = store.ReadInt(kTextToolSection, kTextDepth, defaults.depth);
    return values;
}

void WriteTextToolSettings(SettingsStore& store, const TextToolSettings& values) {
    store.WriteString(kTextToolSection, kTextFaceName, values.face_name);
    store.WriteInt(kTextToolSection, kTextStyle, values.weight);
    store.WriteInt(kTextToolSection, kTextItalic, values.italic);
    store.WriteInt(kTextToolSection, kTextDepth, values.depth);
}

void RecentFileList::Add(const std::string& path) {
    if (path.empty()) {
        return;
    }
    Remove(path);
    files_.insert(files_.begin(), path);
    if (files_.size() > static_cast<std::size_t>(kSize)) {
        files_.resize(kSize);
    }
}

void RecentFileList::Remove(const std::string& path) {
    files_.erase(std::remove(files_.begin(), files_.end(), path), files_.end());
}

namespace {
std::string FileKey(int number) {
    return "File" + std::to_string(number);
}
}  // namespace

void RecentFileList::Load(const SettingsStore& store) {
    files_.clear();
    for (int i = 1; i <= kSize; ++i) {
        const std::string path = store.ReadString(kRecentFileSection, FileKey(i), "");
        if (!path.empty() && std::find(files_.begin(), files_.end(), path) == files_.end()) {
            files_.push_back(path);
        }
    }
}

void RecentFileList::Save(SettingsStore& store) const {
    for (int i = 1; i <= kSize; ++i) {
        const std::size_t index = static_cast<std::size_t>(i - 1);
        store.WriteString(kRecentFileSection, FileKey(i),
                          index < files_.size() ? files_[index] : std::string());
    }
}

}  // namespace kelto
