// The environment picture reader over deterministic damage to Radiance and OpenEXR files, in
// the ordinary build, so that every test run feeds it hostile bytes.
#include <ImfRgbaFile.h>
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "files/file_io.h"
#include "fuzz_checks.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

// An 8 x 5 OpenEXR file of half floats, written by the library, compressed as `kind` says.
std::vector<std::uint8_t> OpenExrBytes(const test::TemporaryDirectory& dir, Imf::Compression kind) {
    const std::string path = dir.File("sample.exr");
    {
        std::vector<Imf::Rgba> pixels(40, Imf::Rgba(0.5f, 2.0f, 0.25f));
        Imf::RgbaOutputFile file(path.c_str(), 8, 5, Imf::WRITE_RGBA, 1, Imath::V2f(0, 0), 1,
                                 Imf::INCREASING_Y, kind);
        file.setFrameBuffer(pixels.data(), 1, 8);
        file.writePixels(5);
    }
    return *ReadWholeFile(path);
}

TEST(FuzzReplay, DamagedEnvironmentPicturesNeverHurtTheReader) {
    test::TemporaryDirectory dir;
    const std::string radiance = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 2 +X 8\n";
    std::vector<std::vector<std::uint8_t>> originals;
    originals.emplace_back(radiance.begin(), radiance.end());
    for (int row = 0; row < 2; ++row) {  // two run-length rows
        originals[0].insert(originals[0].end(), {2, 2, 0, 8});
        for (int c = 0; c < 4; ++c)
            originals[0].insert(originals[0].end(), {136, 100});
    }
    for (Imf::Compression kind : {Imf::NO_COMPRESSION, Imf::ZIP_COMPRESSION, Imf::PIZ_COMPRESSION,
                                  Imf::PXR24_COMPRESSION, Imf::B44_COMPRESSION}) {
        originals.push_back(OpenExrBytes(dir, kind));
    }
    std::mt19937 random(20261208);
    for (const std::vector<std::uint8_t>& original : originals) {
        CheckEnvironmentPicture(original.data(), original.size());
        for (int round = 0; round < 300; ++round) {
            std::vector<std::uint8_t> bytes = original;
            const int edits = 1 + static_cast<int>(random() % 4);
            for (int e = 0; e < edits && !bytes.empty(); ++e) {
                const std::size_t at = random() % bytes.size();
                if (random() % 6 == 0) {
                    bytes.resize(at);
                    break;
                }
                bytes[at] = static_cast<std::uint8_t>(random());
            }
            CheckEnvironmentPicture(bytes.data(), bytes.size());
        }
    }
}

}  // namespace
}  // namespace kelto
