// Runs the fuzz targets' entry point over deterministic mutations of real files in the
// ordinary sanitizer build, so that every test run exercises hostile input too.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "../files/three_ds_writer.h"
#include "cli/build_operations.h"
#include "document/document_core.h"
#include "document_ops_check.h"
#include "files/image_files.h"
#include "files/render_part.h"
#include "fuzz_checks.h"
#include "model/message_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace kelto {
namespace {

std::vector<std::uint8_t> SampleScene() {
    DocumentCore doc;
    for (const char* op :
         {"add:cube@0,0", "add+:cone@3,0", "group", "add:sphere@-3,0", "light:spot@1,4,1",
          "material:Sphere1@colour=1/0/0;reflect=0.5", "view:0,5,20@0,0,0@35"})
        EXPECT_TRUE(cli::ApplyBuildOperation(doc, op).ok()) << op;
    const NodeId cube = doc.NodeNamed("Cube1");
    Material material = doc.Node(cube)->material;
    material.colour_source = 1;
    material.colour_image = SharedImage(TextureImage::Blank(3, 2, 3));
    EXPECT_TRUE(doc.SetMaterial(cube, material).ok());
    return doc.SaveToBytes();
}

// Deterministic damage to a file: overwritten bytes, flipped bits, truncation, and large
// numbers where counts and lengths are read.
std::vector<std::uint8_t> Mutate(const std::vector<std::uint8_t>& original, std::mt19937& random) {
    std::vector<std::uint8_t> bytes = original;
    const int edits = 1 + static_cast<int>(random() % 8);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        const std::size_t at = random() % bytes.size();
        switch (random() % 4) {
            case 0:
                bytes[at] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                break;
            case 2:
                bytes.resize(at + 1);
                break;
            default:
                for (std::size_t k = at; k < std::min(at + 4, bytes.size()); ++k)
                    bytes[k] = 0x7F;
        }
    }
    return bytes;
}

// `rounds` mutations of `original`, from `seed`, each handed to `check`.
template <typename Check>
void ReplayMutations(const std::vector<std::uint8_t>& original, unsigned seed, int rounds,
                     Check check) {
    std::mt19937 random(seed);
    for (int round = 0; round < rounds; ++round) {
        const std::vector<std::uint8_t> bytes = Mutate(original, random);
        check(bytes.data(), bytes.size());
    }
}

TEST(FuzzReplay, MutatedSceneFilesNeverHurtTheReader) {
    const std::vector<std::uint8_t> original = SampleScene();
    ASSERT_EQ(LLVMFuzzerTestOneInput(original.data(), original.size()), 0);
    ReplayMutations(original, 20261206, 1500, LLVMFuzzerTestOneInput);
}

// Every document operation over the sample scene, then random runs of them. (The sphere whose
// 229 steps made a paste into its own scene save a file that would not open is the scene
// file's test.)
TEST(FuzzReplay, DocumentOperationsAlwaysSaveWhatOpens) {
    using enum FuzzOperation;
    const std::vector<std::uint8_t> scene = SampleScene();
    const std::vector<std::uint8_t> every = {
        OperationByte(Insert, 2), OperationByte(Select, 9),  OperationByte(Combine),
        OperationByte(Import3ds), OperationByte(Select, 1),  OperationByte(Select, 10),
        OperationByte(Group),     OperationByte(Rename, 1),  OperationByte(Undo),
        OperationByte(Redo),      OperationByte(PasteCopy),  OperationByte(PasteInput),
        OperationByte(Cut),       OperationByte(Ungroup, 3), OperationByte(PlainMaterial, 5),
        OperationByte(Trim),      OperationByte(Intersect),  OperationByte(Delete),
        OperationByte(Undo),      OperationByte(Rename, 2)};
    const std::vector<std::uint8_t> bytes = WithOperations(scene, every);
    CheckDocumentOperations(bytes.data(), bytes.size());
    std::mt19937 random(2712);
    for (int round = 0; round < 40; ++round) {
        std::vector<std::uint8_t> operations(12);
        for (std::uint8_t& code : operations)
            code = static_cast<std::uint8_t>(random());
        const std::vector<std::uint8_t> run = WithOperations(scene, operations);
        CheckDocumentOperations(run.data(), run.size());
    }
}

// A scene whose cube has a placement easy to find in the file: position (1.375, 3.625,
// -3.125) (moved from where it rests), scale (1.5, 0.75, 2.25). Returns the offsets of those
// six doubles.
std::vector<std::uint8_t> PlacedScene(std::vector<std::size_t>& offsets) {
    DocumentCore doc;
    for (const char* op :
         {"add:cube@0,0", "move:Cube1@1.375,2.625,-3.125", "scale:Cube1@1.5,0.75,2.25",
          "add:sphere@3,0", "material:Sphere1@reflect=0.5;transparency=0.4;ior=1.3",
          "light:spot@1,4,1", "view:0,5,20@0,0,0@35"})
        EXPECT_TRUE(cli::ApplyBuildOperation(doc, op).ok()) << op;
    const std::vector<std::uint8_t> bytes = doc.SaveToBytes();
    for (double value : {1.375, 3.625, -3.125, 1.5, 0.75, 2.25}) {
        std::uint8_t pattern[8];
        std::memcpy(pattern, &value, sizeof pattern);  // the file is little-endian, as we are
        const auto at = std::search(bytes.begin(), bytes.end(), pattern, pattern + 8);
        EXPECT_NE(at, bytes.end()) << value;
        if (at != bytes.end())
            offsets.push_back(static_cast<std::size_t>(at - bytes.begin()));
    }
    return bytes;
}

// One changed byte in a placement can make a number far beyond single precision, infinity or
// not a number: the reader refuses the last two, and the tracer leaves out what it cannot trace.
TEST(FuzzReplay, DamagedPlacementsNeverHurtTheTracer) {
    std::vector<std::size_t> offsets;
    const std::vector<std::uint8_t> original = PlacedScene(offsets);
    ASSERT_EQ(offsets.size(), 6u);
    CheckSceneRender(original.data(), original.size());
    for (std::size_t offset : offsets) {
        for (std::size_t byte = 0; byte < 8; ++byte) {
            for (std::uint8_t value : {0x00, 0x47, 0x7F, 0x80, 0xFF}) {
                std::vector<std::uint8_t> bytes = original;
                bytes[offset + byte] = value;
                CheckSceneRender(bytes.data(), bytes.size());
            }
        }
    }
}

TEST(FuzzReplay, MutatedScenesRenderWithoutHarm) {
    std::vector<std::size_t> offsets;
    ReplayMutations(PlacedScene(offsets), 314, 200, CheckSceneRender);
}

TEST(FuzzReplay, MutatedPicturesNeverHurtTheDecoders) {
    RenderImage picture(13, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 13; ++x)
            picture.SetPixel(x, y, static_cast<std::uint8_t>(x * 19),
                             static_cast<std::uint8_t>(y * 27), 80);
    std::vector<std::uint8_t> jpeg, png, tiff;
    ASSERT_TRUE(EncodeJpeg(picture, 90, jpeg));
    ASSERT_TRUE(EncodePng(picture, png));
    ASSERT_TRUE(EncodeTiff(picture, tiff));
    for (const auto& [decoder, bytes] : {std::pair{ImageDecoder::Jpeg, jpeg},
                                         {ImageDecoder::Png, png},
                                         {ImageDecoder::Tiff, tiff}}) {
        ReplayMutations(bytes, 7, 400, [decoder](const std::uint8_t* data, std::size_t size) {
            CheckImageDecoder(decoder, data, size);
        });
    }
}

TEST(FuzzReplay, Damaged3dsFilesNeverHurtTheImport) {
    testing_3ds::TestMesh smooth = testing_3ds::Tetrahedron("Smooth");
    smooth.smoothing = true;
    const std::vector<std::uint8_t> original =
        testing_3ds::Make3ds({testing_3ds::Tetrahedron("T"), smooth}, 1.5f);
    CheckThreeDsImport(original.data(), original.size());
    ReplayMutations(original, 99, 1500, CheckThreeDsImport);
}

TEST(FuzzReplay, DamagedRenderPartsAreRefusedOrUnchanged) {
    RenderPart part;
    part.header.width = 40;
    part.header.height = 30;
    part.header.rect = {5, 6, 25, 16};
    part.header.quality = 1;
    part.header.seed = 99;
    part.header.scene_length = 1234;
    part.header.scene_hash = 0x123456789ABCDEFULL;
    part.header.tile_columns = 2;
    part.header.tile_rows = 3;
    part.header.tile_index = 1;
    std::mt19937 random(515);
    for (std::size_t i = 0; i < part.header.rect.Area() * 3; ++i)
        part.pixels.push_back(static_cast<std::uint8_t>(random()));
    const std::vector<std::uint8_t> original = EncodeRenderPart(part);
    CheckRenderPart(original.data(), original.size());
    for (int round = 0; round < 2000; ++round) {
        const std::vector<std::uint8_t> bytes = Mutate(original, random);
        CheckRenderPart(bytes.data(), bytes.size());
        // Whatever damage is done is found: only bytes left as they were are read back.
        ASSERT_EQ(DecodeRenderPart(bytes, "part.kpart").ok(), bytes == original) << round;
    }
    // Found by the fuzzer once it made the checksums right: a part without a seed whose seed
    // field is not zero was read, though no render writes it.
    part.header.seed.reset();
    std::vector<std::uint8_t> stray = EncodeRenderPart(part);
    constexpr std::size_t kSeedField = 44, kHeader = kRenderPartHeaderSize;
    stray[kSeedField + 2] = 0x10;
    const auto crc = static_cast<std::uint32_t>(crc32(0, stray.data(), kHeader - 4));
    for (int i = 0; i < 4; ++i)
        stray[kHeader - 4 + static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>(crc >> (8 * i));
    CheckRenderPart(stray.data(), stray.size());
    EXPECT_EQ(DecodeRenderPart(stray, "part.kpart").status().number, kMsgPartCorrupt);
}

}  // namespace
}  // namespace kelto
