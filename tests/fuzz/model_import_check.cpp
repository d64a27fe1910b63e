#include <cmath>
#include <span>

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

}  // namespace

void CheckModelImport(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const char* file_name = kFileNames[data[0] % std::size(kFileNames)];
    DocumentCore document;
    const auto made = document.ImportModelBytes(std::span(data + 1, size - 1), file_name);
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
