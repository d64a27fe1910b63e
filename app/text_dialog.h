// The "Text Tool" dialog: the text to place (at most 40 characters), its TrueType family and
// style, and the extrusion depth. It starts from the "Text Tool" settings and writes them back
// on OK.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "interaction/text_tool_prompt.h"
#include "modelling/font_record.h"
#include "modelling/glyph_outline.h"
#include "platform/settings.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace kelto {

class CTextToolDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMaxTextLength = 40;

    explicit CTextToolDlg(SettingsStore& settings, QWidget* parent = nullptr);

    // What the dialog shows now.
    TextToolChoice Choice() const;
    // Shows a text, font and depth (Edit Text): the font's family when it is offered (else the
    // family it resolves to), its style nearest to the font's weight and slant.
    void ShowChoice(const TextToolChoice& choice);
    // OK: the family, style and depth are remembered, then the dialog closes.
    void accept() override;

    QLineEdit* TextField() const { return text_; }
    QListWidget* Families() const { return families_; }
    QListWidget* Styles() const { return styles_; }
    QSlider* Depth() const { return depth_; }
    QLabel* DepthText() const { return depth_text_; }
    QLabel* Sample() const { return sample_; }
    QPushButton* OkButton() const { return ok_button_; }

  private:
    void SelectFamily(const LogFont& font);
    void FillStyles(int weight, bool italic);
    void ShowSample();
    const TrueTypeStyle* CurrentStyle() const;

    SettingsStore& settings_;
    std::vector<TrueTypeStyle> styles_of_family_;
    QLineEdit* text_ = nullptr;
    QListWidget* families_ = nullptr;
    QListWidget* styles_ = nullptr;
    QSlider* depth_ = nullptr;
    QLabel* depth_text_ = nullptr;
    QLabel* sample_ = nullptr;
    QPushButton* ok_button_ = nullptr;
};

// The families the dialog offers: the TrueType families with outlines whose names fit a font
// record's face name (31 bytes).
std::vector<std::string> OfferedTextFamilies();

// Shows the dialog and returns what the text tool places; nothing on Cancel or when the text
// has no character other than a space.
std::optional<TextToolChoice> PromptForText(SettingsStore& settings, QWidget* parent);

// The text tool's prompt on the desktop: the dialog, over the given window.
class DialogTextToolPrompt : public TextToolPrompt {
  public:
    DialogTextToolPrompt(SettingsStore& settings, QWidget* parent)
        : settings_(settings), parent_(parent) {}
    std::optional<TextToolChoice> AskForText() override {
        return PromptForText(settings_, parent_);
    }

  private:
    SettingsStore& settings_;
    QWidget* parent_;
};

}  // namespace kelto
