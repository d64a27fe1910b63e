// Reading PNG through libpng (png_encoder.cpp writes it). Library errors jump back to the
// caller, which releases everything and reports the library's message.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image_files.h"
#include "model/out_of_memory.h"

namespace kelto {
namespace {

// The reading side's state, made before the jump target is set and only reached through a
// pointer afterwards.
struct PngReadState {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    char message[256] = {};
    std::vector<Status>* warnings = nullptr;
    // Volatile: set after the jump target and read again when an error jumps back to it.
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    // What the decoding found, kept here rather than in locals of the function that sets the
    // jump target.
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (length > state->size - state->position) {
        png_error(png, "Read Error: the file ends too soon");
    }
    std::memcpy(out, state->data + state->position, length);
    state->position += length;
}

[[noreturn]] void ReadError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
    std::snprintf(state->message, sizeof state->message, "%s", message);
    png_longjmp(png, 1);
}

void ReadWarning(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
    if (state->warnings) {
        Status warning = Status::Library(message);
        warning.icon = MessageIcon::Warning;
        state->warnings->push_back(std::move(warning));
    }
}

void ReleaseRows(PngReadState& state) {
    std::free(state.pixels);
    std::free(state.rows);
    state.pixels = nullptr;
    state.rows = nullptr;
}

// Applies the program's transformations, in its order, and reads every row (all interlace
// passes) into state.pixels. Returns false when the picture is too large to read.
bool DecodeRows(png_structp png, png_infop info, PngReadState& state) {
    png_uint_32& width = state.width;
    png_uint_32& height = state.height;
    int& channels = state.channels;
    png_set_read_fn(png, &state, ReadBytes);
    png_read_info(png, info);
    int bit_depth = 0, colour_type = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, nullptr, nullptr, nullptr);
    if (!ImageSizeAcceptable(width, height, 4)) {
        return false;
    }
    // Palette to RGB, low-bit grey to 8 bits.
    if (colour_type == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colour_type == PNG_COLOR_TYPE_GRAY && bit_depth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    // The file's own background, or black.
    png_color_16p file_background = nullptr;
    if (png_get_bKGD(png, info, &file_background)) {
        png_set_background(png, file_background, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        png_color_16 black{};
        png_set_background(png, &black, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
    // Screen gamma 1.7 and the file's gamma, or 0.45 when it has none.
    double file_gamma = 0.45;
    if (!png_get_gAMA(png, info, &file_gamma)) {
        file_gamma = 0.45;
    }
    png_set_gamma(png, 1.7, file_gamma);
    if (bit_depth == 16) {
        png_set_strip_16(png);
        png_set_swap(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    channels = png_get_channels(png, info);
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    state.pixels = static_cast<unsigned char*>(std::malloc(row_bytes * height));
    state.rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (state.pixels == nullptr || state.rows == nullptr) {
        ReportOutOfMemory();
    }
    for (png_uint_32 y = 0; y < height; ++y) {
        state.rows[y] = state.pixels + row_bytes * y;
    }
    png_read_image(png, state.rows);
    png_read_end(png, nullptr);
    return true;
}

// Copies the decoded rows into the picture and releases them.
Status StoreRows(PngReadState& state, TextureImage& image) {
    const png_uint_32 width = state.width;
    const png_uint_32 height = state.height;
    const int channels = state.channels;

    image.grey_rows.clear();
    image.rgb_rows.clear();
    image.height = 0;
    if (channels == 1 || channels == 3) {
        image.channels = channels;
        image.width = static_cast<std::int32_t>(width);
        for (png_uint_32 y = 0; y < height; ++y) {
            image.AppendRow(state.rows[y]);
        }
    }
    ReleaseRows(state);
    // Any other channel count after the transformations is refused.
    return channels == 1 || channels == 3
               ? Status::Ok()
               : Status::Message(kMsgImageChannels, {std::to_string(channels)});
}

}  // namespace

Status DecodePng(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                 std::vector<Status>* warnings) {
    PngReadState state;
    state.data = bytes.data();
    state.size = bytes.size();
    state.warnings = warnings;
    const Status cannot_open =
        Status::Message(kMsgImageOpenFailed, FormatMessage(kMsgImageOpenFailed, path));

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, ReadError, ReadWarning);
    if (png == nullptr) {
        return cannot_open;
    }
    png_infop info = png_create_info_struct(png);
    png_infop end_info = png_create_info_struct(png);
    if (info == nullptr || end_info == nullptr) {
        png_destroy_read_struct(&png, &info, &end_info);
        return cannot_open;
    }
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);

    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &end_info);
        ReleaseRows(state);
        return Status::Library(state.message);
    }
    if (!DecodeRows(png, info, state)) {
        png_destroy_read_struct(&png, &info, &end_info);
        return Status::Message(kMsgImageTooLarge, FormatMessage(kMsgImageTooLarge, path));
    }
    png_destroy_read_struct(&png, &info, &end_info);
    return StoreRows(state, image);
}

}  // namespace kelto
