// The program's persistent settings: every section and key, with its default.
#pragma once

#include <string>
#include <vector>

#include "settings.h"

namespace kelto {

namespace settings_keys {
inline constexpr char kTipSection[] = "Tip";
inline constexpr char kTipStartUp[] = "StartUp";  // 0: show the tips at start-up
inline constexpr char kTipFilePos[] = "FilePos";
inline constexpr char kTipTimeStamp[] = "TimeStamp";

inline constexpr char kTextToolSection[] = "Text Tool";
inline constexpr char kTextFaceName[] = "Face Name";
inline constexpr char kTextStyle[] = "Style";
inline constexpr char kTextItalic[] = "eStyle";
inline constexpr char kTextDepth[] = "Depth";

inline constexpr char kMaterialToolSection[] = "Material Tool";
inline constexpr char kLightingToolSection[] = "Lighting Tool";

inline constexpr char kRecentFileSection[] = "Recent File List";  // "File1" .. "File6"
}  // namespace settings_keys

// The last choices of the text tool.
struct TextToolSettings {
    std::string face_name = "Times New Roman";
    int weight = 400;
    int italic = 0;
    int depth = 45;  // the depth slider's value
    friend bool operator==(const TextToolSettings&, const TextToolSettings&) = default;
};
TextToolSettings ReadTextToolSettings(const SettingsStore& store);
void WriteTextToolSettings(SettingsStore& store, const TextToolSettings& values);

// The recent-file list: the last six scene files opened or saved, newest first.
class RecentFileList {
  public:
    static constexpr int kSize = 6;

    const std::vector<std::string>& Files() const { return files_; }
    // Puts `path` first (moving it up when it is there already) and drops the oldest beyond six.
    void Add(const std::string& path);
    void Remove(const std::string& path);

    void Load(const SettingsStore& store);
    // Writes File1..File6; entries past the list's end are written empty.
    void Save(SettingsStore& store) const;

  private:
    std::vector<std::string> files_;
};

}  // namespace kelto
