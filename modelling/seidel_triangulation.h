// Triangulation of polygons with holes by Seidel's randomised incremental trapezoidation:
// segments are inserted in random order into a trapezoidation with a point-location query
// structure, the trapezoids are merged into monotone polygons, and those are triangulated.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace kelto {

struct Point2 {
    double x = 0.0;
    double y = 0.0;
};

// The area enclosed by a closed polygon: positive when its points run counter-clockwise.
double SignedArea(const std::vector<Point2>& polygon);

// Triangulates one polygon with holes. contours[0] is the outer boundary, counter-clockwise;
// the others are holes, clockwise. Points are numbered from 1 across all contours in order
// (the outer contour's first point is 1). Returns triangles as triples of point numbers, each
// counter-clockwise. `random_seed` fixes the insertion order: the same seed gives the same
// triangles. The caller owns the random source; the triangulation keeps no state between calls.
// Degenerate input (repeated or collinear points) never crashes or loops; it may give fewer
// triangles.
std::vector<std::array<int, 3>> TriangulatePolygon(const std::vector<std::vector<Point2>>& contours,
                                                   std::uint32_t random_seed);

// A trapezoidation of one simple polygon kept for point location: whether a point lies inside.
class PolygonLocator {
  public:
    explicit PolygonLocator(const std::vector<Point2>& contour, std::uint32_t random_seed);
    ~PolygonLocator();
    PolygonLocator(PolygonLocator&&) noexcept;
    PolygonLocator& operator=(PolygonLocator&&) noexcept;
    bool Contains(const Point2& point) const;

  private:
    struct Structure;
    std::unique_ptr<Structure> structure_;
};

}  // namespace kelto
