#include "material_swatches.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "files/byte_stream.h"
#include "files/file_io.h"
#include "files/scene_file.h"
#include "material_preview.h"

namespace kelto {
namespace {

constexpr std::uint8_t kSwatchMagic[4] = {'K', 'S', 'W', '1'};

std::uint64_t Fnv1a(std::span<const std::uint8_t> bytes, std::uint64_t hash) {
    for (const std::uint8_t b : bytes) {
        hash ^= b;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

}  // namespace

std::string SwatchCacheFolder(const char* xdg_cache_home, const char* home) {
    std::filesystem::path base;
    if (xdg_cache_home != nullptr && *xdg_cache_home != '\0') {
        base = xdg_cache_home;
    } else {
        base = std::filesystem::path(home != nullptr ? home : "") / ".cache";
    }
    return (base / "kelto" / "swatches").string();
}

std::string SwatchCacheFolder() {
    return SwatchCacheFolder(std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
}

std::string SwatchFileName(const Material& material, int size, const std::string& version) {
    ByteWriter out;
    out.String(version);
    out.I32(size);
    WriteMaterialRecord(material, out);
    const std::uint64_t hash = Fnv1a(out.Data(), 0xCBF29CE484222325ull);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name(16, '0');
    for (int i = 0; i < 16; ++i) {
        name[static_cast<std::size_t>(15 - i)] = kDigits[(hash >> (4 * i)) & 0xF];
    }
    return name + ".swatch";
}

std::optional<RenderImage> ReadSwatchFile(const std::string& path, int size) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    if (!bytes.ok()) {
        return std::nullopt;
    }
    const std::size_t pixel_bytes = static_cast<std::size_t>(size) * size * 3;
    ByteReader in(*bytes);
    const std::span<const std::uint8_t> magic = in.Bytes(sizeof kSwatchMagic);
    if (in.Failed() || std::memcmp(magic.data(), kSwatchMagic, sizeof kSwatchMagic) != 0 ||
        in.I32() != size || in.Remaining() != pixel_bytes) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> pixels = in.Bytes(pixel_bytes);
    RenderImage picture(size, size);
    std::size_t at = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x, at += 3) {
            picture.SetPixel(x, y, pixels[at], pixels[at + 1], pixels[at + 2]);
        }
    }
    return picture;
}

void WriteSwatchFile(const std::string& path, const RenderImage& picture) {
    ByteWriter out;
    out.Bytes(kSwatchMagic);
    out.I32(picture.Width());
    std::vector<std::uint8_t> row(static_cast<std::size_t>(picture.Width()) * 3);
    for (int y = 0; y < picture.Height(); ++y) {
        picture.InterleaveRow(y, row.data());
        out.Bytes(row);
    }
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    // A cache: a failed write only means the picture is traced again next time.
    ReplaceFileContents(path, out.Data(), Durability::Unflushed);
}

MaterialSwatches::MaterialSwatches(WindowThread& window_thread, std::string cache_folder,
                                   std::string version, int size, Listener listener)
    : window_thread_(window_thread),
      cache_folder_(std::move(cache_folder)),
      version_(std::move(version)),
      size_(size),
      side_(std::make_shared<WindowSide>()) {
    side_->listener = std::move(listener);
    worker_ = std::jthread([this](std::stop_token stop) { Run(std::move(stop)); });
}

MaterialSwatches::~MaterialSwatches() {
    side_->listener = nullptr;
    {
        const std::lock_guard lock(mutex_);
        abort_.store(1);
        jobs_.clear();
    }
    worker_.request_stop();
    worker_.join();
}

std::size_t MaterialSwatches::Add(std::span<const Material> materials) {
    const std::size_t first = count_;
    std::vector<Job> misses;
    for (const Material& material : materials) {
        const std::size_t index = count_++;
        const std::string path =
            (std::filesystem::path(cache_folder_) / SwatchFileName(material, size_, version_))
                .string();
        if (std::optional<RenderImage> cached = ReadSwatchFile(path, size_)) {
            ++side_->from_cache;
            side_->listener(index, *cached);
        } else {
            misses.push_back({index, path, material});
        }
    }
    if (!misses.empty()) {
        {
            const std::lock_guard lock(mutex_);
            for (Job& job : misses) {
                jobs_.push_back(std::move(job));
            }
        }
        wake_.notify_one();
    }
    return first;
}

void MaterialSwatches::Run(std::stop_token stop) {
    std::optional<MaterialPreviewScene> scene;  // built on first use, off the window thread
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [this] { return !jobs_.empty(); })) {
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        if (!scene) {
            scene.emplace();
        }
        RenderImage picture = scene->Render(job.material, &abort_, size_);
        job.material = Material();
        if (abort_.load() == 0) {
            WriteSwatchFile(job.path, picture);
            window_thread_.Post([side = side_, index = job.index, picture = std::move(picture)] {
                if (side->listener) {
                    ++side->traced;
                    side->listener(index, picture);
                }
            });
        }
        lock.lock();
    }
}

}  // namespace kelto
