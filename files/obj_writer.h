// Wavefront OBJ export of a mesh, for looking at shapes in any mesh viewer.
#pragma once

#include <ostream>
#include <string>

#include "model/mesh.h"

namespace kelto {

// Writes v, vn, vt and f lines with 1-based indices. Our triangles are wound clockwise seen
// from the side their normals face; OBJ readers expect counter-clockwise, so every face is
// written with its last two corners swapped.
void WriteObj(const Mesh& mesh, std::ostream& out);
// The same into a file; false when the file cannot be written completely.
bool WriteObjFile(const Mesh& mesh, const std::string& path);

}  // namespace kelto
