// A small 3DS chunk writer for the tests: nested chunks with their lengths filled in.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kelto::testing_3ds {

class ChunkWriter {
  public:
    // Opens a chunk; its length is written when it is closed.
    void Open(std::uint16_t id) {
        U16(id);
        starts_.push_back(bytes_.size());
        U32(0);
    }
    void Close() {
        const std::size_t at = starts_.back();
        starts_.pop_back();
        const auto length = static_cast<std::uint32_t>(bytes_.size() - at + 2);
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    // A chunk around what `body` writes.
    template <typename Body>
    void Chunk(std::uint16_t id, Body body) {
        Open(id);
        body();
        Close();
    }
    void U16(std::uint16_t v) {
        bytes_.push_back(static_cast<std::uint8_t>(v));
        bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    void F32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
    }
    void Text(const std::string& s) {
        bytes_.insert(bytes_.end(), s.begin(), s.end());
        bytes_.push_back(0);
    }
    std::vector<std::uint8_t>& Bytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::vector<std::size_t> starts_;
};

struct TestMesh {
    std::string name;
    std::vector<std::array<float, 3>> vertices;
    std::vector<std::array<std::uint16_t, 3>> faces;
    std::string material;  // empty: no material group
    bool smoothing = false;
};

// A whole file: version 3, a red material "Red Paint", and the given meshes.
inline std::vector<std::uint8_t> Make3ds(const std::vector<TestMesh>& meshes,
                                         float master_scale = 1.0f, std::uint32_t version = 3) {
    ChunkWriter w;
    w.Chunk(0x4D4D, [&] {
        w.Chunk(0x0002, [&] { w.U32(version); });
        w.Chunk(0x3D3D, [&] {
            w.Chunk(0x3D3E, [&] { w.U32(3); });
            w.Chunk(0x0100, [&] { w.F32(master_scale); });
            w.Chunk(0xAFFF, [&] {
                w.Chunk(0xA000, [&] { w.Text("Red Paint!"); });
                w.Chunk(0xA020, [&] {
                    w.Chunk(0x0011, [&] { w.Bytes().insert(w.Bytes().end(), {255, 0, 0}); });
                });
                w.Chunk(0xA030,
                        [&] { w.Chunk(0x0010, [&] { w.F32(0.5f), w.F32(0.5f), w.F32(0.5f); }); });
                w.Chunk(0xA040, [&] { w.Chunk(0x0030, [&] { w.U16(40); }); });
            });
            for (const TestMesh& m : meshes) {
                w.Chunk(0x4000, [&] {
                    w.Text(m.name);
                    w.Chunk(0x4100, [&] {
                        w.Chunk(0x4110, [&] {
                            w.U16(static_cast<std::uint16_t>(m.vertices.size()));
                            for (const auto& v : m.vertices)
                                w.F32(v[0]), w.F32(v[1]), w.F32(v[2]);
                        });
                        w.Chunk(0x4120, [&] {
                            w.U16(static_cast<std::uint16_t>(m.faces.size()));
                            for (const auto& f : m.faces)
                                w.U16(f[0]), w.U16(f[1]), w.U16(f[2]), w.U16(0);
                            if (!m.material.empty())
                                w.Chunk(0x4130, [&] {
                                    w.Text(m.material);
                                    w.U16(static_cast<std::uint16_t>(m.faces.size() + 1));
                                    for (std::size_t i = 0; i <= m.faces.size(); ++i)
                                        w.U16(static_cast<std::uint16_t>(i));  // one beyond
                                });
                            if (m.smoothing)
                                w.Chunk(0x4150, [&] {
                                    for (std::size_t i = 0; i < m.faces.size(); ++i)
                                        w.U32(1);
                                });
                        });
                    });
                });
            }
        });
        w.Chunk(0xB000, [&] { w.U32(7); });  // keyframer data: skipped
    });
    return w.Bytes();
}

// A tetrahedron standing on z = 1 (file axes), faces outward.
inline TestMesh Tetrahedron(const std::string& name) {
    return {name,
            {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {0, 0, 2}},
            {{0, 2, 1}, {0, 1, 3}, {1, 2, 3}, {0, 3, 2}},
            "Red Paint",
            false};
}

}  // namespace kelto::testing_3ds
