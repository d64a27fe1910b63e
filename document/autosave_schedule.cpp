#include "autosave_schedule.h"

#include <charconv>
#include <cstring>
#include <utility>

#include "platform/program_settings.h"

namespace kelto {

int EffectiveAutosaveSeconds(int setting, const char* override_text) {
    if (override_text != nullptr && *override_text != '\0') {
        int value = -1;
        const char* end = override_text + std::strlen(override_text);
        const auto [ptr, error] = std::from_chars(override_text, end, value);
        if (error == std::errc() && ptr == end && value >= 0 &&
            value <= GeneralSettings::kMaxAutosaveSeconds) {
            return value;
        }
    }
    return setting;
}

AutosaveAction AutosaveSlot::Next(bool modified) const {
    if (!modified) {
        return file_name_.empty() ? AutosaveAction::None : AutosaveAction::Remove;
    }
    return changes_ != written_ || failed_ || file_name_.empty() ? AutosaveAction::Write
                                                                 : AutosaveAction::None;
}

std::string AutosaveSlot::Wrote(std::string file_name) {
    written_ = changes_;
    failed_ = false;
    std::string previous = std::exchange(file_name_, std::move(file_name));
    return previous == file_name_ ? std::string() : previous;
}

void AutosaveSlot::Removed() {
    file_name_.clear();
    written_ = changes_;
    failed_ = false;
}

bool AutosaveFailureGate::Failed() {
    return !std::exchange(told_, true);
}

}  // namespace kelto
