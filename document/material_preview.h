// The material editor's live preview: a sphere of the material being edited, ray traced by our
// own tracer in a small scene of its own (a checkered floor and wall behind it, so reflection,
// transparency and bumps show), on a thread of its own so that the editor never waits for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "model/handles.h"
#include "model/image.h"
#include "model/material.h"
#include "model/scene.h"
#include "platform/window_thread.h"

namespace kelto {

// The preview's scene: a sphere standing on a checkered floor before a checkered wall, lit by
// a key light that casts shadows and a weaker fill light.
class MaterialPreviewScene {
  public:
    static constexpr int kSize = 128;

    MaterialPreviewScene();

    // The sphere of `material`, traced in Draft quality on the calling thread at size x size
    // pixels. Once `abort` (when given) turns non-zero the trace stops and the picture is left
    // unfinished.
    RenderImage Render(const Material& material, const std::atomic<int>* abort = nullptr,
                       int size = kSize);
    const Scene& GetScene() const { return scene_; }

  private:
    Scene scene_;
    NodeId sphere_;
};

// Previews for the window thread: each Request replaces the one waiting and stops the trace
// of an older one; finished pictures of the newest request reach `done` on the window thread.
// Nothing reaches `done` once the preview is destroyed.
class MaterialPreview {
  public:
    using DoneListener = std::function<void(const RenderImage&)>;

    MaterialPreview(WindowThread& window_thread, DoneListener done,
                    int size = MaterialPreviewScene::kSize);
    // Stops the trace in progress and waits for the thread.
    ~MaterialPreview();
    MaterialPreview(const MaterialPreview&) = delete;
    MaterialPreview& operator=(const MaterialPreview&) = delete;

    // Call on the window thread. The material is copied (its pictures shared, not copied).
    void Request(const Material& material);
    // Requests made, and previews delivered to the listener so far (window thread).
    std::uint64_t Requested() const { return side_->latest; }
    std::uint64_t Delivered() const { return side_->delivered; }

  private:
    // What the window thread's posted work reads; only ever touched on the window thread.
    struct WindowSide {
        DoneListener done;
        std::uint64_t latest = 0;
        std::uint64_t delivered = 0;
    };
    void Run(std::stop_token stop);

    WindowThread& window_thread_;
    int size_;
    std::shared_ptr<WindowSide> side_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::optional<Material> pending_;   // guarded by mutex_
    std::uint64_t pending_number_ = 0;  // guarded by mutex_
    std::atomic<int> abort_{0};
    std::jthread worker_;  // last: it stops before the rest goes
};

}  // namespace kelto
