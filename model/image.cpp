#include "image.h"

#include <algorithm>
#include <cmath>

namespace kelto {

TextureImage TextureImage::Blank(int width, int height, int channels) {
    TextureImage image;
    image.channels = channels;
    image.width = width;
    image.height = height;
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    for (int y = 0; y < height; ++y) {
        if (channels == 1) {
            image.grey_rows.emplace_back(w, std::uint8_t{0});
        } else {
            image.rgb_rows.push_back({std::vector<std::uint8_t>(w), std::vector<std::uint8_t>(w),
                                      std::vector<std::uint8_t>(w)});
        }
    }
    return image;
}

void TextureImage::AppendRow(const std::uint8_t* pixels) {
    const auto w = static_cast<std::size_t>(std::max(width, 0));
    if (IsGrey()) {
        grey_rows.emplace_back(pixels, pixels + w);
    } else {
        RgbRow& row = rgb_rows.emplace_back();
        row.red.resize(w);
        row.green.resize(w);
        row.blue.resize(w);
        for (std::size_t x = 0; x < w; ++x) {
            row.red[x] = pixels[3 * x];
            row.green[x] = pixels[3 * x + 1];
            row.blue[x] = pixels[3 * x + 2];
        }
    }
    ++height;
}

bool TextureImage::HasPixels() const {
    if (width <= 0 || height <= 0) {
        return false;
    }
    const auto rows = static_cast<std::size_t>(height);
    return IsGrey() ? grey_rows.size() >= rows : rgb_rows.size() >= rows;
}

namespace {

int ClampIndex(int i, int size) {
    return std::clamp(i, 0, size - 1);
}

// A byte of a row, the index clamped to the picture's width and to the row itself, so that a
// row shorter than the picture (never made by our readers) still cannot be overrun.
double ByteAt(const std::vector<std::uint8_t>& row, int x, int width) {
    if (row.empty()) {
        return 0.0;
    }
    const int limit = std::min(width, static_cast<int>(row.size()));
    return row[static_cast<std::size_t>(ClampIndex(x, limit))];
}

}  // namespace

double TextureImage::GreyAt(int x, int y) const {
    if (!HasPixels() || !IsGrey()) {
        return 0.0;
    }
    return ByteAt(grey_rows[static_cast<std::size_t>(ClampIndex(y, height))], x, width) / 255.0;
}

std::array<double, 3> TextureImage::PixelAt(int x, int y) const {
    const RgbRow& row = rgb_rows[static_cast<std::size_t>(ClampIndex(y, height))];
    return {ByteAt(row.red, x, width), ByteAt(row.green, x, width), ByteAt(row.blue, x, width)};
}

ColourRgb TextureImage::RgbBilinear(int x, int y, double fx, double fy) const {
    if (!HasPixels() || IsGrey()) {
        return {};
    }
    const auto p00 = PixelAt(x, y);
    const auto p10 = PixelAt(x + 1, y);
    const auto p11 = PixelAt(x + 1, y + 1);
    const auto p01 = PixelAt(x, y + 1);
    float out[3];
    for (int c = 0; c < 3; ++c) {
        const double top = p00[c] * (1.0 - fx) + p10[c] * fx;
        const double bottom = p01[c] * (1.0 - fx) + p11[c] * fx;
        out[c] = static_cast<float>((top * (1.0 - fy) + bottom * fy) / 255.0);
    }
    return {out[0], out[1], out[2]};
}

double TextureImage::GreyBilinear(int x, int y, double fx, double fy) const {
    const double top = GreyAt(x, y) * (1.0 - fx) + GreyAt(x + 1, y) * fx;
    const double bottom = GreyAt(x, y + 1) * (1.0 - fx) + GreyAt(x + 1, y + 1) * fx;
    return top * (1.0 - fy) + bottom * fy;
}

ColourRgb TextureImage::SampleColour(double u, double v) const {
    if (!HasPixels()) {
        return {};
    }
    // Not-a-number coordinates read the first pixel rather than anything undefined.
    u = std::isnan(u) ? 0.0 : std::clamp(u, 0.0, 1.0);
    v = std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
    const double x = width * u;
    const double y = height * v;
    const double x0 = std::floor(x);
    const double y0 = std::floor(y);
    const int ix = static_cast<int>(x0);
    const int iy = static_cast<int>(y0);
    if (IsGrey()) {
        const auto grey = static_cast<float>(GreyBilinear(ix, iy, x - x0, y - y0));
        return {grey, grey, grey};
    }
    return RgbBilinear(ix, iy, x - x0, y - y0);
}

void TextureImage::BuildTexture() {
    texture.assign(kTextureBytes, 0);
    if (!HasPixels()) {
        return;
    }
    const int last = kTextureSize - 1;
    for (int i = 0; i < kTextureSize; ++i) {
        const double v = std::clamp(1.0 - static_cast<double>(i) / last, 0.0, 1.0);
        const double y = height * v;
        const double y0 = std::floor(y);
        for (int j = 0; j < kTextureSize; ++j) {
            const double x = width * static_cast<double>(j) / last;
            const double x0 = std::floor(x);
            ColourRgb c;
            if (IsGrey()) {
                const auto grey = static_cast<float>(
                    GreyBilinear(static_cast<int>(x0), static_cast<int>(y0), x - x0, y - y0));
                c = {grey, grey, grey};
            } else {
                c = RgbBilinear(static_cast<int>(x0), static_cast<int>(y0), x - x0, y - y0);
            }
            std::uint8_t* pixel = &texture[static_cast<std::size_t>((i * kTextureSize + j) * 3)];
            pixel[0] = static_cast<std::uint8_t>(c.r * 255.0f);
            pixel[1] = static_cast<std::uint8_t>(c.g * 255.0f);
            pixel[2] = static_cast<std::uint8_t>(c.b * 255.0f);
        }
    }
}

RenderImage::RenderImage(int width, int height)
    : width_(std::max(width, 0)), height_(std::max(height, 0)) {
    const auto w = static_cast<std::size_t>(width_);
    rows_.assign(static_cast<std::size_t>(height_),
                 RgbRow{std::vector<std::uint8_t>(w), std::vector<std::uint8_t>(w),
                        std::vector<std::uint8_t>(w)});
}

void RenderImage::SetPixel(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) {
        return;
    }
    RgbRow& row = rows_[static_cast<std::size_t>(y)];
    const auto i = static_cast<std::size_t>(x);
    row.red[i] = r;
    row.green[i] = g;
    row.blue[i] = b;
}

void RenderImage::InterleaveRow(int y, std::uint8_t* out) const {
    const RgbRow& row = Row(y);
    for (std::size_t x = 0; x < static_cast<std::size_t>(width_); ++x) {
        out[3 * x] = row.red[x];
        out[3 * x + 1] = row.green[x];
        out[3 * x + 2] = row.blue[x];
    }
}

std::array<std::uint8_t, 3> RenderImage::Pixel(int x, int y) const {
    const RgbRow& row = rows_[static_cast<std::size_t>(y)];
    const auto i = static_cast<std::size_t>(x);
    return {row.red[i], row.green[i], row.blue[i]};
}

}  // namespace kelto
