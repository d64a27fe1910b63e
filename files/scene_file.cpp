#include "scene_file.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <unordered_set>
#include <vector>

#include "model/child_list.h"
#include "model/tessellation.h"
#include "stored_fields.h"
#include "tessellation_limit.h"

namespace kelto {
namespace {

constexpr std::uint8_t kLightTag = 9;
constexpr std::uint8_t kNodeTag = 10;
constexpr std::uint8_t kEndTag = 0;
constexpr std::uint8_t kValidScene = 1;  // the byte after the header words; no other is read

// ---------------------------------------------------------------- writing

void WriteColour(ByteWriter& out, const ColourRgb& c, float strength) {
    out.F32(c.r);
    out.F32(c.g);
    out.F32(c.b);
    out.F32(strength);
}

void WriteRgba(ByteWriter& out, const ColourRgba& c) {
    out.F32(c.r);
    out.F32(c.g);
    out.F32(c.b);
    out.F32(c.a);
}

void WriteImage(ByteWriter& out, const TextureImage& image) {
    out.U8(1);
    out.I32(image.IsGrey() ? 1 : 3);
    const int height = image.HasPixels() ? image.height : 0;
    const int width = image.HasPixels() ? image.width : 0;
    out.I32(height);
    out.I32(width);
    out.Reserve(static_cast<std::size_t>(height) * static_cast<std::size_t>(width) *
                (image.IsGrey() ? 1 : 3));
    // A row shorter than the picture (never made by our readers) is padded with black.
    auto byte_at = [](const std::vector<std::uint8_t>& row, std::size_t x) -> std::uint8_t {
        return x < row.size() ? row[x] : 0;
    };
    for (int y = 0; y < height; ++y) {
        const auto row = static_cast<std::size_t>(y);
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            if (image.IsGrey()) {
                out.U8(byte_at(image.grey_rows[row], x));
            } else {
                out.U8(byte_at(image.rgb_rows[row].red, x));
                out.U8(byte_at(image.rgb_rows[row].green, x));
                out.U8(byte_at(image.rgb_rows[row].blue, x));
            }
        }
    }
}

// A source that asks for an image is written as that image; without one (nothing to store)
// it is written as the plain colour.
void WriteSourceAndColour(ByteWriter& out, std::int32_t source, const SharedImage& image,
                          const ColourRgb& colour, float strength) {
    if (source != 0 && image) {
        out.I32(source);
        WriteImage(out, *image);
    } else {
        out.I32(0);
        WriteColour(out, colour, strength);
    }
}

void WriteMaterial(ByteWriter& out, const Material& m) {
    out.WriteMatrix(m.mapping.Get());
    WriteSourceAndColour(out, m.colour_source, m.colour_image, m.colour, m.brightness);
    WriteSourceAndColour(out, m.glow_source, m.glow_image, m.glow, m.glow_strength);
    WriteSourceAndColour(out, m.ambient_source, m.ambient_image, m.ambient, m.ambient_strength);
    if (m.bump_mode == BumpMode::Image) {
        // Without an image there is nothing to bump with: stored as no bump.
        out.I32(m.bump_image ? static_cast<std::int32_t>(BumpMode::Image) : 0);
        if (m.bump_image) {
            WriteImage(out, *m.bump_image);
        }
    } else {
        out.I32(static_cast<std::int32_t>(m.bump_mode));
    }
    out.F32(m.bump_magnitude);
    WriteColour(out, m.highlight, m.highlight_strength);
    out.F32(m.transparency);
    out.F32(m.index_of_refraction);
    out.F32(m.shininess);
    out.F32(m.reflective_strength);
    out.F32(m.dispersiveness);
}

void WriteDoubles(ByteWriter& out, const std::vector<double>& values) {
    out.I32(static_cast<std::int32_t>(values.size()));
    out.DoubleRecords(std::span(values));
}

void WritePoints(ByteWriter& out, const std::vector<Point4>& points) {
    out.I32(static_cast<std::int32_t>(points.size()));
    out.DoubleRecords(std::span(points));
}

void WritePatch(ByteWriter& out, const NurbsPatch& patch) {
    WriteDoubles(out, patch.knots_u);
    WriteDoubles(out, patch.knots_v);
    out.I32(static_cast<std::int32_t>(patch.control_points.size()));
    out.DoubleRecords(std::span(patch.control_points));
    // As many second points as control points: missing ones as the default point.
    const std::size_t seconds = std::min(patch.second_points.size(), patch.control_points.size());
    out.DoubleRecords(std::span(patch.second_points).first(seconds));
    for (std::size_t i = seconds; i < patch.control_points.size(); ++i) {
        out.WritePoint4(Point4{});
    }
    out.I32(patch.count);
    out.I32(static_cast<std::int32_t>(patch.samples.size()));
    out.FloatRecords(std::span(patch.samples));
    out.WriteVec3f(patch.work_points[0]);
    out.WriteVec3f(patch.work_points[1]);
    out.I32(patch.reserved);
    out.I32(patch.kind);
    out.I32(patch.flag);
}

void WriteShape(ByteWriter& out, const Shape& shape) {
    const NurbsSurface& s = shape.surface;
    const StoredShapeFields stored = StoredFieldsOf(shape);
    out.I32(s.rows);
    out.I32(s.columns);
    out.I32(stored.last_column_and_row[0]);
    out.I32(stored.last_column_and_row[1]);
    out.I32(s.order_u);
    out.I32(s.order_v);
    out.F64(shape.tolerance);
    out.I32(shape.steps);
    out.I32(stored.step_words[0]);
    out.I32(shape.cube_surface_mesh);
    out.I32(stored.step_words[1]);
    for (const auto* patches : {&shape.profiles, &shape.paths}) {
        out.I32(static_cast<std::int32_t>(patches->size()));
        for (const NurbsPatch& patch : *patches) {
            WritePatch(out, patch);
        }
    }
    WriteDoubles(out, s.knots_u);
    WriteDoubles(out, s.knots_v);
    WritePoints(out, s.net);
    WritePoints(out, shape.second_net);
}

void WriteVertices(ByteWriter& out, const std::vector<DisplayVertex>& vertices) {
    // The nine floats in the order the file keeps them.
    static_assert(offsetof(DisplayVertex, nx) == 3 * sizeof(float) &&
                  offsetof(DisplayVertex, normal_valid) == 6 * sizeof(float) &&
                  offsetof(DisplayVertex, t) == 8 * sizeof(float));
    out.I32(static_cast<std::int32_t>(vertices.size()));
    out.FloatRecords(std::span(vertices));
}

void WriteIndices(ByteWriter& out, const std::vector<std::uint16_t>& indices) {
    out.I32(static_cast<std::int32_t>(indices.size()));
    out.U16s(indices);
}

bool StoresShape(ObjectType type) {
    return KindOf(type).stored != StoredShape::None;
}

bool StoresMeshes(ObjectType type) {
    return KindOf(type).stored == StoredShape::SurfaceAndMeshes;
}

void WriteNode(ByteWriter& out, const SceneNode& node) {
    WriteMaterial(out, node.material);
    out.I32(static_cast<std::int32_t>(node.type));
    if (StoresShape(node.type)) {
        static const Shape kNoShape;
        WriteShape(out, node.shape ? *node.shape : kNoShape);
        if (StoresMeshes(node.type)) {
            WriteVertices(out, node.display_mesh.vertices);
            WriteVertices(out, node.render_mesh.vertices);
            WriteIndices(out, node.display_mesh.indices);
            WriteIndices(out, node.render_mesh.indices);
        }
    }
    if (node.IsBooleanResult()) {
        // The operands' cut meshes, in child order (empty for a child without a mesh): their
        // surfaces alone cannot give them back.
        const std::vector<SceneNode*> operands = ChildrenOf(node);
        out.I32(static_cast<std::int32_t>(operands.size()));
        for (const SceneNode* operand : operands) {
            WriteVertices(out, operand->display_mesh.vertices);
            WriteIndices(out, operand->display_mesh.indices);
        }
    }
    out.String(node.name);
    out.Flag(node.visible != 0);
    out.WriteVec3f(node.box.min);
    out.WriteVec3f(node.box.max);
    out.I32(node.selected);
    out.I32(node.smooth);
    const StoredNodeFields& stored = StoredFieldsOf(node);
    for (const FaceRecord& f : stored.faces) {
        out.U16s(f.first);
        out.U16s(f.second);
        out.U32s(f.third);
    }
    out.WriteVec3(node.position);
    out.WriteMatrix(node.rotation);
    out.WriteVec3(node.scale);
    out.WriteVec3f(node.sphere_centre);
    out.F32(node.sphere_radius);
    out.Flag(stored.flag_a);
    out.Flag(node.honours_group_flag != 0);
    out.Flag(node.group_flag != 0);
    out.Flag(stored.flag_d);
}

void WriteLight(ByteWriter& out, const Light& light) {
    out.U8(static_cast<std::uint8_t>(static_cast<int>(light.kind) + 1));
    WriteRgba(out, light.diffuse);
    WriteRgba(out, light.ambient);
    WriteRgba(out, light.highlight);
    out.Flag(light.on != 0);
    out.WriteVec3(light.position);
    out.String(light.name);
    out.F32(light.spot_exponent);
    out.F32(light.spot_angle);
    out.F32(light.spot_cosine);
    for (float f : light.falloff) {
        out.F32(f);
    }
    out.F32(light.size);
    out.Flag(light.casts_shadows != 0);
    out.WriteMatrix(light.rotation);
    out.F32(light.intensity);
}

// The name a link points to as stored: the parent's name for the thread back to it.
const std::string& LinkName(const SceneNode* target) {
    static const std::string kNoLink;
    return target ? target->name : kNoLink;
}

void WriteSubtree(ByteWriter& out, const SceneNode& parent, int level);

// One node record with its subtree; `next` is the name its sibling link leads to.
void WriteNodeAndSubtree(ByteWriter& out, const SceneNode& node, const std::string& next,
                         int level) {
    out.U8(kNodeTag);
    out.I32(level);
    out.String(LinkName(node.first_child == &node ? nullptr : node.first_child));
    out.String(next);
    WriteNode(out, node);
    WriteSubtree(out, node, level + 1);
}

void WriteSubtree(ByteWriter& out, const SceneNode& parent, int level) {
    for (const SceneNode* node : Children(parent)) {
        WriteNodeAndSubtree(out, *node, LinkName(node->next), level);
    }
}

void WriteHeader(const Scene& scene, ByteWriter& out) {
    out.Bytes(kSceneMagic);
    const std::uint8_t version[4] = {0, 0, 0, kSceneVersion};
    out.Bytes(version);
    out.U8(1);
    const StoredSceneFields& stored = StoredFieldsOf(scene);
    for (std::int32_t word : stored.header_words) {
        out.I32(word);
    }
    out.U8(kValidScene);
    for (float f : stored.colour) {
        out.F32(f);
    }
}

// ---------------------------------------------------------------- reading

ColourRgb ReadColour(ByteReader& in, float& strength) {
    ColourRgb c;
    c.r = in.F32();
    c.g = in.F32();
    c.b = in.F32();
    strength = in.F32();
    return c;
}

ColourRgba ReadRgba(ByteReader& in) {
    ColourRgba c;
    c.r = in.F32();
    c.g = in.F32();
    c.b = in.F32();
    c.a = in.F32();
    return c;
}

SharedImage ReadImage(ByteReader& in) {
    in.U8();  // written as 1, not checked
    const std::int32_t channels = in.I32();
    const std::int32_t height = in.I32();
    const std::int32_t width = in.I32();
    if (in.Failed() || (channels != 1 && channels != 3) || height < 0 || width < 0) {
        in.Fail();
        return {};
    }
    if (width == 0 || height == 0) {
        // No pixels: kept as an empty picture rather than rows of nothing, which a file could
        // claim by the billion at no cost.
        TextureImage empty;
        empty.channels = channels;
        return SharedImage(std::move(empty));
    }
    const std::size_t row_bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    if (!in.Has(static_cast<std::size_t>(height), row_bytes)) {
        return {};
    }
    TextureImage image = TextureImage::Blank(width, height, channels);
    for (int y = 0; y < height; ++y) {
        const std::span<const std::uint8_t> bytes = in.Bytes(row_bytes);  // there: see Has
        const auto uy = static_cast<std::size_t>(y);
        if (channels == 1) {
            image.grey_rows[uy].assign(bytes.begin(), bytes.end());
            continue;
        }
        RgbRow& row = image.rgb_rows[uy];
        for (std::size_t x = 0; x < static_cast<std::size_t>(width); ++x) {
            row.red[x] = bytes[3 * x];
            row.green[x] = bytes[3 * x + 1];
            row.blue[x] = bytes[3 * x + 2];
        }
    }
    image.failed = 0;
    return SharedImage(std::move(image));
}

void ReadSourceAndColour(ByteReader& in, std::int32_t& source, SharedImage& image,
                         ColourRgb& colour, float& strength) {
    source = in.I32();
    if (source != 0) {
        image = ReadImage(in);
    } else {
        image.reset();
        colour = ReadColour(in, strength);
    }
}

void ReadMaterial(ByteReader& in, Material& m) {
    m.mapping.Set(in.ReadMatrix());
    ReadSourceAndColour(in, m.colour_source, m.colour_image, m.colour, m.brightness);
    ReadSourceAndColour(in, m.glow_source, m.glow_image, m.glow, m.glow_strength);
    ReadSourceAndColour(in, m.ambient_source, m.ambient_image, m.ambient, m.ambient_strength);
    const std::int32_t bump = in.I32();
    m.bump_mode = static_cast<BumpMode>(bump);
    m.bump_image.reset();
    if (bump == static_cast<std::int32_t>(BumpMode::Image)) {
        m.bump_image = ReadImage(in);
    }
    m.bump_magnitude = in.F32();
    m.highlight = ReadColour(in, m.highlight_strength);
    m.transparency = in.F32();
    m.index_of_refraction = in.F32();
    m.shininess = in.F32();
    m.reflective_strength = in.F32();
    m.dispersiveness = in.F32();
}

std::vector<double> ReadDoubles(ByteReader& in) {
    const std::size_t n = in.Count(8);
    std::vector<double> values(n);
    for (double& v : values) {
        v = in.F64();
    }
    return values;
}

std::vector<Point4> ReadPoints(ByteReader& in, std::size_t n) {
    std::vector<Point4> points(n);
    for (Point4& p : points) {
        p = in.ReadPoint4();
    }
    return points;
}

// The smallest record a NurbsPatch can be: its counts and fixed fields.
constexpr std::size_t kMinPatchBytes = 4 + 4 + 4 + 4 + 4 + 24 + 12;

NurbsPatch ReadPatch(ByteReader& in) {
    NurbsPatch patch;
    patch.knots_u = ReadDoubles(in);
    patch.knots_v = ReadDoubles(in);
    const std::size_t n = in.Count(2 * 32);
    patch.control_points = ReadPoints(in, n);
    patch.second_points = ReadPoints(in, n);
    patch.count = in.I32();
    const std::size_t samples = in.Count(12);
    patch.samples.resize(samples);
    for (Vec3f& s : patch.samples) {
        s = in.ReadVec3f();
    }
    patch.work_points[0] = in.ReadVec3f();
    patch.work_points[1] = in.ReadVec3f();
    patch.reserved = in.I32();
    patch.kind = in.I32();
    patch.flag = in.I32();
    return patch;
}

void ReadShape(ByteReader& in, Shape& shape) {
    NurbsSurface& s = shape.surface;
    StoredShapeFields stored;
    s.rows = in.I32();
    s.columns = in.I32();
    stored.last_column_and_row[0] = in.I32();
    stored.last_column_and_row[1] = in.I32();
    s.order_u = in.I32();
    s.order_v = in.I32();
    shape.tolerance = in.F64();
    shape.steps = in.I32();
    stored.step_words[0] = in.I32();
    shape.cube_surface_mesh = in.I32();
    stored.step_words[1] = in.I32();
    for (auto* patches : {&shape.profiles, &shape.paths}) {
        patches->clear();
        const std::size_t n = in.Count(kMinPatchBytes);
        for (std::size_t i = 0; i < n && !in.Failed(); ++i) {
            patches->push_back(ReadPatch(in));
        }
    }
    s.knots_u = ReadDoubles(in);
    s.knots_v = ReadDoubles(in);
    s.net = ReadPoints(in, in.Count(32));
    shape.second_net = ReadPoints(in, in.Count(32));
    KeepStoredFields(shape, stored);
}

std::vector<DisplayVertex> ReadVertices(ByteReader& in) {
    const std::size_t n = in.Count(sizeof(DisplayVertex));
    if (n > kMaxMeshVertices) {
        in.Fail();
        return {};
    }
    std::vector<DisplayVertex> vertices(n);
    for (DisplayVertex& v : vertices) {
        for (float* f : {&v.x, &v.y, &v.z, &v.nx, &v.ny, &v.nz, &v.normal_valid, &v.s, &v.t}) {
            *f = in.F32();
        }
    }
    return vertices;
}

// Indices must be whole triangles of existing vertices; a mesh that is not is never kept.
std::vector<std::uint16_t> ReadIndices(ByteReader& in, std::size_t vertex_count) {
    const std::size_t n = in.Count(2);
    std::vector<std::uint16_t> indices(n);
    for (std::uint16_t& i : indices) {
        i = in.U16();
        if (i >= vertex_count) {
            in.Fail();
        }
    }
    if (n % 3 != 0) {
        in.Fail();
    }
    return indices;
}

using TextShapeMaker = std::function<std::unique_ptr<Shape>()>;

// The shape a stored record is read into: a primitive's own, text's from the maker, a mesh
// shape for the others.
std::unique_ptr<Shape> ShapeForType(ObjectType type, const TextShapeMaker& make_text_shape) {
    if (type == ObjectType::Text && make_text_shape) {
        return make_text_shape();
    }
    if (std::unique_ptr<Shape> primitive = MakePrimitiveShape(type)) {
        return primitive;
    }
    return std::make_unique<MeshShape>();
}

bool IsStoredNodeType(std::int32_t code) {
    const ObjectKind* kind = FindKind(code);
    return kind != nullptr && kind->readable;
}

// The reader's share of the tessellation limit (tessellation_limit.h): what the surfaces read
// so far take beyond their records.
class TessellationBudget {
  public:
    bool Spend(std::int32_t steps, std::size_t record_bytes) {
        excess_ += ExcessSamples(steps, record_bytes);
        return WithinTessellationLimit(excess_);
    }

  private:
    std::size_t excess_ = 0;
};

bool IsFinite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}
bool IsFinite(const Matrix4& m) {
    return std::all_of(m.m.begin(), m.m.end(), [](double d) { return std::isfinite(d); });
}

// Reads one node record into a node that is not yet in the scene. A placement that is not a
// number or infinite makes the record corrupt: nothing could draw or trace the node.
bool ReadNode(ByteReader& in, SceneNode& node, TessellationBudget& budget,
              const TextShapeMaker& make_text_shape, std::vector<Mesh>& operand_meshes) {
    ReadMaterial(in, node.material);
    const std::int32_t code = in.I32();
    if (in.Failed() || !IsStoredNodeType(code)) {
        in.Fail();
        return false;
    }
    node.type = static_cast<ObjectType>(code);
    if (StoresShape(node.type)) {
        node.shape = ShapeForType(node.type, make_text_shape);
        const std::size_t shape_start = in.Position();
        ReadShape(in, *node.shape);
        const std::size_t shape_bytes = in.Position() - shape_start;
        if (StoresMeshes(node.type)) {
            node.display_mesh.vertices = ReadVertices(in);
            node.render_mesh.vertices = ReadVertices(in);
            node.display_mesh.indices = ReadIndices(in, node.display_mesh.vertices.size());
            node.render_mesh.indices = ReadIndices(in, node.render_mesh.vertices.size());
        } else if (!in.Failed()) {
            if (!budget.Spend(node.shape->steps, shape_bytes)) {
                in.Fail();
                return false;
            }
            node.RebuildMeshes();
        }
    }
    if (node.IsBooleanResult()) {
        const std::size_t count = in.Count(8);  // two empty arrays at the least
        for (std::size_t i = 0; i < count && !in.Failed(); ++i) {
            Mesh mesh;
            mesh.vertices = ReadVertices(in);
            mesh.indices = ReadIndices(in, mesh.vertices.size());
            operand_meshes.push_back(std::move(mesh));
        }
    }
    node.name = in.String(kMaxStoredNameLength);
    node.visible = in.Flag() ? 1 : 0;
    node.box.min = in.ReadVec3f();
    node.box.max = in.ReadVec3f();
    node.selected = in.I32();
    node.smooth = in.I32();
    StoredNodeFields stored;
    for (FaceRecord& f : stored.faces) {
        for (std::uint16_t& v : f.first)
            v = in.U16();
        for (std::uint16_t& v : f.second)
            v = in.U16();
        for (std::uint32_t& v : f.third)
            v = in.U32();
    }
    node.position = in.ReadVec3();
    node.rotation = in.ReadMatrix();
    node.scale = in.ReadVec3();
    if (!IsFinite(node.position) || !IsFinite(node.rotation) || !IsFinite(node.scale)) {
        in.Fail();
    }
    node.sphere_centre = in.ReadVec3f();
    node.sphere_radius = in.F32();
    stored.flag_a = in.Flag();
    node.honours_group_flag = in.Flag() ? 1 : 0;
    node.group_flag = in.Flag() ? 1 : 0;
    stored.flag_d = in.Flag();
    KeepStoredFields(node, stored);
    return !in.Failed();
}

bool ReadLight(ByteReader& in, Light& light) {
    const std::uint8_t kind = in.U8();
    if (kind < 1 || kind > 5) {
        in.Fail();
        return false;
    }
    light.kind = static_cast<LightKind>(kind - 1);
    light.diffuse = ReadRgba(in);
    light.ambient = ReadRgba(in);
    light.highlight = ReadRgba(in);
    light.on = in.Flag() ? 1 : 0;
    light.position = in.ReadVec3();
    light.name = in.String(kMaxStoredNameLength);
    light.spot_exponent = in.F32();
    light.spot_angle = in.F32();
    light.spot_cosine = in.F32();
    for (float& f : light.falloff) {
        f = in.F32();
    }
    light.size = in.F32();
    light.casts_shadows = in.Flag() ? 1 : 0;
    light.rotation = in.ReadMatrix();
    light.intensity = in.F32();
    if (!IsFinite(light.position) || !IsFinite(light.rotation)) {
        in.Fail();  // a light must be somewhere and point somewhere
    }
    light.RebuildExponentTable();
    return !in.Failed();
}

// Looks a stored link name up: empty is no link, the root's name is the root.
bool Resolve(Scene& scene, const std::string& name, SceneNode*& target) {
    if (name.empty()) {
        target = nullptr;
        return true;
    }
    target = scene.FindNode(name);
    return target != nullptr;
}

// True when the links make a proper threaded tree below the root: every child list ends at its
// parent (or an empty pointer) and no node is reached twice, so no walk can loop.
bool IsWellFormedTree(const SceneNode& root) {
    std::unordered_set<const SceneNode*> seen{&root};
    std::vector<const SceneNode*> pending{&root};
    while (!pending.empty()) {
        const SceneNode* parent = pending.back();
        pending.pop_back();
        for (const SceneNode* child = parent->first_child; child != nullptr && child != parent;
             child = child->next) {
            if (!seen.insert(child).second) {
                return false;
            }
            pending.push_back(child);
        }
    }
    return true;
}

}  // namespace

void WriteMaterialRecord(const Material& material, ByteWriter& out) {
    WriteMaterial(out, material);
}

void ReadMaterialRecord(ByteReader& in, Material& material) {
    ReadMaterial(in, material);
}

void WriteScene(const Scene& scene, ByteWriter& out) {
    WriteHeader(scene, out);
    for (const Light& light : scene.Lights()) {
        out.U8(kLightTag);
        WriteLight(out, light);
    }
    out.U8(kEndTag);
    WriteSubtree(out, scene.Root(), 1);
    out.U8(kEndTag);
    out.String(LinkName(scene.Root().first_child));
}

void WriteSceneOf(const Scene& scene, const std::vector<const SceneNode*>& top_level,
                  ByteWriter& out) {
    WriteHeader(scene, out);
    out.U8(kEndTag);  // no lights
    for (std::size_t i = 0; i < top_level.size(); ++i) {
        const SceneNode* following = i + 1 < top_level.size() ? top_level[i + 1] : &scene.Root();
        WriteNodeAndSubtree(out, *top_level[i], following->name, 1);
    }
    out.U8(kEndTag);
    out.String(top_level.empty() ? std::string() : top_level.front()->name);
}

std::size_t TessellationExcess(const Scene& scene) {
    static const Shape kNoShape;  // what WriteNode stores for a node without a shape
    std::size_t excess = 0;
    for (const SceneNode* node : SubtreeOf(scene.Root())) {
        if (StoresShape(node->type) && !StoresMeshes(node->type)) {
            const Shape& shape = node->shape ? *node->shape : kNoShape;
            // A record holds at least its knots and control points, which for Kelto's own
            // surfaces is already more bytes than they take samples: only the others are
            // written out to be measured, so that a Paste into a large scene stays cheap.
            const NurbsSurface& s = shape.surface;
            const std::size_t at_least = 8 * (s.knots_u.size() + s.knots_v.size()) +
                                         24 * (s.net.size() + shape.second_net.size());
            if (ExcessSamples(shape.steps, at_least) == 0) {
                continue;
            }
            ByteWriter record;
            WriteShape(record, shape);
            excess += ExcessSamples(shape.steps, record.Data().size());
        }
    }
    return excess;
}

Status ReadScene(ByteReader& in, Scene& scene, const std::string& file_name,
                 const std::function<std::unique_ptr<Shape>()>& make_text_shape) {
    const Status corrupt =
        Status::Message(kMsgSceneCorrupt, FormatMessage(kMsgSceneCorrupt, file_name));

    std::uint8_t magic[4];
    for (std::uint8_t& b : magic) {
        b = in.U8();
    }
    if (in.Failed()) {
        return corrupt;
    }
    if (!std::equal(std::begin(magic), std::end(magic), std::begin(kSceneMagic))) {
        return Status::Message(kMsgNotSceneFile, FormatMessage(kMsgNotSceneFile, file_name));
    }
    std::uint8_t version[4];
    for (std::uint8_t& b : version) {
        b = in.U8();
    }
    if (in.Failed() || version[0] != 0 || version[1] != 0 || version[2] != 0) {
        return corrupt;
    }
    if (version[3] != kSceneVersion) {
        return Status::Message(kMsgSceneVersion,
                               FormatMessage(kMsgSceneVersion, version[3], file_name));
    }
    if (in.U8() != 1) {
        return corrupt;
    }
    StoredSceneFields stored;
    for (std::int32_t& word : stored.header_words) {
        word = in.I32();
    }
    if (in.U8() != kValidScene || in.Failed()) {
        return corrupt;
    }
    for (float& f : stored.colour) {
        f = in.F32();
    }
    KeepStoredFields(scene, stored);

    scene.Lights().clear();
    for (;;) {
        const std::uint8_t tag = in.U8();
        if (in.Failed() || (tag != kEndTag && tag != kLightTag)) {
            return corrupt;
        }
        if (tag == kEndTag) {
            break;
        }
        Light light;
        if (!ReadLight(in, light)) {
            return corrupt;
        }
        scene.AddLight(std::move(light));
    }

    // Each node read with the names its links lead to, resolved once every node is known.
    struct StoredLinks {
        SceneNode* node;
        std::string first_child;
        std::string next;
    };
    std::vector<StoredLinks> read_nodes;
    std::vector<std::pair<SceneNode*, std::vector<Mesh>>> trim_meshes;
    TessellationBudget budget;
    for (;;) {
        const std::uint8_t tag = in.U8();
        if (in.Failed() || (tag != kEndTag && tag != kNodeTag)) {
            return corrupt;
        }
        if (tag == kEndTag) {
            break;
        }
        const std::int32_t level = in.I32();
        std::string first_child_name = in.String(kMaxStoredNameLength);
        std::string next_name = in.String(kMaxStoredNameLength);
        if (in.Failed() || level < 1) {
            return corrupt;
        }
        auto node = std::make_unique<SceneNode>();
        std::vector<Mesh> operand_meshes;
        if (!ReadNode(in, *node, budget, make_text_shape, operand_meshes)) {
            return corrupt;
        }
        node->ComputeParentFromNode();
        const Result<SceneNode*> adopted = scene.AdoptNode(std::move(node));
        if (!adopted.ok()) {
            return corrupt;  // two nodes of one name, or a node named like the root
        }
        SceneNode* added = *adopted;
        read_nodes.push_back({added, std::move(first_child_name), std::move(next_name)});
        if (added->IsBooleanResult()) {
            trim_meshes.emplace_back(added, std::move(operand_meshes));
        }
    }

    // Links that lead nowhere, or do not make a tree, are damage like any other.
    const std::string root_child_name = in.String(kMaxStoredNameLength);
    if (in.Failed()) {
        return corrupt;
    }
    SceneNode& root = scene.Root();
    if (!Resolve(scene, root_child_name, root.first_child)) {
        return corrupt;
    }
    for (StoredLinks& links : read_nodes) {
        if (!Resolve(scene, links.first_child, links.node->first_child) ||
            !Resolve(scene, links.next, links.node->next)) {
            return corrupt;
        }
    }
    if (root.first_child == &root || !IsWellFormedTree(root)) {
        return corrupt;
    }
    // Trim operands take back their cut meshes.
    for (auto& [trim, meshes] : trim_meshes) {
        const std::vector<SceneNode*> operands = ChildrenOf(*trim);
        if (operands.size() != meshes.size()) {
            return corrupt;
        }
        for (std::size_t i = 0; i < operands.size(); ++i) {
            if (!meshes[i].vertices.empty()) {
                operands[i]->display_mesh = std::move(meshes[i]);
            }
        }
    }
    return Status::Ok();
}

}  // namespace kelto
