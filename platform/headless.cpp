#include "headless.h"

#include <charconv>

namespace kelto {

MessageAnswer HeadlessMessages::Show(int number, const std::string& text, MessageIcon icon,
                                     MessageButtons buttons) {
    shown_.push_back({number, text, icon, buttons});
    if (!answers_.empty()) {
        const MessageAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel
               ? MessageAnswer::Ok
               : MessageAnswer::Yes;
}

std::optional<std::string> MemorySettings::Read(const std::string& section,
                                                const std::string& key) const {
    const auto it = values_.find({section, key});
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void MemorySettings::Write(const std::string& section, const std::string& key,
                           const std::string& value) {
    values_[{section, key}] = value;
}

int SettingsStore::ReadInt(const std::string& section, const std::string& key, int fallback) const {
    const std::optional<std::string> text = Read(section, key);
    if (!text) {
        return fallback;
    }
    int value = 0;
    const char* end = text->data() + text->size();
    const auto [ptr, error] = std::from_chars(text->data(), end, value);
    return error == std::errc() && ptr == end ? value : fallback;
}

void SettingsStore::WriteInt(const std::string& section, const std::string& key, int value) {
    Write(section, key, std::to_string(value));
}

}  // namespace kelto
