// How the text tool asks what to write: the text, its font and its depth. The desktop asks
// with its "Text Tool" dialog; without one, the tool writes with the settings the dialog last
// kept.
#pragma once

#include <optional>
#include <string>

#include "modelling/font_record.h"
#include "platform/settings.h"

namespace kelto {

struct TextToolChoice {
    std::string text;
    LogFont font = LogFont::TextToolDefault();
    double depth = 0.45;  // the extrusion depth (the dialog's slider value times 0.01)
    // Whether the text holds a character other than a space: a text without one makes no
    // object.
    bool HasVisibleText() const { return text.find_first_not_of(' ') != std::string::npos; }
};

class TextToolPrompt {
  public:
    virtual ~TextToolPrompt() = default;
    // Asked once per click of the text tool, before the tool looks for the floor under the
    // mouse. Nothing on Cancel. A choice without a character other than a space adds nothing.
    virtual std::optional<TextToolChoice> AskForText() = 0;
};

// The text tool's settings as the "Text Tool" section keeps them ("Face Name", "Style",
// "eStyle", "Depth" clamped to 1 .. 150), with a fixed text: what the tool writes until the
// desktop gives it a dialog.
class SettingsTextToolPrompt : public TextToolPrompt {
  public:
    static constexpr char kDefaultText[] = "Text";

    explicit SettingsTextToolPrompt(const SettingsStore& settings, std::string text = kDefaultText)
        : settings_(settings), text_(std::move(text)) {}
    std::optional<TextToolChoice> AskForText() override;
    // The choice the settings give, for any text.
    static TextToolChoice FromSettings(const SettingsStore& settings, std::string text);

  private:
    const SettingsStore& settings_;
    std::string text_;
};

}  // namespace kelto
