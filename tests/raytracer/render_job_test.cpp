// The render job: start, queue, flush requests, abort and the done notification.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "raytracer/render_job.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

using tracer_test::RecordingListener;

// Options whose flush interval never runs out in a test.
RenderOptions CountOnly() {
    RenderOptions options;
    options.flush_interval = std::chrono::hours(24);
    return options;
}

TEST(RenderJob, AsksOnceForAFlushAt4096UntilDrainedAndDrainsFromItsEnd) {
    Scene scene;
    RecordingListener listener;
    {
        RenderJob job(scene, tracer_test::Camera(8, 8), listener, CountOnly());
        for (int i = 0; i < 4095; ++i)
            job.Push(i % 64, i / 64, static_cast<std::uint32_t>(i));
        EXPECT_EQ(listener.Flushes(), 0);
        job.Push(1, 2, 0x030201);
        EXPECT_EQ(listener.Flushes(), 1);
        // Past the threshold the request is not repeated until someone drains.
        for (int i = 0; i < 5000; ++i)
            job.Push(0, 0, 0);
        EXPECT_EQ(listener.Flushes(), 1);
        std::vector<PixelUpdate> drained = job.Drain();
        ASSERT_EQ(drained.size(), 9096u);
        EXPECT_EQ(drained[5000].colour, 0x030201u);  // the last pushed come out first
        EXPECT_EQ(drained.back().colour, 0u);
        EXPECT_EQ(job.Waiting(), 0u);
        EXPECT_EQ(job.PixelsDone(), 9096u);  // progress counts what was pushed, drained or not
        // After the drain the next crossing asks again, once.
        for (int i = 0; i < 4095; ++i)
            job.Push(3, 4, 7);
        EXPECT_EQ(listener.Flushes(), 1);
        job.Push(3, 4, 7);
        job.Push(3, 4, 7);
        EXPECT_EQ(listener.Flushes(), 2);
        // The drain says which rows changed.
        RenderImage image(8, 8);
        job.Push(5, 6, 0x0000FF);
        const DrainedRows rows = job.DrainInto(image);
        EXPECT_EQ(std::tuple(rows.pixels, rows.first_row, rows.last_row), std::tuple(4098u, 4, 6));
        EXPECT_EQ(image.Pixel(5, 6)[0], 255);
        EXPECT_TRUE(job.DrainInto(image).Empty());
        // Never started: destroying the job still ends its thread and reports done.
    }
    EXPECT_EQ(listener.Done(), 1);
}

TEST(RenderJob, AsksForAFlushWhenPixelsHaveWaitedTheInterval) {
    Scene scene;
    RecordingListener listener;
    RenderOptions options;
    options.flush_interval = std::chrono::milliseconds(0);  // every wait is long enough
    RenderJob job(scene, tracer_test::Camera(8, 8), listener, options);
    job.Push(0, 0, 1);
    EXPECT_EQ(listener.Flushes(), 1);
    job.Push(1, 0, 1);
    EXPECT_EQ(listener.Flushes(), 1);  // once until drained
    EXPECT_EQ(job.Drain().size(), 2u);
    job.Push(2, 0, 1);
    EXPECT_EQ(listener.Flushes(), 2);
}

// Renders the still life in a job to the end and returns the picture.
RenderImage RenderToEnd(const Scene& scene, const RenderCamera& camera, RenderOptions options) {
    RecordingListener listener;
    RenderImage image(camera.width, camera.height);
    RenderJob job(scene, camera, listener, options);
    job.Start();
    listener.WaitForDone();
    job.DrainInto(image);
    return image;
}

TEST(RenderJob, KeepsNoReferenceToTheScene) {
    const RenderCamera camera = tracer_test::Camera(48, 36, RenderQuality::Production);
    RenderOptions options;
    options.seed = 11;
    options.threads = 2;
    Scene kept;
    tracer_test::AddStillLife(kept);
    const RenderImage expected = RenderToEnd(kept, camera, options);

    // The scene is destroyed before the render even starts; the picture does not change.
    RecordingListener listener;
    RenderImage image(48, 36);
    std::unique_ptr<RenderJob> job;
    {
        auto doomed = std::make_unique<Scene>();
        tracer_test::AddStillLife(*doomed);
        job = std::make_unique<RenderJob>(*doomed, camera, listener, options);
        doomed->Lights().clear();
        doomed->DeleteAll();
    }
    job->Start();
    listener.WaitForDone();
    job->DrainInto(image);
    tracer_test::ExpectSamePicture(image, expected);
}

TEST(RenderJob, SameSeedSamePictureAloneOrAlongsideAnother) {
    Scene scene;
    tracer_test::AddStillLife(scene);
    const RenderCamera camera = tracer_test::Camera(64, 40, RenderQuality::Production);
    RenderOptions options;
    options.seed = 1234;
    const RenderImage alone = RenderToEnd(scene, camera, options);
    tracer_test::ExpectSamePicture(RenderToEnd(scene, camera, options), alone);
    // Two at once, one of them with another seed, on two threads each: neither disturbs the
    // other's random state (the lens sets; RenderTest checks that seeds change them).
    RenderOptions other = options;
    other.seed = 99;
    other.threads = 2;
    options.threads = 2;
    RenderImage first, second;
    {
        std::jthread a([&] { first = RenderToEnd(scene, camera, options); });
        std::jthread b([&] { second = RenderToEnd(scene, camera, other); });
    }
    tracer_test::ExpectSamePicture(first, alone);
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
    while (job->Waiting() == 0)
        std::this_thread::yield();
    job->Abort();
    listener.WaitForDone();
    EXPECT_LT(job->Waiting(), 400u * 300u);
    job.reset();  // the thread has ended: destroying the job is safe
    EXPECT_EQ(listener.Done(), 1);
}

}  // namespace
}  // namespace kelto
