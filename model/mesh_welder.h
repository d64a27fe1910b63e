// Builds one indexed mesh from emitted triangle corners, sharing a vertex between corners
// with the same surface parameters and nearly the same normal.
#pragma once

#include <cstdint>
#include <vector>

#include "mesh.h"

namespace kelto {

class MeshWelder {
  public:
    static constexpr int kBucketCount = 32768;
    // Two corners are one vertex when s and t are exactly equal and every normal component
    // differs by at most this much.
    static constexpr float kNormalTolerance = 0.09f;

    // Appends to `out`; the mesh is expected to start empty.
    explicit MeshWelder(Mesh& out);

    // Adds one corner: appends an index, and the vertex too when it is new. Returns false,
    // adding nothing, when a new vertex would not fit the 16-bit indices.
    bool Add(const DisplayVertex& corner);

    static bool SameVertex(const DisplayVertex& a, const DisplayVertex& b);

  private:
    struct Bucket {
        bool used = false;
        std::uint16_t vertex = 0;
    };
    static std::uint32_t BucketOf(float s, float t);

    Mesh& out_;
    std::vector<Bucket> buckets_;  // on the heap: 128 KiB is too much for a thread's stack
};

}  // namespace kelto
