#include "triangle_hierarchy.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <limits>

#include "eight_lanes.h"
#include "hierarchy_walk.h"
#include "model/shared_work.h"
#include "near_set.h"
#include "simd4.h"
#include "triangle_intersection.h"

namespace kelto {
namespace {

constexpr std::uint32_t kPacketLanes = TriangleHierarchy::kLanes;
// Deeper than this the build halves its ranges by count, so that no walk goes deeper than
// about this plus 32 levels and the walk's stack always suffices.
constexpr int kSurfaceAreaDepth = 48;
constexpr int kBins = 32;

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
           (t.flags & 3u) == static_cast<std::uint32_t>(DominantAxis(n)) &&
           std::isfinite(t.plane_offset) && IsFinite(t.sphere_centre) &&
           std::isfinite(t.sphere_radius_squared);
}

struct Box {
    Vec3f lo{INFINITY, INFINITY, INFINITY};
    Vec3f hi{-INFINITY, -INFINITY, -INFINITY};
    // On values, not references, so that the compiler makes plain minimum and maximum
    // instructions of them rather than branches (the build spends most of its time here).
    void Grow(Vec3f p) { Grow(p, p); }
    void Grow(const Box& b) { Grow(b.lo, b.hi); }
    void Grow(Vec3f low, Vec3f high) {
        lo = {Smaller(lo.x, low.x), Smaller(lo.y, low.y), Smaller(lo.z, low.z)};
        hi = {Larger(hi.x, high.x), Larger(hi.y, high.y), Larger(hi.z, high.z)};
    }
    static float Smaller(float a, float b) { return b < a ? b : a; }
    static float Larger(float a, float b) { return a < b ? b : a; }
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

// A triangle as the build sees it: its box (whose centre it sorts and bins by) and its place
// in the testing order. 28 bytes: the items of a large scene are the build's largest
// temporary.
struct BuildItem {
    Box box;
    std::uint32_t order;
    float Centre(int axis) const {
        return (Component(box.lo, axis) + Component(box.hi, axis)) * 0.5f;
    }
    Vec3f Centre() const { return (box.lo + box.hi) * 0.5f; }
};

// A bin's box, grown by items' boxes four lanes at a time (the fourth lane is not used).
struct BinBox {
    alignas(16) float lo[4] = {INFINITY, INFINITY, INFINITY, INFINITY};
    alignas(16) float hi[4] = {-INFINITY, -INFINITY, -INFINITY, -INFINITY};
    // Reads the item's box as its lo.x, lo.y, lo.z, hi.x and its hi.x, hi.y, hi.z and the
    // order's bits.
    void Grow(const BuildItem& item) {
        static_assert(offsetof(BuildItem, box) == 0 && offsetof(Box, hi) == sizeof(Vec3f) &&
                      offsetof(BuildItem, order) == 2 * sizeof(Vec3f));
        const float* box = &item.box.lo.x;
        Min(Float4::Load(lo), Float4::LoadUnaligned(box)).Store(lo);
        Max(Float4::Load(hi), Float4::LoadUnaligned(box + 3)).Store(hi);
    }
    Box AsBox() const { return Box{{lo[0], lo[1], lo[2]}, {hi[0], hi[1], hi[2]}}; }
};

struct BinaryNode {
    Box box;
    std::uint32_t begin = 0, end = 0;  // leaf: its items
    std::uint32_t left = 0, right = 0;
    bool leaf = true;
};

class Builder {
  public:
    // Room is made at once for the most nodes `count` items can make (address space: only
    // what the tree uses is ever touched), so that the node list never moves as it grows.
    Builder(std::vector<BuildItem>& items, std::uint32_t count) : items_(items) {
        nodes_.reserve(2 * std::size_t{count});
    }

    // Builds the subtree over items [begin, end) and gives its node. With more than one
    // thread allowed, a large range's two halves are built at once (each range's items are
    // its own); the tree is the same whatever the threads.
    std::uint32_t Build(std::uint32_t begin, std::uint32_t end, int depth, int threads = 1) {
        const auto index = static_cast<std::uint32_t>(nodes_.size());
        nodes_.emplace_back();
        Box box, centres;
        for (std::uint32_t i = begin; i < end; ++i) {
            box.Grow(items_[i].box);
            centres.Grow(items_[i].Centre());
        }
        nodes_[index].box = box;
        nodes_[index].begin = begin;
        nodes_[index].end = end;
        if (end - begin <= kPacketLanes) {
            return index;
        }
        const std::uint32_t split = Split(begin, end, centres, depth);
        std::uint32_t left = 0, right = 0;
        if (threads > 1 && end - begin >= kParallelItems) {
            // The lower half into this builder, the upper into another, on whichever thread
            // takes each.
            Builder other(items_, end - split);
            std::atomic<int> next_half{0};
            RunOnThreads(2, [&] {
                for (int half = next_half.fetch_add(1); half < 2; half = next_half.fetch_add(1)) {
                    if (half == 0) {
                        left = Build(begin, split, depth + 1, threads - threads / 2);
                    } else {
                        other.Build(split, end, depth + 1, threads / 2);
                    }
                }
            });
            right = Adopt(other.nodes_);
        } else {
            left = Build(begin, split, depth + 1, 1);
            right = Build(split, end, depth + 1, 1);
        }
        nodes_[index].leaf = false;
        nodes_[index].left = left;
        nodes_[index].right = right;
        return index;
    }

    const std::vector<BinaryNode>& Nodes() const { return nodes_; }

  private:
    // Ranges at least this large are worth a thread of their own: starting one costs about
    // what building the tree over a few thousand triangles does.
    static constexpr std::uint32_t kParallelItems = 16384;

    // Appends another builder's nodes (its root first) and gives where its root went.
    std::uint32_t Adopt(const std::vector<BinaryNode>& other) {
        const auto offset = static_cast<std::uint32_t>(nodes_.size());
        for (BinaryNode node : other) {
            if (!node.leaf) {
                node.left += offset;
                node.right += offset;
            }
            nodes_.push_back(node);
        }
        return offset;
    }

    // Where to cut the range: the cheapest plane by the surface-area heuristic over binned
    // centres, or half the items along the widest axis when no plane separates them (or the
    // tree has grown deep). The items are binned along the three axes in one pass.
    std::uint32_t Split(std::uint32_t begin, std::uint32_t end, const Box& centres, int depth) {
        const std::uint32_t count = end - begin;
        // No more bins than items: a small range needs few planes to choose from.
        const int bins = static_cast<int>(std::min<std::uint32_t>(kBins, count));
        Binning binning[3];
        bool usable[3] = {};
        for (int axis = 0; axis < 3; ++axis) {
            usable[axis] = depth < kSurfaceAreaDepth && binning[axis].Span(centres, axis, bins);
        }
        BinBox bin_boxes[3][kBins];
        std::uint32_t counts[3][kBins] = {};
        if (usable[0] || usable[1] || usable[2]) {
            for (std::uint32_t i = begin; i < end; ++i) {
                const BuildItem& item = items_[i];
                for (int axis = 0; axis < 3; ++axis) {
                    const int b = binning[axis].Of(item.Centre(axis));
                    bin_boxes[axis][b].Grow(item);
                    ++counts[axis][b];
                }
            }
        }
        int best_axis = -1, best_bin = 0;
        double best_cost = std::numeric_limits<double>::infinity();
        for (int axis = 0; axis < 3; ++axis) {
            if (!usable[axis]) {
                continue;
            }
            double right_area[kBins] = {};
            std::uint32_t right_count[kBins] = {};
            Box right;
            std::uint32_t rc = 0;
            for (int b = bins - 1; b > 0; --b) {
                right.Grow(bin_boxes[axis][b].AsBox());
                rc += counts[axis][b];
                right_area[b] = right.Area();
                right_count[b] = rc;
            }
            Box left;
            std::uint32_t lc = 0;
            for (int b = 0; b < bins - 1; ++b) {
                left.Grow(bin_boxes[axis][b].AsBox());
                lc += counts[axis][b];
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
            const Binning& binned = binning[best_axis];
            auto* middle = std::partition(items_.data() + begin, items_.data() + end,
                                          [&](const BuildItem& item) {
                                              return binned.Of(item.Centre(best_axis)) <= best_bin;
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
                             const float ca = a.Centre(axis);
                             const float cb = b.Centre(axis);
                             return ca < cb || (ca == cb && a.order < b.order);
                         });
        return middle;
    }

    // Which of `bins` equal slices of the centres' extent along one axis a centre falls in
    // (in double: the slices of huge extents stay apart).
    struct Binning {
        double lo = 0.0, scale = 0.0;
        int last = 0;
        // False when the centres do not spread along the axis: no plane across it separates
        // them.
        bool Span(const Box& centres, int axis, int bins) {
            lo = Component(centres.lo, axis);
            const double extent = Component(centres.hi, axis) - lo;
            scale = bins / extent;
            last = bins - 1;
            return extent > 0.0 && std::isfinite(scale);
        }
        int Of(float c) const {
            const double b = (c - lo) * scale;
            return b >= last ? last : (b > 0.0 ? static_cast<int>(b) : 0);
        }
    };

    std::vector<BuildItem>& items_;
    std::vector<BinaryNode> nodes_;
};

}  // namespace

namespace {

// Which binary inner nodes become eight-wide nodes, and which nodes their children. A ray
// opens a node about as often as its box's surface area says, so the shape chosen makes the
// sum of the wide nodes' areas smallest: for every subtree, children before parents, the
// cheapest way to fill each number of slots its parent gives it, either as one child or
// spread over the slots by its two halves. (Taking the largest children apart until there
// are eight leaves many nodes of two or three leaves under full ones.)
class WideShape {
  public:
    static constexpr int kSlots = TriangleHierarchy::kWidth;

    explicit WideShape(const std::vector<BinaryNode>& binary)
        : binary_(binary), choices_(binary.size() * (kSlots + 1)) {
        // cost[n * kSlots + j - 1]: the least area of the wide nodes the subtree at n makes
        // when it may take j slots (zero for a leaf). In double, as the areas are: boxes may
        // reach 1e18 across, and their sums must stay finite and comparable.
        std::vector<double> cost(binary.size() * kSlots, 0.0);
        for (std::size_t n = binary.size(); n-- > 0;) {
            const BinaryNode& node = binary[n];
            if (node.leaf) {
                continue;
            }
            const double* left = &cost[node.left * std::size_t{kSlots}];
            const double* right = &cost[node.right * std::size_t{kSlots}];
            double* own = &cost[n * kSlots];
            Choice* choice = &choices_[n * (kSlots + 1)];
            // Spread over exactly j slots: the best division between the halves (each half
            // has at least one slot, whatever the costs compare like).
            double spread[kSlots + 1] = {};
            Choice divided[kSlots + 1];
            for (int j = 2; j <= kSlots; ++j) {
                spread[j] = INFINITY;
                divided[j] = {1, static_cast<std::uint8_t>(j - 1)};
                for (int i = 1; i < j; ++i) {
                    const double c = left[i - 1] + right[j - i - 1];
                    if (c < spread[j]) {
                        spread[j] = c;
                        divided[j] = {static_cast<std::uint8_t>(i),
                                      static_cast<std::uint8_t>(j - i)};
                    }
                }
            }
            // Entry 0: the children when n becomes a node; entry j: n in j slots (no division
            // for one child).
            choice[0] = divided[kSlots];
            own[0] = node.box.Area() + spread[kSlots];
            for (int j = 2; j <= kSlots; ++j) {
                if (spread[j] < own[j - 2]) {
                    own[j - 1] = spread[j];
                    choice[j] = divided[j];
                } else {
                    own[j - 1] = own[j - 2];
                    choice[j] = choice[j - 1];
                }
            }
        }
    }

    // The children of the wide node that inner node `index` becomes; returns how many.
    int Children(std::uint32_t index, std::uint32_t (&children)[kSlots]) const {
        const Choice& choice = choices_[index * std::size_t{kSlots + 1}];
        int count = 0;
        Expand(binary_[index].left, choice.left, children, count);
        Expand(binary_[index].right, choice.right, children, count);
        return count;
    }

    // How many wide nodes the subtree at `index` becomes.
    std::size_t NodeCount(std::uint32_t index) const {
        if (binary_[index].leaf) {
            return 0;
        }
        std::uint32_t children[kSlots];
        const int count = Children(index, children);
        std::size_t total = 1;
        for (int c = 0; c < count; ++c) {
            total += NodeCount(children[c]);
        }
        return total;
    }

  private:
    // The slots given to each half; none when the subtree stays one child.
    struct Choice {
        std::uint8_t left = 0, right = 0;
    };

    void Expand(std::uint32_t index, int slots, std::uint32_t (&children)[kSlots],
                int& count) const {
        const BinaryNode& node = binary_[index];
        const Choice& choice =
            choices_[index * std::size_t{kSlots + 1} + static_cast<std::size_t>(slots)];
        if (node.leaf || choice.left == 0) {
            children[count++] = index;
            return;
        }
        Expand(node.left, choice.left, children, count);
        Expand(node.right, choice.right, children, count);
    }

    const std::vector<BinaryNode>& binary_;
    std::vector<Choice> choices_;  // kSlots + 1 a binary node
};

}  // namespace

void TriangleHierarchy::Build(const std::vector<const TracedMesh*>& lists, Walk walk, int threads) {
    avx2_ = walk == Walk::kFastest && Avx2LanesAvailable();
    nodes_.clear();
    packets_.clear();
    slot_orders_.clear();
    list_starts_.clear();
    root_ = kNoChild;
    triangle_count_ = 0;

    std::size_t total = 0;
    for (const TracedMesh* list : lists) {
        total += list->Size();
    }
    std::vector<BuildItem> items;
    items.reserve(total);
    std::size_t order = 0;
    for (const TracedMesh* list : lists) {
        list_starts_.push_back(static_cast<std::uint32_t>(order));
        for (std::size_t i = 0; i < list->Size(); ++i, ++order) {
            // (Up to 2^29 triangles: a search notes a triangle by its packet and lane, eight
            // slots to a packet, in 32 bits.)
            if (order >= (1u << 29)) {
                continue;
            }
            const RenderTriangle t = list->TestedTriangle(i);
            if (!CanBeHit(t)) {
                continue;
            }
            BuildItem item;
            for (const Vec3f& c : t.corner) {
                item.box.Grow(c);
            }
            item.order = static_cast<std::uint32_t>(order);
            items.push_back(item);
        }
    }
    triangle_count_ = order;
    if (items.empty()) {
        return;
    }
    Builder builder(items, static_cast<std::uint32_t>(items.size()));
    builder.Build(0, static_cast<std::uint32_t>(items.size()), 0, threads);
    const std::vector<BinaryNode>& binary = builder.Nodes();
    // From here on only the items' places in the testing order are needed.
    std::vector<std::uint32_t> orders(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        orders[i] = items[i].order;
    }
    std::vector<BuildItem>().swap(items);
    const WideShape shape(binary);
    nodes_.reserve(shape.NodeCount(0));
    const auto leaves = static_cast<std::size_t>(
        std::count_if(binary.begin(), binary.end(), [](const BinaryNode& n) { return n.leaf; }));
    packets_.reserve(leaves);
    slot_orders_.assign(leaves * kPacketLanes, 0);  // an unused lane's slot is never read

    auto collapse = [&](auto&& self, std::uint32_t index) -> std::uint32_t {
        const BinaryNode& node = binary[index];
        if (node.leaf) {
            // An unused lane's normal is zero (and its squared radius -infinity): it never
            // passes.
            Packet packet{};
            for (std::uint32_t lane = 0; lane < kPacketLanes; ++lane) {
                packet.radius_squared[lane] = -INFINITY;
            }
            for (std::uint32_t i = node.begin; i < node.end; ++i) {
                const std::uint32_t lane = i - node.begin;
                const Hit at = HitOf(orders[i], 0.0f);
                const RenderTriangle t = lists[static_cast<std::size_t>(at.list)]->TestedTriangle(
                    static_cast<std::size_t>(at.triangle));
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
                slot_orders_[packets_.size() * kPacketLanes + lane] = orders[i];
            }
            packets_.push_back(packet);
            return kLeafBit | static_cast<std::uint32_t>(packets_.size() - 1);
        }
        std::uint32_t children[kWidth];
        const int count = shape.Children(index, children);
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

TriangleHierarchy::Hit TriangleHierarchy::HitOf(std::uint32_t order, float distance) const {
    // The last list that starts at or before `order`, found without unpredictable branches.
    const std::uint32_t* list = list_starts_.data();
    for (std::size_t n = list_starts_.size(); n > 1;) {
        const std::size_t half = n / 2;
        list = list[half] <= order ? list + half : list;
        n -= half;
    }
    Hit hit;
    hit.list = static_cast<int>(list - list_starts_.data());
    hit.triangle = static_cast<int>(order - *list);
    hit.distance = distance;
    return hit;
}

namespace {

// The reference's rule on the collected triangles in its order (`orders`, by slot): accepted
// when both distances are below the distance so far. Returns the accepted one that stands at
// the end.
const NearCandidate* Resolve(const NearSet& near, float max_distance, const std::uint32_t* orders) {
    const NearCandidate* first = near.Data();
    const NearCandidate* last = first + near.Size();
    if (near.Size() == 1) {
        return first->k < max_distance ? first : nullptr;
    }
    const NearCandidate* best = nullptr;
    float so_far = max_distance;
    std::uint32_t previous = 0;
    bool any = false;
    // Few entries: pick them in order without sorting a copy.
    for (;;) {
        const NearCandidate* next = nullptr;
        for (const NearCandidate* c = first; c != last; ++c) {
            const std::uint32_t order = orders[c->slot];
            if (c->t <= near.Bound() && (!any || order > previous) &&
                (next == nullptr || order < orders[next->slot])) {
                next = c;
            }
        }
        if (next == nullptr) {
            return best;
        }
        any = true;
        previous = orders[next->slot];
        if (next->k < so_far) {
            so_far = next->t;
            best = next;
        }
    }
}

bool Collect(bool avx2, const WalkTree& tree, const WalkRay& ray, NearSet& near, bool fixed_bound) {
#if KELTO_AVX2_LANES
    if (avx2) {
        return walk_avx2::Collect(tree, ray, near, fixed_bound);
    }
#else
    (void)avx2;
#endif
    return walk_pair::Collect(tree, ray, near, fixed_bound);
}

AnyHitAnswer AnyHit(bool avx2, const WalkTree& tree, const Vec3f& origin, const Vec3f& direction,
                    float max_distance, float limit) {
#if KELTO_AVX2_LANES
    if (avx2) {
        return walk_avx2::AnyHit(tree, origin, direction, max_distance, limit);
    }
#else
    (void)avx2;
#endif
    return walk_pair::AnyHit(tree, origin, direction, max_distance, limit);
}

}  // namespace

bool TriangleHierarchy::NearestWith(const Vec3f& origin, const Vec3f& direction, float max_distance,
                                    std::vector<NearCandidate>* spill, Hit& hit) const {
    const WalkTree tree{nodes_.data(), packets_.data(), root_};
    const WalkRay ray(origin, direction, max_distance);
    NearSet near(max_distance, spill);
    if (!Collect(avx2_, tree, ray, near, false)) {
        return false;
    }
    // A bound narrower than the final one may have left out triangles that matter: collect
    // again up to the final bound until it holds still.
    while (near.NarrowedBefore()) {
        near.Refill(near.Bound());
        if (!Collect(avx2_, tree, ray, near, true)) {
            return false;
        }
    }
    if (!near.Empty()) {
        if (const NearCandidate* best = Resolve(near, max_distance, slot_orders_.data())) {
            hit = HitOf(slot_orders_[best->slot], best->t);
        }
    }
    return true;
}

TriangleHierarchy::Hit TriangleHierarchy::Nearest(const Vec3f& origin, const Vec3f& direction,
                                                  float max_distance) const {
    Hit hit;
    if (root_ == kNoChild || NearestWith(origin, direction, max_distance, nullptr, hit)) {
        return hit;
    }
    // More candidates than a near set holds in place. (Only a walk deeper than the build ever
    // makes fails with the spill vector too; it finds nothing.)
    std::vector<NearCandidate> spill;
    NearestWith(origin, direction, max_distance, &spill, hit);
    return hit;
}

bool TriangleHierarchy::AnyHitWithin(const Vec3f& origin, const Vec3f& direction,
                                     float max_distance, float limit) const {
    if (root_ == kNoChild || !(limit >= kMinHitDistance)) {
        return false;
    }
    const WalkTree tree{nodes_.data(), packets_.data(), root_};
    const AnyHitAnswer answer = AnyHit(avx2_, tree, origin, direction, max_distance, limit);
    if (answer != AnyHitAnswer::kUndecided) {
        return answer == AnyHitAnswer::kHit;
    }
    const Hit hit = Nearest(origin, direction, max_distance);
    return hit.Found() && hit.distance <= limit;
}

}  // namespace kelto
