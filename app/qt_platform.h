// The platform interfaces on the Qt desktop: message boxes, file dialogs, QSettings("Vorn",
// "Kelto"), and queued calls into the window thread.
#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSettings>
#include <QWidget>
#include <memory>

#include "platform/colour_chooser.h"
#include "platform/file_chooser.h"
#include "platform/messages.h"
#include "platform/settings.h"
#include "platform/window_thread.h"

namespace kelto {

class QtMessageSink : public MessageSink {
  public:
    using MessageSink::Show;
    // Boxes open over `parent` (the main window once it exists).
    void SetParent(QWidget* parent) { parent_ = parent; }
    MessageAnswer Show(int number, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;

  private:
    QPointer<QWidget> parent_;
};

class QtFileChooser : public FileChooser {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<FileChoice> ChooseFileToOpen(const FileDialogRequest& request) override;
    std::optional<FileChoice> ChooseFileToSave(const FileDialogRequest& request) override;
    // The type list entry as Qt reads it: the text before its parentheses, then the patterns
    // separated by blanks ("All Files (*)").
    static QString QtFilterText(const FileFilter& filter);

  private:
    std::optional<FileChoice> Choose(const FileDialogRequest& request, bool save);
    QPointer<QWidget> parent_;
};

// The desktop's colour dialog, fully expanded, with its 16 custom colours set from the request
// before it opens and read back when it closes.
class QtColourChooser : public ColourChooser {
  public:
    void SetParent(QWidget* parent) { parent_ = parent; }
    std::optional<ColourChoice> ChooseColour(const ColourRequest& request) override;

  private:
    QPointer<QWidget> parent_;
};

// A small picture of an image file for the Import Image... dialog, at most `box` in size
// with the picture's proportions; a null image when the file cannot be read as a picture.
QImage ImageFilePreview(const QString& path, QSize box);

// The per-user settings of Kelto in the desktop's configuration folder ($XDG_CONFIG_HOME/Vorn/
// Kelto.conf), a key "Section/Key" for each entry.
class QtSettingsStore : public SettingsStore {
  public:
    QtSettingsStore();
    std::optional<std::string> Read(const std::string& section,
                                    const std::string& key) const override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;
    // Whether the settings file can be written (its folder made, the file created or
    // replaced).
    bool CanWrite() const;
    std::string FileName() const;

  private:
    std::unique_ptr<QSettings> settings_;
};

// Runs posted work on the thread that made this object (the window thread), through Qt's
// queued calls; nothing is dropped while the object lives.
class QtWindowThread : public WindowThread {
  public:
    QtWindowThread();
    ~QtWindowThread() override;
    void Post(std::function<void()> work) override;

  private:
    std::unique_ptr<QObject> receiver_;
};

}  // namespace kelto
