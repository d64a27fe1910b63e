// Drawable triangle meshes: the vertex record the views hand to OpenGL by pointer, the
// indexed triangle list with 16-bit indices, and the per-node face record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bounds.h"
#include "geometry.h"

namespace kelto {

// Nine floats, 36 bytes: position, normal, normal-valid flag (1.0 set, 0.0 not), and the
// texture coordinates s, t (the surface parameters of the vertex).
struct DisplayVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float normal_valid = 0.0f;
    float s = 0.0f, t = 0.0f;

    Vec3f Position() const { return {x, y, z}; }
    Vec3f Normal() const { return {nx, ny, nz}; }
};
static_assert(sizeof(DisplayVertex) == 36, "DisplayVertex is passed to OpenGL as 9 floats");

// With 16-bit indices a mesh addresses at most this many vertices.
inline constexpr std::size_t kMaxMeshVertices = 65536;

// An indexed triangle list, three indices per triangle.
struct Mesh {
    std::vector<DisplayVertex> vertices;
    std::vector<std::uint16_t> indices;

    void Clear() {
        vertices.clear();
        indices.clear();
    }
    std::size_t TriangleCount() const { return indices.size() / 3; }
    // The box of every vertex position (the empty box for an empty mesh).
    BoundingBox Box() const;
};

// A 32-byte record stored with every node: four 16-bit values, four more 16-bit values and
// four 32-bit values, all zero unless a file says otherwise.
struct FaceRecord {
    std::uint16_t first[4] = {};
    std::uint16_t second[4] = {};
    std::uint32_t third[4] = {};
    friend bool operator==(const FaceRecord&, const FaceRecord&) = default;
};
static_assert(sizeof(FaceRecord) == 32, "FaceRecord is stored as 32 bytes");

// The six face records a node carries. They are nearly always all zero, so they take no room
// until one of them is written; reading them when empty gives zeros.
class FaceRecords {
  public:
    static constexpr std::size_t kCount = 6;
    using Records = std::array<FaceRecord, kCount>;

    FaceRecords() = default;
    FaceRecords(const FaceRecords& other)
        : records_(other.records_ ? std::make_unique<Records>(*other.records_) : nullptr) {}
    FaceRecords& operator=(const FaceRecords& other) {
        if (this != &other) {
            records_ = other.records_ ? std::make_unique<Records>(*other.records_) : nullptr;
        }
        return *this;
    }
    FaceRecords(FaceRecords&&) noexcept = default;
    FaceRecords& operator=(FaceRecords&&) noexcept = default;

    const FaceRecord& operator[](std::size_t i) const { return View()[i]; }
    FaceRecord& operator[](std::size_t i) { return Mutable()[i]; }
    const FaceRecord* begin() const { return View().data(); }
    const FaceRecord* end() const { return View().data() + kCount; }
    FaceRecord* begin() { return Mutable().data(); }
    FaceRecord* end() { return Mutable().data() + kCount; }
    // Gives the room back when every record is zero again.
    void Compact() {
        if (records_ && *records_ == Records{}) {
            records_.reset();
        }
    }
    friend bool operator==(const FaceRecords& a, const FaceRecords& b) {
        return a.View() == b.View();
    }

  private:
    const Records& View() const {
        static const Records kZero{};
        return records_ ? *records_ : kZero;
    }
    Records& Mutable() {
        if (!records_) {
            records_ = std::make_unique<Records>();
        }
        return *records_;
    }
    std::unique_ptr<Records> records_;
};

}  // namespace kelto
