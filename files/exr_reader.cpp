// OpenEXR pictures through the library's C interface (opened on first use, see
// openexr_library.h), which throws nothing and needs no C++ runtime of its own: the first part of
// the file, scanline or tiled (the full-size level), its R, G and B channels (or Y, as grey)
// decoded to floats in place.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "environment_decoders.h"
#include "openexr_library.h"

namespace kelto {
namespace {

// The library's functions, once DecodeOpenExr has found it.
const OpenExrLibrary& Exr() {
    return *OpenExr();
}

struct ExrSource {
    std::span<const std::uint8_t> bytes;
    std::string last_error;
};

int64_t ReadBytes(exr_const_context_t, void* user, void* buffer, uint64_t size, uint64_t offset,
                  exr_stream_error_func_ptr_t) {
    const auto& bytes = static_cast<ExrSource*>(user)->bytes;
    if (offset >= bytes.size())
        return 0;
    const uint64_t count = std::min<uint64_t>(size, bytes.size() - offset);
    std::memcpy(buffer, bytes.data() + offset, count);
    return static_cast<int64_t>(count);
}

int64_t SizeOf(exr_const_context_t, void* user) {
    return static_cast<int64_t>(static_cast<ExrSource*>(user)->bytes.size());
}

// Keeps the library's words for the message instead of letting it print them.
void KeepError(exr_const_context_t context, exr_result_t, const char* message) {
    void* user = nullptr;
    if (Exr().exr_get_user_data(context, &user) == EXR_ERR_SUCCESS && user != nullptr &&
        message != nullptr) {
        static_cast<ExrSource*>(user)->last_error = message;
    }
}

// The file's context, finished when it goes.
class ExrContext {
  public:
    ~ExrContext() {
        if (context_ != nullptr)
            Exr().exr_finish(&context_);
    }
    exr_context_t* Address() { return &context_; }
    exr_const_context_t Get() const { return context_; }

  private:
    exr_context_t context_ = nullptr;
};

class ExrDecoder {
  public:
    explicit ExrDecoder(exr_const_context_t context) : context_(context) {}
    ~ExrDecoder() {
        if (started_)
            Exr().exr_decoding_destroy(context_, &pipeline_);
    }
    exr_result_t Begin(const exr_chunk_info_t& chunk) {
        if (started_)
            return Exr().exr_decoding_update(context_, 0, &chunk, &pipeline_);
        const exr_result_t result = Exr().exr_decoding_initialize(context_, 0, &chunk, &pipeline_);
        started_ = result == EXR_ERR_SUCCESS;
        return result;
    }
    exr_decode_pipeline_t& Pipeline() { return pipeline_; }
    // The default routines, chosen again for each chunk: a chunk at the picture's edge may be
    // narrower than the others.
    exr_result_t Run() {
        if (exr_result_t result =
                Exr().exr_decoding_choose_default_routines(context_, 0, &pipeline_);
            result != EXR_ERR_SUCCESS) {
            return result;
        }
        return Exr().exr_decoding_run(context_, 0, &pipeline_);
    }

  private:
    exr_const_context_t context_;
    exr_decode_pipeline_t pipeline_{};  // all zero, as EXR_DECODE_PIPELINE_INITIALIZER makes it
    bool started_ = false;
};

Status Failure(const ExrSource& source, exr_result_t result) {
    std::string why =
        source.last_error.empty() ? Exr().exr_get_default_error_message(result) : source.last_error;
    return Status::Library("OpenEXR: " + why);
}

}  // namespace

Result<EnvironmentPicture> DecodeOpenExr(std::span<const std::uint8_t> bytes,
                                         const std::string& name) {
    if (OpenExr() == nullptr) {
        return Status::Library(std::string("reading OpenEXR pictures needs the OpenEXR library (") +
                               OpenExrLibraryName() + "), which this machine does not have");
    }
    ExrSource source{bytes, {}};
    exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
    init.user_data = &source;
    init.read_fn = &ReadBytes;
    init.size_fn = &SizeOf;
    init.error_handler_fn = &KeepError;
    ExrContext context;
    exr_result_t result = Exr().exr_start_read(context.Address(), name.c_str(), &init);
    if (result != EXR_ERR_SUCCESS)
        return Failure(source, result);
    const exr_const_context_t file = context.Get();

    exr_storage_t storage = EXR_STORAGE_LAST_TYPE;
    exr_attr_box2i_t window{};
    const exr_attr_chlist_t* channels = nullptr;
    if ((result = Exr().exr_get_storage(file, 0, &storage)) != EXR_ERR_SUCCESS ||
        (result = Exr().exr_get_data_window(file, 0, &window)) != EXR_ERR_SUCCESS ||
        (result = Exr().exr_get_channels(file, 0, &channels)) != EXR_ERR_SUCCESS) {
        return Failure(source, result);
    }
    if (storage != EXR_STORAGE_SCANLINE && storage != EXR_STORAGE_TILED) {
        return Status::Library("it holds deep pixels, not a picture");
    }
    const std::int64_t width = std::int64_t{window.max.x} - window.min.x + 1;
    const std::int64_t height = std::int64_t{window.max.y} - window.min.y + 1;
    if (width < 1 || height < 1) {
        return Status::Library("its data window is empty");
    }
    if (Status status = CheckEnvironmentSize(width, height, name); !status.ok()) {
        return status;
    }
    // Which of the picture's three floats each channel fills: R, G, B, or Y for all three.
    bool has_rgb = false, has_y = false;
    for (int i = 0; i < channels->num_channels; ++i) {
        const exr_attr_chlist_entry_t& channel = channels->entries[i];
        const std::string_view channel_name(channel.name.str,
                                            static_cast<std::size_t>(channel.name.length));
        const bool wanted = channel_name == "R" || channel_name == "G" || channel_name == "B" ||
                            channel_name == "Y";
        if (wanted && (channel.x_sampling != 1 || channel.y_sampling != 1)) {
            return Status::Library("its channel " + std::string(channel_name) + " is subsampled");
        }
        has_rgb = has_rgb || (wanted && channel_name != "Y");
        has_y = has_y || channel_name == "Y";
    }
    if (!has_rgb && !has_y)
        return Status::Library("it has no R, G, B or Y channel");
    auto slot = [&](const char* channel_name) {
        const std::string_view n(channel_name != nullptr ? channel_name : "");
        if (n == "R" || (n == "Y" && !has_rgb))
            return 0;
        if (n == "G")
            return 1;
        if (n == "B")
            return 2;
        return -1;
    };

    EnvironmentPicture picture;
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    // Rows are added as chunks reach them (chunks are read top first), so that a file that only
    // claims a large picture costs no more memory than it holds.
    const std::size_t line_bytes = static_cast<std::size_t>(width) * 3 * sizeof(float);
    ExrDecoder decoder(file);
    std::vector<float> scratch;
    // Decodes one chunk whose first pixel is (x, y) of the data window into the picture.
    auto decode = [&](const exr_chunk_info_t& chunk, std::int64_t x,
                      std::int64_t y) -> exr_result_t {
        if (x < 0 || y < 0 || chunk.width < 0 || chunk.height < 0 || x + chunk.width > width ||
            y + chunk.height > height) {
            return EXR_ERR_CORRUPT_CHUNK;
        }
        if (exr_result_t begun = decoder.Begin(chunk); begun != EXR_ERR_SUCCESS)
            return begun;
        const std::size_t rows_floats =
            static_cast<std::size_t>(y + chunk.height) * static_cast<std::size_t>(width) * 3;
        if (picture.rgb.size() < rows_floats)
            picture.rgb.resize(rows_floats, 0.0f);
        exr_decode_pipeline_t& pipeline = decoder.Pipeline();
        auto* origin = reinterpret_cast<std::uint8_t*>(picture.rgb.data()) +
                       static_cast<std::size_t>(y) * line_bytes +
                       static_cast<std::size_t>(x) * 3 * sizeof(float);
        // Channels the picture does not use go to scratch rows: the library's routines for
        // channels left without a place do not all bear it.
        std::size_t scratch_floats = 0;
        for (int c = 0; c < pipeline.channel_count; ++c) {
            const exr_coding_channel_info_t& channel = pipeline.channels[c];
            if (slot(channel.channel_name) < 0) {
                scratch_floats += static_cast<std::size_t>(std::max(channel.width, 0)) *
                                  static_cast<std::size_t>(std::max(channel.height, 0));
            }
        }
        if (scratch.size() < scratch_floats)
            scratch.resize(scratch_floats);
        std::size_t scratch_used = 0;
        for (int c = 0; c < pipeline.channel_count; ++c) {
            exr_coding_channel_info_t& channel = pipeline.channels[c];
            const int to = slot(channel.channel_name);
            channel.user_data_type = EXR_PIXEL_FLOAT;
            channel.user_bytes_per_element = sizeof(float);
            if (to >= 0) {
                channel.decode_to_ptr = origin + to * sizeof(float);
                channel.user_pixel_stride = 3 * sizeof(float);
                channel.user_line_stride = static_cast<int32_t>(line_bytes);
            } else {
                channel.decode_to_ptr =
                    reinterpret_cast<std::uint8_t*>(scratch.data() + scratch_used);
                channel.user_pixel_stride = sizeof(float);
                channel.user_line_stride =
                    static_cast<int32_t>(std::max(channel.width, 0) * sizeof(float));
                scratch_used += static_cast<std::size_t>(std::max(channel.width, 0)) *
                                static_cast<std::size_t>(std::max(channel.height, 0));
            }
        }
        return decoder.Run();
    };
    if (storage == EXR_STORAGE_SCANLINE) {
        int32_t lines_per_chunk = 0;
        if ((result = Exr().exr_get_scanlines_per_chunk(file, 0, &lines_per_chunk)) !=
            EXR_ERR_SUCCESS)
            return Failure(source, result);
        if (lines_per_chunk < 1)
            return Status::Library("its chunks hold no scanlines");
        for (std::int64_t y = window.min.y; y <= window.max.y; y += lines_per_chunk) {
            exr_chunk_info_t chunk{};
            if ((result = Exr().exr_read_scanline_chunk_info(file, 0, static_cast<int>(y),
                                                             &chunk)) != EXR_ERR_SUCCESS ||
                (result = decode(chunk, 0, std::int64_t{chunk.start_y} - window.min.y)) !=
                    EXR_ERR_SUCCESS) {
                return Failure(source, result);
            }
        }
    } else {
        int32_t tile_width = 0, tile_height = 0;
        if ((result = Exr().exr_get_tile_sizes(file, 0, 0, 0, &tile_width, &tile_height)) !=
            EXR_ERR_SUCCESS)
            return Failure(source, result);
        if (tile_width < 1 || tile_height < 1)
            return Status::Library("its tiles are empty");
        for (std::int64_t ty = 0; ty * tile_height < height; ++ty) {
            for (std::int64_t tx = 0; tx * tile_width < width; ++tx) {
                exr_chunk_info_t chunk{};
                if ((result = Exr().exr_read_tile_chunk_info(file, 0, static_cast<int>(tx),
                                                             static_cast<int>(ty), 0, 0, &chunk)) !=
                        EXR_ERR_SUCCESS ||
                    (result = decode(chunk, tx * tile_width, ty * tile_height)) !=
                        EXR_ERR_SUCCESS) {
                    return Failure(source, result);
                }
            }
        }
    }
    picture.rgb.resize(static_cast<std::size_t>(width * height) * 3, 0.0f);
    for (float& v : picture.rgb)
        v = EnvironmentValue(v);
    if (!has_rgb) {
        for (std::size_t i = 0; i < picture.rgb.size(); i += 3) {
            picture.rgb[i + 1] = picture.rgb[i + 2] = picture.rgb[i];
        }
    }
    return picture;
}

}  // namespace kelto
