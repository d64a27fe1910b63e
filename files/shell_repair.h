// Closing the surfaces of a solid into shells: the check that a set of facets is closed, and
// the repairs a boolean result's cut surfaces need before a slicer takes them as a solid.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/geometry.h"

namespace kelto {

using Facet = std::array<std::uint32_t, 3>;  // vertex indices, counter-clockwise from outside

// Whether the facets make closed shells: every edge is used by exactly two facets, once in each
// direction.
bool IsClosedShell(std::span<const Facet> facets);

// Cut surfaces meet at T-junctions: one facet's edge runs along several edges of its
// neighbours, whose corners lie on it (within `tolerance`). Each such facet is split at those
// corners, which joins it to its neighbours.
void MendTJunctions(const std::vector<Vec3>& vertices, double tolerance,
                    std::vector<Facet>& facets);

// Where two cut surfaces stop short of each other, their open edges make two loops along the
// seam, running opposite ways, apart by less than `gap`. Each such pair of loops is joined by a
// strip of facets. The facets change only when every open edge is closed that way.
void StitchSeams(const std::vector<Vec3>& vertices, double gap, std::vector<Facet>& facets);

}  // namespace kelto
