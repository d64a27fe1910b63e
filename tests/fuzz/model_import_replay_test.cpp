// The model import over deterministic damage to the small files of each format, in the
// ordinary build, so that every test run feeds the import path hostile bytes.
#include <gtest/gtest.h>

#include <random>

#include "fuzz_checks.h"
#include "model_samples.h"

namespace kelto {
namespace {

TEST(FuzzReplay, DamagedModelFilesNeverHurtTheImport) {
    using namespace model_samples;
    std::mt19937 random(20261208);
    // The first byte picks the format as the fuzz target's does: obj, stl, ply, gltf, glb.
    const std::pair<std::uint8_t, Bytes> samples[] = {
        {0, Obj()},       {0, ObjFeatures()}, {5, ObjWithLibrary()}, {1, AsciiStl()},
        {1, BinaryStl()}, {2, Ply()},         {3, Gltf()},           {4, Glb()}};
    for (const auto& [format, sample] : samples) {
        Bytes original{format};
        original.insert(original.end(), sample.begin(), sample.end());
        CheckModelImport(original.data(), original.size());
        for (int round = 0; round < 150; ++round) {
            Bytes bytes = original;
            const int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits && bytes.size() > 1; ++e) {
                const std::size_t at = 1 + random() % (bytes.size() - 1);
                switch (random() % 4) {
                    case 0:
                        bytes.resize(at);
                        break;
                    case 1:
                        bytes[at] = static_cast<std::uint8_t>("0123456789-.e \n/"[random() % 16]);
                        break;
                    case 2:
                        bytes[at] = static_cast<std::uint8_t>(random());
                        break;
                    default:
                        bytes.insert(bytes.begin() + static_cast<long>(at), bytes[at]);
                }
            }
            CheckModelImport(bytes.data(), bytes.size());
        }
    }
}

}  // namespace
}  // namespace kelto
