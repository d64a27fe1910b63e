// A render on a thread of its own: it takes its snapshot of the scene when it is made (on the
// caller's thread), waits for its start, traces, and hands finished pixels to the window
// through a queue guarded by a lock. The window is asked to drain the queue when it has grown
// long (4096 pixels) or when pixels have waited a while (250 ms), once until it drains, and is
// told, always, when the render is over.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "model/image.h"
#include "model/scene.h"
#include "ray_tracer.h"
#include "render_camera.h"

namespace kelto {

// What the window side is told, on one of the render's threads. Implementations hand the news
// over to their own thread (the application posts it to its event loop); they must not block.
class RenderListener {
  public:
    virtual ~RenderListener() = default;
    // Pixels are waiting (4096 or more, or some for the flush interval); drain them soon.
    // Asked once: not again until the next drain.
    virtual void FlushRequested() = 0;
    // The render has ended (finished or aborted); called exactly once, as the thread's last act.
    virtual void RenderDone() = 0;
};

// The rows of the picture a drain touched: first to last, inclusive; empty when none.
struct DrainedRows {
    std::size_t pixels = 0;
    int first_row = 0;
    int last_row = -1;
    bool Empty() const { return last_row < first_row; }
};

class RenderJob : private PixelSink {
  public:
    static constexpr std::size_t kFlushThreshold = 4096;

    // Takes the render's snapshot of the scene, here on the caller's thread, and starts the
    // render thread, which waits for Start(). The job keeps no reference to the scene: it
    // may be changed or destroyed at once.
    RenderJob(const Scene& scene, const RenderCamera& camera, RenderListener& listener,
              RenderOptions options = {});
    // Stops a render that is still running, and waits for its thread: the job stays valid for
    // as long as the thread may touch it.
    ~RenderJob();
    RenderJob(const RenderJob&) = delete;
    RenderJob& operator=(const RenderJob&) = delete;

    // Lets the thread begin (the start event).
    void Start();
    // Asks the render to stop; it ends within a pixel or a sample and still reports done.
    void Abort() { abort_.store(1, std::memory_order_relaxed); }
    bool Aborted() const { return abort_.load(std::memory_order_relaxed) != 0; }
    const RenderCamera& Camera() const { return camera_; }
    int Width() const { return camera_.width; }
    int Height() const { return camera_.height; }
    // The pixels the render traces: its region, or the whole picture.
    const PixelRect& Region() const { return region_; }
    // Progress, readable from any thread without the queue's lock: pixels pushed so far, and
    // how many the render makes.
    std::size_t PixelsDone() const { return pixels_done_.load(std::memory_order_relaxed); }
    std::size_t PixelsTotal() const { return region_.Area(); }
    // Whether the thread has ended (after RenderDone).
    bool Finished() const { return finished_.load(std::memory_order_acquire); }

    // Moves every waiting pixel into `image` (at its place in the whole picture, also for a
    // render of a region), taking them from the end of the queue, and
    // allows the next flush request; says which rows changed.
    DrainedRows DrainInto(RenderImage& image);
    // The waiting pixels, last pushed first, removed from the queue.
    std::vector<PixelUpdate> Drain();
    std::size_t Waiting() const;
    // The names of the objects the render leaves out (see PreparedScene::LeftOut), known from
    // the snapshot taken at construction.
    std::vector<std::string> LeftOut() const;
    // Pushes one pixel as the render does (for tests of the queue itself).
    void Push(int x, int y, std::uint32_t colour) {
        const PixelUpdate pixel{x, y, colour};
        Output({&pixel, 1});
    }

  private:
    using Clock = std::chrono::steady_clock;
    void Output(std::span<const PixelUpdate> pixels) override;
    void Run();
    // Called with the lock held after a drain.
    void DrainedLocked();

    RenderCamera camera_;
    RenderListener& listener_;
    RenderOptions options_;
    PixelRect region_;
    std::optional<PreparedScene> snapshot_;  // handed to the tracer on the thread
    std::atomic<int> abort_{0};
    std::atomic<std::size_t> pixels_done_{0};
    std::atomic<bool> finished_{false};
    // The start event: set once, by Start or by the destructor of a job never started.
    std::mutex start_lock_;
    std::condition_variable start_signal_;
    bool started_ = false;
    mutable std::mutex lock_;
    std::vector<PixelUpdate> queue_;
    bool flush_requested_ = false;             // asked and not yet drained
    Clock::time_point last_drain_;             // or the start of the render
    const std::vector<std::string> left_out_;  // from the snapshot, before the thread starts
    std::jthread thread_;                      // last: it starts once everything above exists
};

}  // namespace kelto
