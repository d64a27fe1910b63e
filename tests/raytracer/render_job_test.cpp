// The render job: start, queue, flush requests, abort and the done notification.
#include <gtest/gtest.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "raytracer/render_job.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

class RecordingListener : public RenderListener {
  public:
    void FlushRequested() override {
        std::lock_guard guard(lock_);
        ++flushes_;
    }
    void RenderDone() override {
        std::lock_guard guard(lock_);
        ++done_;
        changed_.notify_all();
    }
    void WaitForDone() {
        std::unique_lock guard(lock_);
        changed_.wait(guard, [this] { return done_ > 0; });
    }
    int Flushes() {
        std::lock_guard guard(lock_);
        return flushes_;
    }
    int Done() {
        std::lock_guard guard(lock_);
        return done_;
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    int flushes_ = 0;
    int done_ = 0;
};

TEST(RenderJob, QueueAsksForAFlushAt4096AndDrainsFromItsEnd) {
    Scene scene;
    RecordingListener listener;
    {
        RenderJob job(scene, tracer_test::Camera(8, 8), listener);
        for (int i = 0; i < 4095; ++i) {
            job.Push(i % 64, i / 64, static_cast<std::uint32_t>(i));
        }
        EXPECT_EQ(listener.Flushes(), 0);
        job.Push(1, 2, 0x030201);
        EXPECT_EQ(listener.Flushes(), 1);
        const std::vector<PixelUpdate> drained = job.Drain();
        ASSERT_EQ(drained.size(), 4096u);
        EXPECT_EQ(drained.front().colour, 0x030201u);  // the last pushed comes out first
        EXPECT_EQ(drained.back().colour, 0u);
        EXPECT_EQ(job.Waiting(), 0u);
        // Never started: destroying the job still ends its thread and reports done.
    }
    EXPECT_EQ(listener.Done(), 1);
}

TEST(RenderJob, RendersEveryPixelAndSaysDoneOnce) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    RecordingListener listener;
    RenderImage image(70, 60);
    RenderOptions options;
    options.threads = 2;
    RenderJob job(scene, tracer_test::Camera(70, 60), listener, options);
    job.Start();
    listener.WaitForDone();
    EXPECT_EQ(job.DrainInto(image), 70u * 60u);
    EXPECT_EQ(listener.Done(), 1);
    // Nobody drained while it ran: every push from the 4096th on asked for a flush.
    EXPECT_EQ(listener.Flushes(), 4200 - 4096 + 1);
    int lit = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 70; ++x) {
            lit += image.Pixel(x, y)[0] > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 100);
}

TEST(RenderJob, AbortStopsWithinAPixelAndStillSaysDone) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    for (RenderQuality quality : {RenderQuality::Draft, RenderQuality::Production}) {
        RecordingListener listener;
        RenderJob job(scene, tracer_test::Camera(300, 200, quality), listener);
        job.Abort();
        job.Start();
        listener.WaitForDone();
        EXPECT_EQ(job.Waiting(), 0u);  // aborted before the first pixel: nothing was pushed
        EXPECT_EQ(listener.Done(), 1);
    }
    // Started and destroyed at once: the destructor's own start signal is harmless.
    {
        RecordingListener quick;
        {
            RenderJob job(scene, tracer_test::Camera(50, 40), quick);
            job.Start();
        }
        EXPECT_EQ(quick.Done(), 1);
    }
    // Aborting a running render from another thread ends it early.
    RecordingListener listener;
    auto job = std::make_unique<RenderJob>(
        scene, tracer_test::Camera(400, 300, RenderQuality::Production), listener);
    job->Start();
    while (job->Waiting() == 0) {
        std::this_thread::yield();
    }
    job->Abort();
    listener.WaitForDone();
    const std::size_t after_abort = job->Waiting();
    EXPECT_LT(after_abort, 400u * 300u);
    job.reset();  // the thread has ended: destroying the job is safe
    EXPECT_EQ(listener.Done(), 1);
}

}  // namespace
}  // namespace kelto
