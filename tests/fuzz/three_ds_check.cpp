#include "fuzz_checks.h"

#include <span>

#include "document/document_core.h"

namespace kelto {

void CheckThreeDsImport(const std::uint8_t* data, std::size_t size) {
    DocumentCore document;
    const auto created = document.Import3dsBytes(std::span(data, size), "fuzz.3ds");
    if (!created.ok()) {
        if (document.GetScene().NodeCount() != 1 || document.IsModified() ||
            created.status().text.empty())
            __builtin_trap();
        return;
    }
    for (NodeId id : *created) {
        const Mesh& mesh = document.Node(id)->display_mesh;
        if (mesh.indices.size() % 3 != 0 || mesh.vertices.size() > kMaxMeshVertices)
            __builtin_trap();
        for (std::uint16_t i : mesh.indices)
            if (i >= mesh.vertices.size())
                __builtin_trap();
    }
}

}  // namespace kelto
