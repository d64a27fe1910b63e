// Which autosave owners still run. A process that autosaves holds an exclusive flock on its
// lock file ("kelto-<owner tag>.lock" in the autosave folder) for as long as it runs; the
// kernel lets go of it however the process ends, SIGKILL and power cuts included. An owner
// whose process id is free (kill gives ESRCH) is gone; otherwise its lock decides, so a
// reused process id never keeps a dead owner's autosaves hidden.
#pragma once

#include <optional>
#include <string>

#include "autosave_files.h"

namespace kelto {

std::string OwnerLockPath(const std::string& folder, const AutosaveOwner& owner);

// An exclusive flock on a lock file, held until destroyed or released.
class OwnerLock {
  public:
    OwnerLock() = default;
    ~OwnerLock();
    OwnerLock(OwnerLock&& other) noexcept;
    OwnerLock& operator=(OwnerLock&& other) noexcept;
    OwnerLock(const OwnerLock&) = delete;
    OwnerLock& operator=(const OwnerLock&) = delete;

    bool Held() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    // Lets go of the lock and deletes its file (an owner whose autosaves are all gone).
    void ReleaseAndRemove();

    // This process's lock in `folder`, made there; nothing when the file cannot be made.
    static std::optional<OwnerLock> Acquire(const std::string& folder, const AutosaveOwner& owner);
    // The lock of `owner` when its process is gone, held from now on so that no other process
    // starting at the same moment offers the same autosaves; nothing while it runs. An owner
    // without a lock file is gone (a running owner makes it before its first autosave).
    static std::optional<OwnerLock> ClaimIfGone(const std::string& folder,
                                                const AutosaveOwner& owner);

  private:
    OwnerLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_ = -1;
    std::string path_;
};

}  // namespace kelto
