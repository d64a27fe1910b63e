#include "render_job.h"

namespace kelto {

RenderJob::RenderJob(const Scene& scene, const RenderCamera& camera, RenderListener& listener,
                     RenderOptions options)
    : scene_(scene), camera_(camera), listener_(listener), options_(options), thread_([this] {
          Run();
      }) {}

RenderJob::~RenderJob() {
    Abort();
    Start();  // a thread still waiting for its start must not wait for ever
    if (thread_.joinable()) {
        thread_.join();
    }
}

void RenderJob::Start() {
    {
        std::lock_guard guard(start_lock_);
        started_ = true;
    }
    start_signal_.notify_one();
}

void RenderJob::Run() {
    {
        std::unique_lock guard(start_lock_);
        start_signal_.wait(guard, [this] { return started_; });
    }
    if (!Aborted()) {
        RayTracer tracer(scene_, camera_, &abort_, options_);
        {
            std::lock_guard guard(lock_);
            left_out_ = tracer.Prepared().LeftOut();
        }
        tracer.Render(*this);
    }
    listener_.RenderDone();
}

void RenderJob::Output(int x, int y, std::uint32_t colour) {
    bool flush = false;
    {
        std::lock_guard guard(lock_);
        if (Aborted()) {
            return;
        }
        queue_.push_back({x, y, colour});
        flush = queue_.size() >= kFlushThreshold;
    }
    if (flush) {
        listener_.FlushRequested();
    }
}

std::vector<PixelUpdate> RenderJob::Drain() {
    std::vector<PixelUpdate> drained;
    std::lock_guard guard(lock_);
    drained.reserve(queue_.size());
    while (!queue_.empty()) {
        drained.push_back(queue_.back());
        queue_.pop_back();
    }
    return drained;
}

std::size_t RenderJob::DrainInto(RenderImage& image) {
    std::lock_guard guard(lock_);
    const std::size_t count = queue_.size();
    while (!queue_.empty()) {
        const PixelUpdate& p = queue_.back();
        image.SetPixel(p.x, p.y, static_cast<std::uint8_t>(p.colour & 0xFF),
                       static_cast<std::uint8_t>((p.colour >> 8) & 0xFF),
                       static_cast<std::uint8_t>((p.colour >> 16) & 0xFF));
        queue_.pop_back();
    }
    return count;
}

std::vector<std::string> RenderJob::LeftOut() const {
    std::lock_guard guard(lock_);
    return left_out_;
}

std::size_t RenderJob::Waiting() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

}  // namespace kelto
