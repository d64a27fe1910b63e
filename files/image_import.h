// The work behind "Import Image...": once the user has chosen a file, read it into a
// material's picture.
#pragma once

#include <string>

#include "model/image.h"
#include "platform/messages.h"

namespace kelto {

// The extensions the import reads, lower-cased: jpg, jpeg, png, tif, tiff.
bool IsImportableImageExtension(const std::string& extension);

// Marks the picture failed, checks the extension and that the file can be opened, reads it
// with the reader for its format, clears the failed flag on success and builds the 64x64
// texture. Every failure is shown through `messages` as an error (PNG warnings as warnings).
// Returns whether the picture was read whole.
bool ImportImage(const std::string& path, TextureImage& image, MessageSink& messages,
                 ProgressSink* progress = nullptr);

}  // namespace kelto
