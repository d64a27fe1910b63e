// A desktop without a desktop: for kelto-cli and the tests. Messages are recorded (and
// answered from a script), file dialogs answer from a script, settings live in memory,
// progress is recorded, and work for the window thread waits until a test runs it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "colour_chooser.h"
#include "file_chooser.h"
#include "messages.h"
#include "settings.h"
#include "window_thread.h"

namespace kelto {

struct RecordedMessage {
    int number = 0;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class HeadlessMessages : public MessageSink {
  public:
    using MessageSink::Show;
    MessageAnswer Show(int number, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override;
    // Answers given to the next questions, in order; when none is left the first button
    // (Ok or Yes) is the answer.
    void QueueAnswer(MessageAnswer answer) { answers_.push_back(answer); }
    const std::vector<RecordedMessage>& Shown() const { return shown_; }

  private:
    std::vector<RecordedMessage> shown_;
    std::deque<MessageAnswer> answers_;
};

class HeadlessProgress : public ProgressSink {
  public:
    void Report(int percent) override { reports_.push_back(percent); }
    const std::vector<int>& Reports() const { return reports_; }

  private:
    std::vector<int> reports_;
};

class MemorySettings : public SettingsStore {
  public:
    std::optional<std::string> Read(const std::string& section,
                                    const std::string& key) const override;
    void Write(const std::string& section, const std::string& key,
               const std::string& value) override;

  private:
    std::map<std::pair<std::string, std::string>, std::string> values_;
};

// Answers file dialogs in order from a script; with the script used up, every dialog is
// cancelled. Every request is kept.
class HeadlessFileChooser : public FileChooser {
  public:
    std::optional<FileChoice> ChooseFileToOpen(const FileDialogRequest& request) override {
        return Next(request);
    }
    std::optional<FileChoice> ChooseFileToSave(const FileDialogRequest& request) override {
        return Next(request);
    }
    void QueueChoice(std::string path, int filter_index = 0, bool option_checked = false) {
        answers_.push_back(FileChoice{std::move(path), filter_index, option_checked});
    }
    void QueueCancel() { answers_.push_back(std::nullopt); }
    const std::vector<FileDialogRequest>& Requests() const { return requests_; }

  private:
    std::optional<FileChoice> Next(const FileDialogRequest& request);
    std::deque<std::optional<FileChoice>> answers_;
    std::vector<FileDialogRequest> requests_;
};

// Answers colour dialogs in order from a script; with the script used up, every dialog is
// cancelled. An answer without custom colours leaves the request's as they were. Every request
// is kept.
class HeadlessColourChooser : public ColourChooser {
  public:
    std::optional<ColourChoice> ChooseColour(const ColourRequest& request) override;
    void QueueChoice(PackedColour colour,
                     std::optional<SettingsStore::CustomColours> custom = std::nullopt) {
        answers_.push_back(Answer{colour, custom});
    }
    void QueueCancel() { answers_.push_back(std::nullopt); }
    const std::vector<ColourRequest>& Requests() const { return requests_; }

  private:
    struct Answer {
        PackedColour colour;
        std::optional<SettingsStore::CustomColours> custom;
    };
    std::deque<std::optional<Answer>> answers_;
    std::vector<ColourRequest> requests_;
};

// Work posted from any thread waits in a queue until RunPending runs it on the caller's
// thread, in the order posted.
class QueuedWindowThread : public WindowThread {
  public:
    void Post(std::function<void()> work) override;
    // Runs what was posted before the call (work posted while it runs waits for the next
    // call); returns how many ran.
    int RunPending();
    std::size_t PendingCount() const;

  private:
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace kelto
