// Environment pictures kept after reading, so that rendering the same picture again does not
// read and decode it again. A picture is known by its file's name, size and modification time:
// a file changed on the disk is read afresh. The newest `capacity` pictures stay; a render
// holds its own share of its picture, so one dropped here lives on until that render ends.
// Each document keeps one (DocumentCore::EnvironmentPictures); a caller that renders several
// documents' pictures may keep its own. Used from one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/environment_picture.h"
#include "model/status.h"

namespace kelto {

class EnvironmentPictureCache {
  public:
    explicit EnvironmentPictureCache(std::size_t capacity = 1) : capacity_(capacity) {}

    // The picture of the file at `path`, read now unless kept from an earlier call for the
    // file as it is on the disk.
    Result<std::shared_ptr<const EnvironmentPicture>> Picture(const std::string& path);
    // How many times a picture was read from its file (for tests and benchmarks).
    std::size_t Reads() const { return reads_; }
    void Clear() { entries_.clear(); }

  private:
    struct Entry {
        std::string path;
        std::uintmax_t size = 0;
        std::int64_t modified = 0;
        std::shared_ptr<const EnvironmentPicture> picture;
    };
    std::size_t capacity_;
    std::size_t reads_ = 0;
    std::vector<Entry> entries_;  // the most recently used last
};

}  // namespace kelto
