// Small pictures of materials for the Materials panel: each traced once by the material
// preview's tracer (a sphere on a checkered floor) on a thread of its own, then kept in a cache
// folder under a key made of the material's stored bytes, the picture size and the program's
// version, so that later runs show them at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "model/image.h"
#include "model/material.h"
#include "platform/window_thread.h"

namespace kelto {

// $XDG_CACHE_HOME/kelto/swatches, or $HOME/.cache/kelto/swatches when XDG_CACHE_HOME is unset
// or empty (null arguments are unset variables); the second form reads the environment.
std::string SwatchCacheFolder(const char* xdg_cache_home, const char* home);
std::string SwatchCacheFolder();

// The cache file's name for a material's picture: a hash of the material record, the size and
// the version, in hexadecimal, with the extension ".swatch".
std::string SwatchFileName(const Material& material, int size, const std::string& version);

// A cached picture, or none when the file is missing, of another size, or damaged.
std::optional<RenderImage> ReadSwatchFile(const std::string& path, int size);
void WriteSwatchFile(const std::string& path, const RenderImage& picture);

class MaterialSwatches {
  public:
    // Window thread: the picture of the material at `index` (in the order of Add).
    using Listener = std::function<void(std::size_t index, const RenderImage& picture)>;

    MaterialSwatches(WindowThread& window_thread, std::string cache_folder, std::string version,
                     int size, Listener listener);
    // Stops the trace in progress and waits for the thread; nothing reaches the listener after.
    ~MaterialSwatches();
    MaterialSwatches(const MaterialSwatches&) = delete;
    MaterialSwatches& operator=(const MaterialSwatches&) = delete;

    // Call on the window thread. Cached pictures reach the listener before the call returns;
    // the others are traced in order and reach it later, each stored in the cache first.
    // Returns the index of the first material added.
    std::size_t Add(std::span<const Material> materials);
    // Pictures delivered so far from the cache and from the tracer (window thread).
    std::size_t FromCache() const { return side_->from_cache; }
    std::size_t Traced() const { return side_->traced; }

  private:
    struct WindowSide {
        Listener listener;
        std::size_t from_cache = 0;
        std::size_t traced = 0;
    };
    struct Job {
        std::size_t index;
        std::string path;
        Material material;
    };
    void Run(std::stop_token stop);

    WindowThread& window_thread_;
    std::string cache_folder_;
    std::string version_;
    int size_;
    std::size_t count_ = 0;
    std::shared_ptr<WindowSide> side_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Job> jobs_;  // guarded by mutex_
    std::atomic<int> abort_{0};
    std::jthread worker_;  // last: it stops before the rest goes
};

}  // namespace kelto
