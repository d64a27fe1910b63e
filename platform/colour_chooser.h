// Choosing a colour, with the chooser's 16 custom colours. The application shows the desktop's
// colour dialog; the headless implementation answers from a script.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings.h"

namespace kelto {

// A colour as the chooser and the settings keep it: 0x00BBGGRR.
using PackedColour = std::uint32_t;

inline constexpr PackedColour PackRgb(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return PackedColour{red} | (PackedColour{green} << 8) | (PackedColour{blue} << 16);
}
inline constexpr std::uint8_t RedOf(PackedColour c) {
    return c & 0xFF;
}
inline constexpr std::uint8_t GreenOf(PackedColour c) {
    return (c >> 8) & 0xFF;
}
inline constexpr std::uint8_t BlueOf(PackedColour c) {
    return (c >> 16) & 0xFF;
}

// A colour component in 0..1 (times a factor) as the chooser's byte: truncated, and kept in
// 0..255 whatever the value.
std::uint8_t ComponentToByte(float value);
// A chooser's byte back as a component: byte / 255 (the factor 0.003921569).
inline float ByteToComponent(std::uint8_t byte) {
    return static_cast<float>(byte) * 0.003921569f;
}

struct ColourRequest {
    PackedColour initial = 0;
    SettingsStore::CustomColours custom{};
};

struct ColourChoice {
    PackedColour colour = 0;
    // The custom colours as the user left them in the dialog.
    SettingsStore::CustomColours custom{};
    friend bool operator==(const ColourChoice&, const ColourChoice&) = default;
};

class ColourChooser {
  public:
    virtual ~ColourChooser() = default;
    // The dialog opens fully expanded at `initial` with the request's custom colours; nothing
    // when the user cancels.
    virtual std::optional<ColourChoice> ChooseColour(const ColourRequest& request) = 0;
};

// The chooser as the editors use it: the 16 custom colours read from the settings section
// ("Material Tool", "Lighting Tool") when it opens and all written back on OK. Cancel writes
// nothing and gives nothing.
std::optional<PackedColour> ChooseColourWithCustomColours(ColourChooser& chooser,
                                                          SettingsStore& settings,
                                                          const std::string& section,
                                                          PackedColour initial);

}  // namespace kelto
