// Fuzz target: any bytes opened as a scene file and, when the reader takes them, exported to
// glTF and STL in memory. Whatever the scene holds (values out of range, pictures, deep trees),
// the GLB is whole with valid JSON, and the STL has one record a facet with finite numbers.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <span>

#include "document/document_core.h"
#include "document/export_cameras.h"
#include "files/gltf_writer.h"
#include "files/stl_writer.h"

namespace {

std::uint32_t U32At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes.data() + at, 4);
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kelto::DocumentCore document;
    if (!document.OpenFromBytes(std::span(data, size), "fuzz.kel").ok()) {
        return 0;
    }
    kelto::ExportOptions options;
    options.cameras = kelto::ExportCamerasOf(document);
    const kelto::GltfDocument gltf =
        kelto::BuildGltf(document.GetScene(), options, kelto::GltfLayout::Binary, "fuzz");
    const std::vector<std::uint8_t> glb = kelto::GlbBytes(gltf);
    if (glb.size() < 20 || U32At(glb, 8) != glb.size() || U32At(glb, 12) % 4 != 0 ||
        !nlohmann::json::accept(gltf.json)) {
        __builtin_trap();
    }
    const std::vector<kelto::StlSolid> solids = kelto::StlSolidsOf(document.GetScene(), options);
    const std::vector<std::uint8_t> stl = kelto::StlBytes(solids);
    const std::uint32_t facets = U32At(stl, 80);
    if (stl.size() != 84 + 50 * std::size_t{facets}) {
        __builtin_trap();
    }
    for (std::size_t f = 0; f < facets; ++f) {
        for (std::size_t k = 0; k < 12; ++k) {
            float v = 0.0f;
            std::memcpy(&v, stl.data() + 84 + 50 * f + 4 * k, 4);
            if (!std::isfinite(v)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}
