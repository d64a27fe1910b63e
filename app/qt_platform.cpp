#include "qt_platform.h"

#include <unistd.h>

#include <filesystem>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>
#include <QStringList>

namespace kelto {

MessageAnswer QtMessageSink::Show(int /*number*/, const std::string& text, MessageIcon icon,
                                  MessageButtons buttons) {
    QMessageBox box(parent_.data());
    box.setWindowTitle("Kelto");
    box.setText(QString::fromStdString(text));
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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    FileChoice choice;
    choice.path = dialog.selectedFiles().front().toStdString();
    choice.filter_index =
        std::max(0, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())));
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
