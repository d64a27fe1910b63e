// The material editor: a property sheet on a working copy of one node's material, with the
// pages "Color", "Shininess", "Transparency", "Bumpiness", "Ambient Glow" and "Mapping", and a
// live preview of the material on a ray traced sphere. Nothing reaches the node before OK.
#pragma once

#include <QDialog>
#include <QImage>
#include <QWidget>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/editor_services.h"
#include "document/document_core.h"
#include "model/material.h"

class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QTimer;

namespace kelto {

class CMaterialsSheet;
class MaterialPreview;

// An integer track bar whose position p stands for the value p x 0.001 of a material field,
// with the value's text beside it. Every move writes the field at once; opening sets the
// position to the field x 1000 (truncated) and writes nothing.
class ValueSlider : public QWidget {
    Q_OBJECT

  public:
    struct Labels {
        QString caption;  // "Reflective Strength"
        QString low;      // at the left end ("Dull"), may be empty
        QString high;     // at the right end ("Shiny"), may be empty
    };
    // `open_format` prints the value when the slider opens; every move prints with "%0.02f".
    ValueSlider(const Labels& labels, int minimum, int maximum, float& field, QWidget* parent,
                const char* open_format = "%0.02f");

    QSlider* Slider() const { return slider_; }
    QLabel* ValueText() const { return value_text_; }

  signals:
    void Moved();

  private:
    void OnScroll(int position);

    float& field_;
    QSlider* slider_;
    QLabel* value_text_;
};

// A panel that paints a picture (kept to the panel's middle) or a plain colour.
class SwatchView : public QWidget {
  public:
    explicit SwatchView(QWidget* parent);
    void ShowColour(const QColor& colour);
    void ShowPicture(const QImage& picture);
    void ShowNothing(const QString& note);
    // What the panel paints now: the colour, or a null colour when it shows a picture or
    // nothing; the picture, or a null image.
    const QColor& Colour() const { return colour_; }
    const QImage& Picture() const { return picture_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QColor colour_;
    QImage picture_;
    QString note_;
};

class CColorPage : public QWidget {
    Q_OBJECT

  public:
    explicit CColorPage(CMaterialsSheet& sheet);
    // "Color...": the colour chooser with the "Material Tool" custom colours.
    void OnColor();
    // "Image...": a picture imported as the colour image.
    void OnImage();
    // Paints the current colour or the colour image's preview.
    void Refresh();
    QPushButton* ColorButton() const { return color_button_; }
    QPushButton* ImageButton() const { return image_button_; }
    SwatchView* Swatch() const { return swatch_; }

  private:
    CMaterialsSheet& sheet_;
    QPushButton* color_button_;
    QPushButton* image_button_;
    SwatchView* swatch_;
};

class CShinePage : public QWidget {
    Q_OBJECT

  public:
    explicit CShinePage(CMaterialsSheet& sheet);
    ValueSlider* Shininess() const { return shininess_; }
    ValueSlider* ReflectiveStrength() const { return reflective_; }

  private:
    ValueSlider* shininess_;
    ValueSlider* reflective_;
};

class CTransparencyPage : public QWidget {
    Q_OBJECT

  public:
    explicit CTransparencyPage(CMaterialsSheet& sheet);
    ValueSlider* Transparency() const { return transparency_; }
    ValueSlider* IndexOfRefraction() const { return refraction_; }
    ValueSlider* Dispersiveness() const { return dispersiveness_; }

  private:
    ValueSlider* transparency_;
    ValueSlider* refraction_;
    ValueSlider* dispersiveness_;
};

class CBumpPage : public QWidget {
    Q_OBJECT

  public:
    explicit CBumpPage(CMaterialsSheet& sheet);
    // "None", "Use Color Map" and "Image...": bump modes 0, 1 and (after a successful import)
    // 2; the two buttons then show which of the first two modes is on, if either.
    void OnNone();
    void OnUseColorMap();
    void OnImage();
    // Sets the buttons from the bump mode and paints the bump source.
    void Refresh();
    QRadioButton* NoneButton() const { return none_; }
    QRadioButton* UseColorMapButton() const { return use_color_map_; }
    QPushButton* ImageButton() const { return image_button_; }
    ValueSlider* Magnitude() const { return magnitude_; }
    SwatchView* Swatch() const { return swatch_; }

  private:
    CMaterialsSheet& sheet_;
    QRadioButton* none_;
    QRadioButton* use_color_map_;
    QPushButton* image_button_;
    ValueSlider* magnitude_;
    SwatchView* swatch_;
};

class CAmbientPage : public QWidget {
    Q_OBJECT

  public:
    explicit CAmbientPage(QWidget* parent) : QWidget(parent) {}
};

class CMappingPage : public QWidget {
    Q_OBJECT

  public:
    explicit CMappingPage(QWidget* parent) : QWidget(parent) {}
};

class CMaterialsSheet : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kPreviewDelayMs = 40;  // after the last change, before a new preview

    // Titled "Materials for: " and the node's name; works on a copy of `material` (its
    // pictures shared with the node's, not copied).
    CMaterialsSheet(const std::string& node_name, const Material& material,
                    const EditorServices& services, QWidget* parent = nullptr);
    ~CMaterialsSheet() override;

    Material& WorkingCopy() { return working_; }
    const Material& WorkingCopy() const { return working_; }
    const EditorServices& Services() const { return services_; }

    QTabWidget* Tabs() const { return tabs_; }
    CColorPage& ColorPage() const { return *color_page_; }
    CShinePage& ShinePage() const { return *shine_page_; }
    CTransparencyPage& TransparencyPage() const { return *transparency_page_; }
    CBumpPage& BumpPage() const { return *bump_page_; }
    QPushButton* OkButton() const { return ok_button_; }
    QPushButton* CancelButton() const { return cancel_button_; }

    // The live preview: the label that shows it, and how many pictures it has shown.
    QLabel* PreviewLabel() const { return preview_label_; }
    int PreviewsShown() const { return previews_shown_; }

    // The picture a page paints for an image: a scaled copy, made once per picture.
    QImage PagePreview(const SharedImage& picture);
    // Import Image...: the chosen file read into a new picture. Nothing when the dialog is
    // cancelled or the file cannot be read (its message has been shown then).
    std::optional<SharedImage> ImportPicture();
    // Every change of the working copy ends here: the pages repaint and the live preview is
    // traced again shortly.
    void MaterialChanged();

  private:
    void ShowPreview(const RenderImage& picture);

    EditorServices services_;
    Material working_;
    QTabWidget* tabs_ = nullptr;
    CColorPage* color_page_ = nullptr;
    CShinePage* shine_page_ = nullptr;
    CTransparencyPage* transparency_page_ = nullptr;
    CBumpPage* bump_page_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    QPushButton* cancel_button_ = nullptr;
    QLabel* preview_label_ = nullptr;
    QTimer* preview_timer_ = nullptr;
    int previews_shown_ = 0;
    std::vector<std::pair<SharedImage, QImage>> page_previews_;
    std::unique_ptr<MaterialPreview> preview_;  // last: its thread stops first
};

// The Material Properties command: the sheet on the node's material, modal; on OK the edited
// material replaces the node's (one step of the history) and every view redraws. Cancel, or a
// node that is gone, changes nothing. True when the material was replaced.
bool EditMaterial(DocumentCore& document, NodeId node, const EditorServices& services,
                  QWidget* parent);

}  // namespace kelto
