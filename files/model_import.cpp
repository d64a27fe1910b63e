// The one place that talks to the Open Asset Import Library: what it hands back is checked and
// copied into our own description before anything else sees it.
#include "model_import.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
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
#include "model_building.h"
#include "obj_reader.h"
#include "stl_reader.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

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

// The bytes of a PLY value of the type, by its name; 0 for a name that is not a type.
const std::map<std::string_view, int> kPlyTypeBytes = {
    {"char", 1},  {"uchar", 1},   {"int8", 1},   {"uint8", 1},  {"short", 2}, {"ushort", 2},
    {"int16", 2}, {"uint16", 2},  {"int", 4},    {"uint", 4},   {"int32", 4}, {"uint32", 4},
    {"float", 4}, {"float32", 4}, {"double", 8}, {"float64", 8}};

// A name of the header: letters, digits, '_' and '-', not starting with a digit. (The library
// took an element named "444...4vertex" for a count of billions, 11 GB.)
bool PlyName(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) {
        return false;
    }
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-';
    });
}

// How a PLY value of a type is stored.
struct PlyType {
    int bytes = 0;
    bool is_signed = false;
    bool is_float = false;
};
PlyType PlyTypeNamed(std::string_view name) {
    const int bytes = kPlyTypeBytes.at(name);
    return {bytes,
            name == "char" || name == "int8" || name == "short" || name == "int16" ||
                name == "int" || name == "int32",
            name.starts_with("float") || name == "double"};
}

struct PlyProperty {
    std::string_view name;
    bool list = false;
    PlyType count;  // a list's
    PlyType value;
};
struct PlyElement {
    std::string_view name;
    std::uint64_t count = 0;
    std::vector<PlyProperty> properties;
};

// The values of a PLY body one after another: a text file's from the words of one line per
// element (blank lines passed over), a binary file's from its bytes.
class PlyValues {
  public:
    PlyValues(std::span<const std::uint8_t> body, bool ascii, bool big_endian)
        : body_(body), ascii_(ascii), big_endian_(big_endian) {}

    // Moves to the next element's line (text files only); false at the end of the file.
    bool NextLine() {
        while (ascii_ && at_ < body_.size()) {
            const auto* start = reinterpret_cast<const char*>(body_.data()) + at_;
            const auto* end =
                static_cast<const char*>(std::memchr(start, '\n', body_.size() - at_));
            const std::size_t length =
                end != nullptr ? static_cast<std::size_t>(end - start) : body_.size() - at_;
            at_ += length + 1;
            line_ = std::string_view(start, length);
            if (line_.find_first_not_of(" \t\r") != std::string_view::npos) {
                return true;
            }
        }
        return !ascii_;
    }
    // Whether the text line holds words not read.
    bool LineHasMore() const { return line_.find_first_not_of(" \t\r") != std::string_view::npos; }

    // The next value; false when there is none. A number beyond a double is infinite.
    bool Next(const PlyType& type, double& value) {
        return ascii_ ? NextWord(value) : NextBytes(type, value);
    }

  private:
    bool NextWord(double& value) {
        const std::size_t start = line_.find_first_not_of(" \t\r");
        if (start == std::string_view::npos) {
            return false;
        }
        line_.remove_prefix(start);
        const std::size_t stop = std::min(line_.find_first_of(" \t\r"), line_.size());
        const char* first = line_.data() + (line_.front() == '+' ? 1 : 0);
        const auto [end, error] = std::from_chars(first, line_.data() + stop, value);
        line_.remove_prefix(stop);
        if (error == std::errc::result_out_of_range) {
            value = INFINITY;
            return true;
        }
        return error == std::errc() && end != first;
    }
    bool NextBytes(const PlyType& type, double& value) {
        const auto size = static_cast<std::size_t>(type.bytes);
        if (body_.size() - at_ < size) {
            return false;
        }
        std::uint8_t raw[8];
        for (std::size_t i = 0; i < size; ++i) {
            raw[i] = body_[at_ + (big_endian_ ? size - 1 - i : i)];
        }
        at_ += size;
        if (type.is_float) {
            if (size == 4) {
                float f;
                std::memcpy(&f, raw, 4);
                value = f;
            } else {
                std::memcpy(&value, raw, 8);
            }
            return true;
        }
        std::uint64_t u = 0;
        for (std::size_t i = size; i-- > 0;) {
            u = u << 8 | raw[i];
        }
        const std::uint64_t sign_bit = std::uint64_t{1} << (8 * size - 1);
        value = type.is_signed && (u & sign_bit) != 0 ? -static_cast<double>((sign_bit << 1) - u)
                                                      : static_cast<double>(u);
        return true;
    }

    std::span<const std::uint8_t> body_;
    bool ascii_, big_endian_;
    std::size_t at_ = 0;
    std::string_view line_;
};

// A PLY body against its header: every element whole, and every corner of a face (or of a
// triangle strip, where -1 also ends a strip) naming a vertex the file has. The library makes
// room for as many vertices as the largest corner names: a 270-byte file whose face named
// vertex 100 000 000 took 12 GB and half a minute.
Status CheckPlyBody(std::span<const std::uint8_t> body, bool ascii, bool big_endian,
                    const std::vector<PlyElement>& elements, const std::string& file_name) {
    std::uint64_t vertices = 0;
    for (const PlyElement& element : elements) {
        if (element.name == "vertex") {
            vertices = element.count;
        }
    }
    const auto refuse = [&file_name](const char* why) { return ReadFailed(file_name, why); };
    PlyValues values(body, ascii, big_endian);
    for (const PlyElement& element : elements) {
        const bool faces = element.name == "face" || element.name == "tristrips";
        const double lowest = element.name == "tristrips" ? -1.0 : 0.0;
        for (std::uint64_t n = 0; n < element.count; ++n) {
            if (!values.NextLine()) {
                return refuse("the file ends before its elements");
            }
            for (const PlyProperty& property : element.properties) {
                double value = 0;
                std::uint64_t count = 1;
                if (property.list) {
                    if (!values.Next(property.count, value) || !(value >= 0 && value <= 1e6)) {
                        return refuse("a PLY list is cut short or its count is wrong");
                    }
                    count = static_cast<std::uint64_t>(value);
                }
                const bool corners =
                    faces && property.list &&
                    (property.name == "vertex_indices" || property.name == "vertex_index");
                for (std::uint64_t v = 0; v < count; ++v) {
                    if (!values.Next(property.value, value)) {
                        return refuse("a PLY element is cut short");
                    }
                    if (corners && !(value >= lowest && value < static_cast<double>(vertices))) {
                        return refuse("a PLY face names a vertex the file does not have");
                    }
                }
            }
            if (ascii && values.LineHasMore()) {
                return refuse("a PLY element's line holds more than its properties");
            }
        }
    }
    return Status::Ok();
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
    const bool big_endian = words[1] == "binary_big_endian";
    if (!ascii && words[1] != "binary_little_endian" && words[1] != "binary_big_endian") {
        return refuse("an unknown PLY format");
    }
    std::uint64_t elements = 0, least_bytes = 0, element_count = 0;
    std::vector<PlyElement> described;
    bool ended = false;
    while (!ended && next_line()) {
        if (words.empty() || words[0] == "comment" || words[0] == "obj_info") {
            continue;
        }
        if (words[0] == "end_header" && words.size() == 1) {
            ended = true;
        } else if (words[0] == "element" && words.size() == 3 && !PlyName(words[1])) {
            return refuse("a PLY element's name is not a name");
        } else if (words[0] == "property" && !PlyName(words.back())) {
            return refuse("a PLY property's name is not a name");
        } else if (words[0] == "element" && words.size() == 3) {
            element_count = 0;
            for (const char c : words[2]) {
                if (c < '0' || c > '9' || element_count > (std::uint64_t{1} << 40)) {
                    return refuse("a PLY element count is not a number");
                }
                element_count = element_count * 10 + static_cast<std::uint64_t>(c - '0');
            }
            elements += element_count;
            described.push_back({words[1], element_count, {}});
        } else if (words[0] == "property" && words.size() == 3 &&
                   kPlyTypeBytes.contains(words[1]) && !described.empty()) {
            least_bytes += element_count * static_cast<std::uint64_t>(kPlyTypeBytes.at(words[1]));
            described.back().properties.push_back({words[2], false, {}, PlyTypeNamed(words[1])});
        } else if (words[0] == "property" && words.size() == 5 && words[1] == "list" &&
                   kPlyTypeBytes.contains(words[2]) && kPlyTypeBytes.contains(words[3]) &&
                   !described.empty()) {
            least_bytes += element_count * static_cast<std::uint64_t>(kPlyTypeBytes.at(words[2]));
            described.back().properties.push_back(
                {words[4], true, PlyTypeNamed(words[2]), PlyTypeNamed(words[3])});
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
    if (bytes.size() == size) {
        return CheckPlyBody(bytes.subspan(at), ascii, big_endian, described, file_name);
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

    bool Inside(const char* file) const { return file != nullptr && InsideFolder(folder_, file); }

  private:
    fs::path folder_;
};

// --- values the library hands back ---

bool Finite(const aiVector3D& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::string_view NameOf(const aiString& name) {
    return {name.data, std::min<std::size_t>(name.length, MAXLEN - 1)};
}

// One of the library's meshes as the cutting reads it.
class LibraryMesh : public MeshVertexSource {
  public:
    explicit LibraryMesh(const aiMesh& mesh) : mesh_(mesh) {}
    std::size_t VertexCount() const override { return mesh_.mNumVertices; }
    bool HasNormals() const override { return mesh_.mNormals != nullptr; }
    bool HasUv() const override { return mesh_.mTextureCoords[0] != nullptr; }
    SourceVertex Vertex(unsigned index) const override {
        SourceVertex v;
        const aiVector3D& p = mesh_.mVertices[index];
        v.position = {p.x, p.y, p.z};
        if (mesh_.mNormals != nullptr) {
            const aiVector3D& n = mesh_.mNormals[index];
            v.normal = {n.x, n.y, n.z};
        }
        if (mesh_.mTextureCoords[0] != nullptr) {
            const aiVector3D& uv = mesh_.mTextureCoords[0][index];
            v.uv = {uv.x, uv.y};
        }
        return v;
    }

  private:
    const aiMesh& mesh_;
};

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

// The mesh's polygons as fans from their first corner; faces of fewer than three corners
// (points and lines) are left out.
MeshTriangles FanTriangles(const aiMesh& source, std::size_t count, std::size_t& left_out) {
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
            ++left_out;
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

// --- materials and their pictures ---

std::optional<FileMaterial::Rgb> ColourOf(const aiMaterial& source, const char* key, unsigned type,
                                          unsigned index) {
    aiColor4D colour;
    if (source.Get(key, type, index, colour) != AI_SUCCESS) {
        return std::nullopt;
    }
    return FileMaterial::Rgb{colour.r, colour.g, colour.b};
}

std::optional<float> FloatOf(const aiMaterial& source, const char* key, unsigned type,
                             unsigned index) {
    float read = 0;
    if (source.Get(key, type, index, read) != AI_SUCCESS) {
        return std::nullopt;
    }
    return read;
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
    FileMaterial values;
    values.diffuse = ColourOf(source, AI_MATKEY_COLOR_DIFFUSE);
    values.base_colour = ColourOf(source, AI_MATKEY_BASE_COLOR);
    values.specular = ColourOf(source, AI_MATKEY_COLOR_SPECULAR);
    values.ambient = ColourOf(source, AI_MATKEY_COLOR_AMBIENT);
    values.emissive = ColourOf(source, AI_MATKEY_COLOR_EMISSIVE);
    values.opacity = FloatOf(source, AI_MATKEY_OPACITY);
    values.transmission = FloatOf(source, AI_MATKEY_TRANSMISSION_FACTOR);
    values.index_of_refraction = FloatOf(source, AI_MATKEY_REFRACTI);
    values.exponent = FloatOf(source, AI_MATKEY_SHININESS);
    values.roughness = FloatOf(source, AI_MATKEY_ROUGHNESS_FACTOR);
    values.metallic = FloatOf(source, AI_MATKEY_METALLIC_FACTOR);
    Material material = MaterialFrom(values);
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
    std::size_t left_out = 0;
    scene.meshes.reserve(source.mNumMeshes);
    for (unsigned i = 0; i < source.mNumMeshes; ++i) {
        ModelMesh& mesh = scene.meshes.emplace_back();
        const std::unique_ptr<aiMesh> from(std::exchange(source.mMeshes[i], nullptr));
        if (from == nullptr) {
            continue;
        }
        if (from->mVertices == nullptr || from->mNumVertices == 0) {
            left_out += from->mNumFaces;
            continue;
        }
        mesh.name = CleanName(NameOf(from->mName));
        mesh.material = from->mMaterialIndex < scene.materials.size() ? from->mMaterialIndex : 0;
        const MeshTriangles fan_triangles = FanTriangles(*from, fans[i], left_out);
        DropUnread(*from);
        CutMesh(LibraryMesh(*from), fan_triangles, scale, mesh, left_out);
        for (const Mesh& piece : mesh.pieces) {
            scene.triangles += piece.TriangleCount();
        }
    }
    if (left_out > 0) {
        scene.warnings.push_back(
            Status::Message(kMsgModelFacesLeftOut, {std::to_string(left_out), file_name}));
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
        node.name = CleanName(NameOf(next.node->mName));
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
        camera.name = CleanName(NameOf(from->mName));
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
        light.name = CleanName(NameOf(from->mName));
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

// Reads the file at `full` (canonical) through the library, files beside it from its folder.
Result<ModelScene> ReadWithLibrary(const fs::path& full, const std::string& file_name,
                                   const std::string& extension,
                                   const ModelImportOptions& options) {
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
        return ReadObjFile(full.string(), file_name, options);
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
    return ReadWithLibrary(full, file_name, extension, options);
}

Result<ModelScene> ReadModelFileWithLibrary(const std::string& path,
                                            const ModelImportOptions& options) {
    std::error_code error;
    const fs::path full = fs::weakly_canonical(fs::absolute(path, error), error);
    if (error || !fs::is_regular_file(full, error)) {
        return Status::Message(kMsgObjectOpenFailed, {path});
    }
    return ReadWithLibrary(full, FileNameOf(path), LowerCase(ExtensionOf(path)), options);
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
    if (extension == "obj") {
        return ReadObjBytes(bytes, file_name, options);
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
