#include "image_import.h"

#include <vector>

#include "file_io.h"
#include "image_files.h"

namespace kelto {

namespace {

// A message about a picture that does not say which file it is about (a decoder's own words,
// the channel count) gets the file's path on a line of its own.
Status NamingFile(Status status, const std::string& path) {
    if (!status.ok() && status.number != Status::kSilentFailure &&
        status.text.find(path) == std::string::npos) {
        status.text += "\n" + path;
    }
    return status;
}

}  // namespace

bool IsImportableImageExtension(const std::string& extension) {
    const std::string e = LowerCase(extension);
    return e == "jpg" || e == "jpeg" || e == "png" || e == "tif" || e == "tiff";
}

Status ImportImage(const std::string& path, TextureImage& image, std::vector<Status>* warnings,
                   const ProgressCallback& progress) {
    image.failed = 1;
    const std::string extension = LowerCase(ExtensionOf(path));
    if (!IsImportableImageExtension(extension)) {
        return NamingFile(Status::Message(kMsgImageTypeUnknown, {extension}), path);
    }
    const Result<std::vector<std::uint8_t>> read = ReadWholeFile(path);
    if (!read.ok()) {
        return Status::Message(kMsgImageOpenFailed, {path});
    }
    const std::vector<std::uint8_t>& bytes = *read;
    Status status;
    if (extension == "png") {
        image.format = ImageFormat::Png;
        status = DecodePng(bytes, image, path, warnings);
    } else if (extension == "tif" || extension == "tiff") {
        image.format = ImageFormat::Tiff;
        status = DecodeTiff(bytes, image, path);
    } else {
        image.format = ImageFormat::Jpeg;
        status = DecodeJpeg(bytes, image, path, progress);
    }
    if (status.ok()) {
        image.failed = 0;
    } else if (status.text.empty()) {
        status = Status::Message(kMsgImageOpenFailed, {path});
    }
    status = NamingFile(std::move(status), path);
    if (warnings != nullptr) {
        for (Status& warning : *warnings) {
            warning = NamingFile(std::move(warning), path);
        }
    }
    image.BuildTexture();
    if (progress) {
        progress(100);
    }
    return status;
}

}  // namespace kelto
