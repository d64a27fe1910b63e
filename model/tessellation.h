// Turning a rational B-spline surface into an indexed triangle mesh.
#pragma once

#include "bspline.h"
#include "mesh.h"

namespace kelto {

// Largest step count the tessellation accepts: (steps + 1)^2 samples must fit 16-bit indices.
inline constexpr int kMaxTessellationSteps = 255;

// Samples an (steps + 1) x (steps + 1) grid over the surface's valid parameter spans (u down
// the rows of the grid, v across), takes each sample's normal from the cross product of the
// partial derivatives, repairs samples without a normal from their neighbours (Newell's normal
// of the triangle when no neighbour has one), splits every cell along its A-D diagonal into
// two triangles wound counter-clockwise seen from the side the normals face, (A, C, D) and
// (A, D, B), drops triangles with two identical corners and welds the rest into `out`. Returns
// false, leaving `out` empty, when the surface cannot be evaluated, the step count is
// outside 1..kMaxTessellationSteps, or the welded mesh would not fit.
bool TessellateSurface(const SurfaceEvaluator& surface, int steps, Mesh& out);

}  // namespace kelto
