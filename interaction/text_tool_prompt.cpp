#include "text_tool_prompt.h"

#include "platform/program_settings.h"

namespace kelto {

TextToolChoice SettingsTextToolPrompt::FromSettings(const SettingsStore& settings,
                                                    std::string text) {
    const TextToolSettings stored = ReadTextToolSettings(settings);
    TextToolChoice choice;
    choice.text = std::move(text);
    choice.font = LogFont::TextToolDefault();
    choice.font.SetFaceName(stored.face_name);
    choice.font.weight = stored.weight;
    choice.font.italic = stored.italic != 0 ? 1 : 0;
    choice.depth = TextDepthFromSlider(stored.depth);
    return choice;
}

std::optional<TextToolChoice> SettingsTextToolPrompt::AskForText() {
    return FromSettings(settings_, text_);
}

}  // namespace kelto
