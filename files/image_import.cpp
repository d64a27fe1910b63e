#include "image_import.h"

#include <vector>

#include "file_io.h"
#include "image_files.h"

namespace kelto {

bool IsImportableImageExtension(const std::string& extension) {
    const std::string e = LowerCase(extension);
    return e == "jpg" || e == "jpeg" || e == "png" || e == "tif" || e == "tiff";
}

bool ImportImage(const std::string& path, TextureImage& image, MessageSink& messages,
                 ProgressSink* progress) {
    image.failed = 1;
    const std::string extension = LowerCase(ExtensionOf(path));
    auto show_error = [&](const Status& status) {
        if (!status.text.empty()) {
            messages.Show(status.number, status.text, MessageIcon::Error, MessageButtons::Ok);
        }
    };
    if (!IsImportableImageExtension(extension)) {
        show_error(
            Status::Message(kMsgImageTypeUnknown, FormatMessage(kMsgImageTypeUnknown, extension)));
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) {
        show_error(Status::Message(kMsgImageOpenFailed, FormatMessage(kMsgImageOpenFailed, path)));
        return false;
    }
    Status status;
    if (extension == "png") {
        image.format = ImageFormat::Png;
        status = DecodePng(bytes, image, path, &messages);
    } else if (extension == "tif" || extension == "tiff") {
        image.format = ImageFormat::Tiff;
        status = DecodeTiff(bytes, image, path);
    } else {
        image.format = ImageFormat::Jpeg;
        status = DecodeJpeg(bytes, image, path, progress);
    }
    if (status.ok()) {
        image.failed = 0;
    } else {
        show_error(status);
    }
    image.BuildTexture();
    if (progress) {
        progress->Report(100);
    }
    return status.ok();
}

}  // namespace kelto
