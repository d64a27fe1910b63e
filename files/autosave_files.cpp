#include "autosave_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "byte_stream.h"
#include "model/message_table.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

constexpr std::uint8_t kAutosaveMagic[8] = {'K', 'E', 'L', 'A', 'U', 'T', 'O', '1'};
constexpr std::size_t kMaxTitleBytes = 48;
constexpr std::size_t kMaxHeaderString = 4096;

bool ParseNumber(std::string_view text, std::int64_t& value) {
    if (text.empty() || text.size() > 19) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= 0;
}

}  // namespace

std::string AutosaveFolder(const char* xdg_state_home, const char* home) {
    fs::path base;
    if (xdg_state_home != nullptr && *xdg_state_home == '/') {
        base = xdg_state_home;
    } else {
        base = fs::path(home != nullptr ? home : "") / ".local" / "state";
    }
    return (base / "kelto" / "autosave").string();
}

std::string AutosaveFolder() {
    return AutosaveFolder(std::getenv("XDG_STATE_HOME"), std::getenv("HOME"));
}

AutosaveOwner ThisProcessOwner() {
    // Taken once: the process's identity does not change while it runs.
    static const AutosaveOwner owner{::getpid(),
                                     std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::system_clock::now().time_since_epoch())
                                         .count()};
    return owner;
}

std::string OwnerTag(const AutosaveOwner& owner) {
    return std::to_string(owner.pid) + "-" + std::to_string(owner.started);
}

std::string AutosaveFileName(const std::string& title, const AutosaveOwner& owner, int number) {
    std::string base = title;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".kel") == 0) {
        base.resize(base.size() - 4);
    }
    for (char& c : base) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        c = plain ? c : '_';
    }
    if (base.size() > kMaxTitleBytes) {
        base.resize(kMaxTitleBytes);
    }
    if (base.empty() || base.front() == '.') {
        base.insert(base.begin(), '_');
    }
    return base + "-" + OwnerTag(owner) + "-" + std::to_string(number) + kAutosaveExtension;
}

std::optional<AutosaveOwner> OwnerOfAutosaveName(const std::string& file_name) {
    const std::string_view extension = kAutosaveExtension;
    if (file_name.size() <= extension.size() || !file_name.ends_with(extension)) {
        return std::nullopt;
    }
    // From the end: the number, the start time, the process id, each after a '-'.
    std::string_view rest(file_name.data(), file_name.size() - extension.size());
    std::int64_t fields[3] = {};
    for (std::int64_t& field : fields) {
        const std::size_t dash = rest.rfind('-');
        if (dash == std::string_view::npos || !ParseNumber(rest.substr(dash + 1), field)) {
            return std::nullopt;
        }
        rest = rest.substr(0, dash);
    }
    if (rest.empty() || fields[2] == 0) {
        return std::nullopt;
    }
    return AutosaveOwner{fields[2], fields[1]};
}

std::vector<std::uint8_t> AutosaveBytes(const AutosaveHeader& header,
                                        std::span<const std::uint8_t> scene) {
    ByteWriter out;
    out.Bytes(kAutosaveMagic);
    out.String(header.path);
    out.String(header.title);
    out.Bytes(scene);
    return out.Take();
}

Result<AutosaveContents> ReadAutosaveBytes(std::span<const std::uint8_t> bytes,
                                           const std::string& file_name) {
    ByteReader in(bytes);
    const std::span<const std::uint8_t> magic = in.Bytes(sizeof kAutosaveMagic);
    AutosaveContents contents;
    contents.header.path = in.String(kMaxHeaderString);
    contents.header.title = in.String(kMaxHeaderString);
    if (in.Failed() || !std::equal(magic.begin(), magic.end(), kAutosaveMagic)) {
        return Status::Message(kMsgSceneCorrupt, {file_name});
    }
    contents.scene = bytes.subspan(in.Position());
    return contents;
}

AutosaveFolderContents ScanAutosaveFolder(const std::string& folder) {
    // A write goes to "<autosave name>.XXXXXX" first (files/file_io.h).
    const std::string temporary = std::string(kAutosaveExtension) + ".";
    AutosaveFolderContents contents;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (const std::optional<AutosaveOwner> owner = OwnerOfAutosaveName(name)) {
            struct stat info {};
            if (::stat(it->path().c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
                contents.autosaves.push_back({it->path().string(), *owner, info.st_mtime,
                                              static_cast<std::uint64_t>(info.st_size)});
            }
        } else if (const std::size_t at = name.rfind(temporary); at != std::string::npos) {
            if (const std::optional<AutosaveOwner> writer =
                    OwnerOfAutosaveName(name.substr(0, at + temporary.size() - 1))) {
                contents.unfinished.push_back({it->path().string(), *writer});
            }
        }
    }
    std::sort(contents.autosaves.begin(), contents.autosaves.end(),
              [](const AutosaveEntry& a, const AutosaveEntry& b) {
                  return a.owner != b.owner ? a.owner < b.owner : a.path < b.path;
              });
    return contents;
}

}  // namespace kelto
