#include "light_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "platform/program_settings.h"

namespace kelto {
namespace {

// A value a box can hold (a damaged file's not-a-number shows as the box's lowest value).
double Showable(const QDoubleSpinBox* box, double value) {
    return std::isfinite(value) ? std::clamp(value, box->minimum(), box->maximum())
                                : box->minimum();
}

}  // namespace

CLightDlg::CLightDlg(const Light& light, const EditorServices& services, QWidget* parent)
    : QDialog(parent),
      services_(services),
      light_(light),
      initial_(LightToDialog(light)),
      colour_(initial_.colour) {
    setWindowTitle("Light Source Properties");
    auto* layout = new QVBoxLayout(this);
    auto* groups = new QHBoxLayout;

    // "Type" and "Distance Falloff"; a button is checked only when the light matches one.
    type_group_ =
        AddChoices(*groups, "Type", {"&Point", "Sp&here", "&Spot"}, initial_.type, type_buttons_);
    falloff_group_ = AddChoices(*groups, "Distance Falloff", {"&None", "&Linear", "&Quadratic"},
                                initial_.falloff, falloff_buttons_);

    auto* position_box = new QGroupBox("Position", this);
    auto* position_layout = new QFormLayout(position_box);
    const double coordinates[] = {initial_.x, initial_.y, initial_.z};
    const char* axis_names[] = {"&X:", "&Y:", "&Z:"};
    for (int i = 0; i < 3; ++i) {
        QDoubleSpinBox* box = AddNumber(coordinates[i], -1.0e6, 1.0e6, 3);
        box->setAccessibleName(QString(axis_names[i]).remove('&').remove(':'));
        position_layout->addRow(axis_names[i], box);
        position_[static_cast<std::size_t>(i)] = box;
    }
    groups->addWidget(position_box);
    layout->addLayout(groups);

    auto* numbers = new QFormLayout;
    spot_angle_ = AddNumber(initial_.spot_angle, 0.0, 90.0, 2);
    spot_angle_->setAccessibleName("Spot Angle");
    spot_exponent_ = AddNumber(initial_.spot_exponent, 0.0, 128.0, 2);
    spot_exponent_->setAccessibleName("Spot Exponent");
    intensity_ = AddNumber(initial_.intensity, 0.0, 1000.0, 3);
    intensity_->setAccessibleName("Intensity");
    numbers->addRow("Spot &Angle:", spot_angle_);
    numbers->addRow("Spot &Exponent:", spot_exponent_);
    numbers->addRow("&Intensity:", intensity_);

    auto* colour_row = new QHBoxLayout;
    color_button_ = new QPushButton("&Color...", this);
    color_swatch_ = new QLabel(this);
    color_swatch_->setFixedSize(48, 22);
    color_swatch_->setFrameShape(QFrame::Box);
    color_swatch_->setAutoFillBackground(true);
    color_swatch_->setAccessibleName("Color");
    colour_row->addWidget(color_button_);
    colour_row->addWidget(color_swatch_);
    colour_row->addStretch();
    numbers->addRow(colour_row);
    casts_shadows_ = new QCheckBox("Casts Shado&ws", this);
    casts_shadows_->setChecked(initial_.casts_shadows);
    numbers->addRow(casts_shadows_);
    layout->addLayout(numbers);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_button_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(color_button_, &QPushButton::clicked, this, &CLightDlg::OnColor);
    ShowColour();
}

QButtonGroup* CLightDlg::AddChoices(QBoxLayout& row, const QString& title,
                                    const std::array<const char*, 3>& names, int checked,
                                    std::array<QRadioButton*, 3>& buttons) {
    auto* box = new QGroupBox(title, this);
    auto* column = new QVBoxLayout(box);
    auto* group = new QButtonGroup(this);
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(names[static_cast<std::size_t>(i)], box);
        column->addWidget(button);
        group->addButton(button, i);
        button->setChecked(i == checked);
        buttons[static_cast<std::size_t>(i)] = button;
    }
    row.addWidget(box);
    return group;
}

QDoubleSpinBox* CLightDlg::AddNumber(double value, double minimum, double maximum, int decimals) {
    auto* box = new QDoubleSpinBox(this);
    box->setDecimals(decimals);
    box->setRange(minimum, maximum);
    box->setValue(Showable(box, value));
    shown_at_open_.emplace_back(box, box->value());
    box->setMinimumWidth(100);
    return box;
}

void CLightDlg::ShowColour() {
    QPalette palette = color_swatch_->palette();
    palette.setColor(
        QPalette::Window,
        QColor(ComponentToByte(colour_.r), ComponentToByte(colour_.g), ComponentToByte(colour_.b)));
    color_swatch_->setPalette(palette);
}

void CLightDlg::OnColor() {
    const std::optional<PackedColour> chosen = ChooseColourWithCustomColours(
        services_.colours, services_.settings, settings_keys::kLightingToolSection,
        PackRgb(ComponentToByte(colour_.r), ComponentToByte(colour_.g),
                ComponentToByte(colour_.b)));
    if (!chosen) {
        return;
    }
    colour_.r = ByteToComponent(RedOf(*chosen));
    colour_.g = ByteToComponent(GreenOf(*chosen));
    colour_.b = ByteToComponent(BlueOf(*chosen));
    ShowColour();
}

double CLightDlg::Read(const QDoubleSpinBox* box, double exact) const {
    // The exact starting value while the box still shows what it showed at first.
    for (const auto& [opened, shown] : shown_at_open_) {
        if (opened == box) {
            return box->value() == shown ? exact : box->value();
        }
    }
    return box->value();
}

LightDialogFields CLightDlg::Fields() const {
    LightDialogFields fields = initial_;
    fields.type = type_group_->checkedId();
    fields.falloff = falloff_group_->checkedId();
    fields.x = Read(position_[0], initial_.x);
    fields.y = Read(position_[1], initial_.y);
    fields.z = Read(position_[2], initial_.z);
    fields.spot_angle = static_cast<float>(Read(spot_angle_, initial_.spot_angle));
    fields.spot_exponent = static_cast<float>(Read(spot_exponent_, initial_.spot_exponent));
    fields.intensity = static_cast<float>(Read(intensity_, initial_.intensity));
    fields.colour = colour_;
    fields.casts_shadows = casts_shadows_->isChecked();
    return fields;
}

Light CLightDlg::Result() const {
    Light light = light_;
    ApplyLightDialog(Fields(), light);
    return light;
}

bool EditLight(DocumentCore& document, LightId light, const EditorServices& services,
               QWidget* parent) {
    const Light* target = document.FindLight(light);
    if (target == nullptr) {
        return false;
    }
    CLightDlg dialog(*target, services, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    const Status status = document.SetLight(light, dialog.Result());
    if (!status.ok()) {
        services.messages.Show(status);
        return false;
    }
    return true;
}

}  // namespace kelto
