#include "owner_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <utility>

namespace kelto {
namespace {

// A process with this id exists (ours or another user's).
bool ProcessExists(std::int64_t pid) {
    if (pid <= 0 || static_cast<pid_t>(pid) != pid) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace

std::string OwnerLockPath(const std::string& folder, const AutosaveOwner& owner) {
    return folder + "/kelto-" + OwnerTag(owner) + ".lock";
}

OwnerLock::~OwnerLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

OwnerLock::OwnerLock(OwnerLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), path_(std::move(other.path_)) {}

OwnerLock& OwnerLock::operator=(OwnerLock&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

void OwnerLock::ReleaseAndRemove() {
    if (fd_ < 0) {
        return;
    }
    // Removed while still held: no other process can take it in between and believe it its
    // own.
    ::unlink(path_.c_str());
    ::close(std::exchange(fd_, -1));
}

std::optional<OwnerLock> OwnerLock::Acquire(const std::string& folder, const AutosaveOwner& owner) {
    std::string path = OwnerLockPath(folder, owner);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    return OwnerLock(fd, std::move(path));
}

std::optional<OwnerLock> OwnerLock::ClaimIfGone(const std::string& folder,
                                                const AutosaveOwner& owner) {
    std::string path = OwnerLockPath(folder, owner);
    const bool process_gone = !ProcessExists(owner.pid);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        // A folder we cannot write: only the process id can tell. Nothing is held, and the
        // autosaves cannot be deleted anyway.
        return process_gone ? std::optional<OwnerLock>(OwnerLock(-1, std::move(path)))
                            : std::nullopt;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);  // it runs, or another starting process has claimed it
        return std::nullopt;
    }
    return OwnerLock(fd, std::move(path));
}

}  // namespace kelto
