// Wavefront OBJ export: one mesh as it is, or a whole scene in world space with its materials.
#pragma once

#include <ostream>
#include <string>

#include "model/mesh.h"
#include "model/scene.h"
#include "model/status.h"

namespace kelto {

// Writes v, vn, vt and f lines with 1-based indices; faces keep the meshes' winding,
// counter-clockwise seen from the side their normals face, as OBJ readers expect.
void WriteObj(const Mesh& mesh, std::ostream& out);
// The same into a file; fails with "cannot write PATH" when the file cannot be written
// completely.
Status WriteObjFile(const Mesh& mesh, const std::string& path);

// Writes every leaf object's display mesh placed in the world (its own transform followed by
// its parents'), one `o` block per object named after it and using a material of the same
// name, to `obj`; and the materials to `mtl`: Kd colour x brightness, Ks highlight x strength,
// Ns shininess x 128, d 1 - transparency, Ni index of refraction. `mtl_name` is the material
// library file name the OBJ refers to. `selection_only`: only the selected top-level objects
// with their members. Returns how many objects were written.
int WriteSceneObj(const Scene& scene, std::ostream& obj, std::ostream& mtl,
                  const std::string& mtl_name, bool selection_only = false);

// The name an object's material has in the MTL file: its own, with white space replaced by
// underscores (MTL names end at white space).
std::string ObjMaterialName(const std::string& node_name);

}  // namespace kelto
