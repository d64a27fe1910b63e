// The user's own material library: one file per material (`NAME.kmat`) in a folder of the
// user's data. A file holds a magic word, a version byte, the material's name (a string as the
// scene file stores names) and the material record of the scene file, pictures included, and
// nothing after it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/material.h"
#include "model/status.h"

namespace kelto {

inline constexpr char kMaterialFileExtension[] = ".kmat";
inline constexpr std::uint8_t kMaterialFileMagic[8] = {'K', 'E', 'L', 'T', 'O', 'M', 'A', 'T'};
inline constexpr std::uint8_t kMaterialFileVersion = 1;

struct NamedMaterial {
    std::string name;
    Material material;
};

std::vector<std::uint8_t> EncodeMaterialFile(const std::string& name, const Material& material);
// The material of a file's bytes. Anything but a whole file as EncodeMaterialFile writes it,
// with a name of 1 to 24 bytes and fields in range (MaterialFieldsValid), is refused with the
// damaged-file message naming `file_name`.
Result<NamedMaterial> DecodeMaterialFile(std::span<const std::uint8_t> bytes,
                                         const std::string& file_name);

// The folder of the user's materials: $XDG_DATA_HOME/kelto/materials, or
// $HOME/.local/share/kelto/materials when XDG_DATA_HOME is unset or empty (null arguments are
// unset variables).
std::string UserMaterialFolder(const char* xdg_data_home, const char* home);
// The same from the process's environment.
std::string UserMaterialFolder();

struct UserMaterials {
    std::vector<NamedMaterial> materials;  // in the order of their names
    std::vector<Status> skipped;           // one message for each file left out
};
// Reads every `.kmat` file of the folder (other files are not the library's and are left
// alone). A file that cannot be read, or is damaged or foreign, is left out with one message
// naming it; the others are read all the same. A missing folder is an empty library.
UserMaterials LoadUserMaterials(const std::string& folder);
// Stores the material under `name` (1 to 24 bytes, not only spaces), making the folder when
// it is missing. A material of the same name is replaced; the previous file stays whole when
// writing fails.
Status SaveUserMaterial(const std::string& folder, const std::string& name,
                        const Material& material);

}  // namespace kelto
