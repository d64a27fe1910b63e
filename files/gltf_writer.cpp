#include "gltf_writer.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>
#include <utility>

#include "file_io.h"
#include "gltf_geometry.h"
#include "gltf_pictures.h"
#include "json_writer.h"
#include "model/child_list.h"
#include "model/message_table.h"
#include "model/view_camera.h"

namespace kelto {
namespace {

constexpr int kFloat = 5126;
constexpr int kUnsignedShort = 5123;
constexpr int kUnsignedInt = 5125;
constexpr int kArrayBuffer = 34962;
constexpr int kElementArrayBuffer = 34963;
constexpr double kPi = 3.141592653589793;

void WriteVec3(JsonWriter& json, std::string_view key, const Vec3& v) {
    json.Key(key);
    json.BeginArray();
    json.Number(v.x);
    json.Number(v.y);
    json.Number(v.z);
    json.EndArray();
}

void WritePlacement(JsonWriter& json, const Matrix4& m) {
    if (m == Matrix4{}) {
        return;
    }
    const std::optional<Trs> trs = Decompose(m);
    if (!trs) {
        json.Key("matrix");
        json.BeginArray();
        for (double v : m.m) {  // column-major for column vectors is our row-major order
            json.Number(v);
        }
        json.EndArray();
        return;
    }
    if (trs->translation != Vec3{}) {
        WriteVec3(json, "translation", trs->translation);
    }
    if (trs->rotation != Quaternion{0, 0, 0, 1}) {
        json.Key("rotation");
        json.BeginArray();
        for (double c : trs->rotation) {
            json.Number(c);
        }
        json.EndArray();
    }
    if (trs->scale != Vec3{1, 1, 1}) {
        WriteVec3(json, "scale", trs->scale);
    }
}

float Clamp01(float v) {
    return !(v > 0.0f) ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float Finite(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

// Our names are Latin-1, one byte a character; JSON text is UTF-8.
std::string Utf8Name(const std::string& latin1) {
    std::string utf8;
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

// Percent-encodes a file name for a URI.
std::string UriOf(const std::string& name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_' || c == '.' || c == '~') {
            uri += c;
        } else {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

class GltfBuilder {
  public:
    GltfBuilder(GltfLayout layout, std::string stem) : layout_(layout), stem_(std::move(stem)) {}

    GltfDocument Build(const Scene& scene, const ExportOptions& options);

  private:
    // Appends bytes to the buffer as a buffer view of its own, starting on a 4-byte boundary.
    int AddView(const void* data, std::size_t size, int target);
    int AddAccessor(int view, int component_type, std::size_t count, const char* type,
                    const float* min = nullptr, const float* max = nullptr, int dimensions = 0);
    // The values as a buffer view of their own, and the accessor that reads them.
    template <typename T>
    int AddArray(const std::vector<T>& values, int target, int component_type, std::size_t count,
                 const char* type, const float* min = nullptr, const float* max = nullptr,
                 int dimensions = 0) {
        return AddAccessor(AddView(values.data(), values.size() * sizeof(T), target),
                           component_type, count, type, min, max, dimensions);
    }
    // The mesh of a node's display mesh; -1 when it has no triangle.
    int AddMesh(const SceneNode& node);
    struct MaterialEntry {
        int index;
        bool normal_map;
    };
    MaterialEntry AddMaterial(const Material& material);
    // A texture of the picture; -1 when the picture cannot be encoded.
    int AddPictureTexture(const TextureImage& picture);
    int AddNormalMapTexture(const TextureImage& heights, float magnitude);
    int AddTexture(const Result<EncodedPicture>& encoded);
    void AddCamera(const ExportCamera& camera);
    void AddLight(const Light& light);
    void UseExtension(const char* name) {
        if (std::find(extensions_.begin(), extensions_.end(), name) == extensions_.end()) {
            extensions_.push_back(name);
        }
    }

    GltfLayout layout_;
    std::string stem_;
    GltfDocument document_;
    JsonWriter nodes_, meshes_, materials_, textures_, images_, accessors_, views_, cameras_,
        lights_;
    int node_count_ = 0, mesh_count_ = 0, material_count_ = 0, texture_count_ = 0, image_count_ = 0,
        accessor_count_ = 0, view_count_ = 0, camera_count_ = 0, light_count_ = 0;
    std::vector<int> scene_nodes_;
    std::vector<std::string> extensions_;
    std::map<const TextureImage*, int> picture_textures_;
    std::map<std::pair<const TextureImage*, float>, int> normal_textures_;
};

int GltfBuilder::AddView(const void* data, std::size_t size, int target) {
    std::vector<std::uint8_t>& buffer = document_.buffer;
    const std::size_t offset = buffer.size();
    buffer.resize(offset + size);
    if (size > 0) {
        std::memcpy(buffer.data() + offset, data, size);
    }
    buffer.resize((buffer.size() + 3) & ~std::size_t{3}, 0);
    views_.BeginObject();
    views_.Field("buffer", 0);
    if (offset > 0) {
        views_.Field("byteOffset", offset);
    }
    views_.Field("byteLength", size);
    if (target != 0) {
        views_.Field("target", target);
    }
    views_.EndObject();
    return view_count_++;
}

int GltfBuilder::AddAccessor(int view, int component_type, std::size_t count, const char* type,
                             const float* min, const float* max, int dimensions) {
    accessors_.BeginObject();
    accessors_.Field("bufferView", view);
    accessors_.Field("componentType", component_type);
    accessors_.Field("count", count);
    accessors_.Field("type", type);
    if (min != nullptr && max != nullptr) {
        for (const auto& [key, values] : {std::pair{"min", min}, std::pair{"max", max}}) {
            accessors_.Key(key);
            accessors_.BeginArray();
            for (int i = 0; i < dimensions; ++i) {
                accessors_.Number(values[i]);
            }
            accessors_.EndArray();
        }
    }
    accessors_.EndObject();
    return accessor_count_++;
}

int GltfBuilder::AddMesh(const SceneNode& node) {
    const Mesh& mesh = node.display_mesh;
    const std::vector<std::uint32_t> indices = UsableIndices(mesh);
    if (indices.empty()) {
        return -1;
    }
    const std::vector<Vec3f> normals = UnitNormals(mesh, indices);
    const std::size_t count = mesh.vertices.size();
    std::vector<float> positions, texture_coordinates;
    positions.reserve(count * 3);
    texture_coordinates.reserve(count * 2);
    float min[3] = {INFINITY, INFINITY, INFINITY}, max[3] = {-INFINITY, -INFINITY, -INFINITY};
    for (const DisplayVertex& v : mesh.vertices) {
        const float p[3] = {Finite(v.x), Finite(v.y), Finite(v.z)};
        for (int i = 0; i < 3; ++i) {
            positions.push_back(p[i]);
            min[i] = std::min(min[i], p[i]);
            max[i] = std::max(max[i], p[i]);
        }
        // Our t counts from the bottom of a picture, glTF's v from its top.
        texture_coordinates.push_back(Finite(v.s));
        texture_coordinates.push_back(1.0f - Finite(v.t));
    }
    const int position = AddArray(positions, kArrayBuffer, kFloat, count, "VEC3", min, max, 3);
    const int normal = AddArray(normals, kArrayBuffer, kFloat, count, "VEC3");
    const int texcoord = AddArray(texture_coordinates, kArrayBuffer, kFloat, count, "VEC2");
    // 16-bit indices stop short of 65535, which glTF keeps for restarting strips.
    const int index_accessor =
        count <= 65535
            ? AddArray(std::vector<std::uint16_t>(indices.begin(), indices.end()),
                       kElementArrayBuffer, kUnsignedShort, indices.size(), "SCALAR")
            : AddArray(indices, kElementArrayBuffer, kUnsignedInt, indices.size(), "SCALAR");
    const MaterialEntry material = AddMaterial(node.material);
    int tangent = -1;
    if (material.normal_map) {
        tangent = AddArray(Tangents(mesh, indices, normals), kArrayBuffer, kFloat, count, "VEC4");
    }
    meshes_.BeginObject();
    meshes_.Field("name", Utf8Name(node.name));
    meshes_.Key("primitives");
    meshes_.BeginArray();
    meshes_.BeginObject();
    meshes_.Key("attributes");
    meshes_.BeginObject();
    meshes_.Field("POSITION", position);
    meshes_.Field("NORMAL", normal);
    meshes_.Field("TEXCOORD_0", texcoord);
    if (tangent >= 0) {
        meshes_.Field("TANGENT", tangent);
    }
    meshes_.EndObject();
    meshes_.Field("indices", index_accessor);
    meshes_.Field("material", material.index);
    meshes_.EndObject();
    meshes_.EndArray();
    meshes_.EndObject();
    return mesh_count_++;
}

int GltfBuilder::AddTexture(const Result<EncodedPicture>& encoded) {
    if (!encoded.ok()) {
        return -1;
    }
    images_.BeginObject();
    if (layout_ == GltfLayout::Binary) {
        images_.Field("bufferView", AddView(encoded->bytes.data(), encoded->bytes.size(), 0));
        images_.Field("mimeType", encoded->mime_type);
    } else {
        std::string name =
            stem_ + "_picture" + std::to_string(image_count_ + 1) + "." + encoded->extension;
        images_.Field("uri", UriOf(name));
        document_.pictures.push_back({std::move(name), encoded->bytes});
    }
    images_.EndObject();
    textures_.BeginObject();
    textures_.Field("sampler", 0);
    textures_.Field("source", image_count_++);
    textures_.EndObject();
    return texture_count_++;
}

int GltfBuilder::AddPictureTexture(const TextureImage& picture) {
    if (const auto found = picture_textures_.find(&picture); found != picture_textures_.end()) {
        return found->second;
    }
    return picture_textures_[&picture] = AddTexture(EncodeMaterialPicture(picture));
}

int GltfBuilder::AddNormalMapTexture(const TextureImage& heights, float magnitude) {
    const std::pair key{&heights, magnitude};
    if (const auto found = normal_textures_.find(key); found != normal_textures_.end()) {
        return found->second;
    }
    return normal_textures_[key] = AddTexture(EncodeNormalMap(heights, magnitude));
}

void WriteTextureReference(JsonWriter& json, std::string_view key, int texture) {
    json.Key(key);
    json.BeginObject();
    json.Field("index", texture);
    json.EndObject();
}

GltfBuilder::MaterialEntry GltfBuilder::AddMaterial(const Material& m) {
    const TextureImage* colour_picture =
        m.colour_source == 1 && m.colour_image && m.colour_image->HasPixels() ? m.colour_image.get()
                                                                              : nullptr;
    const int colour_texture = colour_picture ? AddPictureTexture(*colour_picture) : -1;
    const TextureImage* heights = nullptr;
    if (m.bump_mode == BumpMode::UseColourMap) {
        heights = colour_picture;
    } else if (m.bump_mode == BumpMode::Image && m.bump_image && m.bump_image->HasPixels()) {
        heights = m.bump_image.get();
    }
    const int normal_texture = heights ? AddNormalMapTexture(*heights, m.bump_magnitude) : -1;
    const TextureImage* glow_picture =
        m.glow_source != 0 && m.glow_image && m.glow_image->HasPixels() ? m.glow_image.get()
                                                                        : nullptr;
    const int glow_texture = glow_picture ? AddPictureTexture(*glow_picture) : -1;

    materials_.BeginObject();
    materials_.Key("pbrMetallicRoughness");
    materials_.BeginObject();
    materials_.Key("baseColorFactor");
    materials_.BeginArray();
    if (colour_texture >= 0) {
        // The renderer takes an image's colours as they are.
        for (int i = 0; i < 4; ++i) {
            materials_.Number(1.0f);
        }
    } else {
        materials_.Number(Clamp01(m.colour.r * m.brightness));
        materials_.Number(Clamp01(m.colour.g * m.brightness));
        materials_.Number(Clamp01(m.colour.b * m.brightness));
        materials_.Number(1.0f);
    }
    materials_.EndArray();
    if (colour_texture >= 0) {
        WriteTextureReference(materials_, "baseColorTexture", colour_texture);
    }
    materials_.Field("metallicFactor", Clamp01(m.reflective_strength));
    materials_.Field("roughnessFactor", Clamp01(1.0f - m.shininess));
    materials_.EndObject();
    if (normal_texture >= 0) {
        WriteTextureReference(materials_, "normalTexture", normal_texture);
    }
    // The glow: its colour times its strength, brighter than 1 through the strength extension.
    std::array<float, 3> glow{m.glow.r, m.glow.g, m.glow.b};
    float glow_strength = std::isfinite(m.glow_strength) ? std::max(m.glow_strength, 0.0f) : 0.0f;
    if (glow_texture >= 0) {
        glow = {1.0f, 1.0f, 1.0f};
    }
    for (float& c : glow) {
        c = std::isfinite(c) ? std::max(c, 0.0f) * glow_strength : 0.0f;
    }
    const float brightest = std::max({glow[0], glow[1], glow[2]});
    float emissive_strength = 1.0f;
    if (brightest > 1.0f) {
        emissive_strength = brightest;
        for (float& c : glow) {
            c /= brightest;
        }
    }
    if (brightest > 0.0f) {
        materials_.Key("emissiveFactor");
        materials_.BeginArray();
        for (float c : glow) {
            materials_.Number(Clamp01(c));
        }
        materials_.EndArray();
        if (glow_texture >= 0) {
            WriteTextureReference(materials_, "emissiveTexture", glow_texture);
        }
    }
    materials_.Field("doubleSided", true);
    const bool transparent = Clamp01(m.transparency) > 0.0f;
    if (transparent || emissive_strength > 1.0f) {
        materials_.Key("extensions");
        materials_.BeginObject();
        if (transparent) {
            UseExtension("KHR_materials_transmission");
            UseExtension("KHR_materials_ior");
            materials_.Key("KHR_materials_transmission");
            materials_.BeginObject();
            materials_.Field("transmissionFactor", Clamp01(m.transparency));
            materials_.EndObject();
            materials_.Key("KHR_materials_ior");
            materials_.BeginObject();
            const float ior = m.index_of_refraction;
            materials_.Field("ior", std::isfinite(ior) && ior >= 1.0f ? ior : 1.0f);
            materials_.EndObject();
        }
        if (emissive_strength > 1.0f) {
            UseExtension("KHR_materials_emissive_strength");
            materials_.Key("KHR_materials_emissive_strength");
            materials_.BeginObject();
            materials_.Field("emissiveStrength", emissive_strength);
            materials_.EndObject();
        }
        materials_.EndObject();
    }
    materials_.EndObject();
    return {material_count_++, normal_texture >= 0};
}

// The rotation of a frame whose axes in the world are the columns x, y, z.
void WriteRotation(JsonWriter& json, const Quaternion& q) {
    if (q == Quaternion{0, 0, 0, 1}) {
        return;
    }
    json.Key("rotation");
    json.BeginArray();
    for (double c : q) {
        json.Number(c);
    }
    json.EndArray();
}

void GltfBuilder::AddCamera(const ExportCamera& camera) {
    // The modelling windows' lens: the vertical angle of view is atan(43.26 / (2 f)).
    const double lens = camera.focal_length > 0.0 && std::isfinite(camera.focal_length)
                            ? camera.focal_length
                            : 50.0;
    ViewCamera view;
    view.LookAt(camera.eye, camera.target, {0.0, 1.0, 0.0});
    cameras_.BeginObject();
    cameras_.Field("name", Utf8Name(camera.name));
    cameras_.Field("type", "perspective");
    cameras_.Key("perspective");
    cameras_.BeginObject();
    cameras_.Field("yfov", std::atan(ViewCamera::kFrameDiagonal / (2.0 * lens)));
    cameras_.Field("znear", ViewCamera::kNear);
    cameras_.Field("zfar", ViewCamera::kFar);
    cameras_.EndObject();
    cameras_.EndObject();

    nodes_.BeginObject();
    nodes_.Field("name", Utf8Name(camera.name));
    nodes_.Field("camera", camera_count_++);
    if (view.eye != Vec3{}) {
        WriteVec3(nodes_, "translation", view.eye);
    }
    // A glTF camera looks down its -z axis with y up.
    WriteRotation(nodes_, FrameRotation(view.right, view.up, view.direction * -1.0));
    nodes_.EndObject();
    scene_nodes_.push_back(node_count_++);
}

void GltfBuilder::AddLight(const Light& light) {
    UseExtension("KHR_lights_punctual");
    const bool spot = light.kind == LightKind::Spot;
    lights_.BeginObject();
    lights_.Field("name", Utf8Name(light.name));
    lights_.Field("type", spot ? "spot" : "point");
    lights_.Key("color");
    lights_.BeginArray();
    lights_.Number(Clamp01(light.diffuse.r));
    lights_.Number(Clamp01(light.diffuse.g));
    lights_.Number(Clamp01(light.diffuse.b));
    lights_.EndArray();
    lights_.Field("intensity",
                  std::isfinite(light.intensity) ? std::max(light.intensity, 0.0f) : 0.0f);
    if (spot) {
        const double half_angle = std::isfinite(light.spot_angle) ? light.spot_angle : 15.0;
        lights_.Key("spot");
        lights_.BeginObject();
        lights_.Field("outerConeAngle", std::clamp(half_angle * kPi / 180.0, 1e-3, kPi / 2));
        lights_.EndObject();
    }
    lights_.EndObject();

    nodes_.BeginObject();
    nodes_.Field("name", Utf8Name(light.name));
    if (light.position != Vec3{}) {
        WriteVec3(nodes_, "translation", light.position);
    }
    if (spot) {  // both shine along their -z axis
        const Matrix4& r = light.rotation;
        WriteRotation(
            nodes_, QuaternionOf({{{r[0], r[4], r[8]}, {r[1], r[5], r[9]}, {r[2], r[6], r[10]}}}));
    }
    nodes_.Key("extensions");
    nodes_.BeginObject();
    nodes_.Key("KHR_lights_punctual");
    nodes_.BeginObject();
    nodes_.Field("light", light_count_++);
    nodes_.EndObject();
    nodes_.EndObject();
    nodes_.EndObject();
    scene_nodes_.push_back(node_count_++);
}

GltfDocument GltfBuilder::Build(const Scene& scene, const ExportOptions& options) {
    for (JsonWriter* section : {&nodes_, &meshes_, &materials_, &textures_, &images_, &accessors_,
                                &views_, &cameras_, &lights_}) {
        section->BeginArray();
    }
    // Every object gets its index first, parents before their members, so that a node can
    // name its children as it is written.
    std::vector<const SceneNode*> order;
    std::unordered_map<const SceneNode*, int> index;
    for (const SceneNode* top : ExportedTopLevel(scene, options)) {
        scene_nodes_.push_back(static_cast<int>(order.size()));
        for (const SceneNode* node : SubtreeOf(*top)) {
            index.emplace(node, static_cast<int>(order.size()));
            order.push_back(node);
        }
    }
    for (const SceneNode* node : order) {
        const int mesh = AddMesh(*node);
        nodes_.BeginObject();
        nodes_.Field("name", Utf8Name(node->name));
        WritePlacement(nodes_, node->ComposeParentFromNode());
        if (mesh >= 0) {
            nodes_.Field("mesh", mesh);
            ++document_.objects;
        }
        if (Children(*node).begin() != Children(*node).end()) {
            nodes_.Key("children");
            nodes_.BeginArray();
            for (const SceneNode* child : Children(*node)) {
                nodes_.Integer(index.at(child));
            }
            nodes_.EndArray();
        }
        nodes_.EndObject();
        ++node_count_;
    }
    for (const ExportCamera& camera : options.cameras) {
        AddCamera(camera);
    }
    if (!options.selection_only) {
        for (const Light& light : scene.Lights()) {
            if (light.on != 0) {
                AddLight(light);
            }
        }
    }
    for (JsonWriter* section : {&nodes_, &meshes_, &materials_, &textures_, &images_, &accessors_,
                                &views_, &cameras_, &lights_}) {
        section->EndArray();
    }

    JsonWriter json;
    json.BeginObject();
    json.Key("asset");
    json.BeginObject();
    json.Field("version", "2.0");
    json.Field("generator", "Kelto");
    json.EndObject();
    if (!extensions_.empty()) {
        json.Key("extensionsUsed");
        json.BeginArray();
        for (const std::string& name : extensions_) {
            json.String(name);
        }
        json.EndArray();
    }
    json.Field("scene", 0);
    json.Key("scenes");
    json.BeginArray();
    json.BeginObject();
    if (!scene_nodes_.empty()) {
        json.Key("nodes");
        json.BeginArray();
        for (int node : scene_nodes_) {
            json.Integer(node);
        }
        json.EndArray();
    }
    json.EndObject();
    json.EndArray();
    const std::pair<const char*, std::pair<const JsonWriter*, int>> sections[] = {
        {"nodes", {&nodes_, node_count_}},
        {"meshes", {&meshes_, mesh_count_}},
        {"materials", {&materials_, material_count_}},
        {"textures", {&textures_, texture_count_}},
        {"images", {&images_, image_count_}},
        {"accessors", {&accessors_, accessor_count_}},
        {"bufferViews", {&views_, view_count_}},
        {"cameras", {&cameras_, camera_count_}},
    };
    for (const auto& [key, section] : sections) {
        if (section.second > 0) {
            json.Key(key);
            json.Raw(section.first->Text());
        }
    }
    if (texture_count_ > 0) {
        // Pictures are read clamped at their edges.
        json.Key("samplers");
        json.BeginArray();
        json.BeginObject();
        json.Field("magFilter", 9729);
        json.Field("minFilter", 9987);
        json.Field("wrapS", 33071);
        json.Field("wrapT", 33071);
        json.EndObject();
        json.EndArray();
    }
    if (!document_.buffer.empty()) {
        json.Key("buffers");
        json.BeginArray();
        json.BeginObject();
        json.Field("byteLength", document_.buffer.size());
        if (layout_ == GltfLayout::Text) {
            document_.buffer_name = stem_ + ".bin";
            json.Field("uri", UriOf(document_.buffer_name));
        }
        json.EndObject();
        json.EndArray();
    }
    if (light_count_ > 0) {
        json.Key("extensions");
        json.BeginObject();
        json.Key("KHR_lights_punctual");
        json.BeginObject();
        json.Key("lights");
        json.Raw(lights_.Text());
        json.EndObject();
        json.EndObject();
    }
    json.EndObject();
    document_.json = json.Text();
    return std::move(document_);
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string StemOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::string extension = ExtensionOf(name);
    return extension.empty() ? name : name.substr(0, name.size() - extension.size() - 1);
}

Status WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes,
                  ExportReport& report) {
    if (ReplaceFileContents(path, bytes) != FileWrite::Done) {
        return Status::Message(kMsgExportWriteFailed, {path});
    }
    report.files.push_back(path);
    return Status::Ok();
}

// An export's document, laid out for its file, and the report of the objects it holds.
struct StartedExport {
    GltfDocument document;
    ExportReport report;
};

StartedExport StartExport(const Scene& scene, const ExportOptions& options, GltfLayout layout,
                          const std::string& path) {
    StartedExport started{BuildGltf(scene, options, layout, StemOf(path)), {}};
    started.report.objects = started.document.objects;
    return started;
}

}  // namespace

GltfDocument BuildGltf(const Scene& scene, const ExportOptions& options, GltfLayout layout,
                       const std::string& stem) {
    return GltfBuilder(layout, stem).Build(scene, options);
}

std::vector<std::uint8_t> GlbBytes(const GltfDocument& document) {
    std::string json = document.json;
    json.resize((json.size() + 3) & ~std::size_t{3}, ' ');
    const std::size_t bin = document.buffer.size();  // already a multiple of 4
    const std::size_t total = 12 + 8 + json.size() + (bin > 0 ? 8 + bin : 0);
    std::vector<std::uint8_t> out;
    out.reserve(total);
    PutU32(out, 0x46546C67);  // "glTF"
    PutU32(out, 2);
    PutU32(out, static_cast<std::uint32_t>(total));
    PutU32(out, static_cast<std::uint32_t>(json.size()));
    PutU32(out, 0x4E4F534A);  // "JSON"
    out.insert(out.end(), json.begin(), json.end());
    if (bin > 0) {
        PutU32(out, static_cast<std::uint32_t>(bin));
        PutU32(out, 0x004E4942);  // "BIN\0"
        out.insert(out.end(), document.buffer.begin(), document.buffer.end());
    }
    return out;
}

Result<ExportReport> WriteSceneGlb(const Scene& scene, const std::string& path,
                                   const ExportOptions& options) {
    auto [document, report] = StartExport(scene, options, GltfLayout::Binary, path);
    if (Status written = WriteBytes(path, GlbBytes(document), report); !written.ok()) {
        return written;
    }
    return report;
}

Result<ExportReport> WriteSceneGltf(const Scene& scene, const std::string& path,
                                    const ExportOptions& options) {
    auto [document, report] = StartExport(scene, options, GltfLayout::Text, path);
    const std::string folder = FolderOf(path);
    // The files the JSON names first, so that a written .gltf never names missing files.
    if (!document.buffer_name.empty()) {
        if (Status written = WriteBytes(folder + document.buffer_name, document.buffer, report);
            !written.ok()) {
            return written;
        }
    }
    for (const GltfDocument::File& picture : document.pictures) {
        if (Status written = WriteBytes(folder + picture.name, picture.bytes, report);
            !written.ok()) {
            return written;
        }
    }
    const std::vector<std::uint8_t> json(document.json.begin(), document.json.end());
    if (Status written = WriteBytes(path, json, report); !written.ok()) {
        return written;
    }
    return report;
}

}  // namespace kelto
