#include "seidel_triangulation.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <utility>

namespace kelto {
namespace {

// Marks a missing point or segment: an unbounded side of a trapezoid, or no result.
constexpr int kNone = -1;

// A polygon edge. The region to triangulate lies to the left of from -> to (after the contours'
// orientations have been normalised); `hi` and `lo` are the same two points in height order.
struct Segment {
    int from = 0;
    int to = 0;
    int hi = 0;
    int lo = 0;
};

// A trapezoid of the map. Its top edge lies on the horizontal through point `hi` and its bottom
// edge on the horizontal through point `lo`; `left` and `right` are the segments bounding it.
// kNone stands for "unbounded" on that side.
struct Trapezoid {
    int hi = kNone;
    int lo = kNone;
    int left = kNone;
    int right = kNone;
    int leaf = 0;  // the query structure's leaf that stands for this trapezoid
};

enum class NodeKind : std::uint8_t { kLeaf, kPoint, kSegment };

// A node of the point-location structure. A point node separates what lies above its point
// (`first`) from what lies below (`second`); a segment node separates what lies left of its
// segment (`first`) from what lies right of it (`second`). A leaf names a trapezoid in `key`.
struct Node {
    NodeKind kind = NodeKind::kLeaf;
    int key = 0;
    int first = kNone;
    int second = kNone;
};

// Sign of the turn a -> b -> c: positive when c lies left of the line from a to b.
int Orientation(const Point2& a, const Point2& b, const Point2& c) {
    const double d = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    return (d > 0.0) - (d < 0.0);
}

bool IsFinite(const Point2& p) {
    return std::isfinite(p.x) && std::isfinite(p.y);
}

// The input after clean-up: every point keeps its number (points[0] is unused), and each kept
// contour contributes one closed ring of segments.
struct PreparedPolygon {
    std::vector<Point2> points;
    std::vector<Segment> segments;
    bool has_outer = false;
};

// Appends one contour's segments. Non-finite points and points repeating the one before are
// skipped; contours left with fewer than three points or no area add nothing. The ring is
// oriented so that the region lies on its left: counter-clockwise for the outer boundary,
// clockwise for holes, whatever order the caller used.
bool AddContour(const std::vector<Point2>& contour, int first_number, bool is_outer,
                PreparedPolygon& polygon) {
    std::vector<int> ring;
    ring.reserve(contour.size());
    for (std::size_t i = 0; i < contour.size(); ++i) {
        const int number = first_number + static_cast<int>(i);
        const Point2& p = contour[i];
        if (!IsFinite(p)) {
            continue;
        }
        if (!ring.empty()) {
            const Point2& last = polygon.points[static_cast<std::size_t>(ring.back())];
            if (last.x == p.x && last.y == p.y) {
                continue;
            }
        }
        ring.push_back(number);
    }
    while (ring.size() > 1) {
        const Point2& first = polygon.points[static_cast<std::size_t>(ring.front())];
        const Point2& last = polygon.points[static_cast<std::size_t>(ring.back())];
        if (first.x != last.x || first.y != last.y) {
            break;
        }
        ring.pop_back();
    }
    if (ring.size() < 3) {
        return false;
    }
    // Twice the signed area, measured from the first point to keep the products small.
    const Point2 origin = polygon.points[static_cast<std::size_t>(ring.front())];
    double area = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const Point2& a = polygon.points[static_cast<std::size_t>(ring[i])];
        const Point2& b = polygon.points[static_cast<std::size_t>(ring[(i + 1) % ring.size()])];
        area += (a.x - origin.x) * (b.y - origin.y) - (b.x - origin.x) * (a.y - origin.y);
    }
    if (!(area != 0.0) || !std::isfinite(area)) {
        return false;
    }
    const bool reverse = is_outer ? area < 0.0 : area > 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        Segment segment;
        segment.from = ring[i];
        segment.to = ring[(i + 1) % ring.size()];
        if (reverse) {
            std::swap(segment.from, segment.to);
        }
        polygon.segments.push_back(segment);
    }
    return true;
}

PreparedPolygon PreparePolygon(const std::vector<std::vector<Point2>>& contours) {
    PreparedPolygon polygon;
    std::size_t total = 0;
    for (const auto& contour : contours) {
        total += contour.size();
    }
    // Point numbers and segment indices are ints; refuse input that would overflow them.
    if (total >= static_cast<std::size_t>(INT_MAX / 4)) {
        return polygon;
    }
    polygon.points.reserve(total + 1);
    polygon.points.push_back(Point2{});
    for (const auto& contour : contours) {
        polygon.points.insert(polygon.points.end(), contour.begin(), contour.end());
    }
    int first_number = 1;
    for (std::size_t c = 0; c < contours.size(); ++c) {
        const bool added = AddContour(contours[c], first_number, c == 0, polygon);
        if (c == 0) {
            polygon.has_outer = added;
        }
        first_number += static_cast<int>(contours[c].size());
    }
    return polygon;
}

// Uniform draw from [0, bound] by rejection, so that the insertion order for a given random_seed is
// the same with every standard library.
std::uint32_t DrawUpTo(std::mt19937& generator, std::uint32_t bound) {
    const std::uint64_t range = std::uint64_t{bound} + 1;
    const std::uint64_t span = std::uint64_t{1} << 32;
    const std::uint64_t limit = span - span % range;
    for (;;) {
        const std::uint64_t draw = generator();
        if (draw < limit) {
            return static_cast<std::uint32_t>(draw % range);
        }
    }
}

// The segments' insertion order: a Fisher-Yates shuffle driven by its own generator.
std::vector<int> RandomOrder(std::size_t count, std::uint32_t random_seed) {
    std::mt19937 generator(random_seed);
    std::vector<int> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = static_cast<int>(i);
    }
    for (std::size_t i = count; i > 1; --i) {
        const std::size_t j = DrawUpTo(generator, static_cast<std::uint32_t>(i - 1));
        std::swap(order[i - 1], order[j]);
    }
    return order;
}

// The trapezoidal map of a set of non-crossing segments, with its history as a point-location
// structure (a directed acyclic graph of point and segment nodes over trapezoid leaves).
//
// Heights are compared by (y, x, point number), as if the plane were sheared by an infinitesimal
// amount: no two points are then level, horizontal segments are handled like any other, and
// turn tests are unchanged because the shear preserves orientation.
//
// Segments are inserted one at a time. Inserting a segment first splits the trapezoids holding
// its endpoints by their horizontals, then walks down through the trapezoids the segment
// crosses, splitting each into a left and a right part. Where the segment cuts the horizontal
// extension of a point, the part of that extension on the far side of the segment from the
// point disappears, so the two parts on that side join into one trapezoid.
class TrapezoidMap {
  public:
    TrapezoidMap(std::vector<Point2> points, std::vector<Segment> segments)
        : points_(std::move(points)), segments_(std::move(segments)) {
        for (Segment& segment : segments_) {
            const bool from_is_higher = Higher(segment.from, segment.to);
            segment.hi = from_is_higher ? segment.from : segment.to;
            segment.lo = from_is_higher ? segment.to : segment.from;
        }
        inserted_.assign(points_.size(), false);
        trapezoids_.push_back(Trapezoid{});
        nodes_.push_back(Node{NodeKind::kLeaf, 0, kNone, kNone});
    }

    // Inserts every segment in the given order. Returns false when the input turns out to be
    // inconsistent (crossing or overlapping segments); the map is then unusable.
    bool Build(const std::vector<int>& order) {
        trapezoids_.reserve(4 * segments_.size() + 1);
        nodes_.reserve(8 * segments_.size() + 1);
        for (const int s : order) {
            if (!InsertSegment(s)) {
                return false;
            }
        }
        return true;
    }

    // The trapezoid holding `q`. A point on a boundary goes to either side.
    int Locate(const Point2& q) const {
        return Descend([&](const Node& node) {
            if (node.kind == NodeKind::kPoint) {
                const Point2& p = Point(node.key);
                return q.y > p.y || (q.y == p.y && q.x >= p.x);
            }
            const Segment& t = segments_[static_cast<std::size_t>(node.key)];
            return Orientation(Point(t.lo), Point(t.hi), q) > 0;
        });
    }

    // Whether a trapezoid lies in the region: bounded on both sides, with the region to the right
    // of its left segment (which then runs downwards) and to the left of its right segment.
    bool IsInside(int t) const {
        if (t == kNone) {
            return false;
        }
        const Trapezoid& trapezoid = trapezoids_[static_cast<std::size_t>(t)];
        if (trapezoid.left == kNone || trapezoid.right == kNone || trapezoid.hi == kNone ||
            trapezoid.lo == kNone) {
            return false;
        }
        const Segment& left = segments_[static_cast<std::size_t>(trapezoid.left)];
        const Segment& right = segments_[static_cast<std::size_t>(trapezoid.right)];
        return left.from == left.hi && right.to == right.hi;
    }

    const std::vector<Point2>& points() const { return points_; }
    const std::vector<Segment>& segments() const { return segments_; }
    const std::vector<Trapezoid>& trapezoids() const { return trapezoids_; }

    // Whether point a lies above point b in (y, x, number) order.
    bool Higher(int a, int b) const {
        const Point2& p = Point(a);
        const Point2& q = Point(b);
        if (p.y != q.y) {
            return p.y > q.y;
        }
        if (p.x != q.x) {
            return p.x > q.x;
        }
        return a > b;
    }

  private:
    const Point2& Point(int number) const { return points_[static_cast<std::size_t>(number)]; }
    const Segment& SegmentAt(int s) const { return segments_[static_cast<std::size_t>(s)]; }

    // Follows the query structure from the root to a leaf; `go_first` picks a node's branch.
    template <typename GoFirst>
    int Descend(GoFirst go_first) const {
        std::size_t current = 0;
        // The graph is acyclic, so this ends at a leaf; the bound is only a safeguard.
        for (std::size_t steps = 0; steps <= nodes_.size(); ++steps) {
            const Node& node = nodes_[current];
            if (node.kind == NodeKind::kLeaf) {
                return node.key;
            }
            current = static_cast<std::size_t>(go_first(node) ? node.first : node.second);
        }
        return kNone;
    }

    // The trapezoid holding endpoint v of a segment whose other endpoint is `other`. Should v lie
    // on an existing segment's line, the other endpoint says which side the new segment takes.
    int LocateEndpoint(int v, int other) const {
        return Descend([&](const Node& node) {
            if (node.kind == NodeKind::kPoint) {
                return Higher(v, node.key);
            }
            const Segment& t = SegmentAt(node.key);
            int side = Orientation(Point(t.lo), Point(t.hi), Point(v));
            if (side == 0) {
                side = Orientation(Point(t.lo), Point(t.hi), Point(other));
            }
            return side > 0;
        });
    }

    // The trapezoid holding the part of segment s just below the horizontal through point h.
    int LocateBelow(int s, int h) const {
        return Descend([&](const Node& node) {
            if (node.kind == NodeKind::kPoint) {
                return Higher(h, node.key);  // false for h itself: the query lies below it
            }
            return node.key == s || SegmentLeftOf(s, node.key);
        });
    }

    // Whether segment s lies left of segment t where their height ranges overlap. The two do not
    // cross, so one turn test against a point inside the overlap decides; shared endpoints are
    // decided by the other end.
    bool SegmentLeftOf(int s, int t) const {
        const Segment& a = SegmentAt(s);
        const Segment& b = SegmentAt(t);
        const Point2& b_lo = Point(b.lo);
        const Point2& b_hi = Point(b.hi);
        if (a.hi == b.hi) {
            return Orientation(b_lo, b_hi, Point(a.lo)) > 0;
        }
        if (a.lo == b.lo) {
            return Orientation(b_lo, b_hi, Point(a.hi)) > 0;
        }
        if (Higher(b.hi, a.hi)) {
            // a's top lies within b's height range.
            const int side = Orientation(b_lo, b_hi, Point(a.hi));
            return side != 0 ? side > 0 : Orientation(b_lo, b_hi, Point(a.lo)) > 0;
        }
        // b's top lies within a's height range: a is left of b when b's top is right of a.
        const int side = Orientation(Point(a.lo), Point(a.hi), b_hi);
        return side != 0 ? side < 0 : Orientation(Point(a.lo), Point(a.hi), b_lo) < 0;
    }

    int NewLeaf(int t) {
        const int node = static_cast<int>(nodes_.size());
        nodes_.push_back(Node{NodeKind::kLeaf, t, kNone, kNone});
        trapezoids_[static_cast<std::size_t>(t)].leaf = node;
        return node;
    }

    int CopyTrapezoid(int t) {
        const int copy = static_cast<int>(trapezoids_.size());
        trapezoids_.push_back(trapezoids_[static_cast<std::size_t>(t)]);
        return copy;
    }

    // Whether the point lies strictly between the trapezoid's top and bottom horizontals.
    bool WithinHeight(const Trapezoid& trapezoid, int v) const {
        return (trapezoid.hi == kNone || Higher(trapezoid.hi, v)) &&
               (trapezoid.lo == kNone || Higher(v, trapezoid.lo));
    }

    // Splits the trapezoid holding a new point by the point's horizontal.
    bool InsertPoint(int v, int other) {
        if (inserted_[static_cast<std::size_t>(v)]) {
            return true;
        }
        const int below = LocateEndpoint(v, other);
        if (below == kNone || !WithinHeight(trapezoids_[static_cast<std::size_t>(below)], v)) {
            return false;
        }
        const int old_leaf = trapezoids_[static_cast<std::size_t>(below)].leaf;
        const int above = CopyTrapezoid(below);
        trapezoids_[static_cast<std::size_t>(above)].lo = v;
        trapezoids_[static_cast<std::size_t>(below)].hi = v;
        const int above_leaf = NewLeaf(above);
        const int below_leaf = NewLeaf(below);
        nodes_[static_cast<std::size_t>(old_leaf)] =
            Node{NodeKind::kPoint, v, above_leaf, below_leaf};
        inserted_[static_cast<std::size_t>(v)] = true;
        return true;
    }

    bool InsertSegment(int s) {
        const Segment segment = SegmentAt(s);
        if (!InsertPoint(segment.hi, segment.lo) || !InsertPoint(segment.lo, segment.hi)) {
            return false;
        }
        // The parts of the previous trapezoid left and right of s.
        int left_above = kNone;
        int right_above = kNone;
        int h = segment.hi;
        // Each step moves strictly down past one point, which bounds the walk.
        for (std::size_t step = 0; step < points_.size(); ++step) {
            const int t = LocateBelow(s, h);
            if (t == kNone) {
                return false;
            }
            const Trapezoid current = trapezoids_[static_cast<std::size_t>(t)];
            if (current.hi != h || current.lo == kNone || current.left == s || current.right == s ||
                (current.lo != segment.lo && !Higher(current.lo, segment.lo))) {
                return false;
            }
            // Which side of s the point on the trapezoid's top edge lies: its extension now
            // ends at s, so on the other side the parts above and below join.
            const int side =
                step == 0 ? 0 : Orientation(Point(segment.lo), Point(segment.hi), Point(h));
            int left_part = t;
            int right_part = t;
            if (side > 0 && right_above != kNone &&
                trapezoids_[static_cast<std::size_t>(right_above)].right == current.right) {
                trapezoids_[static_cast<std::size_t>(t)].right = s;
                NewLeaf(t);
                right_part = right_above;
                trapezoids_[static_cast<std::size_t>(right_part)].lo = current.lo;
            } else if (side < 0 && left_above != kNone &&
                       trapezoids_[static_cast<std::size_t>(left_above)].left == current.left) {
                trapezoids_[static_cast<std::size_t>(t)].left = s;
                NewLeaf(t);
                left_part = left_above;
                trapezoids_[static_cast<std::size_t>(left_part)].lo = current.lo;
            } else {
                right_part = CopyTrapezoid(t);
                trapezoids_[static_cast<std::size_t>(t)].right = s;
                trapezoids_[static_cast<std::size_t>(right_part)].left = s;
                NewLeaf(t);
                NewLeaf(right_part);
            }
            nodes_[static_cast<std::size_t>(current.leaf)] =
                Node{NodeKind::kSegment, s, trapezoids_[static_cast<std::size_t>(left_part)].leaf,
                     trapezoids_[static_cast<std::size_t>(right_part)].leaf};
            left_above = left_part;
            right_above = right_part;
            if (current.lo == segment.lo) {
                return true;
            }
            h = current.lo;
        }
        return false;
    }

    std::vector<Point2> points_;
    std::vector<Segment> segments_;
    std::vector<bool> inserted_;
    std::vector<Trapezoid> trapezoids_;
    std::vector<Node> nodes_;
};

// Builds the map for the prepared polygon, inserting its segments in random order.
bool BuildMap(TrapezoidMap& map, std::uint32_t random_seed) {
    return map.Build(RandomOrder(map.segments().size(), random_seed));
}

// Diagonals that cut the region into monotone pieces: in every trapezoid of the region, the
// points on its top and bottom edges are joined unless a side segment already joins them. Every
// vertex where the boundary turns back on itself gets such a diagonal, above or below it.
std::vector<std::pair<int, int>> MonotoneDiagonals(const TrapezoidMap& map) {
    std::vector<std::pair<int, int>> diagonals;
    const auto& trapezoids = map.trapezoids();
    const auto& segments = map.segments();
    for (std::size_t t = 0; t < trapezoids.size(); ++t) {
        if (!map.IsInside(static_cast<int>(t))) {
            continue;
        }
        const Trapezoid& trapezoid = trapezoids[t];
        const auto joins = [&](int s) {
            const Segment& segment = segments[static_cast<std::size_t>(s)];
            return segment.hi == trapezoid.hi && segment.lo == trapezoid.lo;
        };
        if (joins(trapezoid.left) || joins(trapezoid.right)) {
            continue;
        }
        diagonals.emplace_back(std::min(trapezoid.hi, trapezoid.lo),
                               std::max(trapezoid.hi, trapezoid.lo));
    }
    std::sort(diagonals.begin(), diagonals.end());
    diagonals.erase(std::unique(diagonals.begin(), diagonals.end()), diagonals.end());
    return diagonals;
}

// Collects triangles as point numbers, each turned counter-clockwise.
class TriangleSink {
  public:
    TriangleSink(const TrapezoidMap& map, std::vector<std::array<int, 3>>& triangles)
        : map_(map), triangles_(triangles) {}

    void Add(int a, int b, int c) {
        const auto& points = map_.points();
        if (Orientation(points[static_cast<std::size_t>(a)], points[static_cast<std::size_t>(b)],
                        points[static_cast<std::size_t>(c)]) < 0) {
            std::swap(b, c);
        }
        triangles_.push_back({a, b, c});
    }

  private:
    const TrapezoidMap& map_;
    std::vector<std::array<int, 3>>& triangles_;
};

// Triangulates one monotone piece given counter-clockwise by the stack method: the vertices are
// taken from top to bottom, the ones not yet cut off wait on a stack (they form a chain that
// turns away from the interior), and each new vertex cuts off what it can see.
void TriangulateMonotone(const std::vector<int>& cycle, const TrapezoidMap& map,
                         TriangleSink& sink) {
    const std::size_t m = cycle.size();
    std::size_t top = 0;
    std::size_t bottom = 0;
    for (std::size_t i = 1; i < m; ++i) {
        if (map.Higher(cycle[i], cycle[top])) {
            top = i;
        }
        if (map.Higher(cycle[bottom], cycle[i])) {
            bottom = i;
        }
    }
    if (top == bottom) {
        return;
    }
    // Going counter-clockwise from the top leads down the left chain; going back leads down the
    // right chain. Merge the two into one top-to-bottom sequence.
    struct Vertex {
        int number;
        bool on_left;
    };
    std::vector<Vertex> sorted;
    sorted.reserve(m);
    sorted.push_back({cycle[top], true});
    std::size_t l = (top + 1) % m;
    std::size_t r = (top + m - 1) % m;
    while (sorted.size() + 1 < m) {
        const bool take_left = r == bottom || (l != bottom && map.Higher(cycle[l], cycle[r]));
        if (take_left) {
            sorted.push_back({cycle[l], true});
            l = (l + 1) % m;
        } else {
            sorted.push_back({cycle[r], false});
            r = (r + m - 1) % m;
        }
    }
    sorted.push_back({cycle[bottom], false});

    const auto& points = map.points();
    const auto point = [&](int number) -> const Point2& {
        return points[static_cast<std::size_t>(number)];
    };
    std::vector<Vertex> stack = {sorted[0], sorted[1]};
    for (std::size_t j = 2; j + 1 < m; ++j) {
        const Vertex u = sorted[j];
        if (u.on_left != stack.back().on_left) {
            // u sees the whole waiting chain across the piece: fan out to it.
            for (std::size_t k = stack.size() - 1; k > 0; --k) {
                sink.Add(u.number, stack[k].number, stack[k - 1].number);
            }
            stack.clear();
            stack.push_back(sorted[j - 1]);
            stack.push_back(u);
            continue;
        }
        // Same chain: cut off ears while the waiting chain turns towards the interior.
        Vertex last = stack.back();
        stack.pop_back();
        while (!stack.empty()) {
            const Point2& far = point(stack.back().number);
            const int turn = u.on_left ? Orientation(far, point(last.number), point(u.number))
                                       : Orientation(point(u.number), point(last.number), far);
            if (turn <= 0) {
                break;
            }
            sink.Add(u.number, last.number, stack.back().number);
            last = stack.back();
            stack.pop_back();
        }
        stack.push_back(last);
        stack.push_back(u);
    }
    const Vertex u = sorted[m - 1];
    for (std::size_t k = stack.size() - 1; k > 0; --k) {
        sink.Add(u.number, stack[k].number, stack[k - 1].number);
    }
}

// Splits the region along the diagonals into faces and triangulates each. The polygon's edges
// and the diagonals form a planar graph; each face is traced by leaving every vertex along the
// edge that turns most sharply left. Faces on the outer side of the polygon's edges, and faces
// that do not wind counter-clockwise (possible only for broken input), are left out.
std::vector<std::array<int, 3>> TriangulateFaces(
    const TrapezoidMap& map, const std::vector<std::pair<int, int>>& diagonals) {
    struct HalfEdge {
        int origin;
        int target;
        bool outside;
    };
    // Half-edges come in pairs: edge e's twin is e ^ 1.
    std::vector<HalfEdge> edges;
    edges.reserve(2 * (map.segments().size() + diagonals.size()));
    for (const Segment& segment : map.segments()) {
        edges.push_back({segment.from, segment.to, false});
        edges.push_back({segment.to, segment.from, true});
    }
    for (const auto& [a, b] : diagonals) {
        edges.push_back({a, b, false});
        edges.push_back({b, a, false});
    }

    // Outgoing half-edges of every vertex, sorted counter-clockwise by direction.
    const auto& points = map.points();
    const std::size_t vertex_count = points.size();
    std::vector<std::size_t> first_out(vertex_count + 1, 0);
    for (const HalfEdge& edge : edges) {
        ++first_out[static_cast<std::size_t>(edge.origin) + 1];
    }
    for (std::size_t v = 0; v < vertex_count; ++v) {
        first_out[v + 1] += first_out[v];
    }
    std::vector<std::size_t> outgoing(edges.size());
    {
        std::vector<std::size_t> fill(first_out.begin(), first_out.end() - 1);
        for (std::size_t e = 0; e < edges.size(); ++e) {
            outgoing[fill[static_cast<std::size_t>(edges[e].origin)]++] = e;
        }
    }
    // Directions are compared by half-plane and turn test, not by angle: two edges a
    // hair's breadth apart (a point one unit in the last place above a horizontal edge) have
    // the same atan2 near pi, and taken in the wrong order they trace a face through the
    // outside, which then loses its triangles. Insertion sort: a vertex has few edges.
    const auto upper = [&](std::size_t e) {
        const Point2& from = points[static_cast<std::size_t>(edges[e].origin)];
        const Point2& to = points[static_cast<std::size_t>(edges[e].target)];
        return to.y > from.y || (to.y == from.y && to.x > from.x);
    };
    const auto before = [&](std::size_t a, std::size_t b) {
        const bool upper_a = upper(a), upper_b = upper(b);
        if (upper_a != upper_b) {
            return upper_a;
        }
        const int turn = Orientation(points[static_cast<std::size_t>(edges[a].origin)],
                                     points[static_cast<std::size_t>(edges[a].target)],
                                     points[static_cast<std::size_t>(edges[b].target)]);
        return turn != 0 ? turn > 0 : a < b;
    };
    std::vector<std::size_t> position(edges.size());
    for (std::size_t v = 0; v < vertex_count; ++v) {
        const std::size_t begin = first_out[v];
        const std::size_t end = first_out[v + 1];
        for (std::size_t i = begin + 1; i < end; ++i) {
            for (std::size_t k = i; k > begin && before(outgoing[k], outgoing[k - 1]); --k) {
                std::swap(outgoing[k], outgoing[k - 1]);
            }
        }
        for (std::size_t k = begin; k < end; ++k) {
            position[outgoing[k]] = k - begin;
        }
    }
    // With the face on the left, the next edge leaves the far end of e just clockwise of the
    // way back.
    const auto next = [&](std::size_t e) {
        const std::size_t back = e ^ 1;
        const std::size_t v = static_cast<std::size_t>(edges[back].origin);
        const std::size_t degree = first_out[v + 1] - first_out[v];
        const std::size_t k = position[back];
        return outgoing[first_out[v] + (k == 0 ? degree - 1 : k - 1)];
    };

    std::vector<std::array<int, 3>> triangles;
    TriangleSink sink(map, triangles);
    std::vector<bool> visited(edges.size(), false);
    std::vector<int> cycle;
    for (std::size_t start = 0; start < edges.size(); ++start) {
        if (visited[start] || edges[start].outside) {
            continue;
        }
        cycle.clear();
        bool outside = false;
        double twice_area = 0.0;
        double magnitude = 0.0;  // of the area's terms, for the rounding of a thin face
        const Point2& origin = points[static_cast<std::size_t>(edges[start].origin)];
        std::size_t e = start;
        // `next` is a permutation of the half-edges, so the walk returns to its start.
        for (std::size_t steps = 0; steps < edges.size() && !visited[e]; ++steps) {
            visited[e] = true;
            outside = outside || edges[e].outside;
            const Point2& a = points[static_cast<std::size_t>(edges[e].origin)];
            const Point2& b = points[static_cast<std::size_t>(edges[e].target)];
            const double plus = (a.x - origin.x) * (b.y - origin.y);
            const double minus = (b.x - origin.x) * (a.y - origin.y);
            twice_area += plus - minus;
            magnitude += std::fabs(plus) + std::fabs(minus);
            cycle.push_back(edges[e].origin);
            e = next(e);
        }
        // A face of the region winds counter-clockwise; only a thin one (a sliver between
        // points one unit in the last place apart) may come out a rounding error below zero.
        if (!outside && e == start && cycle.size() >= 3 && twice_area > -1e-12 * magnitude) {
            TriangulateMonotone(cycle, map, sink);
        }
    }
    return triangles;
}

}  // namespace

double SignedArea(const std::vector<Point2>& polygon) {
    double twice = 0.0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point2& a = polygon[i];
        const Point2& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return twice / 2.0;
}

std::vector<std::array<int, 3>> TriangulatePolygon(const std::vector<std::vector<Point2>>& contours,
                                                   std::uint32_t random_seed) {
    PreparedPolygon polygon = PreparePolygon(contours);
    if (!polygon.has_outer) {
        return {};
    }
    TrapezoidMap map(std::move(polygon.points), std::move(polygon.segments));
    // Crossing or overlapping edges leave no consistent map to triangulate.
    if (!BuildMap(map, random_seed)) {
        return {};
    }
    return TriangulateFaces(map, MonotoneDiagonals(map));
}

struct PolygonLocator::Structure {
    explicit Structure(PreparedPolygon polygon)
        : map(std::move(polygon.points), std::move(polygon.segments)) {}
    TrapezoidMap map;
    bool usable = false;
};

PolygonLocator::PolygonLocator(const std::vector<Point2>& contour, std::uint32_t random_seed)
    : structure_(std::make_unique<Structure>(PreparePolygon({contour}))) {
    structure_->usable =
        !structure_->map.segments().empty() && BuildMap(structure_->map, random_seed);
}

PolygonLocator::~PolygonLocator() = default;
PolygonLocator::PolygonLocator(PolygonLocator&&) noexcept = default;
PolygonLocator& PolygonLocator::operator=(PolygonLocator&&) noexcept = default;

bool PolygonLocator::Contains(const Point2& point) const {
    if (!structure_ || !structure_->usable || !IsFinite(point)) {
        return false;
    }
    return structure_->map.IsInside(structure_->map.Locate(point));
}

}  // namespace kelto
