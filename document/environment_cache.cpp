#include "environment_cache.h"

#include <filesystem>
#include <system_error>

#include "files/environment_file.h"

namespace kelto {

Result<std::shared_ptr<const EnvironmentPicture>> EnvironmentPictureCache::Picture(
    const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    const bool known = !error;
    const auto time = std::filesystem::last_write_time(path, error);
    const std::int64_t modified = error ? 0 : time.time_since_epoch().count();
    for (auto entry = entries_.begin(); known && !error && entry != entries_.end(); ++entry) {
        if (entry->path == path && entry->size == size && entry->modified == modified) {
            Entry used = std::move(*entry);
            entries_.erase(entry);
            entries_.push_back(std::move(used));
            return entries_.back().picture;
        }
    }
    ++reads_;
    Result<EnvironmentPicture> read = ReadEnvironmentPicture(path);
    if (!read.ok()) {
        return read.status();
    }
    auto picture = std::make_shared<const EnvironmentPicture>(std::move(read).value());
    std::erase_if(entries_, [&](const Entry& entry) { return entry.path == path; });
    if (known && !error && capacity_ > 0) {
        if (entries_.size() >= capacity_) {
            entries_.erase(entries_.begin());
        }
        entries_.push_back({path, size, modified, picture});
    }
    return std::shared_ptr<const EnvironmentPicture>(picture);
}

}  // namespace kelto
