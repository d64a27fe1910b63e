#include "render_news.h"

namespace kelto {

RenderNews::RenderNews(WindowThread& window_thread, std::function<void()> flush,
                       std::function<void()> done)
    : window_thread_(window_thread),
      handlers_(std::make_shared<Handlers>(Handlers{std::move(flush), std::move(done)})) {}

RenderNews::~RenderNews() {
    Detach();
}

void RenderNews::Detach() {
    handlers_->flush = nullptr;
    handlers_->done = nullptr;
}

void RenderNews::FlushRequested() {
    window_thread_.Post([handlers = handlers_] {
        if (handlers->flush) {
            handlers->flush();
        }
    });
}

void RenderNews::RenderDone() {
    window_thread_.Post([handlers = handlers_] {
        if (handlers->done) {
            // Taken out first: the window may go away while it handles the news.
            const std::function<void()> done = std::move(handlers->done);
            handlers->done = nullptr;
            handlers->flush = nullptr;
            done();
        }
    });
}

}  // namespace kelto
