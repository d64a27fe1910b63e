// The "Light Source Properties" dialog: a light's kind, distance falloff, position, spot angle
// and exponent, intensity, colour and shadows. Confirming it sets the highlight colour to the
// diffuse colour as well.
#pragma once

#include <QDialog>
#include <array>
#include <utility>
#include <vector>

#include "app/editor_services.h"
#include "document/document_core.h"
#include "model/light.h"

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kelto {

class CLightDlg : public QDialog {
    Q_OBJECT

  public:
    CLightDlg(const Light& light, const EditorServices& services, QWidget* parent = nullptr);

    // What the controls say now. A number the user did not change keeps the light's exact
    // value (the boxes show fewer digits than a light holds); a button group with no button
    // selected is -1 and changes nothing.
    LightDialogFields Fields() const;
    // The light as OK makes it.
    Light Result() const;

    // "Color...": the colour chooser with the "Lighting Tool" custom colours.
    void OnColor();

    QRadioButton* TypeButton(int type) const {
        return type_buttons_[static_cast<std::size_t>(type)];
    }
    QRadioButton* FalloffButton(int falloff) const {
        return falloff_buttons_[static_cast<std::size_t>(falloff)];
    }
    QDoubleSpinBox* X() const { return position_[0]; }
    QDoubleSpinBox* Y() const { return position_[1]; }
    QDoubleSpinBox* Z() const { return position_[2]; }
    QDoubleSpinBox* SpotAngle() const { return spot_angle_; }
    QDoubleSpinBox* SpotExponent() const { return spot_exponent_; }
    QDoubleSpinBox* Intensity() const { return intensity_; }
    QPushButton* ColorButton() const { return color_button_; }
    QLabel* ColorSwatch() const { return color_swatch_; }
    QCheckBox* CastsShadows() const { return casts_shadows_; }
    QPushButton* OkButton() const { return ok_button_; }

  private:
    QButtonGroup* AddChoices(QBoxLayout& row, const QString& title,
                             const std::array<const char*, 3>& names, int checked,
                             std::array<QRadioButton*, 3>& buttons);
    QDoubleSpinBox* AddNumber(double value, double minimum, double maximum, int decimals);
    void ShowColour();
    double Read(const QDoubleSpinBox* box, double exact) const;

    EditorServices services_;
    Light light_;
    LightDialogFields initial_;
    ColourRgba colour_;
    std::array<QRadioButton*, 3> type_buttons_{};
    std::array<QRadioButton*, 3> falloff_buttons_{};
    QButtonGroup* type_group_ = nullptr;
    QButtonGroup* falloff_group_ = nullptr;
    std::array<QDoubleSpinBox*, 3> position_{};
    QDoubleSpinBox* spot_angle_ = nullptr;
    QDoubleSpinBox* spot_exponent_ = nullptr;
    QDoubleSpinBox* intensity_ = nullptr;
    QPushButton* color_button_ = nullptr;
    QLabel* color_swatch_ = nullptr;
    QCheckBox* casts_shadows_ = nullptr;
    QPushButton* ok_button_ = nullptr;
    // What each number box showed when the dialog opened.
    std::vector<std::pair<const QDoubleSpinBox*, double>> shown_at_open_;
};

// The Light Properties command: the dialog on the light, modal; on OK the light takes the
// dialog's fields (one step of the history) and every view redraws its icon and lighting.
// Cancel, or a light that is gone, changes nothing. True when the light was changed.
bool EditLight(DocumentCore& document, LightId light, const EditorServices& services,
               QWidget* parent);

}  // namespace kelto
