#include "triangle_hierarchy.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "simd4.h"
#include "triangle_intersection.h"

namespace kelto {
namespace {

constexpr std::uint32_t kPacketLanes = 4;
// Deeper than this the build halves its ranges by count, so that no walk goes deeper than
// about this plus 32 levels and the walk's stack always suffices.
constexpr int kSurfaceAreaDepth = 48;
constexpr int kStackSize = 256;
constexpr int kBins = 32;
constexpr float kBoxSlack = 1e-4f;

bool IsFinite(const Vec3f& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Whether the reference's test could ever accept the triangle: a plane normal of zero (a
// degenerate triangle) or not a number never passes the test against the ray's direction.
bool CanBeHit(const RenderTriangle& t) {
    for (const Vec3f& c : t.corner) {
        if (!IsFinite(c)) {
            return false;
        }
    }
    const Vec3f& n = t.plane_normal;
    return IsFinite(n) && (n.x != 0.0f || n.y != 0.0f || n.z != 0.0f) &&
           std::isfinite(t.plane_offset) && IsFinite(t.sphere_centre) &&
           std::isfinite(t.sphere_radius_squared);
}

struct Box {
    Vec3f lo{INFINITY, INFINITY, INFINITY};
    Vec3f hi{-INFINITY, -INFINITY, -INFINITY};
    void Grow(const Vec3f& p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    void Grow(const Box& b) {
        Grow(b.lo);
        Grow(b.hi);
    }
    bool Empty() const { return lo.x > hi.x; }
    // Half the surface area, in double so that huge boxes stay comparable.
    double Area() const {
        if (Empty()) {
            return 0.0;
        }
        const double x = static_cast<double>(hi.x) - lo.x, y = static_cast<double>(hi.y) - lo.y,
                     z = static_cast<double>(hi.z) - lo.z;
        return x * y + y * z + z * x;
    }
};

// Widens a bound by a few units in its last place, so that the rounding of the walk's box
// test never loses a triangle that lies on a face.
float Lower(float v) {
    return v - std::fabs(v) * 0x1p-19f;
}
float Upper(float v) {
    return v + std::fabs(v) * 0x1p-19f;
}

struct BuildItem {
    Box box;
    Vec3f centre;
    std::uint32_t order;
};

struct BinaryNode {
    Box box;
    std::uint32_t begin = 0, end = 0;  // leaf: its items
    std::uint32_t left = 0, right = 0;
    bool leaf = true;
};

class Builder {
  public:
    explicit Builder(std::vector<BuildItem>& items) : items_(items) {}

    std::uint32_t Build(std::uint32_t begin, std::uint32_t end, int depth) {
        const auto index = static_cast<std::uint32_t>(nodes_.size());
        nodes_.emplace_back();
        Box box, centres;
        for (std::uint32_t i = begin; i < end; ++i) {
            box.Grow(items_[i].box);
            centres.Grow(items_[i].centre);
        }
        nodes_[index].box = box;
        nodes_[index].begin = begin;
        nodes_[index].end = end;
        if (end - begin <= kPacketLanes) {
            return index;
        }
        const std::uint32_t split = Split(begin, end, centres, depth);
        const std::uint32_t left = Build(begin, split, depth + 1);
        const std::uint32_t right = Build(split, end, depth + 1);
        nodes_[index].leaf = false;
        nodes_[index].left = left;
        nodes_[index].right = right;
        return index;
    }

    const std::vector<BinaryNode>& Nodes() const { return nodes_; }

  private:
    // Where to cut the range: the cheapest plane by the surface-area heuristic over binned
    // centres, or half the items along the widest axis when no plane separates them (or the
    // tree has grown deep).
    std::uint32_t Split(std::uint32_t begin, std::uint32_t end, const Box& centres, int depth) {
        const std::uint32_t count = end - begin;
        int best_axis = -1, best_bin = 0;
        double best_cost = std::numeric_limits<double>::infinity();
        for (int axis = 0; axis < 3 && depth < kSurfaceAreaDepth; ++axis) {
            const double lo = Component(centres.lo, axis), hi = Component(centres.hi, axis);
            if (!(hi > lo)) {
                continue;
            }
            const double scale = kBins / (hi - lo);
            Box bins[kBins];
            std::uint32_t counts[kBins] = {};
            for (std::uint32_t i = begin; i < end; ++i) {
                const int b = BinOf(Component(items_[i].centre, axis), lo, scale);
                bins[b].Grow(items_[i].box);
                ++counts[b];
            }
            double right_area[kBins] = {};
            std::uint32_t right_count[kBins] = {};
            Box right;
            std::uint32_t rc = 0;
            for (int b = kBins - 1; b > 0; --b) {
                right.Grow(bins[b]);
                rc += counts[b];
                right_area[b] = right.Area();
                right_count[b] = rc;
            }
            Box left;
            std::uint32_t lc = 0;
            for (int b = 0; b < kBins - 1; ++b) {
                left.Grow(bins[b]);
                lc += counts[b];
                if (lc == 0 || right_count[b + 1] == 0) {
                    continue;
                }
                const double cost = left.Area() * lc + right_area[b + 1] * right_count[b + 1];
                if (cost < best_cost) {
                    best_cost = cost;
                    best_axis = axis;
                    best_bin = b;
                }
            }
        }
        if (best_axis >= 0) {
            const double lo = Component(centres.lo, best_axis);
            const double scale = kBins / (Component(centres.hi, best_axis) - lo);
            auto* middle = std::partition(
                items_.data() + begin, items_.data() + end, [&](const BuildItem& item) {
                    return BinOf(Component(item.centre, best_axis), lo, scale) <= best_bin;
                });
            const auto split = static_cast<std::uint32_t>(middle - items_.data());
            if (split > begin && split < end) {
                return split;
            }
        }
        int axis = 0;
        float widest = -1.0f;
        for (int a = 0; a < 3; ++a) {
            const float extent = Component(centres.hi, a) - Component(centres.lo, a);
            if (extent > widest) {
                widest = extent;
                axis = a;
            }
        }
        const std::uint32_t middle = begin + count / 2;
        std::nth_element(items_.data() + begin, items_.data() + middle, items_.data() + end,
                         [axis](const BuildItem& a, const BuildItem& b) {
                             const float ca = Component(a.centre, axis);
                             const float cb = Component(b.centre, axis);
                             return ca < cb || (ca == cb && a.order < b.order);
                         });
        return middle;
    }

    static int BinOf(float c, double lo, double scale) {
        const double b = (c - lo) * scale;
        return b >= kBins - 1 ? kBins - 1 : (b > 0.0 ? static_cast<int>(b) : 0);
    }

    std::vector<BuildItem>& items_;
    std::vector<BinaryNode> nodes_;
};

}  // namespace

// What a ray brings to every box and packet test, spread over four lanes.
struct TriangleHierarchy::Ray {
    Ray(const Vec3f& o, const Vec3f& d, float max)
        : origin(o),
          direction(d),
          max_distance(max),
          ox(Float4::Splat(o.x)),
          oy(Float4::Splat(o.y)),
          oz(Float4::Splat(o.z)),
          dx(Float4::Splat(d.x)),
          dy(Float4::Splat(d.y)),
          dz(Float4::Splat(d.z)) {
        // A direction along a face plane gets a huge finite inverse instead of an infinite
        // one, so that a ray in the plane of a face never makes 0 * infinity.
        auto inverse = [](float c) {
            const float i = 1.0f / c;
            return std::isfinite(i) ? i : std::copysign(1e30f, c);
        };
        const float ix = inverse(d.x), iy = inverse(d.y), iz = inverse(d.z);
        inv_x = Float4::Splat(ix);
        inv_y = Float4::Splat(iy);
        inv_z = Float4::Splat(iz);
        // Where the ray leaves a box is taken a little late (see kBoxSlack).
        far_x = Float4::Splat(ix * (1.0f + kBoxSlack));
        far_y = Float4::Splat(iy * (1.0f + kBoxSlack));
        far_z = Float4::Splat(iz * (1.0f + kBoxSlack));
        near_x = ix >= 0.0f ? 0 : 1;
        near_y = iy >= 0.0f ? 2 : 3;
        near_z = iz >= 0.0f ? 4 : 5;
    }
    Vec3f origin, direction;
    float max_distance;
    Float4 ox, oy, oz, dx, dy, dz, inv_x, inv_y, inv_z, far_x, far_y, far_z;
    int near_x, near_y, near_z;  // which row of a node's bounds the ray enters through
};

// The triangles collected so far, and the bound T they make (see the header). Holds a few in
// place; with a spill vector it holds any number.
class TriangleHierarchy::NearSet {
  public:
    static constexpr int kInPlace = 24;

    NearSet(float bound, std::vector<Candidate>* spill) : bound_(bound), lowest_(bound) {
        spill_ = spill;
        if (spill_ != nullptr) {
            spill_->clear();
        }
    }
    // Starts over, collecting everything up to `bound` without narrowing.
    void Refill(float bound) {
        count_ = 0;
        if (spill_ != nullptr) {
            spill_->clear();
        }
        bound_ = bound;
        lowest_ = bound;
        fixed_ = true;
    }
    float Bound() const { return bound_; }
    // Whether a narrower bound than the present one was in force at some time.
    bool NarrowedBefore() const { return lowest_ < bound_; }
    bool Empty() const { return Size() == 0; }

    // Adds a triangle with t <= Bound(); false when it does not fit.
    bool Add(float t, float k, std::uint32_t order) {
        if (spill_ != nullptr) {
            spill_->push_back({t, k, order});
        } else if (count_ < kInPlace) {
            in_place_[count_++] = {t, k, order};
        } else {
            return false;
        }
        if (!fixed_) {
            Settle();
        }
        return true;
    }
    // Recomputes the bound from what was collected, dropping what lies beyond it.
    void Settle() {
        Candidate* first = Data();
        Candidate* last = first + Size();
        if (first == last) {
            return;
        }
        float bound = INFINITY;
        for (const Candidate* c = first; c != last; ++c) {
            bound = std::min(bound, c->t);
        }
        for (bool grew = true; grew;) {
            grew = false;
            for (const Candidate* c = first; c != last; ++c) {
                if (c->t <= bound && c->k > bound) {
                    bound = c->k;
                    grew = true;
                }
            }
        }
        if (!fixed_) {
            last = std::remove_if(first, last, [bound](const Candidate& c) { return c.t > bound; });
            Resize(static_cast<std::size_t>(last - first));
        }
        bound_ = bound;
        lowest_ = std::min(lowest_, bound);
    }
    Candidate* Data() { return spill_ != nullptr ? spill_->data() : in_place_; }
    const Candidate* Data() const { return spill_ != nullptr ? spill_->data() : in_place_; }
    std::size_t Size() const {
        return spill_ != nullptr ? spill_->size() : static_cast<std::size_t>(count_);
    }

  private:
    void Resize(std::size_t n) {
        if (spill_ != nullptr) {
            spill_->resize(n);
        } else {
            count_ = static_cast<int>(n);
        }
    }

    float bound_;
    float lowest_;
    bool fixed_ = false;
    int count_ = 0;
    std::vector<Candidate>* spill_ = nullptr;
    Candidate in_place_[kInPlace];
};

namespace {

// The reference's triangle test on four triangles at once, with the same operations in the
// same order. Sets bit i of the result when lane i passes every part of the test that does not
// depend on the distance so far, with k = max(e, t) below the ray's maximum and t <= `bound`;
// `t` and `k` receive the lanes' values.
[[gnu::always_inline]] inline int TestPacket(const TriangleHierarchy::Packet& p, Float4 ox,
                                             Float4 oy, Float4 oz, Float4 dx, Float4 dy, Float4 dz,
                                             float max_distance, float bound, float* t_out,
                                             float* k_out) {
    // Bounding sphere.
    const Float4 lx = Float4::Load(p.centre[0]) - ox;
    const Float4 ly = Float4::Load(p.centre[1]) - oy;
    const Float4 lz = Float4::Load(p.centre[2]) - oz;
    const Float4 b = dx * lx + dy * ly + dz * lz;
    const Float4 c = lx * lx + ly * ly + lz * lz;
    const Float4 r2 = Float4::Load(p.radius_squared);
    const Float4 tiny = Float4::Splat(1e-7f);
    const Float4 disc = b * b - c + r2;
    Mask4 pass = AndNot(disc > tiny, (r2 < c) & (b < tiny));
    if (pass.Bits() == 0) {
        return 0;
    }
    const Float4 e = b - Sqrt(disc);
    // Plane.
    const Float4 nx = Float4::Load(p.normal[0]);
    const Float4 ny = Float4::Load(p.normal[1]);
    const Float4 nz = Float4::Load(p.normal[2]);
    const Float4 den = dx * nx + dy * ny + dz * nz;
    pass = pass & (Abs(den) >= Float4::Splat(1e-6f));
    if (pass.Bits() == 0) {
        return 0;
    }
    const Float4 t = -(ox * nx + oy * ny + oz * nz + Float4::Load(p.offset)) / den;
    const Float4 k = Max(e, t);
    pass = pass & (t >= Float4::Splat(kMinHitDistance)) & (t < Float4::Splat(kMaxHitDistance)) &
           (k < Float4::Splat(max_distance)) & (t <= Float4::Splat(bound));
    if (pass.Bits() == 0) {
        return 0;
    }
    // Inside, in the plane of the projection axis; points on an edge are inside.
    const Float4 hx = ox + dx * t;
    const Float4 hy = oy + dy * t;
    const Float4 hz = oz + dz * t;
    const Float4 hs = Select(IntegerEquals(p.tag, 3u, 0u), hy, hx);
    const Float4 hr = Select(IntegerEquals(p.tag, 3u, 2u), hy, hz);
    const Float4 s[3] = {Float4::Load(p.s[0]), Float4::Load(p.s[1]), Float4::Load(p.s[2])};
    const Float4 r[3] = {Float4::Load(p.r[0]), Float4::Load(p.r[1]), Float4::Load(p.r[2])};
    for (int i = 0; i < 3; ++i) {
        const int j = i == 2 ? 0 : i + 1;
        pass = pass & ((s[j] - hs) * (r[j] - r[i]) >= (r[j] - hr) * (s[j] - s[i]));
    }
    t.Store(t_out);
    k.Store(k_out);
    return pass.Bits();
}

// How far past the bound a box may begin and still be opened: boxes are compared with a little
// slack, so that rounding never prunes a triangle that lies on one.
float Reach(float bound) {
    return bound + kBoxSlack * std::max(1.0f, bound);
}

}  // namespace

// Which of a node's boxes the ray meets no farther than `reach`, and where it enters each.
[[gnu::always_inline]] inline int TriangleHierarchy::MeetBoxes(const Node& n, const Ray& ray,
                                                               Float4 reach, float* entries) {
    int hits = 0;
    for (int g = 0; g < kWidth; g += 4) {
        const Float4 ex = (Float4::Load(n.bounds[ray.near_x] + g) - ray.ox) * ray.inv_x;
        const Float4 ey = (Float4::Load(n.bounds[ray.near_y] + g) - ray.oy) * ray.inv_y;
        const Float4 ez = (Float4::Load(n.bounds[ray.near_z] + g) - ray.oz) * ray.inv_z;
        const Float4 lx = (Float4::Load(n.bounds[ray.near_x ^ 1] + g) - ray.ox) * ray.far_x;
        const Float4 ly = (Float4::Load(n.bounds[ray.near_y ^ 1] + g) - ray.oy) * ray.far_y;
        const Float4 lz = (Float4::Load(n.bounds[ray.near_z ^ 1] + g) - ray.oz) * ray.far_z;
        const Float4 entry = Max(Max(ex, ey), Max(ez, Float4::Splat(0.0f)));
        const Float4 exit = Min(Min(lx, ly), Min(lz, reach));
        entry.Store(entries + g);
        hits |= (entry <= exit).Bits() << g;
    }
    return hits;
}

void TriangleHierarchy::Build(const std::vector<const std::vector<RenderTriangle>*>& lists) {
    nodes_.clear();
    packets_.clear();
    list_starts_.clear();
    root_ = kNoChild;
    triangle_count_ = 0;

    std::vector<const RenderTriangle*> by_order;
    std::vector<BuildItem> items;
    for (const std::vector<RenderTriangle>* list : lists) {
        list_starts_.push_back(static_cast<std::uint32_t>(by_order.size()));
        for (const RenderTriangle& t : *list) {
            const auto order = static_cast<std::uint32_t>(by_order.size());
            by_order.push_back(&t);
            if (!CanBeHit(t) || order >= (1u << 30)) {
                continue;
            }
            BuildItem item;
            for (const Vec3f& c : t.corner) {
                item.box.Grow(c);
            }
            item.centre = (item.box.lo + item.box.hi) * 0.5f;
            item.order = order;
            items.push_back(item);
        }
    }
    triangle_count_ = by_order.size();
    if (items.empty()) {
        return;
    }
    Builder builder(items);
    builder.Build(0, static_cast<std::uint32_t>(items.size()), 0);
    const std::vector<BinaryNode>& binary = builder.Nodes();
    nodes_.reserve(binary.size() / 2 + 1);
    packets_.reserve(items.size() / 2 + 1);

    // Each four-wide node takes a binary node's children and opens the largest inner ones
    // among them until it has four.
    auto collapse = [&](auto&& self, std::uint32_t index) -> std::uint32_t {
        const BinaryNode& node = binary[index];
        if (node.leaf) {
            Packet packet{};
            for (std::uint32_t lane = 0; lane < kPacketLanes; ++lane) {
                packet.radius_squared[lane] = -INFINITY;  // an unused lane never passes
            }
            for (std::uint32_t i = node.begin; i < node.end; ++i) {
                const std::uint32_t lane = i - node.begin;
                const RenderTriangle& t = *by_order[items[i].order];
                const auto axis = static_cast<int>(t.flags & 3u);
                const int si = axis == 0 ? 1 : 0;
                const int ri = axis == 2 ? 1 : 2;
                for (int a = 0; a < 3; ++a) {
                    packet.centre[a][lane] = Component(t.sphere_centre, a);
                    packet.normal[a][lane] = Component(t.plane_normal, a);
                    packet.s[a][lane] = Component(t.corner[a], si);
                    packet.r[a][lane] = Component(t.corner[a], ri);
                }
                packet.radius_squared[lane] = t.sphere_radius_squared;
                packet.offset[lane] = t.plane_offset;
                packet.tag[lane] = items[i].order << 2 | static_cast<std::uint32_t>(axis);
            }
            packets_.push_back(packet);
            return kLeafBit | static_cast<std::uint32_t>(packets_.size() - 1);
        }
        std::uint32_t children[kWidth] = {node.left, node.right};
        int count = 2;
        while (count < kWidth) {
            int widest = -1;
            double widest_area = -1.0;
            for (int c = 0; c < count; ++c) {
                const BinaryNode& child = binary[children[c]];
                if (!child.leaf && child.box.Area() > widest_area) {
                    widest_area = child.box.Area();
                    widest = c;
                }
            }
            if (widest < 0) {
                break;
            }
            const BinaryNode& opened = binary[children[widest]];
            children[widest] = opened.left;
            children[count++] = opened.right;
        }
        const auto at = static_cast<std::uint32_t>(nodes_.size());
        nodes_.emplace_back();
        for (int c = 0; c < kWidth; ++c) {
            Node& n = nodes_[at];
            if (c >= count) {
                for (int a = 0; a < 3; ++a) {
                    n.bounds[2 * a][c] = INFINITY;
                    n.bounds[2 * a + 1][c] = -INFINITY;
                }
                n.child[c] = kNoChild;
                continue;
            }
            const Box& box = binary[children[c]].box;
            for (int a = 0; a < 3; ++a) {
                n.bounds[2 * a][c] = Lower(Component(box.lo, a));
                n.bounds[2 * a + 1][c] = Upper(Component(box.hi, a));
            }
        }
        for (int c = 0; c < count; ++c) {
            const std::uint32_t ref = self(self, children[c]);
            nodes_[at].child[c] = ref;
        }
        return at;
    };
    root_ = collapse(collapse, 0);
}

bool TriangleHierarchy::Collect(const Ray& ray, NearSet& near, bool fixed_bound) const {
    struct Pending {
        std::uint32_t ref;
        float entry;
    };
    Pending stack[kStackSize];
    int top = 0;
    std::uint32_t ref = root_;
    alignas(16) float t[4];
    alignas(16) float k[4];
    alignas(16) float entries[kWidth];
    float reach = Reach(near.Bound());
    for (;;) {
        if ((ref & kLeafBit) != 0) {
            const Packet& p = packets_[ref & ~kLeafBit];
            int lanes = TestPacket(p, ray.ox, ray.oy, ray.oz, ray.dx, ray.dy, ray.dz,
                                   ray.max_distance, near.Bound(), t, k);
            if (lanes != 0) {
                do {
                    const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
                    lanes &= lanes - 1;
                    if (t[lane] <= near.Bound() && !near.Add(t[lane], k[lane], p.tag[lane] >> 2)) {
                        return false;
                    }
                } while (lanes != 0);
                reach = Reach(near.Bound());
            }
        } else {
            const Node& n = nodes_[ref];
            int hits = MeetBoxes(n, ray, Float4::Splat(reach), entries);
            if (hits != 0) {
                const int first = __builtin_ctz(static_cast<unsigned>(hits));
                hits &= hits - 1;
                if (hits == 0) {
                    ref = n.child[first];
                    continue;
                }
                // Nearest first: push the others farthest first, go on with the nearest.
                if (top + kWidth > kStackSize) {
                    return false;
                }
                const int second = __builtin_ctz(static_cast<unsigned>(hits));
                hits &= hits - 1;
                Pending a{n.child[first], entries[first]};
                Pending b{n.child[second], entries[second]};
                if (hits == 0) {
                    if (a.entry < b.entry) {
                        std::swap(a, b);
                    }
                    stack[top++] = a;
                    ref = b.ref;
                    continue;
                }
                Pending order[kWidth] = {a, b};
                int count = 2;
                do {
                    const int c = __builtin_ctz(static_cast<unsigned>(hits));
                    hits &= hits - 1;
                    order[count++] = {n.child[c], entries[c]};
                } while (hits != 0);
                std::sort(order, order + count,
                          [](const Pending& x, const Pending& y) { return x.entry > y.entry; });
                for (int i = 0; i < count - 1; ++i) {
                    stack[top++] = order[i];
                }
                ref = order[count - 1].ref;
                continue;
            }
        }
        // The next pending box that is not farther than the bound.
        for (;;) {
            if (top == 0) {
                if (fixed_bound) {
                    near.Settle();
                }
                return true;
            }
            const Pending& next = stack[--top];
            if (next.entry <= reach) {
                ref = next.ref;
                break;
            }
        }
    }
}

TriangleHierarchy::Hit TriangleHierarchy::HitOf(std::uint32_t order, float distance) const {
    const auto list = std::upper_bound(list_starts_.begin(), list_starts_.end(), order) - 1;
    Hit hit;
    hit.list = static_cast<int>(list - list_starts_.begin());
    hit.triangle = static_cast<int>(order - *list);
    hit.distance = distance;
    return hit;
}

TriangleHierarchy::Hit TriangleHierarchy::Resolve(const NearSet& near, float max_distance) const {
    // The reference's rule on the collected triangles in its order: accepted when both
    // distances are below the distance so far.
    const Candidate* first = near.Data();
    const Candidate* last = first + near.Size();
    const Candidate* best = nullptr;
    float so_far = max_distance;
    if (near.Size() == 1) {
        best = first->k < so_far ? first : nullptr;
    } else {
        std::uint32_t previous = 0;
        bool any = false;
        // Few entries: pick them in order without sorting a copy.
        for (;;) {
            const Candidate* next = nullptr;
            for (const Candidate* c = first; c != last; ++c) {
                if (c->t <= near.Bound() && (!any || c->order > previous) &&
                    (next == nullptr || c->order < next->order)) {
                    next = c;
                }
            }
            if (next == nullptr) {
                break;
            }
            any = true;
            previous = next->order;
            if (next->k < so_far) {
                so_far = next->t;
                best = next;
            }
        }
    }
    return best != nullptr ? HitOf(best->order, best->t) : Hit{};
}

TriangleHierarchy::Hit TriangleHierarchy::Nearest(const Vec3f& origin, const Vec3f& direction,
                                                  float max_distance) const {
    if (root_ == kNoChild) {
        return {};
    }
    const Ray ray(origin, direction, max_distance);
    NearSet near(max_distance, nullptr);
    if (!Collect(ray, near, false)) {
        return NearestOfMany(ray);
    }
    // A bound narrower than the final one may have left out triangles that matter: collect
    // again up to the final bound until it holds still.
    while (near.NarrowedBefore()) {
        near.Refill(near.Bound());
        if (!Collect(ray, near, true)) {
            return NearestOfMany(ray);
        }
    }
    return near.Empty() ? Hit{} : Resolve(near, max_distance);
}

TriangleHierarchy::Hit TriangleHierarchy::NearestOfMany(const Ray& ray) const {
    std::vector<Candidate> spill;
    NearSet near(ray.max_distance, &spill);
    if (!Collect(ray, near, false)) {
        return {};  // only a walk deeper than the build ever makes ends here
    }
    while (near.NarrowedBefore()) {
        near.Refill(near.Bound());
        if (!Collect(ray, near, true)) {
            return {};
        }
    }
    return near.Empty() ? Hit{} : Resolve(near, ray.max_distance);
}

bool TriangleHierarchy::AnyHitWithin(const Vec3f& origin, const Vec3f& direction,
                                     float max_distance, float limit) const {
    if (root_ == kNoChild || !(limit >= kMinHitDistance)) {
        return false;
    }
    const Ray ray(origin, direction, max_distance);
    const float bound = std::min(limit, max_distance);
    std::uint32_t stack[kStackSize];
    int top = 0;
    std::uint32_t ref = root_;
    bool undecided = false;
    alignas(16) float t[4];
    alignas(16) float k[4];
    const Float4 reach = Float4::Splat(Reach(bound));
    for (;;) {
        if ((ref & kLeafBit) != 0) {
            int lanes = TestPacket(packets_[ref & ~kLeafBit], ray.ox, ray.oy, ray.oz, ray.dx,
                                   ray.dy, ray.dz, max_distance, bound, t, k);
            while (lanes != 0) {
                const int lane = __builtin_ctz(static_cast<unsigned>(lanes));
                lanes &= lanes - 1;
                // The reference's nearest hit is no farther than any triangle's k.
                if (k[lane] <= limit) {
                    return true;
                }
                undecided = true;  // t is within the limit but k is not
            }
        } else {
            alignas(16) float entries[kWidth];
            int hits = MeetBoxes(nodes_[ref], ray, reach, entries);
            if (hits != 0) {
                if (top + kWidth > kStackSize) {
                    const Hit hit = Nearest(origin, direction, max_distance);
                    return hit.Found() && hit.distance <= limit;
                }
                const Node& n = nodes_[ref];
                ref = n.child[__builtin_ctz(static_cast<unsigned>(hits))];
                hits &= hits - 1;
                while (hits != 0) {
                    stack[top++] = n.child[__builtin_ctz(static_cast<unsigned>(hits))];
                    hits &= hits - 1;
                }
                continue;
            }
        }
        if (top == 0) {
            break;
        }
        ref = stack[--top];
    }
    if (!undecided) {
        return false;
    }
    const Hit hit = Nearest(origin, direction, max_distance);
    return hit.Found() && hit.distance <= limit;
}

}  // namespace kelto
