// Handing work to the window thread. The render threads post their news (pixels waiting, a
// render done) through it; the work runs later on the thread that owns the windows, in the
// order posted, and none of it is dropped while that thread runs.
#pragma once

#include <functional>

namespace kelto {

class WindowThread {
  public:
    virtual ~WindowThread() = default;
    // Safe to call from any thread, the window thread included (the work then runs after the
    // current event, never inside this call).
    virtual void Post(std::function<void()> work) = 0;
};

}  // namespace kelto
