#include "qt_platform.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "files/file_io.h"
#include "files/image_import.h"
#include "model/message_table.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>

namespace kelto {

namespace {

// A script's failure: our sentence, then Python's report in a fixed font, which keeps its
// columns (the caret under the fault). A long report shows its last lines, where the fault is,
// and the whole under "Show Details...".
void SetScriptFailure(QMessageBox& box, const QString& sentence, const QString& report) {
    constexpr qsizetype kShownRows = 30, kRowChars = 80, kLongestLine = 12 * kRowChars;
    QString text = report;
    while (text.endsWith('\n')) {
        text.chop(1);
    }
    const QStringList all_lines = text.split('\n');
    QStringList lines;
    qsizetype rows = 0;
    for (qsizetype i = all_lines.size() - 1; i >= 0; --i) {
        QString line = all_lines[i];
        if (line.size() > kLongestLine) {
            line = line.left(kLongestLine) + "...";
        }
        rows += std::max<qsizetype>(1, (line.size() + kRowChars - 1) / kRowChars);
        if (rows > kShownRows) {
            break;
        }
        lines.prepend(line);
    }
    if (lines.join('\n') != text) {
        if (lines.size() < all_lines.size()) {
            lines.prepend("...");
        }
        box.setDetailedText(report);
    }
    box.setTextFormat(Qt::RichText);
    box.setText("<p>" + sentence.toHtmlEscaped() + "</p><pre style=\"white-space: pre-wrap\">" +
                lines.join('\n').toHtmlEscaped() + "</pre>");
}

}  // namespace

MessageAnswer QtMessageSink::Show(int number, const std::string& text, MessageIcon icon,
                                  MessageButtons buttons) {
    QMessageBox box(parent_.data());
    box.setWindowTitle("Kelto");
    const QString all = QString::fromStdString(text);
    const qsizetype paragraph = all.indexOf("\n\n");
    if ((number == kMsgScriptFailed || number == kMsgScriptFailedKept) && paragraph >= 0) {
        SetScriptFailure(box, all.left(paragraph), all.mid(paragraph + 2));
    } else {
        box.setText(all);
    }
    switch (icon) {
        case MessageIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case MessageIcon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case MessageIcon::Error:
            box.setIcon(QMessageBox::Critical);
            break;
        case MessageIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case MessageIcon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    switch (buttons) {
        case MessageButtons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case MessageButtons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MessageButtons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MessageButtons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
    }
    switch (box.exec()) {
        case QMessageBox::Yes:
            return MessageAnswer::Yes;
        case QMessageBox::No:
            return MessageAnswer::No;
        case QMessageBox::Cancel:
            return MessageAnswer::Cancel;
        default:
            // Closing a box that has Cancel means Cancel; otherwise its only button.
            return buttons == MessageButtons::Ok      ? MessageAnswer::Ok
                   : buttons == MessageButtons::YesNo ? MessageAnswer::No
                                                      : MessageAnswer::Cancel;
    }
}

namespace {

constexpr int kPreviewSide = 160;

// A picture of the file under the cursor beside the dialog's list (the dialog's own widgets
// are used, so that there is a layout to put it in).
void AddImagePreview(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* layout = qobject_cast<QGridLayout*>(dialog.layout());
    if (layout == nullptr) {
        return;
    }
    auto* preview = new QLabel(&dialog);
    preview->setObjectName("image_preview");
    preview->setFixedSize(kPreviewSide, kPreviewSide);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    preview->setAccessibleName("Preview");
    layout->addWidget(preview, 1, layout->columnCount(), 1, 1);
    dialog.resize(std::max(dialog.sizeHint().width(), 640) + kPreviewSide,
                  dialog.sizeHint().height());
    QObject::connect(
        &dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
            const QImage picture = QFileInfo(path).isFile()
                                       ? ImageFilePreview(path, QSize(kPreviewSide, kPreviewSide))
                                       : QImage();
            if (picture.isNull()) {
                preview->setPixmap(QPixmap());
                preview->setText(QFileInfo(path).isFile() ? "No preview" : QString());
            } else {
                preview->setPixmap(QPixmap::fromImage(picture));
            }
        });
}

QSize FitInside(QSize size, QSize box) {
    if (size.isEmpty()) {
        return {};
    }
    return size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

}  // namespace

QImage ImageFilePreview(const QString& path, QSize box) {
    const std::string extension = LowerCase(ExtensionOf(path.toStdString()));
    if (!IsImportableImageExtension(extension)) {
        return {};
    }
    // Qt's readers decode JPEG at a reduced size directly; the rest goes through ours.
    QImageReader reader(path);
    if (extension != "tif" && extension != "tiff" && reader.canRead()) {
        const QSize size = FitInside(reader.size(), box);
        if (size.isValid()) {
            reader.setScaledSize(size);
        }
        QImage picture = reader.read();
        return picture.isNull() ? picture
                                : picture.scaled(FitInside(picture.size(), box),
                                                 Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    TextureImage image;
    if (!ImportImage(path.toStdString(), image).ok() || !image.HasPixels()) {
        return {};
    }
    const QSize size = FitInside(QSize(image.width, image.height), box);
    QImage picture(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const ColourRgb c =
                image.SampleColour(size.width() > 1 ? x / (size.width() - 1.0) : 0,
                                   size.height() > 1 ? y / (size.height() - 1.0) : 0);
            picture.setPixel(x, y,
                             qRgb(static_cast<int>(c.r * 255), static_cast<int>(c.g * 255),
                                  static_cast<int>(c.b * 255)));
        }
    }
    return picture;
}

std::optional<ColourChoice> QtColourChooser::ChooseColour(const ColourRequest& request) {
    // The dialog's custom colours are one set for the whole program: each chooser sets its own
    // before opening.
    for (int i = 0; i < SettingsStore::kCustomColourCount; ++i) {
        const PackedColour c = request.custom[static_cast<std::size_t>(i)];
        QColorDialog::setCustomColor(i, QColor(RedOf(c), GreenOf(c), BlueOf(c)));
    }
    const PackedColour initial = request.initial;
    QColorDialog dialog(QColor(RedOf(initial), GreenOf(initial), BlueOf(initial)), parent_.data());
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowTitle("Color");
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    ColourChoice choice;
    const QColor chosen = dialog.currentColor();
    choice.colour =
        PackRgb(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
                static_cast<std::uint8_t>(chosen.blue()));
    for (int i = 0; i < SettingsStore::kCustomColourCount; ++i) {
        const QColor c = QColorDialog::customColor(i);
        choice.custom[static_cast<std::size_t>(i)] =
            PackRgb(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                    static_cast<std::uint8_t>(c.blue()));
    }
    return choice;
}

QString QtFileChooser::QtFilterText(const FileFilter& filter) {
    QString label = QString::fromStdString(filter.text);
    const int open = label.lastIndexOf(" (");
    if (open >= 0) {
        label.truncate(open);
    }
    QStringList patterns;
    for (const std::string& pattern : filter.patterns) {
        patterns << QString::fromStdString(pattern);
    }
    return label + " (" + patterns.join(' ') + ")";
}

std::optional<FileChoice> QtFileChooser::ChooseFileToOpen(const FileDialogRequest& request) {
    return Choose(request, false);
}

std::optional<FileChoice> QtFileChooser::ChooseFileToSave(const FileDialogRequest& request) {
    return Choose(request, true);
}

std::optional<FileChoice> QtFileChooser::Choose(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent_.data(), QString::fromStdString(request.title));
    QStringList filters;
    for (const FileFilter& filter : request.filters) {
        filters << QtFilterText(filter);
    }
    dialog.setNameFilters(filters);
    if (request.initial_filter >= 0 && request.initial_filter < filters.size()) {
        dialog.selectNameFilter(filters[request.initial_filter]);
    }
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QString::fromStdString(request.default_extension));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    const QString initial = QString::fromStdString(request.initial_name);
    if (!initial.isEmpty() && !initial.contains('*')) {
        const QFileInfo info(initial);
        if (info.isDir()) {
            dialog.setDirectory(initial);
        } else {
            if (info.dir().exists() && info.isAbsolute()) {
                dialog.setDirectory(info.dir());
            }
            dialog.selectFile(info.fileName());
        }
    }
    if (request.image_preview) {
        AddImagePreview(dialog);
    }
    QCheckBox* option = nullptr;
    if (!request.option_text.empty()) {
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        if (auto* layout = qobject_cast<QGridLayout*>(dialog.layout())) {
            option = new QCheckBox(QString::fromStdString(request.option_text), &dialog);
            option->setObjectName("file_dialog_option");
            option->setAccessibleName(option->text());
            option->setChecked(request.option_checked);
            layout->addWidget(option, layout->rowCount(), 0, 1, layout->columnCount());
        }
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    FileChoice choice;
    choice.path = dialog.selectedFiles().front().toStdString();
    choice.filter_index =
        std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
    choice.option_checked = option != nullptr && option->isChecked();
    return choice;
}

QtSettingsStore::QtSettingsStore() : settings_(std::make_unique<QSettings>("Vorn", "Kelto")) {}

std::optional<std::string> QtSettingsStore::Read(const std::string& section,
                                                 const std::string& key) const {
    const QString name = QString::fromStdString(section + "/" + key);
    if (!settings_->contains(name)) {
        return std::nullopt;
    }
    return settings_->value(name).toString().toStdString();
}

void QtSettingsStore::Write(const std::string& section, const std::string& key,
                            const std::string& value) {
    settings_->setValue(QString::fromStdString(section + "/" + key), QString::fromStdString(value));
}

bool QtSettingsStore::CanWrite() const {
    const std::filesystem::path file = settings_->fileName().toStdString();
    std::error_code error;
    if (std::filesystem::exists(file, error)) {
        return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), W_OK) == 0;
    }
    // The folders are made when the file is first written: the nearest one that exists must
    // be a folder that takes new entries.
    std::filesystem::path folder = file.parent_path();
    while (!folder.empty() && !std::filesystem::exists(folder, error)) {
        if (folder == folder.parent_path()) {
            return false;
        }
        folder = folder.parent_path();
    }
    return std::filesystem::is_directory(folder, error) && ::access(folder.c_str(), W_OK) == 0;
}

std::string QtSettingsStore::FileName() const {
    return settings_->fileName().toStdString();
}

QtWindowThread::QtWindowThread() : receiver_(std::make_unique<QObject>()) {}

QtWindowThread::~QtWindowThread() = default;

void QtWindowThread::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(receiver_.get(), std::move(work), Qt::QueuedConnection);
}

}  // namespace kelto
