// An eight-wide bounding-volume hierarchy over the triangles of a prepared scene.
//
// It answers the same question as the reference walk (the tree visited depth first, every
// triangle of a leaf tested in order against the shrinking distance) and gives exactly its
// answer: the same triangle at the same distance, bit for bit. The triangle test is the
// reference's, done for a leaf's eight triangles at once with the same single-precision
// operations (hierarchy_walk.h: with AVX2 where the processor has it).
//
// What makes the answers equal: the reference accepts a triangle when its plane distance t
// and the entry distance e into its bounding sphere are both below the distance found so far.
// Let k = max(e, t). When k == t for every triangle (almost always) the reference ends on the
// smallest t, ties going to the first tested. Rounding can make e a little larger than t, and
// then an earlier triangle with t' in [t, k) keeps this one out. The search therefore collects
// every triangle with t <= T, where T is the smallest bound such that each collected triangle
// has k <= T (T is the nearest t when every k equals its t), and replays the reference's rule
// on those few in the reference's order. Any triangle with t > T cannot change the outcome:
// before the first collected triangle the distance so far is above T, so that triangle is
// accepted whatever came before it, and after it nothing farther than T is accepted.
#pragma once

#include <cstdint>
#include <vector>

#include "float_math.h"
#include "traced_mesh.h"

namespace kelto {

struct NearCandidate;

class TriangleHierarchy {
  public:
    struct Hit {
        int list = -1;  // which of the lists given to Build
        int triangle = -1;
        float distance = 0.0f;
        bool Found() const { return list >= 0; }
    };

    // Which build of the walk runs: the fastest this processor has, or the one every x86-64
    // processor has (for comparing the two).
    enum class Walk { kFastest, kPortable };

    // Builds over the triangles of every list; the lists' order, then each list's own order,
    // is the reference's testing order. The hierarchy keeps what the triangles' test reads: the
    // lists are read only while it is built. Up to `threads` threads build it; the hierarchy
    // does not depend on how many.
    void Build(const std::vector<const TracedMesh*>& lists, Walk walk = Walk::kFastest,
               int threads = 1);
    // Whether the AVX2 walk runs.
    bool UsesAvx2() const { return avx2_; }

    // The reference's nearest hit nearer than `max_distance` (origin, unit direction).
    Hit Nearest(const Vec3f& origin, const Vec3f& direction, float max_distance) const;
    // Whether the reference's nearest hit within `max_distance` lies at `limit` or nearer.
    bool AnyHitWithin(const Vec3f& origin, const Vec3f& direction, float max_distance,
                      float limit) const;

    std::size_t TriangleCount() const { return triangle_count_; }
    // For measurements: inner nodes and leaves (of up to eight triangles).
    std::size_t NodeCount() const { return nodes_.size(); }
    std::size_t PacketCount() const { return packets_.size(); }
    // The bytes the hierarchy holds.
    std::size_t Bytes() const {
        return nodes_.capacity() * sizeof(Node) + packets_.capacity() * sizeof(Packet) +
               (slot_orders_.capacity() + list_starts_.capacity()) * sizeof(std::uint32_t);
    }

    // A child reference: an inner node's index, or with kLeafBit a leaf's packet's index.
    static constexpr std::uint32_t kLeafBit = 0x80000000u;
    static constexpr std::uint32_t kNoChild = 0xFFFFFFFFu;

    // Children per node.
    static constexpr int kWidth = 8;
    // The children's boxes, lane by lane, and their references.
    struct alignas(64) Node {
        float bounds[6][kWidth];  // min x, max x, min y, max y, min z, max z
        std::uint32_t child[kWidth];
    };
    // A leaf: up to eight triangles, what the reference's test reads, lane by lane, in the
    // order the walk reads it: seven cache lines. Unused lanes can never be hit. The
    // projection axis is not stored: it is the normal's dominant axis (MakeRenderTriangle's
    // rule). The lanes' places in the testing order are kept apart (slot_orders_), read only
    // by the nearest-hit search for the few triangles it collects.
    static constexpr int kLanes = 8;
    struct alignas(64) Packet {
        float normal[3][kLanes];
        float offset[kLanes];
        float s[3][kLanes];  // the corners' first kept coordinate
        float r[3][kLanes];  // the corners' second kept coordinate
        float centre[3][kLanes];
        float radius_squared[kLanes];
    };
    static_assert(sizeof(Packet) == 7 * 64);

  private:
    // The walk's collection and then the reference's rule on what it collected, into `hit`;
    // false when the collection overflowed (with a spill vector it holds any number).
    bool NearestWith(const Vec3f& origin, const Vec3f& direction, float max_distance,
                     std::vector<NearCandidate>* spill, Hit& hit) const;
    Hit HitOf(std::uint32_t order, float distance) const;

    std::vector<Node> nodes_;
    std::vector<Packet> packets_;
    // The testing order of the triangle in each slot (a packet's index times kLanes plus a
    // lane).
    std::vector<std::uint32_t> slot_orders_;
    std::uint32_t root_ = kNoChild;
    std::vector<std::uint32_t> list_starts_;  // first order number of every list
    std::size_t triangle_count_ = 0;
    bool avx2_ = false;
};

}  // namespace kelto
