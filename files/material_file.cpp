#include "material_file.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "byte_stream.h"
#include "file_io.h"
#include "model/material_library.h"
#include "model/message_table.h"
#include "scene_file.h"

namespace kelto {
namespace {

constexpr std::size_t kMaxMaterialName = 24;
// Larger files are not read at all: a material with four 2048 x 2048 pictures stays below.
constexpr std::uintmax_t kMaxMaterialFileBytes = 64u << 20;

Status Damaged(const std::string& file_name) {
    return Status::Message(kMsgMaterialFileDamaged, {file_name});
}

bool OnlySpaces(const std::string& name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == ' '; });
}

// A file name for a material name: letters, digits, '-' and '_' kept, anything else '_'.
std::string FileStem(const std::string& name) {
    std::string stem;
    for (const char c : name) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '-' || c == '_';
        stem += plain ? c : '_';
    }
    return stem;
}

// The name stored in a file, or empty when the file is not a readable material file.
std::string StoredName(const std::filesystem::path& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path.string());
    if (!bytes.ok()) {
        return {};
    }
    const Result<NamedMaterial> stored = DecodeMaterialFile(*bytes, path.filename().string());
    return stored.ok() ? stored->name : std::string();
}

}  // namespace

std::vector<std::uint8_t> EncodeMaterialFile(const std::string& name, const Material& material) {
    ByteWriter out;
    out.Bytes(kMaterialFileMagic);
    out.U8(kMaterialFileVersion);
    out.String(name);
    WriteMaterialRecord(material, out);
    return out.Take();
}

Result<NamedMaterial> DecodeMaterialFile(std::span<const std::uint8_t> bytes,
                                         const std::string& file_name) {
    ByteReader in(bytes);
    const std::span<const std::uint8_t> magic = in.Bytes(sizeof kMaterialFileMagic);
    if (in.Failed() || !std::equal(magic.begin(), magic.end(), std::begin(kMaterialFileMagic))) {
        return Damaged(file_name);
    }
    if (in.U8() != kMaterialFileVersion) {
        return Damaged(file_name);
    }
    NamedMaterial result;
    result.name = in.String(kMaxMaterialName);
    ReadMaterialRecord(in, result.material);
    if (in.Failed() || in.Remaining() != 0 || result.name.empty() ||
        !MaterialFieldsValid(result.material)) {
        return Damaged(file_name);
    }
    return result;
}

std::string UserMaterialFolder(const char* xdg_data_home, const char* home) {
    std::filesystem::path base;
    if (xdg_data_home != nullptr && *xdg_data_home != '\0') {
        base = xdg_data_home;
    } else {
        base = std::filesystem::path(home != nullptr ? home : "") / ".local" / "share";
    }
    return (base / "kelto" / "materials").string();
}

std::string UserMaterialFolder() {
    return UserMaterialFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

UserMaterials LoadUserMaterials(const std::string& folder) {
    namespace fs = std::filesystem;
    UserMaterials library;
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == kMaterialFileExtension) {
            files.push_back(it->path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& path : files) {
        const std::string file_name = path.filename().string();
        std::error_code size_error;
        const std::uintmax_t size = fs::file_size(path, size_error);
        if (size_error || size > kMaxMaterialFileBytes) {
            library.skipped.push_back(Damaged(file_name));
            continue;
        }
        const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path.string());
        if (!bytes.ok()) {
            library.skipped.push_back(Damaged(file_name));
            continue;
        }
        Result<NamedMaterial> material = DecodeMaterialFile(*bytes, file_name);
        if (!material.ok()) {
            library.skipped.push_back(material.status());
            continue;
        }
        library.materials.push_back(std::move(*material));
    }
    std::stable_sort(
        library.materials.begin(), library.materials.end(),
        [](const NamedMaterial& a, const NamedMaterial& b) { return a.name < b.name; });
    return library;
}

Status SaveUserMaterial(const std::string& folder, const std::string& name,
                        const Material& material) {
    namespace fs = std::filesystem;
    if (name.empty() || OnlySpaces(name)) {
        return Status::Message(kMsgNameEmpty);
    }
    if (name.size() > kMaxMaterialName || name.find('\0') != std::string::npos) {
        return Status::Message(kMsgNameTooLong, {name});
    }
    std::error_code error;
    fs::create_directories(folder, error);
    // The file that holds this name already, or the first free file name made from it.
    const std::string stem = FileStem(name);
    fs::path path;
    bool free = false;
    for (int n = 1; n <= 100 && !free; ++n) {
        path = fs::path(folder) /
               ((n == 1 ? stem : stem + "-" + std::to_string(n)) + kMaterialFileExtension);
        free = !fs::exists(path, error) || StoredName(path) == name;
    }
    if (!free) {
        return Status::Message(kMsgMaterialSaveFailed, {path.string()});
    }
    const FileWrite written =
        ReplaceFileContents(path.string(), EncodeMaterialFile(name, material));
    if (written != FileWrite::Done) {
        return Status::Message(kMsgMaterialSaveFailed, {path.string()});
    }
    return Status::Ok();
}

}  // namespace kelto
