// Render part files: the header's round trip, refusal of anything damaged, and the merge's
// checks that a set of parts is one render's and covers its picture exactly once.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "files/file_io.h"
#include "files/render_part.h"
#include "model/message_table.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

// A part of a 30 x 20 picture whose pixel (x, y) is (x, y, x + y).
RenderPart MakePart(const PixelRect& rect) {
    RenderPart part;
    part.header.width = 30;
    part.header.height = 20;
    part.header.rect = rect;
    part.header.quality = 1;
    part.header.seed = -1234567890123LL;
    part.header.view = 2;
    part.header.scene_length = 5000000000ULL;
    part.header.scene_hash = 0xF00DFACE12345678ULL;
    for (int y = rect.y0; y < rect.y1; ++y) {
        for (int x = rect.x0; x < rect.x1; ++x) {
            part.pixels.push_back(static_cast<std::uint8_t>(x));
            part.pixels.push_back(static_cast<std::uint8_t>(y));
            part.pixels.push_back(static_cast<std::uint8_t>(x + y));
        }
    }
    return part;
}

TEST(RenderPartFile, HeaderAndPixelsRoundTrip) {
    RenderPart part = MakePart({3, 4, 17, 9});
    part.header.tile_columns = 3;
    part.header.tile_rows = 2;
    part.header.tile_index = 5;
    const std::vector<std::uint8_t> bytes = EncodeRenderPart(part);
    ASSERT_EQ(bytes.size(), kRenderPartHeaderSize + 14 * 5 * 3);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), "KELTOPRT");
    const Result<RenderPart> read = DecodeRenderPart(bytes, "a.kpart");
    ASSERT_TRUE(read.ok()) << read.status().text;
    EXPECT_EQ(read->header, part.header);
    EXPECT_EQ(read->pixels, part.pixels);
    // Without a seed, as a region, the scene's camera.
    part.header.seed.reset();
    part.header.tile_columns = part.header.tile_rows = part.header.tile_index = 0;
    part.header.view = 0;
    part.header.quality = 0;
    const Result<RenderPart> again = DecodeRenderPart(EncodeRenderPart(part), "a.kpart");
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->header, part.header);
    EXPECT_FALSE(again->header.seed.has_value());
    // The header alone, from the file's first bytes and its length.
    const Result<RenderPartHeader> header = DecodeRenderPartHeader(
        std::span(bytes).first(kRenderPartHeaderSize), bytes.size(), "a.kpart");
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(header->rect, (PixelRect{3, 4, 17, 9}));
}

TEST(RenderPartFile, AnythingDamagedOrWellSealedNonsenseIsRefused) {
    const std::vector<std::uint8_t> bytes = EncodeRenderPart(MakePart({0, 0, 6, 4}));
    const auto refusal = [](std::span<const std::uint8_t> data) {
        const Result<RenderPart> read = DecodeRenderPart(data, "p3.kpart");
        return read.ok() ? 0 : read.status().number;
    };
    // Cut short anywhere, or one byte too long.
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const int number = refusal(std::span(bytes).first(length));
        ASSERT_EQ(number, length < 8 ? kMsgPartNotPart : kMsgPartCorrupt) << length;
    }
    std::vector<std::uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_EQ(refusal(longer), kMsgPartCorrupt);
    // That any other damage is found is the fuzz replay's check.
    // Another format's bytes, and a later version.
    const std::string png = "\x89PNG\r\n\x1a\n and more bytes than a header has, and more...";
    EXPECT_EQ(refusal(std::span(reinterpret_cast<const std::uint8_t*>(png.data()), png.size())),
              kMsgPartNotPart);
    std::vector<std::uint8_t> later = bytes;
    later[8] = 2;
    const Result<RenderPart> read = DecodeRenderPart(later, "p3.kpart");
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.status().text,
              "Error: p3.kpart is a Kelto render part of an unsupported version (2).");
    EXPECT_EQ(DecodeRenderPart(std::span(bytes).first(50), "p3.kpart").status().text,
              "Error: the Kelto render part p3.kpart is damaged or cut short.");
    // Fields that no render writes, with checksums that match: a rectangle outside the picture
    // or empty, an unknown quality, a tile beyond its grid.
    const auto refused = [](RenderPart part) {
        part.pixels.resize(part.header.rect.Area() * 3);
        return !DecodeRenderPart(EncodeRenderPart(part), "x.kpart").ok();
    };
    EXPECT_FALSE(refused(MakePart({0, 0, 30, 20})));
    for (const PixelRect& rect : {PixelRect{20, 0, 31, 20}, {5, 5, 5, 9}, {-1, 0, 4, 4}}) {
        RenderPart part = MakePart({0, 0, 30, 20});
        part.header.rect = rect;
        EXPECT_TRUE(refused(part)) << rect.x0 << ',' << rect.y0;
    }
    const std::function<void(RenderPartHeader&)> changes[] = {
        [](RenderPartHeader& h) { h.quality = 2; },
        [](RenderPartHeader& h) { h.tile_columns = h.tile_rows = 2, h.tile_index = 4; },
        [](RenderPartHeader& h) { h.width = kMaxPartSide + 1; },
    };
    for (std::size_t c = 0; c < std::size(changes); ++c) {
        RenderPart part = MakePart({0, 0, 30, 20});
        changes[c](part.header);
        EXPECT_TRUE(refused(part)) << c;
    }
}

class RenderPartMerge : public ::testing::Test {
  protected:
    std::string Write(const std::string& name, const RenderPart& part) {
        const std::string path = dir_.File(name);
        EXPECT_TRUE(WriteRenderPart(part, path).ok());
        return path;
    }
    // Four parts: a band on top and three below it, unevenly cut.
    std::vector<std::string> WriteFour() {
        return {Write("a.kpart", MakePart({0, 0, 30, 7})),
                Write("b.kpart", MakePart({0, 7, 4, 20})),
                Write("c.kpart", MakePart({4, 7, 29, 20})),
                Write("d.kpart", MakePart({29, 7, 30, 20}))};
    }
    std::string Refusal(const std::vector<std::string>& paths) {
        const Result<RenderImage> merged = MergeRenderParts(paths);
        return merged.ok() ? "merged" : merged.status().text;
    }

    test::TemporaryDirectory dir_;
};

TEST_F(RenderPartMerge, PartsCoveringThePictureOnceMakeIt) {
    const std::vector<std::string> paths = WriteFour();
    const Result<RenderImage> merged = MergeRenderParts(paths);
    ASSERT_TRUE(merged.ok()) << merged.status().text;
    ASSERT_EQ(merged->Width(), 30);
    ASSERT_EQ(merged->Height(), 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(merged->Pixel(x, y),
                      (std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x),
                                                   static_cast<std::uint8_t>(y),
                                                   static_cast<std::uint8_t>(x + y)}));
        }
    }
    // In any order, and as one part.
    EXPECT_TRUE(MergeRenderParts({paths[2], paths[0], paths[3], paths[1]}).ok());
    EXPECT_TRUE(MergeRenderParts({Write("all.kpart", MakePart({0, 0, 30, 20}))}).ok());
}

TEST_F(RenderPartMerge, PartsOfAnotherRenderAreRefusedByName) {
    std::vector<std::string> paths = WriteFour();
    const auto with = [&](auto change) {
        RenderPart part = MakePart({29, 7, 30, 20});
        change(part.header);
        std::vector<std::string> set = paths;
        set[3] = Write("other.kpart", part);
        return Refusal(set);
    };
    const std::string other = dir_.File("other.kpart");
    const std::string first = paths[0];
    const std::string prefix = "Error: the render part " + other + " does not belong with " + first;
    EXPECT_EQ(with([](RenderPartHeader& h) { h.scene_hash ^= 1; }),
              prefix + ": the scene file differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.scene_length += 1; }),
              prefix + ": the scene file differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.height = 21; }),
              prefix + ": the picture size differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.quality = 0; }), prefix + ": the quality differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.seed = 1; }), prefix + ": the seed differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.seed.reset(); }), prefix + ": the seed differs.");
    EXPECT_EQ(with([](RenderPartHeader& h) { h.view = 1; }), prefix + ": the view differs.");
}

TEST_F(RenderPartMerge, GapsOverlapsRepeatsAndDamageAreRefusedByName) {
    const std::vector<std::string> paths = WriteFour();
    // A part missing: the first pixel no part covers.
    EXPECT_EQ(Refusal({paths[0], paths[1], paths[3]}),
              "Error: no render part covers pixel (4, 7): a part is missing.");
    EXPECT_EQ(Refusal({paths[1], paths[2], paths[3]}),
              "Error: no render part covers pixel (0, 0): a part is missing.");
    // Listed twice, under the same name or another.
    EXPECT_EQ(Refusal({paths[0], paths[1], paths[2], paths[3], paths[1]}),
              "Error: the render part " + paths[1] + " is listed twice.");
    const std::string link = dir_.File("link.kpart");
    std::filesystem::create_symlink(paths[2], link);
    EXPECT_EQ(Refusal({paths[0], paths[1], paths[2], paths[3], link}),
              "Error: the render part " + link + " is listed twice.");
    // A copy, or a part that reaches into another's pixels.
    std::filesystem::copy_file(paths[3], dir_.File("copy.kpart"));
    const std::string copy = dir_.File("copy.kpart");
    EXPECT_EQ(Refusal({paths[0], copy, paths[1], paths[2], paths[3]}),
              "Error: the render parts " + copy + " and " + paths[3] + " overlap.");
    const std::string wide = Write("wide.kpart", MakePart({3, 7, 29, 20}));
    EXPECT_EQ(Refusal({paths[0], paths[1], wide, paths[3]}),
              "Error: the render parts " + paths[1] + " and " + wide + " overlap.");
    // Cut short, or damaged in its pixels (found only when the pixels are read).
    Result<std::vector<std::uint8_t>> read = ReadWholeFile(paths[2]);
    ASSERT_TRUE(read.ok());
    std::vector<std::uint8_t>& bytes = *read;
    const std::string cut = dir_.File("cut.kpart");
    std::vector<std::uint8_t> shorter(bytes.begin(), bytes.end() - 1);
    ASSERT_EQ(ReplaceFileContents(cut, shorter), FileWrite::Done);
    EXPECT_EQ(Refusal({paths[0], paths[1], cut, paths[3]}),
              "Error: the Kelto render part " + cut + " is damaged or cut short.");
    bytes[bytes.size() / 2] ^= 0x10;
    const std::string damaged = dir_.File("damaged.kpart");
    ASSERT_EQ(ReplaceFileContents(damaged, bytes), FileWrite::Done);
    EXPECT_EQ(Refusal({paths[0], paths[1], damaged, paths[3]}),
              "Error: the Kelto render part " + damaged + " is damaged or cut short.");
    // Not there at all, or not a part.
    const std::string missing = dir_.File("missing.kpart");
    EXPECT_EQ(Refusal({paths[0], missing}),
              "Error: unable to open render part file: " + missing + ".");
    EXPECT_EQ(Refusal({dir_.Path()}),
              "Error: unable to open render part file: " + dir_.Path() + ".");
}

TEST_F(RenderPartMerge, AMissingTileIsNamed) {
    // Tile k of a columns x rows grid, written.
    const auto tile = [&](int columns, int rows, int k) {
        RenderPart part = MakePart(TileRect(30, 20, columns, rows, k));
        part.header.tile_columns = columns;
        part.header.tile_rows = rows;
        part.header.tile_index = k;
        return Write(std::to_string(columns) + "x" + std::to_string(rows) + "-" +
                         std::to_string(k) + ".kpart",
                     part);
    };
    EXPECT_EQ(Refusal({tile(3, 2, 0), tile(3, 2, 1), tile(3, 2, 2), tile(3, 2, 3), tile(3, 2, 5)}),
              "Error: tile 4 of 3x2 is missing from the render parts.");
    // Bands: N of them.
    EXPECT_EQ(Refusal({tile(1, 7, 0), tile(1, 7, 2), tile(1, 7, 4), tile(1, 7, 6)}),
              "Error: tile 1 of 7 is missing from the render parts.");
}

TEST(TileRect, TilesCutThePictureExactlyOnce) {
    for (const auto& [w, h, columns, rows] : std::vector<std::array<int, 4>>{
             {640, 480, 1, 7}, {97, 61, 3, 2}, {5, 5, 5, 5}, {1, 1, 1, 1}, {1280, 960, 8, 1}}) {
        std::vector<int> covered(static_cast<std::size_t>(w * h));
        for (int k = 0; k < columns * rows; ++k) {
            const PixelRect r = TileRect(w, h, columns, rows, k);
            ASSERT_FALSE(r.Empty());
            for (int y = r.y0; y < r.y1; ++y)
                for (int x = r.x0; x < r.x1; ++x)
                    ++covered[static_cast<std::size_t>(y * w + x)];
        }
        for (int c : covered)
            ASSERT_EQ(c, 1);
    }
    // Rows first: tile 4 of 3 x 2 is the second row's middle one.
    EXPECT_EQ(TileRect(30, 20, 3, 2, 4), (PixelRect{10, 10, 20, 20}));
}

}  // namespace
}  // namespace kelto
