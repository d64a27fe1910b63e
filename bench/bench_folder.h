// A temporary folder for a benchmark's files, removed when the benchmark ends.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace kelto::bench {

class Folder {
  public:
    // Made under /tmp as kelto-NAME-XXXXXX; without one (a full /tmp) its paths lie under /tmp
    // itself and nothing is removed.
    explicit Folder(const std::string& name) {
        std::string pattern = "/tmp/kelto-" + name + "-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~Folder() {
        if (!path_.empty()) {
            std::filesystem::remove_all(path_);
        }
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    std::string operator/(const std::string& name) const {
        return (path_.empty() ? std::string("/tmp") : path_) + "/" + name;
    }

  private:
    std::string path_;
};

}  // namespace kelto::bench
