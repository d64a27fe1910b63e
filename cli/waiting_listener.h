// Hears a render job's news on its threads so that the thread that started the render can
// wait for it: for a drain of finished pixels (the render asks for one at least every 250 ms
// while it makes pixels) or for the end.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "document/render_request.h"

namespace kelto::cli {

class WaitingListener : public RenderListener {
  public:
    void FlushRequested() override {
        std::lock_guard guard(lock_);
        news_ = true;
        changed_.notify_one();
    }
    void RenderDone() override {
        std::lock_guard guard(lock_);
        done_ = true;
        changed_.notify_one();
    }
    // Waits for news; returns whether the render is done.
    bool Wait() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return news_ || done_; });
        return Took();
    }
    // The same, giving up after `timeout` (to look at other things in between).
    bool Wait(std::chrono::milliseconds timeout) {
        std::unique_lock guard(lock_);
        changed_.wait_for(guard, timeout, [this] { return news_ || done_; });
        return Took();
    }

  private:
    bool Took() {
        news_ = false;
        return done_;
    }

    std::mutex lock_;
    std::condition_variable changed_;
    bool news_ = false;
    bool done_ = false;
};

}  // namespace kelto::cli
