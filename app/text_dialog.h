// The "Text Tool" dialog: the text to place (at most 40 characters), its TrueType family and
// style, and the extrusion depth. It starts from the "Text Tool" settings and writes them back
// on OK.
#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "modelling/font_record.h"
#include "modelling/glyph_outline.h"
#include "platform/settings.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSlider;

namespace kelto {

// What the text tool is given.
struct TextToolChoice {
    std::string text;  // one byte a character (Latin-1)
    LogFont font;      // height 32, the family, weight and italic flag chosen
    int depth_slider = 45;
    double depth = 0.45;  // the slider's value x 0.01
    // Whether the text holds any character other than a space: a text without one makes no
    // object.
    bool HasVisibleText() const;
};

class CTextToolDlg : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kMaxTextLength = 40;

    explicit CTextToolDlg(SettingsStore& settings, QWidget* parent = nullptr);

    // What the dialog shows now.
    TextToolChoice Choice() const;
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

}  // namespace kelto
