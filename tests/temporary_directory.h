// The file system as tests set it up: a folder of the test's own, removed with everything in
// it afterwards, and a file size limit that stands in for a full disk.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kelto::test {

class TemporaryDirectory {
  public:
    TemporaryDirectory() {
        char pattern[] = "/tmp/kelto-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TemporaryDirectory() { std::filesystem::remove_all(path_); }
    TemporaryDirectory(const TemporaryDirectory&) = delete;
    TemporaryDirectory& operator=(const TemporaryDirectory&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(path_),
                                                      std::filesystem::directory_iterator()));
    }

  private:
    std::string path_;
};

// Runs `write` with files limited to `bytes`: writes past the limit fail (with EFBIG) as
// they would on a full disk.
template <typename Write>
auto WithFileSizeLimit(rlim_t bytes, Write write) {
    struct rlimit old_limit {};
    ::getrlimit(RLIMIT_FSIZE, &old_limit);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old_limit;
    tight.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &tight);
    auto result = write();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    return result;
}

}  // namespace kelto::test
