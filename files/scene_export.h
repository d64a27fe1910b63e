// Writing a scene in another program's format, the format chosen by the file's extension. Every
// format's writer has the same form, so that a new format is one writer and one table row.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/scene.h"
#include "model/status.h"

namespace kelto {

// Choices a format may offer; none yet.
struct ExportOptions {};

// What an export wrote: how many objects, and the files in the order they were written.
struct ExportReport {
    int objects = 0;
    std::vector<std::string> files;
};

using SceneWriter = Result<ExportReport> (*)(const Scene& scene, const std::string& path,
                                             const ExportOptions& options);

struct ExportFormat {
    std::string_view extension;  // lower case, without the dot
    SceneWriter write;
};

// Every format a scene can be exported to.
std::span<const ExportFormat> ExportFormats();

// Writes the scene in the format the path's extension names (in any case); any other name gets
// the first format of the table (OBJ). Fails with "cannot write PATH" when a file cannot be
// written; that file is then left as it was.
Result<ExportReport> WriteSceneAs(const Scene& scene, const std::string& path,
                                  const ExportOptions& options = {});

// The writers of the table.
// OBJ: the scene at `path` and its materials in an MTL file beside it (the same name with the
// extension .mtl) that the OBJ names.
Result<ExportReport> WriteSceneObjFiles(const Scene& scene, const std::string& path,
                                        const ExportOptions& options);

}  // namespace kelto
