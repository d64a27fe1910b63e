// JPEG through libjpeg's version 6 interface. Library errors jump back to the caller, which
// releases everything and reports the library's message instead of ending the program.
#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first, and jerror.h needs jpeglib.h.
#include <jpeglib.h>

#include <jerror.h>

#include "image_files.h"
#include "model/out_of_memory.h"

namespace kelto {
namespace {

// Scans of a progressive file beyond this many are refused: each costs a pass over the whole
// picture, and a small hostile file can ask for thousands.
constexpr int kMaxJpegScans = 500;

struct JpegErrors {
    jpeg_error_mgr manager;  // first, so that the library's pointer to it is ours too
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool cut_short = false;  // the data ended before the picture did
};

[[noreturn]] void JumpBack(j_common_ptr info) {
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

// Warnings are not shown and decoding goes on, except where the data ends before the picture
// does (the file cut short, or a marker in the middle of a scan): libjpeg would fill the rest
// with grey and call it a success, so that is treated as the damage it is.
void EmitMessage(j_common_ptr info, int level) {
    const int code = info->err->msg_code;
    if (level < 0 && (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER)) {
        reinterpret_cast<JpegErrors*>(info->err)->cut_short = true;
        JumpBack(info);
    }
}

// Whether the file is large enough for the picture its header describes. Every coded 8x8 block
// takes at least one bit, and a component with fewer blocks than the others cannot be left out
// of every scan while they are coded, so a picture whose smallest component has more blocks
// than the file has bits is cut short or damaged. Checked before anything is allocated for it.
bool HoldsItsBlocks(const jpeg_decompress_struct& info, std::size_t file_bytes) {
    std::uint64_t fewest = UINT64_MAX;
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info& component = info.comp_info[c];
        fewest =
            std::min(fewest, std::uint64_t{component.width_in_blocks} * component.height_in_blocks);
    }
    return fewest <= std::uint64_t{file_bytes} * 8;
}

void IgnoreMessage(j_common_ptr) {}

void InitErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JumpBack;
    errors.manager.emit_message = EmitMessage;
    errors.manager.output_message = IgnoreMessage;
    errors.message[0] = '\0';
}

void LimitScans(j_common_ptr info) {
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > kMaxJpegScans) {
        std::snprintf(reinterpret_cast<JpegErrors*>(info->err)->message, JMSG_LENGTH_MAX,
                      "Too many scans in JPEG file");
        std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1);
    }
}

}  // namespace

Status DecodeJpeg(std::span<const std::uint8_t> bytes, TextureImage& image, const std::string& path,
                  const ProgressCallback& progress) {
    if (progress) {
        progress(0);
    }
    jpeg_decompress_struct info;
    JpegErrors errors;
    jpeg_progress_mgr scan_limit{};
    unsigned char* volatile scanline = nullptr;
    info.err = &errors.manager;
    InitErrors(errors);
    const Status damaged = Status::Message(kMsgImageDamaged, {path});
    if (setjmp(errors.jump)) {
        jpeg_destroy_decompress(&info);
        std::free(scanline);
        return errors.cut_short ? damaged
                                : Status::Message(kMsgImageUnreadable, {path, errors.message});
    }
    jpeg_create_decompress(&info);
    scan_limit.progress_monitor = LimitScans;
    info.progress = &scan_limit;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (!ImageSizeAcceptable(info.image_width, info.image_height, info.num_components)) {
        jpeg_destroy_decompress(&info);
        return Status::Message(kMsgImageTooLarge, FormatMessage(kMsgImageTooLarge, path));
    }
    if (!HoldsItsBlocks(info, bytes.size())) {
        jpeg_destroy_decompress(&info);
        return damaged;
    }
    jpeg_start_decompress(&info);

    const int channels = info.output_components;
    if (channels != 1 && channels != 3) {
        jpeg_abort_decompress(&info);
        jpeg_destroy_decompress(&info);
        return Status::Message(kMsgImageChannels, FormatMessage(kMsgImageChannels, channels));
    }
    const auto width = static_cast<std::size_t>(info.output_width);
    image.channels = channels;
    image.width = static_cast<std::int32_t>(width);
    image.height = 0;
    image.grey_rows.clear();
    image.rgb_rows.clear();
    scanline = static_cast<unsigned char*>(std::malloc(width * static_cast<std::size_t>(channels)));
    if (scanline == nullptr) {
        ReportOutOfMemory();
    }
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = scanline;
        jpeg_read_scanlines(&info, &row, 1);
        // No C++ object is alive across the library call above: the rows are made here.
        image.AppendRow(scanline);
        if (progress && image.height % 40 == 0) {
            progress(static_cast<int>(image.height * 100LL / info.output_height));
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::free(scanline);
    return Status::Ok();
}

Status EncodeJpeg(const RenderImage& image, int quality, std::vector<std::uint8_t>& out) {
    if (image.Width() <= 0 || image.Height() <= 0) {
        return Status::Silent();
    }
    jpeg_compress_struct info;
    JpegErrors errors;
    unsigned char* volatile scanline = nullptr;
    unsigned char* buffer = nullptr;  // set by the library, freed by us
    unsigned long buffer_size = 0;
    info.err = &errors.manager;
    InitErrors(errors);
    if (setjmp(errors.jump)) {
        jpeg_destroy_compress(&info);
        std::free(scanline);
        std::free(buffer);
        return Status::Silent();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &buffer_size);
    info.image_width = static_cast<JDIMENSION>(image.Width());
    info.image_height = static_cast<JDIMENSION>(image.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, std::clamp(quality, 20, 100), TRUE);
    jpeg_start_compress(&info, TRUE);

    const auto width = static_cast<std::size_t>(image.Width());
    scanline = static_cast<unsigned char*>(std::malloc(width * 3));
    if (scanline == nullptr) {
        ReportOutOfMemory();
    }
    for (int y = 0; y < image.Height(); ++y) {
        image.InterleaveRow(y, scanline);
        JSAMPROW rows[1] = {scanline};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    out.assign(buffer, buffer + buffer_size);
    jpeg_destroy_compress(&info);
    std::free(scanline);
    std::free(buffer);
    return Status::Ok();
}

}  // namespace kelto
