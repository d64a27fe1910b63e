// Environment pictures: Radiance and OpenEXR files with known values, the eight-bit formats,
// and what no picture may do to the reader (damaged, cut short, vast, not a number).
#include <ImfRgbaFile.h>
#include <ImfTiledRgbaFile.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "files/environment_file.h"
#include "files/file_io.h"
#include "files/image_files.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Radiance(const std::string& head, const Bytes& pixels) {
    Bytes bytes(head.begin(), head.end());
    bytes.insert(bytes.end(), pixels.begin(), pixels.end());
    return bytes;
}

// A new-style run-length scanline of `width` equal pixels.
Bytes RunLengthRow(int width, std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t e) {
    Bytes row = {2, 2, static_cast<std::uint8_t>(width >> 8), static_cast<std::uint8_t>(width)};
    for (const std::uint8_t v : {r, g, b, e}) {
        for (int left = width; left > 0; left -= 127) {
            row.push_back(static_cast<std::uint8_t>(128 + std::min(left, 127)));
            row.push_back(v);
        }
    }
    return row;
}

constexpr char kHead[] = "#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n";

TEST(EnvironmentFile, RadianceValuesOrientationsAndDamage) {
    // (m + 0.5) * 2^(e - 136): 127.5 / 128 and a quarter of it.
    const Bytes one = Radiance(std::string(kHead) + "-Y 1 +X 1\n", {127, 31, 0, 129});
    Result<EnvironmentPicture> picture = DecodeEnvironmentPicture(one, "one.hdr");
    ASSERT_TRUE(picture.ok()) << picture.status().text;
    EXPECT_FLOAT_EQ(picture->rgb[0], 127.5f / 128);
    EXPECT_FLOAT_EQ(picture->rgb[1], 31.5f / 128);
    EXPECT_FLOAT_EQ(picture->rgb[2], 0.5f / 128);

    Bytes grey = RunLengthRow(300, 100, 100, 100, 128);
    const Bytes row2 = RunLengthRow(300, 50, 50, 50, 128);
    grey.insert(grey.end(), row2.begin(), row2.end());
    for (const char* resolution : {"-Y 2 +X 300\n", "+Y 2 +X 300\n"}) {
        picture = DecodeEnvironmentPicture(Radiance(std::string(kHead) + resolution, grey), "g");
        ASSERT_TRUE(picture.ok()) << picture.status().text;
        const bool bottom_up = resolution[0] == '+';
        EXPECT_EQ(picture->Texel(299, bottom_up ? 1 : 0).g, 100.5f / 256);
        EXPECT_EQ(picture->Texel(0, bottom_up ? 0 : 1).b, 50.5f / 256);
    }

    const Bytes wide(30000 * 4, 130);  // 30 000 flat pixels in one row: read
    picture = DecodeEnvironmentPicture(Radiance(std::string(kHead) + "-Y 1 +X 30000\n", wide), "w");
    ASSERT_TRUE(picture.ok());
    EXPECT_EQ(picture->width, 30000);

    const struct {
        Bytes bytes;
        int message;
    } refused[] = {
        {Radiance(std::string(kHead) + "-Y 2 +X 300\n", Bytes(grey.begin(), grey.end() - 1)),
         kMsgEnvironmentUnreadable},
        {Radiance(std::string(kHead) + "-Y 2 +X 300\n", {}), kMsgEnvironmentUnreadable},
        {Radiance("#?RADIANCE\nFORMAT=32-bit_rle_xyze\n\n-Y 1 +X 1\n", {1, 1, 1, 1}),
         kMsgEnvironmentUnreadable},
        {Radiance("#?RADIANCE\n-Y 1 +X 1\n", {1, 1, 1, 1}), kMsgEnvironmentUnreadable},
        {Radiance(std::string(kHead) + "+X 1 -Y 1\n", {1, 1, 1, 1}), kMsgEnvironmentUnreadable},
        {Radiance(std::string(kHead) + "-Y 1 +X 40000\n", {}), kMsgEnvironmentTooLarge},
        {Radiance(std::string(kHead) + "-Y 30000 +X 30000\n", {}), kMsgEnvironmentTooLarge},
        {Radiance(std::string(kHead) + "-Y 0 +X 1\n", {}), kMsgEnvironmentUnreadable},
        {{'h', 'e', 'l', 'l', 'o'}, kMsgEnvironmentUnreadable},
    };
    for (const auto& c : refused) {
        EXPECT_EQ(DecodeEnvironmentPicture(c.bytes, "bad.hdr").status().number, c.message)
            << std::string(c.bytes.begin(), c.bytes.end()).substr(0, 60);
    }
    EXPECT_EQ(ReadEnvironmentPicture("/nonexistent/sky.hdr").status().number,
              kMsgEnvironmentMissing);
}

TEST(EnvironmentFile, OpenExrScanlinesTilesAndValuesThatAreNotNumbers) {
    test::TemporaryDirectory dir;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {nan, inf, -1.0f, 0.25f, -inf, 1e6f};
    const float expected[] = {0.0f, 65504.0f, 0.0f, 0.25f, 0.0f, 65504.0f};
    // A 5 x 3 data window away from the origin, each pixel's red its own number.
    const Imath::Box2i window({3, -2}, {7, 0});
    std::vector<Imf::Rgba> pixels(15);
    for (int i = 0; i < 15; ++i) {
        pixels[i] = Imf::Rgba(i, i < 6 ? values[i] : 0.5f, 2.0f, 1.0f);
    }
    const std::string scan = dir.File("scan.exr"), tiled = dir.File("tiled.exr");
    {
        Imf::RgbaOutputFile file(scan.c_str(), window, window, Imf::WRITE_RGB);
        file.setFrameBuffer(pixels.data() - 3 + 2 * 5, 1, 5);
        file.writePixels(3);
        Imf::TiledRgbaOutputFile tiles(tiled.c_str(), 2, 2, Imf::ONE_LEVEL, Imf::ROUND_DOWN, window,
                                       window, Imf::WRITE_RGB);
        tiles.setFrameBuffer(pixels.data() - 3 + 2 * 5, 1, 5);
        tiles.writeTiles(0, tiles.numXTiles() - 1, 0, tiles.numYTiles() - 1);
    }
    for (const std::string& path : {scan, tiled}) {
        const Result<EnvironmentPicture> picture = ReadEnvironmentPicture(path);
        ASSERT_TRUE(picture.ok()) << picture.status().text;
        ASSERT_EQ(picture->width, 5);
        ASSERT_EQ(picture->height, 3);
        for (int i = 0; i < 15; ++i) {
            const ColourRgb texel = picture->Texel(i % 5, i / 5);
            EXPECT_EQ(texel.r, static_cast<float>(i)) << path << " pixel " << i;
            EXPECT_EQ(texel.g, i < 6 ? expected[i] : 0.5f) << path << " pixel " << i;
            EXPECT_EQ(texel.b, 2.0f);
        }
        const Result<Bytes> bytes = ReadWholeFile(path);
        for (std::size_t keep : {bytes->size() / 2, bytes->size() - 1, std::size_t{40}}) {
            const Result<EnvironmentPicture> cut =
                DecodeEnvironmentPicture({bytes->data(), keep}, path);
            EXPECT_EQ(cut.status().number, kMsgEnvironmentUnreadable) << path << " " << keep;
        }
    }
}

TEST(EnvironmentFile, EightBitPicturesAreTheirBytesOver255) {
    RenderImage image(2, 1);
    image.SetPixel(0, 0, 255, 0, 51);
    image.SetPixel(1, 0, 128, 128, 128);
    Bytes png;
    ASSERT_TRUE(EncodePng(image, png).ok());
    TextureImage bytes;  // as a material's picture reads them
    ASSERT_TRUE(DecodePng(png, bytes, "p.png").ok());
    const Result<EnvironmentPicture> picture = DecodeEnvironmentPicture(png, "p.png");
    ASSERT_TRUE(picture.ok()) << picture.status().text;
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(picture->Texel(x, 0).r, bytes.rgb_rows[0].red[x] / 255.0f);
        EXPECT_EQ(picture->Texel(x, 0).g, bytes.rgb_rows[0].green[x] / 255.0f);
        EXPECT_EQ(picture->Texel(x, 0).b, bytes.rgb_rows[0].blue[x] / 255.0f);
    }
    EXPECT_EQ(picture->Texel(0, 0).r, 1.0f);
    png.resize(png.size() / 2);
    EXPECT_EQ(DecodeEnvironmentPicture(png, "p.png").status().number, kMsgEnvironmentUnreadable);
}

}  // namespace
}  // namespace kelto
