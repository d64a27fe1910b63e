// A desktop without a desktop: for kelto-cli and the tests. Messages are recorded (and
// answered from a script), settings live in memory, progress is recorded.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "messages.h"
#include "settings.h"

namespace kelto {

struct RecordedMessage {
    int number = 0;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

class HeadlessMessages : public MessageSink {
  public:
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

}  // namespace kelto
