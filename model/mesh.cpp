#include "mesh.h"

namespace kelto {

BoundingBox Mesh::Box() const {
    BoundingBox box;
    for (const DisplayVertex& v : vertices) {
        box.Grow(v.Position());
    }
    return box;
}

}  // namespace kelto
