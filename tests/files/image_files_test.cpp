// Reading and writing image files, with pictures made by the image libraries in the test.
#include <gtest/gtest.h>

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <utility>

#include "files/file_io.h"
#include "files/image_files.h"
#include "files/image_import.h"
#include "image_test_files.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

using testing_images::GradientPicture;
using testing_images::MakeJpeg;
using testing_images::MakePng;
using testing_images::PngLayout;
using Bytes = std::vector<std::uint8_t>;

TEST(BmpWriter, FiveWidePictureHasSixteenByteRowsBottomUp) {
    const RenderImage image = GradientPicture(5, 3);
    Bytes bmp;
    ASSERT_TRUE(EncodeBmp(image, bmp));
    ASSERT_EQ(bmp.size(), 54u + 16u * 3u);
    // File size, pixel offset, header size, width, height, one plane, 24 bits, uncompressed.
    EXPECT_EQ(Bytes(bmp.begin(), bmp.begin() + 34),
              (Bytes{'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0,  0, 0, 40, 0, 0,
                     0,   5,   0,   0, 0, 3, 0, 0, 0, 1, 0,  24, 0, 0, 0,  0, 0}));
    // The first stored row is the bottom one, pixels B, G, R, padded with a zero.
    Bytes rows;
    for (int y = 2; y >= 0; --y) {
        for (int x = 0; x < 5; ++x) {
            const auto p = image.Pixel(x, y);
            rows.insert(rows.end(), {p[2], p[1], p[0]});
        }
        rows.push_back(0);
    }
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), rows);
}

void ExpectSamePixels(const RenderImage& expected, const TextureImage& actual) {
    ASSERT_EQ(std::tuple(actual.channels, actual.width, actual.height),
              std::tuple(3, expected.Width(), expected.Height()));
    for (int y = 0; y < expected.Height(); ++y)
        EXPECT_TRUE(actual.rgb_rows[y] == expected.Row(y)) << y;
}

// Rows in bands, compressed on several threads and joined into one stream: every height
// around the band boundaries reads back exactly through libpng (which checks the chunk CRCs
// and the stream's checksum), and the bytes are the same for any number of threads.
TEST(ImageWriters, PngBandsJoinIntoOneStreamWhateverTheThreads) {
    std::mt19937 random(5);
    const std::vector<std::pair<int, int>> sizes = {{1, 1},    {4, 63},   {4, 64},  {4, 65},
                                                    {3, 127},  {3, 128},  {2, 129}, {7, 300},
                                                    {5, 1000}, {640, 480}};
    for (const auto& [width, height] : sizes) {
        RenderImage image(width, height);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                // Noise in the bottom half, so that some bands compress badly.
                const unsigned v = y < height / 2 ? static_cast<unsigned>(x + 3 * y) : random();
                image.SetPixel(x, y, static_cast<std::uint8_t>(v),
                               static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16));
            }
        }
        Bytes one, four;
        ASSERT_TRUE(EncodePng(image, one, 1));
        ASSERT_TRUE(EncodePng(image, four, 4));
        EXPECT_EQ(one, four) << width << 'x' << height;
        png_image plain{};
        plain.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&plain, four.data(), four.size()))
            << width << 'x' << height << ": " << plain.message;
        plain.format = PNG_FORMAT_RGB;
        Bytes pixels(PNG_IMAGE_SIZE(plain));
        ASSERT_TRUE(png_image_finish_read(&plain, nullptr, pixels.data(), 0, nullptr))
            << width << 'x' << height << ": " << plain.message;
        Bytes expected(static_cast<std::size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            image.InterleaveRow(y, expected.data());
            ASSERT_TRUE(std::equal(expected.begin(), expected.end(),
                                   pixels.begin() + static_cast<std::ptrdiff_t>(y) * width * 3))
                << width << 'x' << height << " row " << y;
        }
    }
}

// PNG is checked exactly against libpng's own reading above; TIFF reads back through ours.
TEST(ImageWriters, TiffRoundTripsExactly) {
    const RenderImage image = GradientPicture(37, 23);
    Bytes tiff;
    ASSERT_TRUE(EncodeTiff(image, tiff));
    TextureImage from_tiff;
    ASSERT_TRUE(DecodeTiff(tiff, from_tiff, "t.tif").ok());
    ExpectSamePixels(image, from_tiff);
}

TEST(ImageWriters, JpegKeepsThePictureAtQualityNinety) {
    // A smooth picture: at quality 90 it comes back at better than 35 dB.
    RenderImage image(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            image.SetPixel(x, y, static_cast<std::uint8_t>(x * 4), static_cast<std::uint8_t>(y * 5),
                           static_cast<std::uint8_t>(128 + (x - y)));
    Bytes jpeg;
    ASSERT_TRUE(EncodeJpeg(image, kDefaultJpegQuality, jpeg));
    TextureImage decoded;
    ASSERT_TRUE(DecodeJpeg(jpeg, decoded, "q.jpg").ok());
    ASSERT_EQ(std::tuple(decoded.channels, decoded.width, decoded.height), std::tuple(3, 64, 48));
    double squared_error = 0;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const auto p = image.Pixel(x, y);
            const double d[3] = {p[0] - 1.0 * decoded.rgb_rows[y].red[x],
                                 p[1] - 1.0 * decoded.rgb_rows[y].green[x],
                                 p[2] - 1.0 * decoded.rgb_rows[y].blue[x]};
            squared_error += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    }
    const double psnr = 10.0 * std::log10(255.0 * 255.0 / (squared_error / (64 * 48 * 3)));
    EXPECT_GT(psnr, 35.0);
    // Lower quality, smaller file; the quality is kept within 20..100.
    Bytes rough, clamped;
    ASSERT_TRUE(EncodeJpeg(image, 20, rough));
    ASSERT_TRUE(EncodeJpeg(image, 1, clamped));
    EXPECT_LT(rough.size(), jpeg.size());
    EXPECT_EQ(rough, clamped);
}

TEST(ImageWriters, JpegWiderThanTheOldScanlineBufferAndFailedWrites) {
    const RenderImage wide = GradientPicture(6000, 2);
    Bytes jpeg;
    ASSERT_TRUE(EncodeJpeg(wide, 90, jpeg));
    TextureImage decoded;
    ASSERT_TRUE(DecodeJpeg(jpeg, decoded, "wide.jpg").ok());
    EXPECT_EQ(decoded.width, 6000);

    const RenderImage small = GradientPicture(3, 3);
    for (const char* extension : {"bmp", "DIB", "jpg", "jpeg", "jfif", "png", "tif", "TIFF"}) {
        EXPECT_FALSE(WriteImage(small, std::string("/nonexistent-dir/x.") + extension, extension))
            << extension;
        EXPECT_TRUE(IsWritableImageExtension(extension));
    }
    const Status cannot_open = WriteImage(small, "/nonexistent-dir/x.png", "png");
    EXPECT_EQ(cannot_open.number, kMsgImageOpenFailed);
    EXPECT_EQ(cannot_open.text, "Error: unable to open image file: '/nonexistent-dir/x.png'");
    EXPECT_EQ(WriteImage(small, "/tmp/x.gif", "gif").text,
              "Error image type 'gif': No plug-in parser found.");
    EXPECT_FALSE(IsWritableImageExtension("gif"));
    EXPECT_FALSE(EncodePng(RenderImage(0, 0), jpeg));
}

// A layout with the file gamma that cancels the screen gamma (1 / 1.7).
PngLayout Layout(int width, int height, int depth, int colour_type,
                 std::vector<std::uint16_t> samples) {
    PngLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bit_depth = depth;
    layout.colour_type = colour_type;
    layout.gamma = 1.0 / 1.7;
    layout.samples = std::move(samples);
    return layout;
}

TEST(PngReader, EveryDepthColourTypeAlphaInterlaceGammaAndBackground) {
    for (int depth : {1, 2, 4, 8}) {
        PngLayout palette = Layout(2, 1, depth, PNG_COLOR_TYPE_PALETTE, {1, 0});
        palette.palette = {{10, 20, 30}, {200, 100, 50}};
        TextureImage image;
        ASSERT_TRUE(DecodePng(MakePng(palette), image, "p.png").ok()) << depth;
        ASSERT_EQ(image.channels, 3) << depth;
        EXPECT_EQ(image.rgb_rows[0].red, (std::vector<std::uint8_t>{200, 10})) << depth;
        EXPECT_EQ(image.rgb_rows[0].blue, (std::vector<std::uint8_t>{50, 30})) << depth;
    }
    for (int depth : {1, 2, 4, 8, 16}) {
        const std::uint16_t top = static_cast<std::uint16_t>((1u << depth) - 1);
        TextureImage image;
        ASSERT_TRUE(
            DecodePng(MakePng(Layout(3, 2, depth, PNG_COLOR_TYPE_GRAY, {0, top, 0, top, 0, top})),
                      image, "g.png")
                .ok())
            << depth;
        ASSERT_EQ(image.channels, 1) << depth;
        EXPECT_EQ(image.grey_rows[1], (std::vector<std::uint8_t>{255, 0, 255})) << depth;
    }
    TextureImage image;
    // 16-bit RGB reduces to 8 bits.
    ASSERT_TRUE(DecodePng(MakePng(Layout(1, 1, 16, PNG_COLOR_TYPE_RGB, {0xFFFF, 0x8080, 0x0000})),
                          image, "x.png")
                    .ok());
    EXPECT_EQ(image.rgb_rows[0].red[0], 255);
    EXPECT_EQ(image.rgb_rows[0].green[0], 128);

    // Alpha is composited on black, or on the file's own background.
    PngLayout rgba = Layout(2, 1, 8, PNG_COLOR_TYPE_RGB_ALPHA, {255, 255, 255, 0, 90, 60, 30, 255});
    ASSERT_TRUE(DecodePng(MakePng(rgba), image, "a.png").ok());
    EXPECT_EQ(image.rgb_rows[0].red, (std::vector<std::uint8_t>{0, 90}));
    rgba.background = std::vector<std::uint16_t>{0, 255, 0};
    ASSERT_TRUE(DecodePng(MakePng(rgba), image, "b.png").ok());
    EXPECT_EQ(image.rgb_rows[0].green, (std::vector<std::uint8_t>{255, 60}));
    EXPECT_EQ(image.rgb_rows[0].red[0], 0);
    ASSERT_TRUE(DecodePng(MakePng(Layout(2, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {200, 0, 77, 255})),
                          image, "ga.png")
                    .ok());
    EXPECT_EQ(image.channels, 1);
    EXPECT_EQ(image.grey_rows[0], (std::vector<std::uint8_t>{0, 77}));

    // Interlaced files give the same pixels as plain ones.
    PngLayout plain = Layout(9, 7, 8, PNG_COLOR_TYPE_GRAY, {});
    for (int i = 0; i < 63; ++i)
        plain.samples.push_back(static_cast<std::uint16_t>(i * 4));
    PngLayout interlaced = plain;
    interlaced.interlaced = true;
    TextureImage a, b;
    ASSERT_TRUE(DecodePng(MakePng(plain), a, "p.png").ok());
    ASSERT_TRUE(DecodePng(MakePng(interlaced), b, "i.png").ok());
    EXPECT_EQ(a.grey_rows, b.grey_rows);
    EXPECT_EQ(a.grey_rows[6][8], 248);

    // Without a gAMA chunk the file gamma is taken as 0.45: mid greys change, ends do not,
    // and the order of values is kept.
    PngLayout no_gamma = plain;
    no_gamma.gamma.reset();
    TextureImage corrected;
    ASSERT_TRUE(DecodePng(MakePng(no_gamma), corrected, "n.png").ok());
    EXPECT_EQ(corrected.grey_rows[0][0], 0);
    EXPECT_NE(corrected.grey_rows[3][5], a.grey_rows[3][5]);
    for (int x = 1; x < 9; ++x)
        EXPECT_GT(corrected.grey_rows[2][x], corrected.grey_rows[2][x - 1]);
}

TEST(JpegReader, GreyKeepsOneChannelAndCmykIsRefused) {
    TextureImage grey;
    ASSERT_TRUE(DecodeJpeg(MakeJpeg(16, 8, 1, 128), grey, "g.jpg").ok());
    EXPECT_EQ(grey.channels, 1);
    EXPECT_EQ(grey.height, 8);
    EXPECT_NEAR(grey.grey_rows[4][4], 128, 2);

    TextureImage cmyk;
    const Status s = DecodeJpeg(MakeJpeg(8, 8, 4, 40), cmyk, "c.jpg");
    EXPECT_EQ(s.number, kMsgImageChannels);
    EXPECT_EQ(s.text, "Error: Invalid channels: 4 in image file.");

    std::vector<int> progress;
    TextureImage tall;
    ASSERT_TRUE(DecodeJpeg(MakeJpeg(8, 100, 3, 9), tall, "t.jpg", [&](int percent) {
                    progress.push_back(percent);
                }).ok());
    EXPECT_EQ(progress, (std::vector<int>{0, 40, 80}));
}

TEST(ImageReaders, DamagedFilesFailWithAMessage) {
    const RenderImage picture = GradientPicture(20, 20);
    Bytes png, jpeg, tiff;
    ASSERT_TRUE(EncodePng(picture, png));
    ASSERT_TRUE(EncodeJpeg(picture, 90, jpeg));
    ASSERT_TRUE(EncodeTiff(picture, tiff));
    using Decode = std::function<Status(const Bytes&, TextureImage&)>;
    const std::pair<const Bytes&, Decode> decoders[] = {
        {png, [](const Bytes& b, TextureImage& i) { return DecodePng(b, i, "p.png"); }},
        {jpeg, [](const Bytes& b, TextureImage& i) { return DecodeJpeg(b, i, "j.jpg"); }},
        {tiff, [](const Bytes& b, TextureImage& i) { return DecodeTiff(b, i, "t.tif"); }}};
    for (const double fraction : {0.0, 0.1, 0.3, 0.5, 0.8, 0.95}) {
        const auto cut = [&](const Bytes& b) {
            return Bytes(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(b.size() * fraction));
        };
        for (const auto& [bytes, decode] : decoders) {
            TextureImage image;
            const Status s = decode(cut(bytes), image);
            EXPECT_FALSE(s.ok()) << fraction;
            EXPECT_FALSE(s.text.empty()) << fraction;
        }
    }
    // Data that ends inside the picture is damage, said so with the file's name; so is a
    // header claiming far more pixels than the file's bytes can code (here a 20x20 JPEG's
    // header claims 25 601 x 9 980), refused before anything is decoded.
    TextureImage partial;
    EXPECT_EQ(DecodeJpeg(Bytes(jpeg.begin(), jpeg.end() - 40), partial, "j.jpg").text,
              "Error: image file damaged or cut short: 'j.jpg'");
    EXPECT_EQ(DecodePng(Bytes(png.begin(), png.end() - 40), partial, "p.png").text,
              "Error: image file damaged or cut short: 'p.png'");
    Bytes claims_more = jpeg;
    const auto frame = std::ranges::search(claims_more, Bytes{0xFF, 0xC0}).begin();
    ASSERT_NE(frame, claims_more.end());
    std::ranges::copy(Bytes{0x26, 0xFC, 0x64, 0x01}, frame + 5);  // height, width
    TextureImage untouched;
    EXPECT_EQ(DecodeJpeg(claims_more, untouched, "big.jpg").number, kMsgImageDamaged);
    EXPECT_EQ(untouched.height, 0);
    // The library's own reason comes inside the program's message: here the header claims more
    // rows than the compressed data holds.
    Bytes taller = png;
    taller[23] = 40;  // IHDR's height, then its checksum again
    const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, taller.data() + 12, 17));
    std::ranges::copy(
        Bytes{static_cast<std::uint8_t>(crc >> 24), static_cast<std::uint8_t>(crc >> 16),
              static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)},
        taller.begin() + 29);
    EXPECT_EQ(DecodePng(taller, partial, "p.png").text,
              "Error: unable to read image file: 'p.png' (Not enough image data)");
    // A PNG header claiming a picture too large to hold is refused before any allocation.
    Bytes huge = MakePng(Layout(1, 1, 8, PNG_COLOR_TYPE_GRAY, {0}));
    // IHDR's width is at byte 16, big-endian; 40000 pixels wide breaks the side limit.
    std::ranges::copy(Bytes{0, 0, 0x9C, 0x40}, huge.begin() + 16);
    TextureImage image;
    EXPECT_FALSE(DecodePng(huge, image, "h.png").ok());
}

TEST(ImageWriters, AFullDiskSaysTheFileCouldNotBeWrittenAndKeepsTheOldOne) {
    const test::TemporaryDirectory dir;
    const std::string path = dir.File("render.bmp");
    ASSERT_TRUE(WriteImage(GradientPicture(4, 4), path, "bmp").ok());
    const Result<Bytes> before = ReadWholeFile(path);
    ASSERT_TRUE(before.ok());
    const Status s = test::WithFileSizeLimit(
        200, [&] { return WriteImage(GradientPicture(64, 64), path, "bmp"); });
    EXPECT_EQ(s.number, kMsgImageWriteFailed);
    EXPECT_EQ(s.text, "Error: unable to write image file: '" + path + "'");
    const Result<Bytes> after = ReadWholeFile(path);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(*after, *before);
    EXPECT_EQ(dir.EntryCount(), 1u);  // no temporary file left behind
}

TEST(ImageImport, ChecksExtensionAndFileThenReads) {
    const test::TemporaryDirectory temporary;
    const std::string& dir = temporary.Path();
    TextureImage image;

    Status s = ImportImage(dir + "/picture.gif", image);
    // Every message names the file it is about.
    EXPECT_EQ(s.text, "Error image type 'gif': No plug-in parser found.\n" + dir + "/picture.gif");
    EXPECT_EQ(s.arguments, std::vector<std::string>{"gif"});
    EXPECT_EQ(s.icon, MessageIcon::Error);
    EXPECT_EQ(image.failed, 1);

    s = ImportImage(dir + "/missing.jpeg", image);
    EXPECT_EQ(s.text, "Error: unable to open image file: '" + dir + "/missing.jpeg'");

    const std::string jpeg_path = dir + "/Photo.JPEG";
    ASSERT_EQ(ReplaceFileContents(jpeg_path, MakeJpeg(10, 6, 3, 200)), FileWrite::Done);
    EXPECT_TRUE(ImportImage(jpeg_path, image).ok());
    EXPECT_EQ(image.failed, 0);
    EXPECT_EQ(image.width, 10);
    EXPECT_EQ(image.format, ImageFormat::Jpeg);
    EXPECT_EQ(image.texture.size(), TextureImage::kTextureBytes);
    EXPECT_NEAR(image.texture[0], 200, 3);

    const std::string tiff_path = dir + "/scan.tif";
    ASSERT_TRUE(WriteTiff(GradientPicture(4, 4), tiff_path).ok());
    EXPECT_TRUE(ImportImage(tiff_path, image).ok());
    EXPECT_EQ(image.format, ImageFormat::Tiff);
    EXPECT_EQ(image.channels, 3);

    const std::string bad_path = dir + "/bad.png";
    ASSERT_EQ(ReplaceFileContents(bad_path, Bytes{1, 2, 3}), FileWrite::Done);
    s = ImportImage(bad_path, image);
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.text.find(bad_path), std::string::npos) << s.text;
    EXPECT_EQ(image.failed, 1);
}

}  // namespace
}  // namespace kelto
