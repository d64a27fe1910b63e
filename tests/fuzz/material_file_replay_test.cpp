// The material file reader over deterministic damage to real library files, in the ordinary
// build, so that every test run feeds it hostile bytes.
#include <gtest/gtest.h>

#include <random>

#include "files/material_file.h"
#include "material_file_check.h"
#include "model/material_library.h"

namespace kelto {
namespace {

TEST(FuzzReplay, DamagedMaterialFilesNeverHurtTheReader) {
    std::mt19937 random(20261207);
    for (const char* name : {"gold", "frosted-glass", "brick"}) {
        const std::vector<std::uint8_t> original =
            EncodeMaterialFile(name, *LibraryMaterialNamed(name));
        CheckMaterialFile(original.data(), original.size());
        for (int round = 0; round < 400; ++round) {
            std::vector<std::uint8_t> bytes = original;
            // Overwritten bytes (where the header, counts and sizes are, more often), or a cut.
            const int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits; ++e) {
                const std::size_t span = (random() % 2 == 0) ? 200 : bytes.size();
                const std::size_t at = random() % std::min(span, bytes.size());
                if (random() % 5 == 0) {
                    bytes.resize(at);
                    break;
                }
                bytes[at] = static_cast<std::uint8_t>(random());
            }
            CheckMaterialFile(bytes.data(), bytes.size());
        }
    }
}

}  // namespace
}  // namespace kelto
