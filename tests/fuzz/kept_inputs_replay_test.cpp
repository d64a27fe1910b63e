// The inputs the fuzzers found worth keeping (tests/fuzz/corpus/TARGET, the smallest cover of
// what they reached) and the reproducers of the faults they found (tests/fuzz/found/TARGET),
// fed again through the fuzz targets' own entry points in the ordinary sanitizer build. The
// targets' entry points are renamed per file by the build so that one program holds them all.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using FuzzEntry = int (*)(const std::uint8_t*, std::size_t);
extern "C" {
int LLVMFuzzerTestOneInput(const std::uint8_t*, std::size_t);  // the scene reader's
int FuzzDocumentOps(const std::uint8_t*, std::size_t);
int FuzzRender(const std::uint8_t*, std::size_t);
int FuzzSceneExport(const std::uint8_t*, std::size_t);
int FuzzRenderPart(const std::uint8_t*, std::size_t);
int FuzzMaterialFile(const std::uint8_t*, std::size_t);
int FuzzEnvironment(const std::uint8_t*, std::size_t);
int FuzzModelImport(const std::uint8_t*, std::size_t);
int FuzzJpeg(const std::uint8_t*, std::size_t);
int FuzzPng(const std::uint8_t*, std::size_t);
int FuzzTiff(const std::uint8_t*, std::size_t);
int FuzzThreeDs(const std::uint8_t*, std::size_t);
}

namespace kelto {
namespace {

namespace fs = std::filesystem;

struct FuzzTarget {
    const char* name;
    FuzzEntry entry;
};

constexpr FuzzTarget kTargets[] = {
    {"scene", LLVMFuzzerTestOneInput},
    {"document_ops", FuzzDocumentOps},
    {"render", FuzzRender},
    {"scene_export", FuzzSceneExport},
    {"render_part", FuzzRenderPart},
    {"material_file", FuzzMaterialFile},
    {"environment", FuzzEnvironment},
    {"model_import", FuzzModelImport},
    {"jpeg", FuzzJpeg},
    {"png", FuzzPng},
    {"tiff", FuzzTiff},
    {"three_ds", FuzzThreeDs},
};

// Feeds every file of the folder to the entry point; returns how many there were.
int ReplayFolder(const fs::path& folder, FuzzEntry entry) {
    if (!fs::is_directory(folder)) {
        return 0;
    }
    std::vector<fs::path> files;
    for (const auto& item : fs::directory_iterator(folder)) {
        if (item.is_regular_file()) {
            files.push_back(item.path());
        }
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        entry(bytes.data(), bytes.size());
    }
    return static_cast<int>(files.size());
}

TEST(FuzzReplay, KeptInputsAndFoundFaultsPassEveryCheck) {
    const fs::path root = KELTO_FUZZ_INPUTS;
    for (const FuzzTarget& target : kTargets) {
        SCOPED_TRACE(target.name);
        const int kept = ReplayFolder(root / "corpus" / target.name, target.entry);
        EXPECT_GT(kept, 0) << "no kept inputs for " << target.name;
        ReplayFolder(root / "found" / target.name, target.entry);
    }
}

}  // namespace
}  // namespace kelto
