#include "colour_chooser.h"

namespace kelto {

std::uint8_t ComponentToByte(float value) {
    const float scaled = value * 255.0f;
    if (!(scaled > 0.0f)) {
        return 0;  // negative, zero or not a number
    }
    if (scaled >= 255.0f) {
        return 255;
    }
    return static_cast<std::uint8_t>(scaled);
}

std::optional<PackedColour> ChooseColourWithCustomColours(ColourChooser& chooser,
                                                          SettingsStore& settings,
                                                          const std::string& section,
                                                          PackedColour initial) {
    ColourRequest request;
    request.initial = initial & 0xFFFFFFu;
    request.custom = settings.ReadCustomColours(section);
    const std::optional<ColourChoice> choice = chooser.ChooseColour(request);
    if (!choice) {
        return std::nullopt;
    }
    settings.WriteCustomColours(section, choice->custom);
    return choice->colour & 0xFFFFFFu;
}

}  // namespace kelto
