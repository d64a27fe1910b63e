#include "material_file_check.h"

#include <span>

#include "files/material_file.h"
#include "model/material_library.h"
#include "model/message_table.h"

namespace kelto {

void CheckMaterialFile(const std::uint8_t* data, std::size_t size) {
    const Result<NamedMaterial> read =
        DecodeMaterialFile(std::span<const std::uint8_t>(data, size), "fuzz.kmat");
    if (!read.ok()) {
        if (read.status().number != kMsgMaterialFileDamaged ||
            read.status().text.find("fuzz.kmat") == std::string::npos)
            __builtin_trap();
        return;
    }
    if (read->name.empty() || !MaterialFieldsValid(read->material))
        __builtin_trap();
    // Written again, the material reads back to a file of the very same bytes.
    const std::vector<std::uint8_t> written = EncodeMaterialFile(read->name, read->material);
    const Result<NamedMaterial> again = DecodeMaterialFile(written, "fuzz.kmat");
    if (!again.ok() || EncodeMaterialFile(again->name, again->material) != written)
        __builtin_trap();
}

}  // namespace kelto
