#include "program_settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

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

namespace {

// A decimal number within [low, high]; the fallback for anything else.
double ReadNumber(const SettingsStore& store, const std::string& key, double low, double high,
                  double fallback) {
    const std::string text = store.ReadString(kModellingSection, key, "");
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value);
    const bool read = !text.empty() && error == std::errc() && ptr == end;
    return read && std::isfinite(value) && value >= low && value <= high ? value : fallback;
}

std::string NumberText(double value) {
    char buffer[32];
    const auto [ptr, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, ptr) : std::string();
}

}  // namespace

ModellingSettings ReadModellingSettings(const SettingsStore& store) {
    const ModellingSettings defaults;
    ModellingSettings values;
    const int snap = store.ReadInt(kModellingSection, kSnapToGrid, defaults.snap_to_grid ? 1 : 0);
    values.snap_to_grid = snap == 0 || snap == 1 ? snap == 1 : defaults.snap_to_grid;
    values.grid_step = ReadNumber(store, kGridStep, ModellingSettings::kMinGridStep,
                                  ModellingSettings::kMaxGridStep, defaults.grid_step);
    values.light_height = ReadNumber(store, kLightHeight, 0.0, ModellingSettings::kMaxLightHeight,
                                     defaults.light_height);
    const int orbit = store.ReadInt(kModellingSection, kOrbitButton, 0);
    values.middle_button_orbits = orbit == 1 ? false : defaults.middle_button_orbits;
    return values;
}

void WriteModellingSettings(SettingsStore& store, const ModellingSettings& values) {
    store.WriteInt(kModellingSection, kSnapToGrid, values.snap_to_grid ? 1 : 0);
    store.WriteString(kModellingSection, kGridStep, NumberText(values.grid_step));
    store.WriteString(kModellingSection, kLightHeight, NumberText(values.light_height));
    store.WriteInt(kModellingSection, kOrbitButton, values.middle_button_orbits ? 0 : 1);
}

namespace {

int WholeWithin(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}

}  // namespace

GeneralSettings ReadGeneralSettings(const SettingsStore& store) {
    const GeneralSettings defaults;
    GeneralSettings values;
    values.render_threads =
        WholeWithin(store.ReadInt(kRenderSection, kRenderThreads, defaults.render_threads), 0,
                    GeneralSettings::kMaxRenderThreads, defaults.render_threads);
    values.undo_steps = WholeWithin(store.ReadInt(kHistorySection, kUndoSteps, defaults.undo_steps),
                                    GeneralSettings::kMinUndoSteps, GeneralSettings::kMaxUndoSteps,
                                    defaults.undo_steps);
    const int autosave =
        store.ReadInt(kAutosaveSection, kAutosaveInterval, defaults.autosave_seconds);
    values.autosave_seconds =
        autosave == 0
            ? 0
            : WholeWithin(autosave, GeneralSettings::kMinAutosaveSeconds,
                          GeneralSettings::kMaxAutosaveSeconds, defaults.autosave_seconds);
    return values;
}

void WriteGeneralSettings(SettingsStore& store, const GeneralSettings& values) {
    store.WriteInt(kRenderSection, kRenderThreads, values.render_threads);
    store.WriteInt(kHistorySection, kUndoSteps, values.undo_steps);
    store.WriteInt(kAutosaveSection, kAutosaveInterval, values.autosave_seconds);
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
