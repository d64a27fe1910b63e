#include "settings.h"

#include <charconv>

namespace kelto {

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

std::string SettingsStore::ReadString(const std::string& section, const std::string& key,
                                      const std::string& fallback) const {
    std::optional<std::string> text = Read(section, key);
    return text ? *std::move(text) : fallback;
}

std::string SettingsStore::CustomColourKey(int number) {
    return "Custom Color " + std::to_string(number);
}

SettingsStore::CustomColours SettingsStore::ReadCustomColours(const std::string& section) const {
    CustomColours colours{};
    for (int i = 0; i < kCustomColourCount; ++i) {
        // Stored as the chooser's signed integer; only the colour bits count.
        const int value =
            ReadInt(section, CustomColourKey(i + 1), static_cast<int>(kDefaultCustomColour));
        colours[static_cast<std::size_t>(i)] = static_cast<std::uint32_t>(value) & 0xFFFFFFu;
    }
    return colours;
}

void SettingsStore::WriteCustomColours(const std::string& section, const CustomColours& colours) {
    for (int i = 0; i < kCustomColourCount; ++i) {
        WriteInt(section, CustomColourKey(i + 1),
                 static_cast<int>(colours[static_cast<std::size_t>(i)] & 0xFFFFFFu));
    }
}

}  // namespace kelto
