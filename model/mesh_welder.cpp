#include "mesh_welder.h"

#include <bit>
#include <cmath>

namespace kelto {

MeshWelder::MeshWelder(Mesh& out) : out_(out), buckets_(kBucketCount) {}

std::uint32_t MeshWelder::BucketOf(float s, float t) {
    // Mix the two bit patterns, then finish with a 32-bit avalanche so that neighbouring
    // parameter values land in unrelated buckets.
    std::uint32_t h = std::bit_cast<std::uint32_t>(s) * 0x9E3779B1u;
    h ^= std::rotl(std::bit_cast<std::uint32_t>(t) * 0x85EBCA77u, 16);
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h & (kBucketCount - 1);
}

bool MeshWelder::SameVertex(const DisplayVertex& a, const DisplayVertex& b) {
    return a.s == b.s && a.t == b.t && std::fabs(a.nx - b.nx) <= kNormalTolerance &&
           std::fabs(a.ny - b.ny) <= kNormalTolerance && std::fabs(a.nz - b.nz) <= kNormalTolerance;
}

bool MeshWelder::Add(const DisplayVertex& corner) {
    Bucket& bucket = buckets_[BucketOf(corner.s, corner.t)];
    if (bucket.used && SameVertex(out_.vertices[bucket.vertex], corner)) {
        out_.indices.push_back(bucket.vertex);
        return true;
    }
    if (out_.vertices.size() >= kMaxMeshVertices) {
        return false;
    }
    const auto index = static_cast<std::uint16_t>(out_.vertices.size());
    out_.indices.push_back(index);
    out_.vertices.push_back(corner);
    if (!bucket.used) {
        // The bucket keeps its first vertex.
        bucket.used = true;
        bucket.vertex = index;
    }
    return true;
}

}  // namespace kelto
