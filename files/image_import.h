// The work behind "Import Image...": once the user has chosen a file, read it into a
// material's picture.
#pragma once

#include <string>

#include <vector>

#include "image_files.h"
#include "model/image.h"
#include "model/status.h"

namespace kelto {

// The extensions the import reads, lower-cased: jpg, jpeg, png, tif, tiff.
bool IsImportableImageExtension(const std::string& extension);

// Marks the picture failed, checks the extension and that the file can be opened, reads it
// with the reader for its format, clears the failed flag on success and builds the 64x64
// texture. The status says why a picture could not be read whole (an error box); PNG
// warnings, when there were any, are added to `warnings` (warning boxes). Every message names
// the file (a message whose text lacks it gets the path on a line of its own).
Status ImportImage(const std::string& path, TextureImage& image,
                   std::vector<Status>* warnings = nullptr, const ProgressCallback& progress = {});

}  // namespace kelto
