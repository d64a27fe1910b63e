#include "seidel_triangulation.h"

namespace kelto {

// Placeholder until the trapezoidation lands.
std::vector<std::array<int, 3>> TriangulatePolygon(const std::vector<std::vector<Point2>>&,
                                                   std::optional<std::uint32_t>) {
    return {};
}

struct PolygonLocator::Structure {};

PolygonLocator::PolygonLocator(const std::vector<Point2>&, std::optional<std::uint32_t>)
    : structure_(std::make_unique<Structure>()) {}
PolygonLocator::~PolygonLocator() = default;
PolygonLocator::PolygonLocator(PolygonLocator&&) noexcept = default;
PolygonLocator& PolygonLocator::operator=(PolygonLocator&&) noexcept = default;
bool PolygonLocator::Contains(const Point2&) const { return false; }

}  // namespace kelto
