// Boolean operations on two solids with solid plane-partition (BSP) trees. Trim: the trimmed
// solid keeps its surface outside the cutter; the cutter keeps its surface inside the trimmed
// solid, turned inside out; together they bound the difference. Combine keeps each solid's
// surface outside the other (the union); Intersect keeps each solid's surface inside the
// other (the intersection); neither turns a surface inside out.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "model/geometry.h"
#include "model/mesh.h"
#include "model/scene_node.h"
#include "model/status.h"

namespace kelto {

// Which of the three operations the kernel performs.
enum class BooleanMode {
    Difference,    // Trim
    Union,         // Combine
    Intersection,  // Intersect
};

// One convex planar polygon of an operand, in world coordinates, with what it carries along
// a cut: the local position, surface parameters and normal of each vertex.
struct CsgPolygon {
    std::vector<Vec3> points;        // world
    std::vector<Vec3> local_points;  // the operand's own coordinates
    std::vector<double> u;
    std::vector<double> v;
    std::vector<Vec3> normals;          // local, as the mesh had them
    std::vector<std::uint8_t> created;  // 1 for a vertex a cut made
    int source = 0;                     // index of the triangle's first index
    int label = 2;                      // 0 inside, 1 outside, 2 not classified

    // Copies vertex `i` of `from`, with everything it carries, onto the end of this polygon.
    void AppendVertex(const CsgPolygon& from, std::size_t i) {
        points.push_back(from.points[i]);
        local_points.push_back(from.local_points[i]);
        u.push_back(from.u[i]);
        v.push_back(from.v[i]);
        normals.push_back(from.normals[i]);
        created.push_back(from.created[i]);
    }
};

// A node of a solid plane-partition tree.
struct BspNode {
    enum Kind { kInterior = 0, kOutside = 1, kInside = 2, kChoosing = 3 };

    std::vector<std::vector<Vec3>> coplanar;
    int kind = kChoosing;
    BspNode* parent = nullptr;
    std::unique_ptr<BspNode> front;
    std::unique_ptr<BspNode> back;
    double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
    int index = -1;

    virtual ~BspNode() = default;
    double Distance(const Vec3& p) const { return a * p.x + b * p.y + c * p.z + d; }
};

// Where a tree build draws its candidate splitting polygons from: a generator of its own,
// seeded by the caller, so a build never depends on what else drew random numbers before it.
using SplitterRandom = std::minstd_rand;

// Builds a tree from point-only polygons (iteratively, so long lists cannot exhaust the stack).
// The same polygons and seed give the same tree.
std::unique_ptr<BspNode> BuildBspTree(std::vector<std::vector<Vec3>> polygons, std::uint32_t seed);

// The seed a Trim of these operands builds its trees from: a hash of their meshes and
// placements, so the same Trim of the same objects gives the same meshes every time.
std::uint32_t OperandSeed(const SceneNode& trimmed, const SceneNode& cutter);

// Whether a point lies inside the solid the tree bounds (for tests and checks).
bool InsideSolid(const BspNode& tree, const Vec3& point);

// Cuts `trimmed` by `cutter` (or, for a union or an intersection, the two solids by each
// other), replacing both display meshes on success. The nodes' world placement is taken from
// their transforms (they are top-level objects). Nothing changes on failure: the message that
// the objects do not intersect (also for a union or intersection that would leave one solid
// without any surface, one wholly inside the other, and for a union of solids that do not
// meet), or the topology message (the trimmed object has no mesh, or a result would hold more
// vertices than one mesh can).
Status TrimKernel(SceneNode& trimmed, SceneNode& cutter,
                  BooleanMode mode = BooleanMode::Difference);

// A corner of a cut fragment on a node's surface: evaluated on the exact surface at (u, v)
// when the node's mesh comes from its surface, else the interpolated position and normal.
DisplayVertex SurfaceCorner(const SceneNode& node, const Vec3& local, double u, double v,
                            const Vec3& normal);

}  // namespace kelto
