// A render on a thread of its own: it waits for its start, traces, and hands finished pixels
// to the window through a queue guarded by a lock. The window is told when the queue has
// grown long (4096 pixels) and, always, when the render is over.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "model/image.h"
#include "model/scene.h"
#include "ray_tracer.h"
#include "render_camera.h"

namespace kelto {

struct PixelUpdate {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t colour = 0;  // red | green << 8 | blue << 16
};

// What the window side is told, on the render's thread. Implementations hand the news over
// to their own thread (the application posts it to its event loop); they must not block.
class RenderListener {
  public:
    virtual ~RenderListener() = default;
    // 4096 or more pixels are waiting; drain them soon.
    virtual void FlushRequested() = 0;
    // The render has ended (finished or aborted); called exactly once, as the thread's last act.
    virtual void RenderDone() = 0;
};

class RenderJob : private PixelSink {
  public:
    static constexpr std::size_t kFlushThreshold = 4096;

    // Starts the render thread, which waits for Start(). The scene must not change until the
    // job reports that it is done.
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
    int Width() const { return camera_.width; }
    int Height() const { return camera_.height; }

    // Moves every waiting pixel into `image`, taking them from the end of the queue; returns
    // how many there were.
    std::size_t DrainInto(RenderImage& image);
    // The waiting pixels, last pushed first, removed from the queue.
    std::vector<PixelUpdate> Drain();
    std::size_t Waiting() const;
    // The names of the objects the render leaves out (see PreparedScene::LeftOut), known once
    // the render has prepared its scene.
    std::vector<std::string> LeftOut() const;
    // Pushes one pixel as the render does (for tests of the queue itself).
    void Push(int x, int y, std::uint32_t colour) { Output(x, y, colour); }

  private:
    void Output(int x, int y, std::uint32_t colour) override;
    void Run();

    const Scene& scene_;
    RenderCamera camera_;
    RenderListener& listener_;
    RenderOptions options_;
    std::atomic<int> abort_{0};
    // The start event: set once, by Start or by the destructor of a job never started.
    std::mutex start_lock_;
    std::condition_variable start_signal_;
    bool started_ = false;
    mutable std::mutex lock_;
    std::vector<PixelUpdate> queue_;
    std::vector<std::string> left_out_;
    std::jthread thread_;  // last: it starts once everything above exists
};

}  // namespace kelto
