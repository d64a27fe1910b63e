// Writes autosaves on a thread of its own, so the window thread only takes the snapshot. Work
// runs in the order it was handed over; a write is atomic (files/file_io.h), so a process
// killed in the middle of one leaves the previous autosave whole. Before its first write the
// writer makes the folder and takes this process's lock there (files/owner_lock.h); both are
// tried again at every write until they work.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "files/autosave_files.h"
#include "files/owner_lock.h"

namespace kelto {

// How one write went.
struct AutosaveWriteResult {
    std::string file_name;
    bool written = false;
};

class AutosaveWriter {
  public:
    // `done` is told about every write, on the writer's thread.
    using Done = std::function<void(const AutosaveWriteResult&)>;
    AutosaveWriter(std::string folder, AutosaveOwner owner, Done done);
    // Does the work handed over so far, then stops.
    ~AutosaveWriter();
    AutosaveWriter(const AutosaveWriter&) = delete;
    AutosaveWriter& operator=(const AutosaveWriter&) = delete;

    const std::string& Folder() const { return folder_; }
    // Writes the header and the scene's bytes as `file_name` in the folder, replacing it.
    void Write(std::string file_name, AutosaveHeader header, std::vector<std::uint8_t> scene);
    // Deletes `file_name` from the folder (missing is fine).
    void Remove(std::string file_name);
    // Makes the folder and takes the lock now, on the calling thread (before autosaves of
    // another owner are taken over at start-up). False when that cannot be done.
    bool HoldLockNow();
    // Waits until everything handed over so far is done (tests, benchmarks, the program's end).
    void WaitIdle();

  private:
    struct Job {
        std::string file_name;
        std::optional<std::vector<std::uint8_t>> bytes;  // none: remove
        AutosaveHeader header;
    };
    void Run(std::stop_token stop);
    bool EnsureLock();  // under lock_mutex_
    void Do(Job& job);

    const std::string folder_;
    const AutosaveOwner owner_;
    const Done done_;
    std::mutex lock_mutex_;
    std::optional<OwnerLock> lock_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Job> jobs_;
    bool busy_ = false;
    std::jthread thread_;
};

}  // namespace kelto
