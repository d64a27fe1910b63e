// The one place that talks to the Open Asset Import Library: what it hands back is checked and
// copied into our own description before anything else sees it.
#include "model_import.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

#include <assimp/BaseImporter.h>
#include <assimp/DefaultIOSystem.h>
#include <assimp/importerdesc.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

#include "file_io.h"
#include "image_files.h"
#include "image_import.h"
#include "model/message_table.h"
#include "model/view_camera.h"
#include "stl_reader.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

// A file naming thousands of missing pictures says so for the first few.
constexpr std::size_t kMaxPictureWarnings = 10;

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Status ReadFailed(const std::string& file_name, const std::string& why) {
    return Status::Message(kMsgModelReadFailed, {file_name, why});
}

// --- cheap checks of what a header claims, before the library allocates for it ---

bool StartsWith(std::span<const std::uint8_t> bytes, std::string_view text) {
    return bytes.size() >= text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

// A binary STL is an 80-byte header, a 32-bit triangle count and 50 bytes a triangle: the
// size must match the count exactly. A file that starts with "solid" and does not match is
// read as text.
Status CheckStl(std::span<const std::uint8_t> bytes, std::uint64_t size,
                const std::string& file_name) {
    if (IsBinaryStl(bytes, size)) {
        return Status::Ok();  // the binary reader checks the count
    }
    if (StartsWith(bytes, "solid")) {
        return Status::Ok();
    }
    return ReadFailed(file_name, "the triangle count does not match the file's size");
}

// A PLY header, line by line as the format has it, whose elements fit in what follows it: each
// element a line of its own in a text file, and in a binary one at least the bytes of its
// fixed properties and list counts. (The library's reader does not stop on every header it
// does not understand, nor on a body that ends early.)
Status CheckPly(std::span<const std::uint8_t> bytes, std::uint64_t size,
                const std::string& file_name) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()),
                                std::min<std::size_t>(bytes.size(), 65536));
    const auto refuse = [&file_name](const char* why) { return ReadFailed(file_name, why); };
    static const std::map<std::string_view, int> kTypeBytes = {
        {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
        {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
        {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};
    std::size_t at = 0;
    std::vector<std::string_view> words;
    const auto next_line = [&]() {
        const std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) {
            return false;
        }
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        at = end + 1;
        words.clear();
        for (std::size_t w = 0; w < line.size();) {
            const std::size_t stop = std::min(line.find(' ', w), line.size());
            if (stop > w) {
                words.push_back(line.substr(w, stop - w));
            }
            w = stop + 1;
        }
        return true;
    };
    if (!next_line() || words.size() != 1 || words[0] != "ply" || !next_line() ||
        words.size() != 3 || words[0] != "format") {
        return refuse("no PLY header");
    }
    const bool ascii = words[1] == "ascii";
    if (!ascii && words[1] != "binary_little_endian" && words[1] != "binary_big_endian") {
        return refuse("an unknown PLY format");
    }
    std::uint64_t elements = 0, least_bytes = 0, element_count = 0;
    bool ended = false;
    while (!ended && next_line()) {
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info") {
            continue;
        }
        if (words[0] == "end_header" && words.size() == 1) {
            ended = true;
        } else if (words[0] == "element" && words.size() == 3) {
            element_count = 0;
            for (const char c : words[2]) {
                if (c < '0' || c > '9' || element_count > (std::uint64_t{1} << 40)) {
                    return refuse("a PLY element count is not a number");
                }
                element_count = element_count * 10 + static_cast<std::uint64_t>(c - '0');
            }
            elements += element_count;
        } else if (words[0] == "property" && words.size() == 3 && kTypeBytes.contains(words[1])) {
            least_bytes += element_count * static_cast<std::uint64_t>(kTypeBytes.at(words[1]));
        } else if (words[0] == "property" && words.size() == 5 && words[1] == "list" &&
                   kTypeBytes.contains(words[2]) && kTypeBytes.contains(words[3])) {
            least_bytes += element_count * static_cast<std::uint64_t>(kTypeBytes.at(words[2]));
        } else {
            return refuse("a PLY header line is not understood");
        }
    }
    if (!ended) {
        return refuse("the PLY header has no end");
    }
    const std::uint64_t body = size - at;
    if (ascii ? elements * 2 > body : least_bytes > body) {
        return refuse("the header claims more elements than the file holds");
    }
    if (ascii && bytes.size() == size) {  // the whole file is here: a line for each element
        const auto lines = static_cast<std::uint64_t>(
            std::count(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), '\n'));
        if (lines + 1 < elements) {
            return refuse("the file ends before its elements");
        }
    }
    return Status::Ok();
}

// The distinct names of lines starting with `keyword` (usemtl, newmtl, mtllib), gathering no
// more than one past `limit`.
std::set<std::string> LineNames(std::span<const std::uint8_t> bytes, std::string_view keyword,
                                std::size_t limit) {
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    std::set<std::string> names;
    for (std::size_t at = 0; at < text.size() && names.size() <= limit;) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        line.remove_prefix(std::min(line.find_first_not_of(" \t"), line.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (line.starts_with(keyword) && line.size() > keyword.size() + 1 &&
            (line[keyword.size()] == ' ' || line[keyword.size()] == '\t')) {
            names.emplace(line.substr(keyword.size() + 1));
        }
        at = end + 1;
    }
    return names;
}

// The library's OBJ reader takes several kilobytes a material: a file using more materials
// than this is refused before it is handed over.
constexpr std::size_t kMaxObjMaterials = 10'000;

Status CheckObj(std::span<const std::uint8_t> bytes, const std::string& file_name) {
    if (LineNames(bytes, "usemtl", kMaxObjMaterials).size() > kMaxObjMaterials) {
        return Status::Message(kMsgModelTooLarge, {file_name, "more than 10000 materials"});
    }
    return Status::Ok();
}

// A binary glTF's header and chunk lengths against the file's size: the library makes room
// for a chunk as long as its length says before it reads it. Chunk headers beyond `bytes`
// (the head of the file) are left to the library.
Status CheckGlb(std::span<const std::uint8_t> bytes, std::uint64_t size,
                const std::string& file_name) {
    const auto u32 = [&bytes](std::size_t at) {
        return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
               std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
    };
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "glTF", 4) != 0) {
        return Status::Ok();  // not binary glTF: the library says what it is
    }
    const std::uint64_t length = u32(8);
    if (length > size) {
        return ReadFailed(file_name, "the header claims more bytes than the file holds");
    }
    for (std::uint64_t at = 12; at + 8 <= length && at + 8 <= bytes.size();) {
        const std::uint64_t chunk = u32(static_cast<std::size_t>(at));
        if (at + 8 + chunk > length) {
            return ReadFailed(file_name, "a chunk claims more bytes than the file holds");
        }
        at += 8 + chunk;
    }
    return Status::Ok();
}

// `bytes`: the head of the file, or all of it; `size`: the whole file's.
Status CheckClaims(std::span<const std::uint8_t> bytes, std::uint64_t size,
                   const std::string& extension, const std::string& file_name) {
    if (extension == "stl") {
        return CheckStl(bytes, size, file_name);
    }
    if (extension == "ply") {
        return CheckPly(bytes, size, file_name);
    }
    if (extension == "obj" || extension == "mtl") {
        return CheckObj(bytes, file_name);
    }
    if (extension == "glb") {
        return CheckGlb(bytes, size, file_name);
    }
    return Status::Ok();
}

// --- the library's file access, kept to one folder ---

// Opens only files inside `folder` (an OBJ's MTL, a glTF's buffers); with an empty folder,
// none at all.
class FolderIoSystem : public Assimp::DefaultIOSystem {
  public:
    explicit FolderIoSystem(fs::path folder) : folder_(std::move(folder)) {}

    bool Exists(const char* file) const override {
        return Inside(file) && Assimp::DefaultIOSystem::Exists(file);
    }
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        if (!Inside(file) || std::strchr(mode, 'w') != nullptr) {
            return nullptr;
        }
        return Assimp::DefaultIOSystem::Open(file, mode);
    }

    const fs::path& Folder() const { return folder_; }

    bool Inside(const char* file) const {
        if (folder_.empty() || file == nullptr) {
            return false;
        }
        std::error_code error;
        const fs::path full = fs::weakly_canonical(fs::absolute(file, error), error);
        if (error) {
            return false;
        }
        const auto [stop, rest] = std::mismatch(folder_.begin(), folder_.end(), full.begin());
        return stop == folder_.end();
    }

  private:
    fs::path folder_;
};

// --- values the library hands back ---

bool Finite(const aiVector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float Unit(float value, float fallback) {
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : fallback;
}

// Printable ASCII only, at most kMaxImportNameBase bytes.
std::string CleanName(const aiString& name) {
    std::string clean;
    for (unsigned i = 0; i < name.length && clean.size() < kMaxImportNameBase; ++i) {
        const char c = name.data[i];
        clean.push_back(c >= 0x20 && c < 0x7F ? c : '_');
    }
    while (!clean.empty() && clean.back() == ' ') {
        clean.pop_back();
    }
    return clean;
}

// Our row-vector rotation from the library's column-vector one.
Matrix4 RotationOf(const aiMatrix3x3& r) {
    Matrix4 m;
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const double value = r[static_cast<unsigned>(column)][static_cast<unsigned>(row)];
            m.m[static_cast<std::size_t>(4 * row + column)] = std::isfinite(value) ? value : 0.0;
        }
    }
    return m;
}

void Place(const aiMatrix4x4& transform, double scale, ModelNode& node) {
    aiVector3D scaling, position;
    aiQuaternion rotation;
    transform.Decompose(scaling, rotation, position);
    if (Finite(position)) {
        node.position = {position.x * scale, position.y * scale, position.z * scale};
    }
    if (Finite(scaling) && scaling.x != 0 && scaling.y != 0 && scaling.z != 0) {
        node.scale = {scaling.x, scaling.y, scaling.z};
    }
    const float length = std::sqrt(rotation.w * rotation.w + rotation.x * rotation.x +
                                   rotation.y * rotation.y + rotation.z * rotation.z);
    if (std::isfinite(length) && length > 0) {
        rotation.Normalize();
        node.rotation = RotationOf(rotation.GetMatrix());
    }
}

// Counts kept while the triangles of the file are cut into pieces.
struct FaceTally {
    std::size_t left_out = 0;
};

using Triangle = std::array<unsigned, 3>;

// A mesh's triangles over its vertices. Most readers give every triangle three vertices of
// its own, in order (STL and OBJ do): those are counted, not listed.
struct MeshTriangles {
    std::vector<Triangle> listed;
    std::size_t in_order = 0;  // with none listed: the triangles (3t, 3t + 1, 3t + 2)

    std::size_t Count() const { return listed.empty() ? in_order : listed.size(); }
    Triangle operator[](std::size_t t) const {
        if (!listed.empty()) {
            return listed[t];
        }
        const auto first = static_cast<unsigned>(3 * t);
        return {first, first + 1, first + 2};
    }
};

// The mesh's polygons as fans from their first corner; faces of fewer than three corners
// (points and lines) are left out.
MeshTriangles FanTriangles(const aiMesh& source, std::size_t count, FaceTally& tally) {
    const aiFace* faces = source.mFaces;
    const unsigned face_count = faces == nullptr ? 0 : source.mNumFaces;
    bool in_order = face_count > 0;
    for (unsigned f = 0; f < face_count && in_order; ++f) {
        const unsigned* corner = faces[f].mIndices;
        in_order = faces[f].mNumIndices == 3 && corner != nullptr && corner[0] == 3 * f &&
                   corner[1] == 3 * f + 1 && corner[2] == 3 * f + 2;
    }
    MeshTriangles triangles;
    if (in_order) {
        triangles.in_order = face_count;
        return triangles;
    }
    triangles.listed.reserve(count);
    for (unsigned f = 0; f < face_count; ++f) {
        const aiFace& face = faces[f];
        if (face.mNumIndices < 3 || face.mIndices == nullptr) {
            ++tally.left_out;
            continue;
        }
        for (unsigned t = 1; t + 1 < face.mNumIndices; ++t) {
            triangles.listed.push_back({face.mIndices[0], face.mIndices[t], face.mIndices[t + 1]});
        }
    }
    return triangles;
}

// Gives back an array the library made.
template <typename T>
void GiveBack(T*& array) {
    const std::unique_ptr<T[]> taken(std::exchange(array, nullptr));
}

// Gives back what the library holds of a mesh that its pieces will not read: its faces (once
// they are triangles of our own: each face is an allocation of its own, dearer than its
// corners), tangents, colours and further texture coordinates.
void DropUnread(aiMesh& mesh) {
    GiveBack(mesh.mFaces);
    mesh.mNumFaces = 0;
    GiveBack(mesh.mTangents);
    GiveBack(mesh.mBitangents);
    for (aiColor4D*& colours : mesh.mColors) {
        GiveBack(colours);
    }
    for (unsigned c = 1; c < AI_MAX_NUMBER_OF_TEXTURECOORDS; ++c) {
        GiveBack(mesh.mTextureCoords[c]);
    }
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

// Cuts one of the library's meshes, as triangles over its vertices, into pieces of 16-bit
// indices. Vertices with normals are shared within a piece; without, every corner takes its
// face's normal. Each piece is given the room it will fill (at most), once. The mesh has
// vertices.
void CutMesh(const aiMesh& source, const MeshTriangles& triangles, double scale, ModelMesh& mesh,
             FaceTally& tally) {
    const unsigned vertex_count = source.mNumVertices;
    const aiVector3D* uv = source.mTextureCoords[0];
    const bool shared = source.mNormals != nullptr;
    mesh.smooth = shared;
    PieceSlots slots(shared ? std::min<std::size_t>(vertex_count, kMaxMeshVertices) : 0);
    const auto point = [&](unsigned i) {
        const aiVector3D& p = source.mVertices[i];
        return aiVector3D(static_cast<float>(p.x * scale), static_cast<float>(p.y * scale),
                          static_cast<float>(p.z * scale));
    };
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
        aiVector3D p[3];
        for (int k = 0; k < 3; ++k) {
            if (corners[k] >= vertex_count) {
                return false;
            }
            p[k] = point(corners[k]);
            if (!Finite(p[k])) {
                return false;
            }
        }
        aiVector3D normal = (p[1] - p[0]) ^ (p[2] - p[0]);
        const float length = normal.Length();
        normal = length > 0 && std::isfinite(length) ? normal / length : aiVector3D(0, 0, 0);
        if (mesh.pieces.back().vertices.size() + 3 > kMaxMeshVertices) {
            start_piece();
            if (shared) {
                slots.Clear();
            }
        }
        Mesh& piece = mesh.pieces.back();
        for (int k = 0; k < 3; ++k) {
            const unsigned i = corners[k];
            const std::size_t slot = shared ? slots.Find(i) : 0;
            if (shared && slots.Holds(slot)) {
                piece.indices.push_back(slots.Local(slot));
                continue;
            }
            DisplayVertex v;
            v.x = p[k].x;
            v.y = p[k].y;
            v.z = p[k].z;
            aiVector3D n = shared ? source.mNormals[i] : normal;
            const float n_length = n.Length();
            n = n_length > 0 && std::isfinite(n_length) ? n / n_length : normal;
            v.nx = n.x;
            v.ny = n.y;
            v.nz = n.z;
            v.normal_valid = 1.0f;
            if (uv != nullptr && std::isfinite(uv[i].x) && std::isfinite(uv[i].y)) {
                v.s = uv[i].x;
                v.t = 1.0f - uv[i].y;  // pictures are kept top row first
            }
            const auto index = static_cast<std::uint16_t>(piece.vertices.size());
            if (shared) {
                slots.Put(slot, i, index);
            }
            piece.indices.push_back(index);
            piece.vertices.push_back(v);
        }
        return true;
    };
    for (std::size_t t = 0; t < triangles.Count(); ++t) {
        if (!add_triangle(triangles[t])) {
            ++tally.left_out;
        }
        --remaining;
    }
    std::erase_if(mesh.pieces, [](const Mesh& m) { return m.indices.empty(); });
}

// --- materials and their pictures ---

ColourRgb ColourOr(const aiMaterial& source, const char* key, unsigned type, unsigned index,
                   ColourRgb fallback) {
    aiColor4D colour;
    if (source.Get(key, type, index, colour) != AI_SUCCESS) {
        return fallback;
    }
    return {Unit(colour.r, fallback.r), Unit(colour.g, fallback.g), Unit(colour.b, fallback.b)};
}

bool FloatOf(const aiMaterial& source, const char* key, unsigned type, unsigned index,
             float& value) {
    float read = 0;
    if (source.Get(key, type, index, read) != AI_SUCCESS || !std::isfinite(read)) {
        return false;
    }
    value = read;
    return true;
}

// Where a model's pictures come from: pictures inside the file, or files beside it.
// Each picture is read once however many materials name it.
struct PictureSource {
    const aiScene& scene;
    const FolderIoSystem* folder;  // null when the model came from memory
    std::string file_name;
    std::map<std::string, SharedImage> read = {};  // empty: could not be read
};

Status DecodeEmbedded(const aiTexture& texture, TextureImage& image, const std::string& name) {
    if (texture.mHeight != 0 || texture.pcData == nullptr || texture.mWidth == 0) {
        return Status::Message(kMsgImageTypeUnknown, {"raw"});
    }
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(texture.pcData), texture.mWidth);
    static constexpr std::uint8_t kPng[] = {0x89, 'P', 'N', 'G'};
    if (bytes.size() >= 4 && std::memcmp(bytes.data(), kPng, 4) == 0) {
        image.format = ImageFormat::Png;
        return DecodePng(bytes, image, name);
    }
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) {
        image.format = ImageFormat::Jpeg;
        return DecodeJpeg(bytes, image, name);
    }
    return Status::Message(kMsgImageTypeUnknown, {texture.achFormatHint});
}

// The picture `path` names, read through our own image readers; false when it cannot be had.
bool ReadPicture(const PictureSource& source, const aiString& path, TextureImage& image) {
    if (const aiTexture* embedded = source.scene.GetEmbeddedTexture(path.C_Str())) {
        image.failed = 1;
        const Status status = DecodeEmbedded(*embedded, image, source.file_name);
        image.failed = status.ok() && image.HasPixels() ? 0 : 1;
        image.BuildTexture();
        return image.failed == 0;
    }
    if (source.folder == nullptr || path.length == 0) {
        return false;
    }
    std::string relative(path.C_Str());
    std::replace(relative.begin(), relative.end(), '\\', '/');
    const std::string full = (source.folder->Folder() / relative).string();
    if (!source.folder->Inside(full.c_str())) {
        return false;
    }
    return ImportImage(full, image).ok() && image.HasPixels();
}

Material TakeMaterial(const aiMaterial& source, PictureSource& pictures,
                      std::vector<Status>& warnings) {
    Material material;
    material.colour = ColourOr(source, AI_MATKEY_COLOR_DIFFUSE, material.colour);
    material.colour = ColourOr(source, AI_MATKEY_BASE_COLOR, material.colour);
    material.highlight = ColourOr(source, AI_MATKEY_COLOR_SPECULAR, material.highlight);
    const ColourRgb ambient = ColourOr(source, AI_MATKEY_COLOR_AMBIENT, material.ambient);
    if (ambient.r > 0 || ambient.g > 0 || ambient.b > 0) {  // formats without one give black
        material.ambient = ambient;
    }
    material.glow = ColourOr(source, AI_MATKEY_COLOR_EMISSIVE, material.glow);
    float value = 0;
    if (FloatOf(source, AI_MATKEY_OPACITY, value)) {
        material.transparency = Unit(1.0f - value, 0.0f);
    }
    if (FloatOf(source, AI_MATKEY_TRANSMISSION_FACTOR, value)) {
        material.transparency = Unit(value, material.transparency);
    }
    if (FloatOf(source, AI_MATKEY_REFRACTI, value) && value >= 1.0f && value <= 3.0f) {
        material.index_of_refraction = value;
    }
    if (FloatOf(source, AI_MATKEY_SHININESS, value) && value >= 0) {
        material.shininess = Unit(value / 128.0f, material.shininess);  // a Phong exponent
    }
    if (FloatOf(source, AI_MATKEY_ROUGHNESS_FACTOR, value)) {
        material.shininess = Unit(1.0f - value, material.shininess);
    }
    if (FloatOf(source, AI_MATKEY_METALLIC_FACTOR, value)) {
        material.reflective_strength = Unit(value, 0.0f);
    }
    aiString path;
    if (source.GetTexture(aiTextureType_BASE_COLOR, 0, &path) == AI_SUCCESS ||
        source.GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS) {
        auto [known, first] = pictures.read.try_emplace(path.C_Str());
        if (first) {
            TextureImage image;
            if (ReadPicture(pictures, path, image)) {
                known->second = SharedImage(std::move(image));
            } else if (warnings.size() < kMaxPictureWarnings) {
                warnings.push_back(
                    Status::Message(kMsgModelPictureUnread, {path.C_Str(), pictures.file_name}));
            }
        }
        if (known->second) {
            material.colour_source = 1;
            material.colour_image = known->second;
        }
    }
    return material;
}

// --- the whole scene ---

using WorldMatrices = std::unordered_map<std::string, aiMatrix4x4>;

Vec3 ScaledPoint(const aiVector3D& p, double scale) {
    return {p.x * scale, p.y * scale, p.z * scale};
}

// Takes the library's meshes out of `source` as it goes.
Result<ModelScene> TakeScene(aiScene& source, const ModelImportOptions& options,
                             const FolderIoSystem* folder, const std::string& file_name) {
    // The library's glTF reader gives a camera the translation of its node as its position
    // too, and a spot light's cone as the half angle glTF keeps.
    const std::string extension = LowerCase(ExtensionOf(file_name));
    const bool gltf = extension == "gltf" || extension == "glb";
    if (source.mNumMeshes > kMaxImportParts || source.mNumMaterials > kMaxImportParts) {
        return Status::Message(kMsgModelTooLarge, {file_name, "too many meshes or materials"});
    }
    // Polygons counted as the fans they become, for each mesh.
    std::vector<std::size_t> fans(source.mNumMeshes, 0);
    std::size_t triangles = 0;
    for (unsigned i = 0; i < source.mNumMeshes && triangles <= kMaxImportTriangles; ++i) {
        const aiMesh* mesh = source.mMeshes[i];
        for (unsigned f = 0; mesh != nullptr && mesh->mFaces != nullptr && f < mesh->mNumFaces;
             ++f) {
            fans[i] += std::max(mesh->mFaces[f].mNumIndices, 2u) - 2;
        }
        triangles += fans[i];
    }
    if (triangles > kMaxImportTriangles) {
        return Status::Message(kMsgModelTooLarge, {file_name, "more than 20000000 triangles"});
    }
    ModelScene scene;
    const double scale = options.scale;

    PictureSource pictures{source, folder, file_name};
    for (unsigned i = 0; i < source.mNumMaterials; ++i) {
        scene.materials.push_back(
            source.mMaterials[i] != nullptr
                ? TakeMaterial(*source.mMaterials[i], pictures, scene.warnings)
                : Material{});
    }
    if (scene.materials.empty()) {
        scene.materials.emplace_back();
    }

    // Each of the library's meshes is given back as soon as it is cut into pieces, and its faces
    // before that: a large file is not held twice over.
    FaceTally tally;
    scene.meshes.reserve(source.mNumMeshes);
    for (unsigned i = 0; i < source.mNumMeshes; ++i) {
        ModelMesh& mesh = scene.meshes.emplace_back();
        const std::unique_ptr<aiMesh> from(std::exchange(source.mMeshes[i], nullptr));
        if (from == nullptr) {
            continue;
        }
        if (from->mVertices == nullptr || from->mNumVertices == 0) {
            tally.left_out += from->mNumFaces;
            continue;
        }
        mesh.name = CleanName(from->mName);
        mesh.material = from->mMaterialIndex < scene.materials.size() ? from->mMaterialIndex : 0;
        const MeshTriangles fan_triangles = FanTriangles(*from, fans[i], tally);
        DropUnread(*from);
        CutMesh(*from, fan_triangles, scale, mesh, tally);
        for (const Mesh& piece : mesh.pieces) {
            scene.triangles += piece.TriangleCount();
        }
    }
    if (tally.left_out > 0) {
        scene.warnings.push_back(
            Status::Message(kMsgModelFacesLeftOut, {std::to_string(tally.left_out), file_name}));
    }
    if (scene.triangles == 0) {
        return Status::Message(kMsgModelEmpty, {file_name});
    }

    // The tree, walked without recursion; a node met twice is not entered again.
    WorldMatrices world;
    struct Pending {
        const aiNode* node;
        std::size_t parent;  // SIZE_MAX for the root
        aiMatrix4x4 parent_world;
    };
    std::vector<Pending> pending;
    if (source.mRootNode != nullptr) {
        pending.push_back({source.mRootNode, SIZE_MAX, aiMatrix4x4()});
    }
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (scene.nodes.size() >= kMaxImportParts) {
            return Status::Message(kMsgModelTooLarge, {file_name, "too many nodes"});
        }
        const std::size_t index = scene.nodes.size();
        ModelNode& node = scene.nodes.emplace_back();
        node.name = CleanName(next.node->mName);
        Place(next.node->mTransformation, scale, node);
        const aiMatrix4x4 node_world = next.parent_world * next.node->mTransformation;
        world.emplace(next.node->mName.C_Str(), node_world);
        for (unsigned m = 0; m < next.node->mNumMeshes; ++m) {
            const unsigned mesh = next.node->mMeshes[m];
            if (mesh < scene.meshes.size() && !scene.meshes[mesh].pieces.empty()) {
                node.meshes.push_back(mesh);
            }
        }
        if (next.parent != SIZE_MAX) {
            scene.nodes[next.parent].children.push_back(index);
        }
        for (unsigned c = next.node->mNumChildren; c-- > 0;) {
            if (next.node->mChildren[c] != nullptr) {
                pending.push_back({next.node->mChildren[c], index, node_world});
            }
        }
    }
    if (scene.nodes.empty()) {  // no tree: every mesh under one root
        ModelNode& root = scene.nodes.emplace_back();
        for (std::size_t m = 0; m < scene.meshes.size(); ++m) {
            if (!scene.meshes[m].pieces.empty()) {
                root.meshes.push_back(m);
            }
        }
    }

    const auto world_of = [&world](const aiString& name) {
        const auto found = world.find(name.C_Str());
        return found == world.end() ? aiMatrix4x4() : found->second;
    };
    for (unsigned i = 0; i < source.mNumCameras && i < kMaxImportParts; ++i) {
        const aiCamera* from = source.mCameras[i];
        if (from == nullptr) {
            continue;
        }
        const aiMatrix4x4 placed = world_of(from->mName);
        const aiVector3D position = gltf ? aiVector3D() : from->mPosition;
        const aiVector3D eye = placed * position;
        const aiVector3D target = placed * (position + from->mLookAt);
        if (!Finite(eye) || !Finite(target) || (eye - target).Length() <= 0) {
            continue;
        }
        ModelCamera& camera = scene.cameras.emplace_back();
        camera.name = CleanName(from->mName);
        camera.eye = ScaledPoint(eye, scale);
        camera.target = ScaledPoint(target, scale);
        // The library gives the whole horizontal angle; our lens is for the vertical one.
        const double aspect =
            from->mAspect > 0 && std::isfinite(from->mAspect) ? from->mAspect : 1.0;
        const double vertical = 2.0 * std::atan(std::tan(from->mHorizontalFOV * 0.5) / aspect);
        if (std::isfinite(vertical) && vertical > 1e-3 && vertical < 3.1) {
            camera.lens =
                std::clamp(ViewCamera::kFrameDiagonal / (2.0 * std::tan(vertical)), 1.0, 2000.0);
        }
    }
    for (unsigned i = 0; i < source.mNumLights && i < kMaxImportParts; ++i) {
        const aiLight* from = source.mLights[i];
        if (from == nullptr ||
            (from->mType != aiLightSource_POINT && from->mType != aiLightSource_SPOT)) {
            continue;
        }
        const aiMatrix4x4 placed = world_of(from->mName);
        const aiVector3D position = placed * from->mPosition;
        aiVector3D direction = aiMatrix3x3(placed) * from->mDirection;
        if (!Finite(position)) {
            continue;
        }
        ModelLight& light = scene.lights.emplace_back();
        light.name = CleanName(from->mName);
        light.position = ScaledPoint(position, scale);
        const float length = direction.Length();
        if (std::isfinite(length) && length > 0) {
            direction /= length;
            light.direction = {direction.x, direction.y, direction.z};
        }
        const aiColor3D& c = from->mColorDiffuse;
        const float brightest = std::max({c.r, c.g, c.b});
        if (std::isfinite(brightest) && brightest > 0) {  // the colour; intensity is not kept
            light.colour = {c.r / brightest, c.g / brightest, c.b / brightest};
        }
        if (from->mType == aiLightSource_SPOT) {
            light.kind = ModelLight::Kind::Spot;
            const double half = gltf ? from->mAngleOuterCone : from->mAngleOuterCone * 0.5;
            const double degrees = half * 180.0 / 3.141592653589793;
            if (std::isfinite(degrees) && degrees > 0) {
                light.spot_angle = static_cast<float>(std::clamp(degrees, 1.0, 89.0));
            }
        }
    }
    return scene;
}

// No steps of the library's own after reading: its triangulation stops the program on faces
// without corners, so polygons are cut into fans here.
constexpr unsigned kPostProcess = 0;

// Only the readers of the file's
// extension stay: the library would otherwise hand a file its reader refuses to any other
// whose signature it finds in the bytes (a damaged GLB to the PLY reader, which may never
// return).
void Configure(Assimp::Importer& importer, const std::string& extension) {
    std::vector<Assimp::BaseImporter*> others;
    for (std::size_t i = 0; i < importer.GetImporterCount(); ++i) {
        const aiImporterDesc* info = importer.GetImporterInfo(i);
        const std::string listed = info != nullptr && info->mFileExtensions != nullptr
                                       ? " " + LowerCase(info->mFileExtensions) + " "
                                       : std::string();
        if (listed.find(" " + extension + " ") == std::string::npos) {
            others.push_back(importer.GetImporter(i));
        }
    }
    for (Assimp::BaseImporter* other : others) {
        if (other != nullptr && importer.UnregisterLoader(other) == AI_SUCCESS) {
            std::unique_ptr<Assimp::BaseImporter> unregistered(other);  // ours from here
        }
    }
}

std::string WhyFailed(const Assimp::Importer& importer) {
    std::string why = importer.GetErrorString();
    while (!why.empty() && (why.back() == '\n' || why.back() == '.' || why.back() == ' ')) {
        why.pop_back();
    }
    if (why.size() > 200) {
        why.resize(200);
    }
    return why.empty() ? "the file could not be read" : why;
}

}  // namespace

bool IsModelExtension(const std::string& extension) {
    const std::string lower = LowerCase(extension);
    if (lower.empty() || lower == "3ds") {
        return false;
    }
    return Assimp::Importer().IsExtensionSupported("." + lower);
}

Result<ModelScene> ReadModelFile(const std::string& path, const ModelImportOptions& options) {
    const std::string file_name = FileNameOf(path);
    const std::string extension = LowerCase(ExtensionOf(path));
    if (!IsModelExtension(extension)) {
        return Status::Message(kMsgObjectTypeUnknown, {extension});
    }
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error || !fs::is_regular_file(full, error)) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    if (extension == "ply") {  // nothing beside it: read as bytes, checked whole
        const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        if (!bytes.ok()) {
            return Status::Message(kMsgObjectOpenFailed, {path});
        }
        return ReadModelBytes(*bytes, file_name, options);
    }
    if (extension == "obj") {
        // The materials it uses, and those its libraries beside it define, are counted first.
        const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        if (!bytes.ok()) {
            return Status::Message(kMsgObjectOpenFailed, {path});
        }
        const Status claims = CheckObj(*bytes, file_name);
        if (!claims.ok()) {
            return claims;
        }
        for (const std::string& name : LineNames(*bytes, "mtllib", 16)) {
            const fs::path library_path = full.parent_path() / name;
            if (fs::file_size(library_path, error) < (std::uintmax_t{1} << 30) && !error) {
                const Result<std::vector<std::uint8_t>> library =
                    ReadWholeFile(library_path.string());
                if (library.ok() &&
                    LineNames(*library, "newmtl", kMaxObjMaterials).size() > kMaxObjMaterials) {
                    return Status::Message(kMsgModelTooLarge,
                                           {file_name, "more than 10000 materials"});
                }
            }
        }
    }
    if (extension == "stl" || extension == "glb") {
        // Only the header is looked at (a GLB's chunk headers within it).
        std::vector<std::uint8_t> head(extension == "glb" ? 1 << 20 : 65536);
        std::ifstream in(full, std::ios::binary);
        in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
        head.resize(static_cast<std::size_t>(in.gcount()));
        const std::uint64_t size = fs::file_size(full, error);
        if (!in.good() && !in.eof()) {
            return Status::Message(kMsgObjectOpenFailed, {path});
        }
        const Status claims = CheckClaims(head, error ? 0 : size, extension, file_name);
        if (!claims.ok()) {
            return claims;
        }
        if (extension == "stl" && !error && IsBinaryStl(head, size)) {
            return ReadBinaryStlFile(full.string(), file_name, options);
        }
    }
    Assimp::Importer importer;
    Configure(importer, extension);
    auto folder = std::make_unique<FolderIoSystem>(full.parent_path());
    const FolderIoSystem* folder_view = folder.get();
    importer.SetIOHandler(folder.release());  // the importer owns it from here
    if (importer.ReadFile(full.string(), kPostProcess) == nullptr) {
        return ReadFailed(file_name, WhyFailed(importer));
    }
    const std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    return TakeScene(*scene, options, folder_view, file_name);
}

Result<ModelScene> ReadModelBytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                                  const ModelImportOptions& options) {
    const std::string extension = LowerCase(ExtensionOf(file_name));
    if (!IsModelExtension(extension)) {
        return Status::Message(kMsgObjectTypeUnknown, {extension});
    }
    const Status claims = CheckClaims(bytes, bytes.size(), extension, file_name);
    if (!claims.ok()) {
        return claims;
    }
    if (bytes.empty()) {
        return ReadFailed(file_name, "the file is empty");
    }
    if (extension == "stl" && IsBinaryStl(bytes, bytes.size())) {
        return ReadBinaryStlBytes(bytes, file_name, options);
    }
    Assimp::Importer importer;
    Configure(importer, extension);
    importer.SetIOHandler(std::make_unique<FolderIoSystem>(fs::path()).release());
    if (importer.ReadFileFromMemory(bytes.data(), bytes.size(), kPostProcess, extension.c_str()) ==
        nullptr) {
        return ReadFailed(file_name, WhyFailed(importer));
    }
    const std::unique_ptr<aiScene> scene(importer.GetOrphanedScene());
    return TakeScene(*scene, options, nullptr, file_name);
}

}  // namespace kelto
