#include <algorithm>
#include <cmath>
#include <fstream>
#include <span>

#include "../temporary_directory.h"
#include "document/document_core.h"
#include "files/scene_file.h"
#include "fuzz_checks.h"
#include "model/child_list.h"

namespace kelto {

namespace {

constexpr const char* kFileNames[] = {"fuzz.obj", "fuzz.stl", "fuzz.ply", "fuzz.gltf", "fuzz.glb"};

bool SoundMesh(const Mesh& mesh) {
    if (mesh.indices.size() % 3 != 0 || mesh.vertices.size() > kMaxMeshVertices) {
        return false;
    }
    for (const std::uint16_t i : mesh.indices) {
        if (i >= mesh.vertices.size()) {
            return false;
        }
    }
    for (const DisplayVertex& v : mesh.vertices) {
        if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z)) {
            return false;
        }
    }
    return true;
}

void Write(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// An OBJ picked by a first byte of 5, 15, 25... and holding a NUL byte: the OBJ up to that
// byte, read from a file, and after it the material library fuzz.mtl beside the file. (Other
// OBJ inputs keep their NUL bytes for the reader.)
Result<ImportedObjects> ImportObjWithLibrary(DocumentCore& document,
                                             std::span<const std::uint8_t> bytes) {
    static const test::TemporaryDirectory folder;
    const auto nul = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
    Write(folder.File("fuzz.obj"), bytes.first(static_cast<std::size_t>(nul - bytes.begin())));
    Write(folder.File("fuzz.mtl"),
          bytes.subspan(static_cast<std::size_t>(nul - bytes.begin()) + 1));
    return document.ImportObject(folder.File("fuzz.obj"));
}

}  // namespace

void CheckModelImport(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const char* file_name = kFileNames[data[0] % std::size(kFileNames)];
    DocumentCore document;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    const bool with_library = data[0] % 10 == 5 && std::ranges::count(bytes, 0) > 0;
    const auto made = with_library ? ImportObjWithLibrary(document, bytes)
                                   : document.ImportModelBytes(bytes, file_name);
    if (!made.ok()) {
        if (document.GetScene().NodeCount() != 1 || document.IsModified() || document.CanUndo() ||
            made.status().text.empty())
            __builtin_trap();
        return;
    }
    for (const SceneNode* node : SubtreeOf(document.GetScene().Root())) {
        if (!SoundMesh(node->display_mesh) || node->name.size() > kMaxStoredNameLength)
            __builtin_trap();
    }
    // What was imported saves, and the save opens again.
    DocumentCore reopened;
    if (!reopened.OpenFromBytes(document.SaveToBytes(), "fuzz.kel").ok())
        __builtin_trap();
}

}  // namespace kelto
