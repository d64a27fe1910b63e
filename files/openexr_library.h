// OpenEXR's C library, opened when the first OpenEXR picture is read rather than when the
// program starts: kelto-cli carries its other libraries inside it and runs on machines that
// have only the C library, and only a render of an OpenEXR environment there needs this one.
#pragma once

#include <openexr.h>

namespace kelto {

#define KELTO_OPENEXR_FUNCTIONS(X)          \
    X(exr_start_read)                       \
    X(exr_finish)                           \
    X(exr_get_user_data)                    \
    X(exr_get_default_error_message)        \
    X(exr_get_storage)                      \
    X(exr_get_data_window)                  \
    X(exr_get_channels)                     \
    X(exr_get_scanlines_per_chunk)          \
    X(exr_get_tile_sizes)                   \
    X(exr_read_scanline_chunk_info)         \
    X(exr_read_tile_chunk_info)             \
    X(exr_decoding_initialize)              \
    X(exr_decoding_update)                  \
    X(exr_decoding_choose_default_routines) \
    X(exr_decoding_run)                     \
    X(exr_decoding_destroy)

// The library's functions the reader calls, each named as the library names it.
struct OpenExrLibrary {
#define KELTO_OPENEXR_POINTER(name) decltype(&::name) name = nullptr;
    KELTO_OPENEXR_FUNCTIONS(KELTO_OPENEXR_POINTER)
#undef KELTO_OPENEXR_POINTER
};

// The library, opened once for the program's life; null when this machine does not have it.
const OpenExrLibrary* OpenExr();

// The file the library is opened from, for the message that says it is missing.
const char* OpenExrLibraryName();

}  // namespace kelto
