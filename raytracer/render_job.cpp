#include "render_job.h"

#include <algorithm>

namespace kelto {

RenderJob::RenderJob(const Scene& scene, const RenderCamera& camera, RenderListener& listener,
                     RenderOptions options)
    : camera_(camera),
      listener_(listener),
      options_(options),
      region_(RayTracer::RegionOf(camera, options)),
      snapshot_(RayTracer::Snapshot(scene, camera)),
      last_drain_(Clock::now()),
      left_out_(snapshot_->LeftOut()),
      thread_([this] { Run(); }) {}

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
        {
            std::lock_guard guard(lock_);
            last_drain_ = Clock::now();
        }
        RayTracer tracer(std::move(*snapshot_), camera_, &abort_, options_);
        snapshot_.reset();
        tracer.Render(*this);
    }
    snapshot_.reset();
    finished_.store(true, std::memory_order_release);
    listener_.RenderDone();
}

void RenderJob::Output(std::span<const PixelUpdate> pixels) {
    bool flush = false;
    {
        std::lock_guard guard(lock_);
        if (Aborted()) {
            return;
        }
        queue_.insert(queue_.end(), pixels.begin(), pixels.end());
        pixels_done_.fetch_add(pixels.size(), std::memory_order_relaxed);
        if (!flush_requested_ && (queue_.size() >= kFlushThreshold ||
                                  Clock::now() - last_drain_ >= options_.flush_interval)) {
            flush_requested_ = true;
            flush = true;
        }
    }
    if (flush) {
        listener_.FlushRequested();
    }
}

std::vector<PixelUpdate> RenderJob::Drain() {
    std::vector<PixelUpdate> drained;
    std::lock_guard guard(lock_);
    drained.assign(queue_.rbegin(), queue_.rend());
    queue_.clear();
    DrainedLocked();
    return drained;
}

void RenderJob::DrainedLocked() {
    flush_requested_ = false;
    last_drain_ = Clock::now();
    // Once the render has ended nothing more comes: the queue gives back its room (as long
    // as the longest wait for a drain made it).
    if (Finished()) {
        std::vector<PixelUpdate>().swap(queue_);
    }
}

DrainedRows RenderJob::DrainInto(RenderImage& image) {
    DrainedRows rows;
    rows.first_row = image.Height();
    std::lock_guard guard(lock_);
    rows.pixels = queue_.size();
    for (auto p = queue_.rbegin(); p != queue_.rend(); ++p) {
        image.SetPixel(p->x, p->y, static_cast<std::uint8_t>(p->colour & 0xFF),
                       static_cast<std::uint8_t>((p->colour >> 8) & 0xFF),
                       static_cast<std::uint8_t>((p->colour >> 16) & 0xFF));
        rows.first_row = std::min(rows.first_row, p->y);
        rows.last_row = std::max(rows.last_row, p->y);
    }
    queue_.clear();
    DrainedLocked();
    rows.first_row = std::max(rows.first_row, 0);
    rows.last_row = std::min(rows.last_row, image.Height() - 1);
    return rows;
}

std::vector<std::string> RenderJob::LeftOut() const {
    return left_out_;  // set before the thread could start, never changed
}

std::size_t RenderJob::Waiting() const {
    std::lock_guard guard(lock_);
    return queue_.size();
}

}  // namespace kelto
