// The per-user settings store, by section and key, with typed access on top: integers,
// strings, and the 16 custom colours of a colour chooser.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kelto {

class SettingsStore {
  public:
    static constexpr int kCustomColourCount = 16;
    // 0x00BBGGRR, as the colour chooser keeps them.
    using CustomColours = std::array<std::uint32_t, kCustomColourCount>;
    static constexpr std::uint32_t kDefaultCustomColour = 0xFFFFFF;  // white

    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> Read(const std::string& section,
                                            const std::string& key) const = 0;
    virtual void Write(const std::string& section, const std::string& key,
                       const std::string& value) = 0;

    // Integer values are stored as decimal text; a missing or unreadable value gives the default.
    int ReadInt(const std::string& section, const std::string& key, int fallback) const;
    void WriteInt(const std::string& section, const std::string& key, int value);
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value) {
        Write(section, key, value);
    }

    // "Custom Color 1" .. "Custom Color 16".
    static std::string CustomColourKey(int number);
    // The 16 colours of `section` ("Material Tool", "Lighting Tool"); missing or unreadable
    // ones are white. Only the low 24 bits are kept.
    CustomColours ReadCustomColours(const std::string& section) const;
    // Writes all 16.
    void WriteCustomColours(const std::string& section, const CustomColours& colours);
};

}  // namespace kelto
