#include "document_changes.h"

#include <algorithm>

namespace kelto {

bool ChangeSet::Has(ChangeKind kind) const {
    return std::any_of(changes.begin(), changes.end(),
                       [kind](const DocumentChange& c) { return c.kind == kind; });
}

std::uint64_t ChangeHub::Add(ChangeListener listener) {
    entries_.push_back({++last_id_, std::move(listener)});
    return last_id_;
}

void ChangeHub::Remove(std::uint64_t id) {
    for (Entry& entry : entries_) {
        if (entry.id == id) {
            // While a dispatch walks the list, only mark the entry; the walk skips it.
            entry.listener = nullptr;
        }
    }
    if (dispatching_ == 0) {
        std::erase_if(entries_, [](const Entry& e) { return !e.listener; });
    }
}

void ChangeHub::Dispatch(const ChangeSet& changes) {
    ++dispatching_;
    // Listeners added during the walk hear from the next change on.
    const std::size_t count = entries_.size();
    for (std::size_t i = 0; i < count; ++i) {
        if (entries_[i].listener) {
            // A copy: the listener may unsubscribe itself while it runs.
            const ChangeListener listener = entries_[i].listener;
            listener(changes);
        }
    }
    if (--dispatching_ == 0) {
        std::erase_if(entries_, [](const Entry& e) { return !e.listener; });
    }
}

std::size_t ChangeHub::Count() const {
    return static_cast<std::size_t>(std::count_if(entries_.begin(), entries_.end(),
                                                  [](const Entry& e) { return bool(e.listener); }));
}

void Subscription::Reset() {
    if (id_ != 0) {
        if (const std::shared_ptr<ChangeHub> hub = hub_.lock()) {
            hub->Remove(id_);
        }
        id_ = 0;
    }
    hub_.reset();
}

}  // namespace kelto
