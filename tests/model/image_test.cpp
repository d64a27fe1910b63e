#include <gtest/gtest.h>

#include "model/image.h"
#include "model/material.h"

namespace kelto {
namespace {

// A 3 x 2 RGB picture: top row red values 0, 100, 200; bottom row 50, 150, 250; green is
// 10 times the column, blue 7.
TextureImage SmallPicture() {
    TextureImage image = TextureImage::Blank(3, 2, 3);
    const std::uint8_t reds[2][3] = {{0, 100, 200}, {50, 150, 250}};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            image.rgb_rows[y].red[x] = reds[y][x];
            image.rgb_rows[y].green[x] = static_cast<std::uint8_t>(10 * x);
            image.rgb_rows[y].blue[x] = 7;
        }
    }
    return image;
}

TEST(TextureImage, SamplingClampsEveryReadIntoThePicture) {
    const TextureImage image = SmallPicture();
    // v = 1 and beyond read the last row; u outside 0..1 reads the edge columns.
    EXPECT_EQ(image.SampleColour(0.0, 1.0), image.SampleColour(0.0, 7.5));
    EXPECT_FLOAT_EQ(image.SampleColour(0.0, 1.0).r, 50 / 255.0f);
    EXPECT_FLOAT_EQ(image.SampleColour(1.0, 1.0).r, 250 / 255.0f);
    EXPECT_EQ(image.SampleColour(-3.0, 0.0), image.SampleColour(0.0, 0.0));
    EXPECT_EQ(image.SampleColour(9.0, 0.0), image.SampleColour(1.0, 0.0));
    EXPECT_EQ(image.SampleColour(std::nan(""), -1.0), image.SampleColour(0.0, 0.0));
    // Bilinear in between: halfway across the first two columns of the top row.
    EXPECT_FLOAT_EQ(image.RgbBilinear(0, 0, 0.5, 0.0).r, 50 / 255.0f);
    EXPECT_FLOAT_EQ(image.RgbBilinear(0, 0, 0.5, 0.5).r, 75 / 255.0f);
    EXPECT_FLOAT_EQ(image.RgbBilinear(0, 0, 0.5, 0.5).b, 7 / 255.0f);
    EXPECT_FLOAT_EQ(image.RgbBilinear(-5, 40, 0.0, 0.0).r, 50 / 255.0f);
}

TEST(TextureImage, TextureRowZeroIsTheBottomAndEmptyOrRaggedPicturesReadAsBlack) {
    TextureImage image = SmallPicture();
    image.BuildTexture();
    // Row 0, column 0: the bottom-left pixel; row 63, column 0: the top-left pixel.
    EXPECT_EQ(image.texture[0], 50);
    EXPECT_EQ(image.texture[63 * 64 * 3], 0);
    // The last column reads the right edge.
    EXPECT_EQ(image.texture[63 * 3], 250);
    TextureImage empty;
    EXPECT_EQ(empty.SampleColour(0.5, 0.5), (ColourRgb{}));
    empty.BuildTexture();
    EXPECT_EQ(empty.texture.size(), TextureImage::kTextureBytes);

    TextureImage ragged = SmallPicture();
    ragged.rgb_rows[1].red.resize(1);  // shorter than the picture is wide
    EXPECT_FLOAT_EQ(ragged.SampleColour(1.0, 1.0).r, 50 / 255.0f);
    ragged.height = 5;  // more rows claimed than held
    EXPECT_EQ(ragged.SampleColour(0.5, 0.5), (ColourRgb{}));
}

TEST(Material, CopiesSharePicturesUntilOneIsEdited) {
    Material original;
    original.colour_source = 1;
    original.colour_image = SharedImage(SmallPicture());
    original.bump_image = SharedImage(TextureImage::Blank(2, 2, 1));
    Material copy = original;
    ASSERT_TRUE(copy.colour_image);
    EXPECT_TRUE(copy.colour_image.SharesWith(original.colour_image));
    EXPECT_EQ(copy.colour_image.get(), original.colour_image.get());

    // Editing the copy's picture gives the copy a picture of its own; the original keeps its
    // pixels, and the untouched bump picture stays shared.
    copy.colour_image.Edit().rgb_rows[0].red[0] = 255;
    EXPECT_FALSE(copy.colour_image.SharesWith(original.colour_image));
    EXPECT_EQ(original.colour_image->rgb_rows[0].red[0], 0);
    EXPECT_EQ(copy.colour_image->rgb_rows[0].red[0], 255);
    EXPECT_TRUE(copy.bump_image.SharesWith(original.bump_image));

    // The only holder edits in place; a picture outlives the material it came from.
    const TextureImage* own = copy.colour_image.get();
    copy.colour_image.Edit().rgb_rows[0].green[0] = 7;
    EXPECT_EQ(copy.colour_image.get(), own);
    SharedImage kept;
    {
        Material temporary = copy;
        kept = temporary.colour_image;
    }
    copy.colour_image.reset();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->rgb_rows[0].green[0], 7);

    // Editing an empty slot makes an empty picture to fill.
    SharedImage empty;
    EXPECT_FALSE(empty.Edit().HasPixels());
    EXPECT_TRUE(empty);
}

}  // namespace
}  // namespace kelto
