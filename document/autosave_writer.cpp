#include "autosave_writer.h"

#include <unistd.h>

#include <filesystem>

#include "files/file_io.h"

namespace kelto {

AutosaveWriter::AutosaveWriter(std::string folder, AutosaveOwner owner, Done done)
    : folder_(std::move(folder)),
      owner_(owner),
      done_(std::move(done)),
      thread_([this](std::stop_token stop) { Run(stop); }) {}

AutosaveWriter::~AutosaveWriter() {
    WaitIdle();
    thread_.request_stop();
    {
        std::lock_guard guard(mutex_);
        wake_.notify_all();
    }
    thread_.join();
    // The lock goes with the process's end; its file is removed when nothing of ours is left.
    std::lock_guard guard(lock_mutex_);
    if (!lock_) {
        return;
    }
    for (const AutosaveEntry& entry : ScanAutosaveFolder(folder_).autosaves) {
        if (entry.owner == owner_) {
            return;
        }
    }
    lock_->ReleaseAndRemove();
}

void AutosaveWriter::Write(std::string file_name, AutosaveHeader header,
                           std::vector<std::uint8_t> scene) {
    std::lock_guard guard(mutex_);
    // A write of the same file still waiting is out of date.
    for (Job& job : jobs_) {
        if (job.file_name == file_name && job.bytes) {
            job.bytes = std::move(scene);
            job.header = std::move(header);
            return;
        }
    }
    jobs_.push_back({std::move(file_name), std::move(scene), std::move(header)});
    wake_.notify_one();
}

void AutosaveWriter::Remove(std::string file_name) {
    std::lock_guard guard(mutex_);
    jobs_.push_back({std::move(file_name), std::nullopt, {}});
    wake_.notify_one();
}

bool AutosaveWriter::HoldLockNow() {
    std::lock_guard guard(lock_mutex_);
    return EnsureLock();
}

void AutosaveWriter::WaitIdle() {
    std::unique_lock guard(mutex_);
    idle_.wait(guard, [this] { return jobs_.empty() && !busy_; });
}

bool AutosaveWriter::EnsureLock() {
    if (lock_ && lock_->Held()) {
        return true;
    }
    // Made private to the user, as the folders of the user's state should be.
    std::error_code error;
    if (std::filesystem::create_directories(folder_, error)) {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, error);
    }
    lock_ = OwnerLock::Acquire(folder_, owner_);
    return lock_.has_value();
}

void AutosaveWriter::Run(std::stop_token stop) {
    for (;;) {
        Job job;
        {
            std::unique_lock guard(mutex_);
            wake_.wait(guard, [&] { return !jobs_.empty() || stop.stop_requested(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
            busy_ = true;
        }
        Do(job);
        std::lock_guard guard(mutex_);
        busy_ = false;
        if (jobs_.empty()) {
            idle_.notify_all();
        }
    }
}

void AutosaveWriter::Do(Job& job) {
    const std::string path = folder_ + "/" + job.file_name;
    if (!job.bytes) {
        ::unlink(path.c_str());
        return;
    }
    bool written = false;
    {
        std::lock_guard guard(lock_mutex_);
        written =
            EnsureLock() &&
            ReplaceFileContents(path, AutosaveBytes(job.header, *job.bytes)) == FileWrite::Done;
    }
    if (done_) {
        done_({job.file_name, written});
    }
}

}  // namespace kelto
