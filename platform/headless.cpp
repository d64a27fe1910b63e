#include "headless.h"

#include <utility>

namespace kelto {

MessageAnswer HeadlessMessages::Show(int number, const std::string& text, MessageIcon icon,
                                     MessageButtons buttons) {
    shown_.push_back({number, text, icon, buttons});
    if (!answers_.empty()) {
        const MessageAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    return buttons == MessageButtons::Ok || buttons == MessageButtons::OkCancel
               ? MessageAnswer::Ok
               : MessageAnswer::Yes;
}

std::optional<std::string> MemorySettings::Read(const std::string& section,
                                                const std::string& key) const {
    const auto it = values_.find({section, key});
    if (it == values_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void MemorySettings::Write(const std::string& section, const std::string& key,
                           const std::string& value) {
    values_[{section, key}] = value;
}

std::optional<FileChoice> HeadlessFileChooser::Next(const FileDialogRequest& request) {
    requests_.push_back(request);
    if (answers_.empty()) {
        return std::nullopt;
    }
    std::optional<FileChoice> answer = std::move(answers_.front());
    answers_.pop_front();
    return answer;
}

std::optional<ColourChoice> HeadlessColourChooser::ChooseColour(const ColourRequest& request) {
    requests_.push_back(request);
    if (answers_.empty()) {
        return std::nullopt;
    }
    const std::optional<Answer> answer = answers_.front();
    answers_.pop_front();
    if (!answer) {
        return std::nullopt;
    }
    return ColourChoice{answer->colour, answer->custom.value_or(request.custom)};
}

void QueuedWindowThread::Post(std::function<void()> work) {
    const std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
}

int QueuedWindowThread::RunPending() {
    std::deque<std::function<void()>> batch;
    {
        const std::lock_guard lock(mutex_);
        batch.swap(queue_);
    }
    for (std::function<void()>& work : batch) {
        work();
    }
    return static_cast<int>(batch.size());
}

std::size_t QueuedWindowThread::PendingCount() const {
    const std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace kelto
