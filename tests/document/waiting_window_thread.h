// A window thread the test drives: posted work runs when the test asks, waiting (a minute at
// most) for some to be posted.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "platform/window_thread.h"

namespace kelto::test {

class WaitingWindowThread : public WindowThread {
  public:
    void Post(std::function<void()> work) override {
        {
            const std::lock_guard lock(mutex_);
            queue_.push_back(std::move(work));
        }
        posted_.notify_all();
    }
    // Runs the next posted work; false when none came within a minute.
    bool RunNext() {
        std::unique_lock lock(mutex_);
        if (!posted_.wait_for(lock, std::chrono::minutes(1), [this] { return !queue_.empty(); }))
            return false;
        std::function<void()> work = std::move(queue_.front());
        queue_.pop_front();
        lock.unlock();
        work();
        return true;
    }
    void RunAll() {
        std::deque<std::function<void()>> batch;
        {
            const std::lock_guard lock(mutex_);
            batch.swap(queue_);
        }
        for (auto& work : batch)
            work();
    }

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace kelto::test
