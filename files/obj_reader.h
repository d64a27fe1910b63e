// Wavefront OBJ with its MTL material libraries, read by our own code a block at a time: the
// points, texture coordinates and normals are kept once each, and every face's corners are
// welded by their (point, texture coordinate, normal) triple into the vertices of its mesh, so a
// mesh shares its vertices as the file shares them. What comes back is the scene the Open Asset
// Import Library's reader gave: a node for each object and group under the root, a mesh for each
// run of faces of one material within it, named as that reader named them, and the same
// materials; polygons are cut into fans when convex, by ear clipping when not.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "model/status.h"
#include "model_import.h"

namespace kelto {

// Reads the OBJ at `path`; the MTL libraries and pictures it names are read from its folder
// only. Messages name `file_name`.
Result<ModelScene> ReadObjFile(const std::string& path, const std::string& file_name,
                               const ModelImportOptions& options);

// The same from the file's bytes, with no libraries or pictures beside it.
Result<ModelScene> ReadObjBytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                                const ModelImportOptions& options);

}  // namespace kelto
