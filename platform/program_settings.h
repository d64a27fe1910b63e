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

inline constexpr char kModellingSection[] = "Modelling";
inline constexpr char kSnapToGrid[] = "Snap to grid";  // 1: on, 0: off
inline constexpr char kGridStep[] = "Grid step";
inline constexpr char kLightHeight[] = "Light height";
inline constexpr char kOrbitButton[] = "Orbit button";  // 0: middle or Alt+left, 1: Alt+left

inline constexpr char kRenderSection[] = "Render";
inline constexpr char kRenderThreads[] = "Threads";  // 0: one per processor

inline constexpr char kHistorySection[] = "History";
inline constexpr char kUndoSteps[] = "Undo steps";

inline constexpr char kAutosaveSection[] = "Autosave";
inline constexpr char kAutosaveInterval[] = "IntervalSeconds";  // 0: off
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

// How the modelling tools place things. A stored value out of its range (or unreadable) gives
// the default.
struct ModellingSettings {
    static constexpr double kMinGridStep = 0.01;
    static constexpr double kMaxGridStep = 100.0;
    static constexpr double kMaxLightHeight = 1000.0;

    // Insertions and floor moves land on the grid (Ctrl during a move does the opposite).
    bool snap_to_grid = false;
    // The grid's spacing in world units: what snapping rounds to, and what Duplicate, Paste
    // and the arrow keys move things by.
    double grid_step = 1.0;
    // New lights stand this high above the clicked floor point (0 to kMaxLightHeight).
    double light_height = 5.0;
    // A middle-drag moves the camera; without it only Alt+left-drags (and the Move Camera
    // tool) do, and the middle button is left alone.
    bool middle_button_orbits = true;
    friend bool operator==(const ModellingSettings&, const ModellingSettings&) = default;
};
ModellingSettings ReadModellingSettings(const SettingsStore& store);
void WriteModellingSettings(SettingsStore& store, const ModellingSettings& values);

// The program's other preferences. A stored value out of its range gives the default.
struct GeneralSettings {
    static constexpr int kMaxRenderThreads = 256;
    static constexpr int kMinUndoSteps = 1;
    static constexpr int kMaxUndoSteps = 1000;
    static constexpr int kMinAutosaveSeconds = 10;
    static constexpr int kMaxAutosaveSeconds = 24 * 60 * 60;

    int render_threads = 0;  // 0: one per processor
    int undo_steps = 100;    // the steps each scene's history keeps
    // How often changed scenes are autosaved, in seconds; 0: never.
    int autosave_seconds = 120;
    friend bool operator==(const GeneralSettings&, const GeneralSettings&) = default;
};
GeneralSettings ReadGeneralSettings(const SettingsStore& store);
void WriteGeneralSettings(SettingsStore& store, const GeneralSettings& values);

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
