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

// How long one scene unit is in a format whose numbers are lengths without a unit (STL).
enum class ExportUnit { Millimetre, Metre };

// A camera of the document's modelling windows, as a format that keeps cameras (glTF) writes
// it: looking from `eye` at `target` with the world's y axis up, through a lens of
// `focal_length` millimetres.
struct ExportCamera {
    std::string name;
    Vec3 eye;
    Vec3 target;
    double focal_length = 50.0;
};

// Choices the formats offer; each format reads those that concern it.
struct ExportOptions {
    // Only the selected top-level objects (with their members), not the whole scene.
    bool selection_only = false;
    ExportUnit unit = ExportUnit::Millimetre;
    std::vector<ExportCamera> cameras;
};

// What an export wrote: how many objects, the files in the order they were written, and what
// the user should know about the result (each a warning message; the files are written).
struct ExportReport {
    int objects = 0;
    std::vector<std::string> files;
    std::vector<Status> warnings;
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

// The top-level objects an export writes: every one, or the selected ones.
std::vector<const SceneNode*> ExportedTopLevel(const Scene& scene, const ExportOptions& options);

// The writers of the table.
// OBJ: the scene at `path` and its materials in an MTL file beside it (the same name with the
// extension .mtl) that the OBJ names.
Result<ExportReport> WriteSceneObjFiles(const Scene& scene, const std::string& path,
                                        const ExportOptions& options);
// glTF 2.0: binary (.glb, one file) or text (.gltf, with its buffer in a .bin file and its
// pictures beside it); files/gltf_writer.h says what is written.
Result<ExportReport> WriteSceneGlb(const Scene& scene, const std::string& path,
                                   const ExportOptions& options);
Result<ExportReport> WriteSceneGltf(const Scene& scene, const std::string& path,
                                    const ExportOptions& options);
// Binary STL of the objects' world-space triangles; files/stl_writer.h says how.
Result<ExportReport> WriteSceneStl(const Scene& scene, const std::string& path,
                                   const ExportOptions& options);

}  // namespace kelto
