#include "materials_sheet.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "document/material_preview.h"
#include "files/image_import.h"
#include "platform/program_settings.h"

namespace kelto {
namespace {

constexpr QSize kPagePreviewBox(200, 150);

QString FormatValue(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return QString::fromLatin1(text);
}

// Colour times brightness, each component kept to 0..1, as the page and the chooser show it.
QColor ShownColour(const Material& m) {
    return QColor(ComponentToByte(m.colour.r * m.brightness),
                  ComponentToByte(m.colour.g * m.brightness),
                  ComponentToByte(m.colour.b * m.brightness));
}

// The slider position for a field: the field x 1000, truncated (a value no slider can show,
// such as one of a damaged file, gives the lowest position).
int SliderPosition(float field) {
    const float scaled = field * 1000.0f;
    if (!std::isfinite(scaled)) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(std::clamp(scaled, -1.0e9f, 1.0e9f));
}

QImage ToQImage(const RenderImage& picture) {
    QImage image(picture.Width(), picture.Height(), QImage::Format_RGB888);
    for (int y = 0; y < picture.Height(); ++y) {
        picture.InterleaveRow(y, image.scanLine(y));
    }
    return image;
}

}  // namespace

// --- ValueSlider ---

ValueSlider::ValueSlider(const Labels& labels, int minimum, int maximum, float& field,
                         QWidget* parent, const char* open_format)
    : QWidget(parent), field_(field) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    int column = 0;
    if (!labels.caption.isEmpty()) {
        auto* caption = new QLabel(labels.caption, this);
        layout->addWidget(caption, 0, 0, 1, 4);
    }
    if (!labels.low.isEmpty()) {
        layout->addWidget(new QLabel(labels.low, this), 1, column++);
    }
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setAccessibleName(labels.caption.isEmpty() ? labels.low + " - " + labels.high
                                                        : QString(labels.caption).remove(':'));
    slider_->setRange(minimum, maximum);
    slider_->setPageStep(std::max(1, (maximum - minimum) / 10));
    slider_->setMinimumWidth(220);
    // The field x 1000, truncated; nothing is written until the slider moves.
    slider_->setValue(SliderPosition(field));
    layout->addWidget(slider_, 1, column++);
    if (!labels.high.isEmpty()) {
        layout->addWidget(new QLabel(labels.high, this), 1, column++);
    }
    value_text_ = new QLabel(FormatValue(open_format, slider_->value() * 0.001), this);
    value_text_->setMinimumWidth(40);
    value_text_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(value_text_, 1, column++);
    layout->setColumnStretch(labels.low.isEmpty() ? 0 : 1, 1);
    connect(slider_, &QSlider::valueChanged, this, &ValueSlider::OnScroll);
}

void ValueSlider::OnScroll(int position) {
    field_ = static_cast<float>(position * 0.001);
    value_text_->setText(FormatValue("%0.02f", field_));
    emit Moved();
}

// --- SwatchView ---

SwatchView::SwatchView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kPagePreviewBox + QSize(8, 8));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SwatchView::ShowColour(const QColor& colour) {
    colour_ = colour;
    picture_ = QImage();
    note_.clear();
    update();
}

void SwatchView::ShowPicture(const QImage& picture) {
    colour_ = QColor();
    picture_ = picture;
    note_.clear();
    update();
}

void SwatchView::ShowNothing(const QString& note) {
    colour_ = QColor();
    picture_ = QImage();
    note_ = note;
    update();
}

void SwatchView::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(frame, palette().color(QPalette::Base));
    if (colour_.isValid()) {
        painter.fillRect(frame.adjusted(4, 4, -3, -3), colour_);
    } else if (!picture_.isNull()) {
        const QPoint corner((width() - picture_.width()) / 2, (height() - picture_.height()) / 2);
        painter.drawImage(corner, picture_);
    } else if (!note_.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(frame, Qt::AlignCenter, note_);
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
}

// --- pages ---

CColorPage::CColorPage(CMaterialsSheet& sheet) : QWidget(sheet.Tabs()), sheet_(sheet) {
    auto* layout = new QHBoxLayout(this);
    auto* buttons = new QVBoxLayout;
    color_button_ = new QPushButton("&Color...", this);
    color_button_->setObjectName("color_button");
    image_button_ = new QPushButton("&Image...", this);
    image_button_->setObjectName("color_image_button");
    buttons->addWidget(color_button_);
    buttons->addWidget(image_button_);
    buttons->addStretch();
    layout->addLayout(buttons);
    swatch_ = new SwatchView(this);
    swatch_->setAccessibleName("Color");
    layout->addWidget(swatch_, 1);
    connect(color_button_, &QPushButton::clicked, this, &CColorPage::OnColor);
    connect(image_button_, &QPushButton::clicked, this, &CColorPage::OnImage);
    Refresh();
}

void CColorPage::OnColor() {
    Material& m = sheet_.WorkingCopy();
    const QColor shown = ShownColour(m);
    const std::optional<PackedColour> chosen = ChooseColourWithCustomColours(
        sheet_.Services().colours, sheet_.Services().settings, settings_keys::kMaterialToolSection,
        PackRgb(static_cast<std::uint8_t>(shown.red()), static_cast<std::uint8_t>(shown.green()),
                static_cast<std::uint8_t>(shown.blue())));
    if (!chosen) {
        return;
    }
    m.colour = {ByteToComponent(RedOf(*chosen)), ByteToComponent(GreenOf(*chosen)),
                ByteToComponent(BlueOf(*chosen))};
    m.brightness = 1.0f;
    m.colour_source = 0;
    sheet_.MaterialChanged();
}

void CColorPage::OnImage() {
    std::optional<SharedImage> picture = sheet_.ImportPicture();
    if (!picture) {
        return;
    }
    Material& m = sheet_.WorkingCopy();
    m.colour_image = std::move(*picture);
    m.colour_source = 1;
    sheet_.MaterialChanged();
}

void CColorPage::Refresh() {
    const Material& m = sheet_.WorkingCopy();
    if (m.colour_source == 1 && m.colour_image && m.colour_image->HasPixels()) {
        swatch_->ShowPicture(sheet_.PagePreview(m.colour_image));
    } else if (m.colour_source == 1) {
        swatch_->ShowNothing("No picture");
    } else {
        swatch_->ShowColour(ShownColour(m));
    }
}

CShinePage::CShinePage(CMaterialsSheet& sheet) : QWidget(sheet.Tabs()) {
    auto* layout = new QVBoxLayout(this);
    Material& m = sheet.WorkingCopy();
    shininess_ = new ValueSlider({{}, "Dull", "Shiny"}, 0, 1000, m.shininess, this);
    shininess_->setObjectName("shininess");
    reflective_ =
        new ValueSlider({"Reflective Strength", {}, {}}, 0, 1000, m.reflective_strength, this);
    reflective_->setObjectName("reflective_strength");
    layout->addWidget(shininess_);
    layout->addSpacing(12);
    layout->addWidget(reflective_);
    layout->addStretch();
    for (ValueSlider* slider : {shininess_, reflective_}) {
        connect(slider, &ValueSlider::Moved, &sheet, &CMaterialsSheet::MaterialChanged);
    }
}

CTransparencyPage::CTransparencyPage(CMaterialsSheet& sheet) : QWidget(sheet.Tabs()) {
    auto* layout = new QVBoxLayout(this);
    Material& m = sheet.WorkingCopy();
    transparency_ = new ValueSlider({"Transparency", {}, {}}, 0, 1000, m.transparency, this);
    transparency_->setObjectName("transparency");
    refraction_ =
        new ValueSlider({"Index of Refraction", {}, {}}, 1000, 3500, m.index_of_refraction, this);
    refraction_->setObjectName("index_of_refraction");
    dispersiveness_ = new ValueSlider({"Dispersiveness", {}, {}}, 0, 1000, m.dispersiveness, this);
    dispersiveness_->setObjectName("dispersiveness");
    for (ValueSlider* slider : {transparency_, refraction_, dispersiveness_}) {
        layout->addWidget(slider);
        layout->addSpacing(8);
        connect(slider, &ValueSlider::Moved, &sheet, &CMaterialsSheet::MaterialChanged);
    }
    layout->addStretch();
}

CBumpPage::CBumpPage(CMaterialsSheet& sheet) : QWidget(sheet.Tabs()), sheet_(sheet) {
    auto* layout = new QHBoxLayout(this);
    auto* controls = new QVBoxLayout;
    none_ = new QRadioButton("&None", this);
    none_->setObjectName("bump_none");
    use_color_map_ = new QRadioButton("&Use Color Map", this);
    use_color_map_->setObjectName("bump_use_color_map");
    // Neither is checked while the bump comes from an image of its own.
    none_->setAutoExclusive(false);
    use_color_map_->setAutoExclusive(false);
    image_button_ = new QPushButton("&Image...", this);
    image_button_->setObjectName("bump_image_button");
    Material& m = sheet.WorkingCopy();
    magnitude_ = new ValueSlider({"Magnitude:", {}, {}}, 1, 1000, m.bump_magnitude, this, "%1.02f");
    magnitude_->setObjectName("bump_magnitude");
    controls->addWidget(none_);
    controls->addWidget(use_color_map_);
    controls->addWidget(image_button_);
    controls->addSpacing(12);
    controls->addWidget(magnitude_);
    controls->addStretch();
    layout->addLayout(controls);
    swatch_ = new SwatchView(this);
    swatch_->setAccessibleName("Bump source");
    layout->addWidget(swatch_, 1);
    connect(none_, &QRadioButton::clicked, this, &CBumpPage::OnNone);
    connect(use_color_map_, &QRadioButton::clicked, this, &CBumpPage::OnUseColorMap);
    connect(image_button_, &QPushButton::clicked, this, &CBumpPage::OnImage);
    connect(magnitude_, &ValueSlider::Moved, &sheet, &CMaterialsSheet::MaterialChanged);
    Refresh();
}

void CBumpPage::OnNone() {
    sheet_.WorkingCopy().bump_mode = BumpMode::None;
    sheet_.MaterialChanged();
}

void CBumpPage::OnUseColorMap() {
    sheet_.WorkingCopy().bump_mode = BumpMode::UseColourMap;
    sheet_.MaterialChanged();
}

void CBumpPage::OnImage() {
    std::optional<SharedImage> picture = sheet_.ImportPicture();
    if (picture) {
        Material& m = sheet_.WorkingCopy();
        m.bump_image = std::move(*picture);
        m.bump_mode = BumpMode::Image;
        sheet_.MaterialChanged();
    } else {
        Refresh();  // a click on a button leaves it as the mode says
    }
}

void CBumpPage::Refresh() {
    const Material& m = sheet_.WorkingCopy();
    none_->setChecked(m.bump_mode == BumpMode::None);
    use_color_map_->setChecked(m.bump_mode == BumpMode::UseColourMap);
    const SharedImage* source = nullptr;
    if (m.bump_mode == BumpMode::UseColourMap && m.colour_source == 1) {
        source = &m.colour_image;
    } else if (m.bump_mode == BumpMode::Image) {
        source = &m.bump_image;
    }
    if (source != nullptr && *source && (*source)->HasPixels()) {
        swatch_->ShowPicture(sheet_.PagePreview(*source));
    } else {
        swatch_->ShowNothing(m.bump_mode == BumpMode::None ? "No bumps" : "No picture");
    }
}

// --- the sheet ---

CMaterialsSheet::CMaterialsSheet(const std::string& node_name, const Material& material,
                                 const EditorServices& services, QWidget* parent)
    : QDialog(parent), services_(services), working_(material) {
    setWindowTitle("Materials for: " + QString::fromStdString(node_name));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    tabs_ = new QTabWidget(this);
    tabs_->setUsesScrollButtons(false);  // all six page names in view
    color_page_ = new CColorPage(*this);
    shine_page_ = new CShinePage(*this);
    transparency_page_ = new CTransparencyPage(*this);
    bump_page_ = new CBumpPage(*this);
    tabs_->addTab(color_page_, "Color");
    tabs_->addTab(shine_page_, "Shininess");
    tabs_->addTab(transparency_page_, "Transparency");
    tabs_->addTab(bump_page_, "Bumpiness");
    tabs_->addTab(new CAmbientPage(tabs_), "Ambient Glow");
    tabs_->addTab(new CMappingPage(tabs_), "Mapping");
    top->addWidget(tabs_, 1);

    auto* preview_column = new QVBoxLayout;
    preview_column->addSpacing(tabs_->tabBar()->sizeHint().height());
    preview_label_ = new QLabel(this);
    preview_label_->setObjectName("material_preview");
    preview_label_->setAccessibleName("Preview");
    preview_label_->setFixedSize(MaterialPreviewScene::kSize + 4, MaterialPreviewScene::kSize + 4);
    preview_label_->setAlignment(Qt::AlignCenter);
    preview_label_->setFrameShape(QFrame::StyledPanel);
    preview_column->addWidget(preview_label_);
    auto* caption = new QLabel("Preview", this);
    caption->setAlignment(Qt::AlignHCenter);
    preview_column->addWidget(caption);
    preview_column->addStretch();
    top->addLayout(preview_column);
    layout->addLayout(top, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_button_ = buttons->button(QDialogButtonBox::Ok);
    cancel_button_ = buttons->button(QDialogButtonBox::Cancel);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    preview_timer_ = new QTimer(this);
    preview_timer_->setSingleShot(true);
    preview_timer_->setInterval(kPreviewDelayMs);
    connect(preview_timer_, &QTimer::timeout, this, [this] { preview_->Request(working_); });
    preview_ = std::make_unique<MaterialPreview>(
        services_.window_thread, [this](const RenderImage& picture) { ShowPreview(picture); });
    preview_->Request(working_);
}

CMaterialsSheet::~CMaterialsSheet() = default;

QImage CMaterialsSheet::PagePreview(const SharedImage& picture) {
    for (const auto& [image, preview] : page_previews_) {
        if (image.SharesWith(picture)) {
            return preview;
        }
    }
    // Pixel (x, y) of a W x H preview is the picture's colour at (x / (W - 1), y / (H - 1)),
    // each component truncated to a byte.
    const TextureImage& source = *picture;
    const QSize size = QSize(source.width, source.height)
                           .scaled(kPagePreviewBox, Qt::KeepAspectRatio)
                           .expandedTo(QSize(1, 1));
    QImage preview(size, QImage::Format_RGB32);
    const double across = std::max(1, size.width() - 1);
    const double down = std::max(1, size.height() - 1);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(preview.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const ColourRgb c = source.SampleColour(x / across, y / down);
            line[x] = qRgb(static_cast<int>(c.r * 255), static_cast<int>(c.g * 255),
                           static_cast<int>(c.b * 255));
        }
    }
    page_previews_.emplace_back(picture, preview);
    return preview;
}

std::optional<SharedImage> CMaterialsSheet::ImportPicture() {
    const std::optional<FileChoice> choice = services_.files.ChooseFileToOpen(ImportImageRequest());
    if (!choice || choice->path.empty()) {
        return std::nullopt;
    }
    const QFileInfo file(QString::fromStdString(choice->path));
    QProgressDialog progress("Importing " + file.fileName() + ":", QString(), 0, 100, this);
    progress.setWindowTitle("Import Image...");
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    TextureImage image;
    std::vector<Status> warnings;
    const Status status = ImportImage(choice->path, image, &warnings,
                                      [&progress](int percent) { progress.setValue(percent); });
    progress.close();
    for (const Status& warning : warnings) {
        services_.messages.Show(warning);
    }
    if (!status.ok()) {
        services_.messages.Show(status);
        return std::nullopt;
    }
    return SharedImage(std::move(image));
}

void CMaterialsSheet::MaterialChanged() {
    color_page_->Refresh();
    bump_page_->Refresh();
    preview_timer_->start();
}

void CMaterialsSheet::ShowPreview(const RenderImage& picture) {
    preview_label_->setPixmap(QPixmap::fromImage(ToQImage(picture)));
    ++previews_shown_;
}

bool EditMaterial(DocumentCore& document, NodeId node, const EditorServices& services,
                  QWidget* parent) {
    const SceneNode* target = document.Node(node);
    if (target == nullptr) {
        return false;
    }
    CMaterialsSheet sheet(target->name, target->material, services, parent);
    if (sheet.exec() != QDialog::Accepted) {
        return false;
    }
    const Status status = document.SetMaterial(node, sheet.WorkingCopy());
    if (!status.ok()) {
        services.messages.Show(status);
        return false;
    }
    return true;
}

}  // namespace kelto
