// The world-space triangle the ray tracer prepares for every triangle of a leaf object.
#pragma once

#include <cstdint>

#include "geometry.h"

namespace kelto {

struct RenderTriangle {
    float corner_u[3] = {};
    float corner_v[3] = {};
    Vec3f corner[3];
    Vec3f plane_normal;
    Vec3f normal[3];
    Vec3f edge_gradient;
    Vec3f sphere_centre;
    float sphere_radius_squared = 0.0f;
    float plane_offset = 0.0f;
    std::uint32_t flags = 0;  // bits 0-1 projection axis, bits 2-3 interpolation axis
};

}  // namespace kelto
