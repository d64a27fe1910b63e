// What a render window hears from its render: the render's threads call the listener, which
// hands each piece of news (pixels waiting, the render done) to the window thread. The news
// runs there in the order it was sent and is never dropped while the window thread runs; once
// the window has detached (it is going away), news still on its way does nothing.
#pragma once

#include <functional>
#include <memory>

#include "platform/window_thread.h"
#include "raytracer/render_job.h"

namespace kelto {

class RenderNews : public RenderListener {
  public:
    // `flush` and `done` run on the window thread, `done` once, after every flush sent before
    // it.
    RenderNews(WindowThread& window_thread, std::function<void()> flush,
               std::function<void()> done);
    // Detaches (on the window thread). The render must have ended or be gone by then: a
    // listener outlives its render.
    ~RenderNews() override;
    RenderNews(const RenderNews&) = delete;
    RenderNews& operator=(const RenderNews&) = delete;

    // From now on nothing runs for this window (call on the window thread).
    void Detach();

    // On the render's threads.
    void FlushRequested() override;
    void RenderDone() override;

  private:
    // Touched only on the window thread; the render's threads only copy the pointer, which
    // never changes.
    struct Handlers {
        std::function<void()> flush;
        std::function<void()> done;
    };
    WindowThread& window_thread_;
    const std::shared_ptr<Handlers> handlers_;
};

}  // namespace kelto
