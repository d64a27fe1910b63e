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
    bool cut_short = false;  // the file ended before the picture did
    std::vector<Status>* warnings = nullptr;
    TextureImage* image = nullptr;
    // Volatile: set after the jump target and read again when an error jumps back to it. An
    // interlaced picture's rows, each kept until the last pass has filled it; otherwise one
    // row at a time.
    png_bytep* volatile rows = nullptr;
    volatile png_uint_32 row_count = 0;
    unsigned char* volatile scanline = nullptr;
    // What the decoding found, kept here rather than in locals of the function that sets the
    // jump target.
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int channels = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
    if (length > state->size - state->position) {
        state->cut_short = true;
        png_error(png, "the file ends too soon");
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
    if (state.rows != nullptr) {
        for (png_uint_32 y = 0; y < state.row_count; ++y) {
            std::free(state.rows[y]);
        }
    }
    std::free(state.rows);
    std::free(state.scanline);
    state.rows = nullptr;
    state.row_count = 0;
    state.scanline = nullptr;
}

void* Allocate(std::size_t bytes) {
    void* memory = std::malloc(bytes);
    if (memory == nullptr) {
        ReportOutOfMemory();
    }
    return memory;
}

// Whether the file's compressed data can hold the rows its header describes: deflate makes at
// most 1 032 bytes of one, so a file much smaller than its rows over that is cut short or damaged.
bool HoldsItsRows(png_structp png, png_infop info, std::size_t file_bytes) {
    const std::uint64_t bits = std::uint64_t{png_get_image_width(png, info)} *
                               png_get_bit_depth(png, info) * png_get_channels(png, info);
    const std::uint64_t row_bytes = (bits + 7) / 8 + 1;  // with the filter byte
    return row_bytes * png_get_image_height(png, info) / 1032 <= file_bytes;
}

enum class RowsRead { Whole, TooLarge, CutShort };

// Applies the program's transformations, in its order, and reads every row (all interlace
// passes) into the picture, keeping at most one row beside it unless the file is interlaced.
RowsRead DecodeRows(png_structp png, png_infop info, PngReadState& state) {
    png_uint_32& width = state.width;
    png_uint_32& height = state.height;
    int& channels = state.channels;
    png_set_read_fn(png, &state, ReadBytes);
    png_read_info(png, info);
    int bit_depth = 0, colour_type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &colour_type, &interlace, nullptr,
                 nullptr);
    if (!ImageSizeAcceptable(width, height, 4)) {
        return RowsRead::TooLarge;
    }
    if (!HoldsItsRows(png, info, state.size)) {
        return RowsRead::CutShort;
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
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    channels = png_get_channels(png, info);
    TextureImage& image = *state.image;
    image.grey_rows.clear();
    image.rgb_rows.clear();
    image.height = 0;
    image.channels = channels;
    image.width = static_cast<std::int32_t>(width);
    if (channels != 1 && channels != 3) {
        return RowsRead::Whole;  // refused by the caller
    }
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    if (interlace == PNG_INTERLACE_NONE || passes == 1) {
        state.scanline = static_cast<unsigned char*>(Allocate(row_bytes));
        for (png_uint_32 y = 0; y < height; ++y) {
            png_read_row(png, state.scanline, nullptr);
            // No C++ object is alive across the library call above: the rows are made here.
            image.AppendRow(state.scanline);
        }
    } else {
        state.rows = static_cast<png_bytep*>(Allocate(sizeof(png_bytep) * height));
        for (png_uint_32 y = 0; y < height; ++y) {
            state.rows[y] = static_cast<png_bytep>(Allocate(row_bytes));
            state.row_count = y + 1;
        }
        png_read_image(png, state.rows);
        // Each row goes as soon as the picture has it.
        for (png_uint_32 y = 0; y < height; ++y) {
            image.AppendRow(state.rows[y]);
            std::free(state.rows[y]);
            state.rows[y] = nullptr;
        }
    }
    png_read_end(png, nullptr);
    return RowsRead::Whole;
}

}  // namespace

Status DecodePng(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                 std::vector<Status>* warnings) {
    PngReadState state;
    state.data = bytes.data();
    state.size = bytes.size();
    state.warnings = warnings;
    state.image = &image;
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
        return state.cut_short ? Status::Message(kMsgImageDamaged, {path})
                               : Status::Message(kMsgImageUnreadable, {path, state.message});
    }
    const RowsRead read = DecodeRows(png, info, state);
    png_destroy_read_struct(&png, &info, &end_info);
    ReleaseRows(state);
    switch (read) {
        case RowsRead::TooLarge:
            return Status::Message(kMsgImageTooLarge, FormatMessage(kMsgImageTooLarge, path));
        case RowsRead::CutShort:
            return Status::Message(kMsgImageDamaged, {path});
        case RowsRead::Whole:
            break;
    }
    // Any other channel count after the transformations is refused.
    return state.channels == 1 || state.channels == 3
               ? Status::Ok()
               : Status::Message(kMsgImageChannels, {std::to_string(state.channels)});
}

}  // namespace kelto
