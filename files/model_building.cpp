#include "model_building.h"

#include <algorithm>
#include <cmath>

namespace kelto {
namespace {

namespace fs = std::filesystem;

float Unit(float value, float fallback) {
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : fallback;
}

ColourRgb ColourOr(const std::optional<FileMaterial::Rgb>& colour, ColourRgb fallback) {
    if (!colour) {
        return fallback;
    }
    const FileMaterial::Rgb& c = *colour;
    return {Unit(c[0], fallback.r), Unit(c[1], fallback.g), Unit(c[2], fallback.b)};
}

bool FloatOf(const std::optional<float>& given, float& value) {
    if (!given || !std::isfinite(*given)) {
        return false;
    }
    value = *given;
    return true;
}

using Vec = FileVec;

float Length(const Vec& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}
// `v` over `length`, multiplying by the reciprocal (the last bit counts: a scene must not
// change with the reader that read it).
Vec Over(const Vec& v, float length) {
    const float inverse = 1 / length;
    return {inverse * v.x, inverse * v.y, inverse * v.z};
}
bool Finite(const Vec& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Where the mesh's vertices sit in the piece being filled, for vertices shared within a piece:
// an open-addressed table sized for one piece, not an entry for every vertex of the mesh.
class PieceSlots {
  public:
    explicit PieceSlots(std::size_t most) {
        int bits = 4;
        while ((std::size_t{1} << bits) < 2 * most) {
            ++bits;
        }
        shift_ = 64 - bits;
        mask_ = (std::size_t{1} << bits) - 1;
        vertex_.assign(mask_ + 1, kEmpty);
        local_.resize(mask_ + 1);
    }
    void Clear() { std::fill(vertex_.begin(), vertex_.end(), kEmpty); }
    // The slot of `vertex`: its own, or the empty one where it would go.
    std::size_t Find(unsigned vertex) const {
        std::size_t slot = (vertex * 0x9E3779B97F4A7C15ull) >> shift_;
        while (vertex_[slot] != vertex && vertex_[slot] != kEmpty) {
            slot = (slot + 1) & mask_;
        }
        return slot;
    }
    bool Holds(std::size_t slot) const { return vertex_[slot] != kEmpty; }
    std::uint16_t Local(std::size_t slot) const { return local_[slot]; }
    void Put(std::size_t slot, unsigned vertex, std::uint16_t local) {
        vertex_[slot] = vertex;
        local_[slot] = local;
    }

  private:
    static constexpr unsigned kEmpty = ~0u;  // no vertex: a mesh has fewer
    std::vector<unsigned> vertex_;
    std::vector<std::uint16_t> local_;
    std::size_t mask_ = 0;
    int shift_ = 0;
};

}  // namespace

std::string CleanName(std::string_view name) {
    std::string clean;
    for (std::size_t i = 0; i < name.size() && clean.size() < kMaxImportNameBase; ++i) {
        const char c = name[i];
        clean.push_back(c >= 0x20 && c < 0x7F ? c : '_');
    }
    while (!clean.empty() && clean.back() == ' ') {
        clean.pop_back();
    }
    return clean;
}

bool InsideFolder(const fs::path& folder, const std::string& file) {
    if (folder.empty()) {
        return false;
    }
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(file, error), error);
    if (error) {
        return false;
    }
    const auto [stop, rest] = std::mismatch(folder.begin(), folder.end(), full.begin(), full.end());
    return stop == folder.end();
}

Material MaterialFrom(const FileMaterial& file) {
    Material material;
    material.colour = ColourOr(file.diffuse, material.colour);
    material.colour = ColourOr(file.base_colour, material.colour);
    material.highlight = ColourOr(file.specular, material.highlight);
    const ColourRgb ambient = ColourOr(file.ambient, material.ambient);
    if (ambient.r > 0 || ambient.g > 0 || ambient.b > 0) {  // formats without one give black
        material.ambient = ambient;
    }
    material.glow = ColourOr(file.emissive, material.glow);
    float value = 0;
    if (FloatOf(file.opacity, value)) {
        material.transparency = Unit(1.0f - value, 0.0f);
    }
    if (FloatOf(file.transmission, value)) {
        material.transparency = Unit(value, material.transparency);
    }
    if (FloatOf(file.index_of_refraction, value) && value >= 1.0f && value <= 3.0f) {
        material.index_of_refraction = value;
    }
    if (FloatOf(file.exponent, value) && value >= 0) {
        material.shininess = Unit(value / 128.0f, material.shininess);
    }
    if (FloatOf(file.roughness, value)) {
        material.shininess = Unit(1.0f - value, material.shininess);
    }
    if (FloatOf(file.metallic, value)) {
        material.reflective_strength = Unit(value, 0.0f);
    }
    return material;
}

void CutMesh(const MeshVertexSource& source, const MeshTriangles& triangles, double scale,
             ModelMesh& mesh, std::size_t& left_out) {
    const std::size_t vertex_count = source.VertexCount();
    const bool uv = source.HasUv();
    const bool shared = source.HasNormals();
    mesh.smooth = shared;
    PieceSlots slots(shared ? std::min<std::size_t>(vertex_count, kMaxMeshVertices) : 0);
    std::size_t remaining = triangles.Count();  // from the one being added on
    const auto start_piece = [&]() {
        Mesh& piece = mesh.pieces.emplace_back();
        const std::size_t corners = std::min(3 * remaining, kMaxMeshVertices);
        piece.vertices.reserve(shared ? std::min<std::size_t>(corners, vertex_count) : corners);
        piece.indices.reserve(corners);
    };
    start_piece();
    // One triangle over three of the mesh's vertices; false when a corner is not sound.
    const auto add_triangle = [&](const Triangle& corners) {
        SourceVertex read[3];
        Vec p[3];
        for (int k = 0; k < 3; ++k) {
            if (corners[k] >= vertex_count) {
                return false;
            }
            read[k] = source.Vertex(corners[k]);
            const auto& q = read[k].position;
            p[k] = {static_cast<float>(q[0] * scale), static_cast<float>(q[1] * scale),
                    static_cast<float>(q[2] * scale)};
            if (!Finite(p[k])) {
                return false;
            }
        }
        Vec normal = Cross(Minus(p[1], p[0]), Minus(p[2], p[0]));
        const float length = Length(normal);
        normal = length > 0 && std::isfinite(length) ? Over(normal, length) : Vec{};
        if (mesh.pieces.back().vertices.size() + 3 > kMaxMeshVertices) {
            start_piece();
            if (shared) {
                slots.Clear();
            }
        }
        Mesh& piece = mesh.pieces.back();
        for (int k = 0; k < 3; ++k) {
            const unsigned i = corners[k];
            // The vertex's normal, or the face's, made unit length (the face's once more: the
            // last bit of a scene must not change with the code that cut it).
            const Vec given =
                shared ? Vec{read[k].normal[0], read[k].normal[1], read[k].normal[2]} : normal;
            const float n_length = Length(given);
            const bool unit = n_length > 0 && std::isfinite(n_length);
            const Vec n = unit ? Over(given, n_length) : normal;
            const bool own_normal = shared && unit;
            // A vertex without a normal of its own takes each face's: it is not shared.
            const std::size_t slot = own_normal ? slots.Find(i) : 0;
            if (own_normal && slots.Holds(slot)) {
                piece.indices.push_back(slots.Local(slot));
                continue;
            }
            DisplayVertex v;
            v.x = p[k].x;
            v.y = p[k].y;
            v.z = p[k].z;
            v.nx = n.x;
            v.ny = n.y;
            v.nz = n.z;
            v.normal_valid = 1.0f;
            const auto& st = read[k].uv;
            if (uv && std::isfinite(st[0]) && std::isfinite(st[1])) {
                v.s = st[0];
                v.t = 1.0f - st[1];  // pictures are kept top row first
            }
            const auto index = static_cast<std::uint16_t>(piece.vertices.size());
            if (own_normal) {
                slots.Put(slot, i, index);
            }
            piece.indices.push_back(index);
            piece.vertices.push_back(v);
        }
        return true;
    };
    for (std::size_t t = 0; t < triangles.Count(); ++t) {
        if (!add_triangle(triangles[t])) {
            ++left_out;
        }
        --remaining;
    }
    std::erase_if(mesh.pieces, [](const Mesh& m) { return m.indices.empty(); });
}

}  // namespace kelto
