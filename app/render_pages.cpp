#include "render_pages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>
#include <cmath>
#include <string>

#include "model/message_table.h"
#include "platform/colour_chooser.h"
#include "platform/file_chooser.h"
#include "raytracer/render_camera.h"

namespace kelto {
namespace {

// The sizes offered besides the window's own and a custom one.
constexpr std::array<RenderPictureSize, 6> kStandardSizes{
    {{640, 480}, {800, 600}, {1024, 768}, {1280, 720}, {1920, 1080}, {3840, 2160}}};
constexpr int kWindowSizeEntry = 0;
constexpr int kCustomEntry = static_cast<int>(kStandardSizes.size()) + 1;
// How far a box lets a number be typed: well past every range, so that a value out of range
// reaches the check that names the range.
constexpr int kTypedWholeLimit = 100000;
constexpr double kTypedDistanceLimit = 1.0e7;

QString SizeText(RenderPictureSize size) {
    return QString("%1 \u00d7 %2").arg(size.width).arg(size.height);
}

// A label text without its mnemonic and colon: the control's accessible name.
QString NameOf(const QString& label) {
    return QString(label).remove('&').remove(':');
}

QSpinBox* WholeBox(QWidget* parent, const QString& label, int minimum, int maximum, int value) {
    auto* box = new QSpinBox(parent);
    box->setRange(minimum, maximum);
    box->setValue(value);
    box->setAccessibleName(NameOf(label));
    box->setMinimumWidth(110);
    return box;
}

QDoubleSpinBox* NumberBox(QWidget* parent, const QString& label, double limit, int decimals,
                          double value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setDecimals(decimals);
    box->setRange(-limit, limit);
    box->setValue(std::isfinite(value) ? value : 0.0);
    box->setAccessibleName(NameOf(label));
    box->setMinimumWidth(110);
    return box;
}

Status SideOutOfRange(const char* side, int value) {
    return Status::Message(kMsgFieldOutOfRange,
                           {side, std::to_string(kSmallestRenderSide),
                            std::to_string(kLargestRenderSide), std::to_string(value)});
}

QColor ToQColor(const ColourRgb& colour) {
    return QColor(ComponentToByte(colour.r), ComponentToByte(colour.g), ComponentToByte(colour.b));
}

QIcon Swatch(const ColourRgb& colour) {
    QPixmap pixmap(32, 16);
    pixmap.fill(ToQColor(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, pixmap.width() - 1, pixmap.height() - 1);
    return QIcon(pixmap);
}

}  // namespace

// --- Size ---

RenderSizePage::RenderSizePage(std::optional<RenderPictureSize> chosen,
                               RenderPictureSize window_size, QWidget* parent)
    : QWidget(parent),
      window_size_(window_size),
      sizes_(new QComboBox(this)),
      custom_(chosen.value_or(window_size)) {
    sizes_->addItem("Window size");
    for (const RenderPictureSize& size : kStandardSizes) {
        sizes_->addItem(SizeText(size));
    }
    sizes_->addItem("Custom");
    sizes_->setAccessibleName("Picture size");
    width_ = WholeBox(this, "&Width:", 0, kTypedWholeLimit, custom_.width);
    height_ = WholeBox(this, "&Height:", 0, kTypedWholeLimit, custom_.height);
    width_->setSuffix(" pixels");
    height_->setSuffix(" pixels");

    int entry = kWindowSizeEntry;
    if (chosen) {
        entry = kCustomEntry;
        for (std::size_t i = 0; i < kStandardSizes.size(); ++i) {
            if (kStandardSizes[i] == *chosen) {
                entry = static_cast<int>(i) + 1;
            }
        }
    }
    sizes_->setCurrentIndex(entry);

    auto* form = new QFormLayout(this);
    form->addRow("&Picture size:", sizes_);
    form->addRow("&Width:", width_);
    form->addRow("&Height:", height_);
    ShowChoice();
    connect(sizes_, &QComboBox::currentIndexChanged, this, &RenderSizePage::ShowChoice);
    connect(width_, &QSpinBox::valueChanged, this, [this](int value) {
        if (sizes_->currentIndex() == kCustomEntry) {
            custom_.width = value;
        }
    });
    connect(height_, &QSpinBox::valueChanged, this, [this](int value) {
        if (sizes_->currentIndex() == kCustomEntry) {
            custom_.height = value;
        }
    });
}

void RenderSizePage::ShowChoice() {
    // The boxes show the size each entry gives; only Custom lets it be typed.
    const int entry = sizes_->currentIndex();
    RenderPictureSize shown = custom_;
    if (entry == kWindowSizeEntry) {
        shown = window_size_;
    } else if (entry != kCustomEntry) {
        shown = kStandardSizes[static_cast<std::size_t>(entry - 1)];
    }
    const bool custom = entry == kCustomEntry;
    width_->setEnabled(custom);
    height_->setEnabled(custom);
    width_->setValue(shown.width);
    height_->setValue(shown.height);
}

std::optional<RenderPictureSize> RenderSizePage::Choice() const {
    const int entry = sizes_->currentIndex();
    if (entry == kWindowSizeEntry) {
        return std::nullopt;
    }
    if (entry == kCustomEntry) {
        return RenderPictureSize{width_->value(), height_->value()};
    }
    return kStandardSizes[static_cast<std::size_t>(entry - 1)];
}

Status RenderSizePage::Check() const {
    const std::optional<RenderPictureSize> size = Choice();
    if (!size) {
        return Status::Ok();
    }
    auto within = [](int side) {
        return side >= kSmallestRenderSide && side <= kLargestRenderSide;
    };
    if (!within(size->width)) {
        return SideOutOfRange("Width", size->width);
    }
    if (!within(size->height)) {
        return SideOutOfRange("Height", size->height);
    }
    return Status::Ok();
}

// --- Lighting ---

RenderLightingPage::RenderLightingPage(const SceneLighting& lighting, QWidget* parent)
    : QWidget(parent), initial_(lighting) {
    soft_shadow_samples_ = WholeBox(this, "&Soft-shadow samples:", -kTypedWholeLimit,
                                    kTypedWholeLimit, lighting.soft_shadow_samples);
    occlusion_ = new QCheckBox("&Ambient occlusion", this);
    occlusion_->setAccessibleName("Ambient occlusion");
    occlusion_->setChecked(lighting.occlusion);
    occlusion_samples_ = WholeBox(this, "Occlusion sa&mples:", -kTypedWholeLimit, kTypedWholeLimit,
                                  lighting.occlusion_samples);
    occlusion_distance_ = NumberBox(this, "Occlusion &distance:", kTypedDistanceLimit, 3,
                                    lighting.occlusion_distance);
    occlusion_distance_->setSingleStep(0.5);
    distance_shown_ = occlusion_distance_->value();

    auto* layout = new QVBoxLayout(this);
    auto* shadows = new QGroupBox("Shadows of sphere lights", this);
    auto* shadows_form = new QFormLayout(shadows);
    shadows_form->addRow("&Soft-shadow samples:", soft_shadow_samples_);
    layout->addWidget(shadows);
    auto* occlusion = new QGroupBox("Ambient light", this);
    auto* occlusion_form = new QFormLayout(occlusion);
    occlusion_form->addRow(occlusion_);
    occlusion_form->addRow("Occlusion sa&mples:", occlusion_samples_);
    occlusion_form->addRow("Occlusion &distance:", occlusion_distance_);
    layout->addWidget(occlusion);
    layout->addStretch();

    auto show_occlusion = [this] {
        occlusion_samples_->setEnabled(occlusion_->isChecked());
        occlusion_distance_->setEnabled(occlusion_->isChecked());
    };
    show_occlusion();
    connect(occlusion_, &QCheckBox::toggled, this, show_occlusion);
}

void RenderLightingPage::Read(SceneLighting& lighting) const {
    lighting.soft_shadow_samples = soft_shadow_samples_->value();
    lighting.occlusion = occlusion_->isChecked();
    lighting.occlusion_samples = occlusion_samples_->value();
    lighting.occlusion_distance = occlusion_distance_->value() == distance_shown_
                                      ? initial_.occlusion_distance
                                      : static_cast<float>(occlusion_distance_->value());
}

// --- Environment ---

RenderEnvironmentPage::RenderEnvironmentPage(const SceneLighting& lighting, FileChooser& files,
                                             QWidget* parent)
    : QWidget(parent),
      initial_(lighting),
      files_(files),
      kinds_(new QButtonGroup(this)),
      horizon_(lighting.horizon),
      zenith_(lighting.zenith) {
    auto* layout = new QVBoxLayout(this);
    auto* kind_box = new QGroupBox("Rays that hit nothing see", this);
    auto* kind_row = new QHBoxLayout(kind_box);
    const std::array<std::pair<EnvironmentKind, const char*>, 4> kinds{{
        {EnvironmentKind::None, "&None"},
        {EnvironmentKind::Colour, "&Colour"},
        {EnvironmentKind::Gradient, "&Gradient"},
        {EnvironmentKind::Picture, "&Picture"},
    }};
    for (const auto& [kind, text] : kinds) {
        auto* button = new QRadioButton(text, kind_box);
        button->setAccessibleName(NameOf(text));
        kinds_->addButton(button, static_cast<int>(kind));
        kind_row->addWidget(button);
    }
    if (QAbstractButton* current = kinds_->button(static_cast<int>(lighting.environment))) {
        current->setChecked(true);
    }
    layout->addWidget(kind_box);

    auto* colours = new QGroupBox("Colours", this);
    auto* colour_row = new QHBoxLayout(colours);
    horizon_button_ = new QPushButton("&Horizon colour", colours);
    horizon_button_->setAccessibleName("Horizon colour");
    zenith_button_ = new QPushButton("&Zenith colour", colours);
    zenith_button_->setAccessibleName("Zenith colour");
    colour_row->addWidget(horizon_button_);
    colour_row->addWidget(zenith_button_);
    colour_row->addStretch();
    layout->addWidget(colours);

    auto* picture = new QGroupBox("Picture", this);
    auto* picture_form = new QFormLayout(picture);
    picture_file_ = new QLineEdit(QString::fromStdString(lighting.picture_path), picture);
    picture_file_->setAccessibleName("Picture file");
    picture_file_->setMinimumWidth(220);
    browse_ = new QPushButton("&Browse...", picture);
    browse_->setAccessibleName("Browse...");
    auto* file_row = new QHBoxLayout;
    file_row->addWidget(picture_file_, 1);
    file_row->addWidget(browse_);
    auto* file_label = new QLabel("Picture &file:", picture);
    file_label->setBuddy(picture_file_);
    picture_form->addRow(file_label, file_row);
    rotation_ = NumberBox(picture, "&Rotation:", kTypedWholeLimit, 1, lighting.picture_rotation);
    rotation_->setSuffix("\u00b0");
    rotation_->setSingleStep(15.0);
    rotation_shown_ = rotation_->value();
    picture_form->addRow("&Rotation:", rotation_);
    layout->addWidget(picture);
    layout->addStretch();

    ShowKind();
    ShowColours();
    connect(kinds_, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) {
            ShowKind();
        }
    });
    connect(horizon_button_, &QPushButton::clicked, this,
            [this] { ChooseColour(horizon_, "Horizon colour"); });
    connect(zenith_button_, &QPushButton::clicked, this,
            [this] { ChooseColour(zenith_, "Zenith colour"); });
    connect(browse_, &QPushButton::clicked, this, &RenderEnvironmentPage::Browse);
}

void RenderEnvironmentPage::ShowKind() {
    const auto kind = static_cast<EnvironmentKind>(kinds_->checkedId());
    horizon_button_->setEnabled(kind == EnvironmentKind::Colour ||
                                kind == EnvironmentKind::Gradient);
    zenith_button_->setEnabled(kind == EnvironmentKind::Gradient);
    const bool picture = kind == EnvironmentKind::Picture;
    picture_file_->setEnabled(picture);
    browse_->setEnabled(picture);
    rotation_->setEnabled(picture);
}

void RenderEnvironmentPage::ShowColours() {
    horizon_button_->setIcon(Swatch(horizon_));
    zenith_button_->setIcon(Swatch(zenith_));
}

void RenderEnvironmentPage::ChooseColour(ColourRgb& colour, const QString& title) {
    const QColor chosen = QColorDialog::getColor(ToQColor(colour), this, title);
    if (!chosen.isValid()) {
        return;
    }
    colour = {ByteToComponent(static_cast<std::uint8_t>(chosen.red())),
              ByteToComponent(static_cast<std::uint8_t>(chosen.green())),
              ByteToComponent(static_cast<std::uint8_t>(chosen.blue()))};
    ShowColours();
}

void RenderEnvironmentPage::Browse() {
    FileDialogRequest request;
    request.title = "Environment Picture";
    request.filters = {{"Environment Pictures (*.hdr;*.exr;*.jpg;*.png;*.tif)",
                        {"*.hdr", "*.exr", "*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff"}},
                       {"All Files (*.*)", {"*"}}};
    request.initial_name = picture_file_->text().toStdString();
    if (const std::optional<FileChoice> choice = files_.ChooseFileToOpen(request)) {
        picture_file_->setText(QString::fromStdString(choice->path));
    }
}

void RenderEnvironmentPage::Read(SceneLighting& lighting) const {
    const SceneLighting defaults;
    const auto kind = static_cast<EnvironmentKind>(kinds_->checkedId());
    lighting.environment = kind;
    const bool colour = kind == EnvironmentKind::Colour || kind == EnvironmentKind::Gradient;
    lighting.horizon = colour ? horizon_ : defaults.horizon;
    lighting.zenith = kind == EnvironmentKind::Gradient ? zenith_ : defaults.zenith;
    if (kind == EnvironmentKind::Picture) {
        lighting.picture_path = picture_file_->text().toStdString();
        lighting.picture_rotation = rotation_->value() == rotation_shown_
                                        ? initial_.picture_rotation
                                        : static_cast<float>(rotation_->value());
    } else {
        lighting.picture_path = defaults.picture_path;
        lighting.picture_rotation = defaults.picture_rotation;
    }
}

}  // namespace kelto
