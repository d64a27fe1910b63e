// Pictures held in memory: the image behind an image material (sampled by the ray tracer and
// reduced to a 64x64 texture for the views) and the picture a render produces.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace kelto {

struct ColourRgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    friend bool operator==(const ColourRgb&, const ColourRgb&) = default;
};

// One row of an RGB picture: three byte arrays of the picture's width.
struct RgbRow {
    std::vector<std::uint8_t> red;
    std::vector<std::uint8_t> green;
    std::vector<std::uint8_t> blue;
    friend bool operator==(const RgbRow&, const RgbRow&) = default;
};

enum class ImageFormat : std::int32_t { Jpeg = 0, Png = 1, Tiff = 2 };

// The picture of an image material. Rows are kept top row first; sampled components are
// byte / 255. Every read is clamped into the picture, whatever the coordinates.
class TextureImage {
  public:
    static constexpr int kTextureSize = 64;
    static constexpr std::size_t kTextureBytes = kTextureSize * kTextureSize * 3;

    ImageFormat format = ImageFormat::Jpeg;
    std::int32_t failed = 0;    // 1 from the start of an import until a file was read whole
    std::int32_t channels = 3;  // 1 grey, 3 RGB
    std::int32_t width = 0;
    std::int32_t height = 0;                           // rows read so far
    std::vector<RgbRow> rgb_rows;                      // channels == 3
    std::vector<std::vector<std::uint8_t>> grey_rows;  // channels == 1
    // 64 rows of 64 RGB pixels, row 0 from the bottom of the picture (OpenGL's order);
    // empty until BuildTexture.
    std::vector<std::uint8_t> texture;

    // Makes an all-black picture of the given size with one or three channels.
    static TextureImage Blank(int width, int height, int channels);

    bool IsGrey() const { return channels == 1; }
    // Appends one decoded row of `width` pixels, `channels` bytes each (grey, or red, green,
    // blue interleaved), and counts it in `height`.
    void AppendRow(const std::uint8_t* pixels);
    // True when there are rows to read: width and height positive and a row for each.
    bool HasPixels() const;

    double GreyAt(int x, int y) const;
    ColourRgb RgbBilinear(int x, int y, double fx, double fy) const;
    // The colour at surface coordinates (u, v), both clamped to [0, 1]; v = 0 is the top row.
    ColourRgb SampleColour(double u, double v) const;
    void BuildTexture();

    friend bool operator==(const TextureImage&, const TextureImage&) = default;

  private:
    std::array<double, 3> PixelAt(int x, int y) const;
    double GreyBilinear(int x, int y, double fx, double fy) const;
};

// The picture a render produces: rows top first, each three byte arrays, black at first.
class RenderImage {
  public:
    RenderImage() = default;
    RenderImage(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    const RgbRow& Row(int y) const { return rows_[static_cast<std::size_t>(y)]; }
    // Writes row y into `out` as Width() pixels of red, green, blue bytes, the layout the
    // picture encoders take.
    void InterleaveRow(int y, std::uint8_t* out) const;
    void SetPixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b);
    std::array<std::uint8_t, 3> Pixel(int x, int y) const;

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<RgbRow> rows_;
};

}  // namespace kelto
