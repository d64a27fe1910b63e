#include "image_test_files.h"

#include <cstdio>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <png.h>

#include <algorithm>
#include <cstdlib>

namespace kelto::testing_images {
namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

// Packs samples of `depth` bits, most significant first, as PNG rows are laid out.
std::vector<std::uint8_t> PackRow(const std::uint16_t* samples, int count, int depth) {
    std::vector<std::uint8_t> row;
    if (depth == 16) {
        for (int i = 0; i < count; ++i) {
            row.push_back(static_cast<std::uint8_t>(samples[i] >> 8));
            row.push_back(static_cast<std::uint8_t>(samples[i]));
        }
        return row;
    }
    row.assign(static_cast<std::size_t>((count * depth + 7) / 8), 0);
    for (int i = 0; i < count; ++i) {
        const int bit = i * depth;
        row[static_cast<std::size_t>(bit / 8)] |=
            static_cast<std::uint8_t>(samples[i] << (8 - depth - bit % 8));
    }
    return row;
}

}  // namespace

std::vector<std::uint8_t> MakePng(const PngLayout& layout) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::abort();  // a fault in the test's own picture
    }
    png_set_write_fn(png, &out, Append, NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(layout.width),
                 static_cast<png_uint_32>(layout.height), layout.bit_depth, layout.colour_type,
                 layout.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty()) {
        std::vector<png_color> colours;
        for (const auto& c : layout.palette)
            colours.push_back({c[0], c[1], c[2]});
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    }
    if (layout.gamma)
        png_set_gAMA(png, info, *layout.gamma);
    if (layout.background) {
        png_color_16 bg{};
        const auto& b = *layout.background;
        if (layout.colour_type == PNG_COLOR_TYPE_PALETTE) {
            bg.index = static_cast<png_byte>(b[0]);
        } else if (b.size() == 1) {
            bg.gray = b[0];
        } else {
            bg.red = b[0];
            bg.green = b[1];
            bg.blue = b[2];
        }
        png_set_bKGD(png, info, &bg);
    }
    png_write_info(png, info);
    const int per_row = layout.width * png_get_channels(png, info);  // palette: one index
    std::vector<std::vector<std::uint8_t>> rows;
    for (int y = 0; y < layout.height; ++y)
        rows.push_back(PackRow(layout.samples.data() + static_cast<std::size_t>(y * per_row),
                               per_row, layout.bit_depth));
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint8_t> MakeJpeg(int width, int height, int components, std::uint8_t value) {
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width * components), value);
    while (info.next_scanline < info.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

RenderImage GradientPicture(int width, int height) {
    RenderImage image(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, static_cast<std::uint8_t>(x * 255 / std::max(width - 1, 1)),
                           static_cast<std::uint8_t>(y * 255 / std::max(height - 1, 1)),
                           static_cast<std::uint8_t>((x * 7 + y * 13) % 64 + 96));
    }
    return image;
}

}  // namespace kelto::testing_images
