// STL export for 3D printing: the world-space triangles of the scene (or the selection), one
// closed shell per solid where the surfaces allow it. A solid is an object, or a whole boolean
// result with its operands; its corners that lie together are welded into one vertex, its
// facets wound counter-clockwise seen from outside (the side the mesh's normals face), and
// facets whose corners weld together are left out.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/scene.h"
#include "scene_export.h"
#include "shell_repair.h"

namespace kelto {

struct StlSolid {
    std::string name;
    std::vector<Vec3f> vertices;  // in the file's unit
    std::vector<std::array<std::uint32_t, 3>> facets;
};

// The solids an export writes. One scene unit is one millimetre, or one metre (1000 in the
// file, whose unit slicers take as the millimetre).
std::vector<StlSolid> StlSolidsOf(const Scene& scene, const ExportOptions& options);

// A binary STL file of the solids' facets, each with its unit normal.
std::vector<std::uint8_t> StlBytes(std::span<const StlSolid> solids);

}  // namespace kelto
