#include "text_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/program_settings.h"

namespace kelto {
namespace {

// Text objects hold one byte a character: printable Latin-1 only.
class Latin1Validator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override {
        for (const QChar c : input) {
            if (c.unicode() < 0x20 || c.unicode() > 0xFF ||
                (c.unicode() >= 0x7F && c.unicode() < 0xA0)) {
                return Invalid;
            }
        }
        return Acceptable;
    }
};

QString FormatDepth(int slider) {
    char text[32];
    std::snprintf(text, sizeof text, " %2.2f ", TextDepthFromSlider(slider));
    return QString::fromLatin1(text);
}

}  // namespace

std::vector<std::string> OfferedTextFamilies() {
    std::vector<std::string> families = TrueTypeFamilies();
    std::erase_if(families, [](const std::string& family) {
        return family.empty() || family.size() >= LogFont::kFaceNameSize;
    });
    return families;
}

CTextToolDlg::CTextToolDlg(SettingsStore& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setWindowTitle("Text Tool");
    const TextToolSettings stored = ReadTextToolSettings(settings_);
    auto* layout = new QGridLayout(this);

    auto* text_label = new QLabel("&Text:", this);
    text_ = new QLineEdit(this);
    text_->setMaxLength(kMaxTextLength);
    text_->setValidator(new Latin1Validator(text_));
    text_->setAccessibleName("Text");
    text_label->setBuddy(text_);
    layout->addWidget(text_label, 0, 0);
    layout->addWidget(text_, 0, 1, 1, 2);

    auto* family_label = new QLabel("&Font:", this);
    families_ = new QListWidget(this);
    families_->setAccessibleName("Font");
    family_label->setBuddy(families_);
    auto* style_label = new QLabel("Font St&yle:", this);
    styles_ = new QListWidget(this);
    styles_->setAccessibleName("Font Style");
    styles_->setMaximumWidth(160);
    style_label->setBuddy(styles_);
    layout->addWidget(family_label, 1, 0, 1, 2);
    layout->addWidget(style_label, 1, 2);
    layout->addWidget(families_, 2, 0, 1, 2);
    layout->addWidget(styles_, 2, 2);

    auto* depth_label = new QLabel("&Depth:", this);
    depth_ = new QSlider(Qt::Horizontal, this);
    depth_->setRange(kMinDepthSlider, kMaxDepthSlider);
    depth_->setTickPosition(QSlider::TicksBelow);
    depth_->setTickInterval(5);
    depth_->setPageStep(5);
    depth_->setAccessibleName("Depth");
    depth_label->setBuddy(depth_);
    depth_->setValue(std::clamp(stored.depth, kMinDepthSlider, kMaxDepthSlider));
    depth_text_ = new QLabel(FormatDepth(depth_->value()), this);
    layout->addWidget(depth_label, 3, 0);
    layout->addWidget(depth_, 3, 1);
    layout->addWidget(depth_text_, 3, 2);

    sample_ = new QLabel(this);
    sample_->setMinimumHeight(56);
    sample_->setAlignment(Qt::AlignCenter);
    sample_->setFrameShape(QFrame::StyledPanel);
    sample_->setAccessibleName("Sample");
    layout->addWidget(sample_, 4, 0, 1, 3);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_button_ = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons, 5, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &CTextToolDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const std::vector<std::string> families = OfferedTextFamilies();
    for (const std::string& family : families) {
        families_->addItem(QString::fromStdString(family));
    }
    LogFont wanted = LogFont::TextToolDefault();
    wanted.SetFaceName(stored.face_name);
    wanted.weight = stored.weight;
    wanted.italic = stored.italic != 0 ? 1 : 0;
    SelectFamily(wanted);
    FillStyles(stored.weight, stored.italic != 0);
    ok_button_->setEnabled(!families.empty());

    connect(families_, &QListWidget::currentRowChanged, this, [this] {
        const TrueTypeStyle* style = CurrentStyle();
        FillStyles(style ? style->weight : 400, style ? style->italic : false);
    });
    connect(styles_, &QListWidget::currentRowChanged, this, &CTextToolDlg::ShowSample);
    connect(text_, &QLineEdit::textChanged, this, &CTextToolDlg::ShowSample);
    connect(depth_, &QSlider::valueChanged, this,
            [this](int value) { depth_text_->setText(FormatDepth(value)); });
    text_->setFocus();
}

// The font's family when it is offered, else the family its name resolves to.
void CTextToolDlg::SelectFamily(const LogFont& font) {
    const QSignalBlocker quiet(families_);
    const std::string name = font.FaceName();
    QList<QListWidgetItem*> found =
        families_->findItems(QString::fromStdString(name), Qt::MatchExactly);
    if (found.isEmpty()) {
        found = families_->findItems(QString::fromStdString(MatchedTrueTypeFamily(font)),
                                     Qt::MatchExactly);
    }
    if (families_->count() > 0) {
        families_->setCurrentRow(found.isEmpty() ? 0 : families_->row(found.front()));
    }
}

void CTextToolDlg::ShowChoice(const TextToolChoice& choice) {
    text_->setText(
        QString::fromLatin1(choice.text.data(), static_cast<qsizetype>(choice.text.size())));
    SelectFamily(choice.font);
    FillStyles(choice.font.weight, choice.font.italic != 0);
    depth_->setValue(std::clamp(static_cast<int>(std::lround(choice.depth * 100.0)),
                                kMinDepthSlider, kMaxDepthSlider));
}

void CTextToolDlg::FillStyles(int weight, bool italic) {
    const QListWidgetItem* family = families_->currentItem();
    styles_of_family_ = family != nullptr ? TrueTypeStyles(family->text().toStdString())
                                          : std::vector<TrueTypeStyle>();
    const QSignalBlocker quiet(styles_);
    styles_->clear();
    int best = -1;
    int best_distance = 0;
    for (std::size_t i = 0; i < styles_of_family_.size(); ++i) {
        const TrueTypeStyle& style = styles_of_family_[i];
        styles_->addItem(QString::fromStdString(style.name));
        // The same slant first, then the nearest weight.
        const int distance = (style.italic != italic ? 10000 : 0) + std::abs(style.weight - weight);
        if (best < 0 || distance < best_distance) {
            best = static_cast<int>(i);
            best_distance = distance;
        }
    }
    styles_->setCurrentRow(best);
    ShowSample();
}

const TrueTypeStyle* CTextToolDlg::CurrentStyle() const {
    const int row = styles_->currentRow();
    if (row < 0 || row >= static_cast<int>(styles_of_family_.size())) {
        return nullptr;
    }
    return &styles_of_family_[static_cast<std::size_t>(row)];
}

void CTextToolDlg::ShowSample() {
    const QListWidgetItem* family = families_->currentItem();
    if (family == nullptr) {
        sample_->setText("No TrueType fonts");
        return;
    }
    QFont font(family->text());
    font.setPointSize(20);
    if (const TrueTypeStyle* style = CurrentStyle()) {
        font.setWeight(static_cast<QFont::Weight>(std::clamp(style->weight, 1, 1000)));
        font.setItalic(style->italic);
    }
    sample_->setFont(font);
    sample_->setText(text_->text().trimmed().isEmpty() ? "AaBbYyZz" : text_->text());
}

TextToolChoice CTextToolDlg::Choice() const {
    TextToolChoice choice;
    choice.text = text_->text().toLatin1().toStdString();
    choice.font = LogFont::TextToolDefault();
    if (const QListWidgetItem* family = families_->currentItem()) {
        choice.font.SetFaceName(family->text().toStdString());
    }
    if (const TrueTypeStyle* style = CurrentStyle()) {
        choice.font.weight = style->weight;
        choice.font.italic = style->italic ? 1 : 0;
    }
    choice.depth = TextDepthFromSlider(depth_->value());
    return choice;
}

void CTextToolDlg::accept() {
    const TextToolChoice choice = Choice();
    TextToolSettings remembered;
    remembered.face_name = choice.font.FaceName();
    remembered.weight = choice.font.weight;
    remembered.italic = choice.font.italic;
    remembered.depth = depth_->value();
    WriteTextToolSettings(settings_, remembered);
    QDialog::accept();
}

std::optional<TextToolChoice> PromptForText(SettingsStore& settings, QWidget* parent) {
    CTextToolDlg dialog(settings, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    TextToolChoice choice = dialog.Choice();
    if (!choice.HasVisibleText()) {
        return std::nullopt;
    }
    return choice;
}

}  // namespace kelto
