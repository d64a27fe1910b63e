#include <nlohmann/json.hpp>

#include <string>

#include "build_operations.h"
#include "commands.h"
#include "document/document_core.h"
#include "files/stored_fields.h"
#include "lighting_values.h"
#include "model/child_list.h"
#include "text_values.h"

namespace kelto::cli {
namespace {

using nlohmann::ordered_json;

constexpr std::string_view kInfoUsage =
    "usage: kelto-cli info FILE.kel [--json]\n"
    "\n"
    "Prints the scene: its lights, its objects in tree order (depth first, parents before\n"
    "children) with their transforms, flags, materials, meshes and boxes, and the view\n"
    "cameras stored with it, and its lighting settings when they are not a new scene's\n"
    "(soft shadows, ambient occlusion, environment). --json prints the same as one JSON\n"
    "object.\n";

// A float as the double with the same shortest decimal form, so that 0.3f prints as 0.3.
double Decimal(float f) {
    return ParseNumber(FormatNumber(f)).value_or(f);
}

ordered_json Triple(double x, double y, double z) {
    return ordered_json::array({x, y, z});
}
ordered_json Json(const Vec3& v) {
    return Triple(v.x, v.y, v.z);
}
ordered_json Json(const Vec3f& v) {
    return Triple(Decimal(v.x), Decimal(v.y), Decimal(v.z));
}
ordered_json Json(const ColourRgb& c) {
    return Triple(Decimal(c.r), Decimal(c.g), Decimal(c.b));
}
ordered_json Json(const ColourRgba& c) {
    return ordered_json::array({Decimal(c.r), Decimal(c.g), Decimal(c.b), Decimal(c.a)});
}
ordered_json Json(float f) {
    return Decimal(f);
}
ordered_json Json(const std::array<float, 3>& a) {
    return Triple(Decimal(a[0]), Decimal(a[1]), Decimal(a[2]));
}
ordered_json Json(const Matrix4& m) {
    return ordered_json(m.m);
}

ordered_json LightJson(const Light& light) {
    return {{"name", Latin1ToUtf8(light.name)},
            {"kind", LightKindWord(light.kind)},
            {"position", Json(light.position)},
            {"colour", Json(light.diffuse)},
            {"highlight", Json(light.highlight)},
            {"ambient", Json(light.ambient)},
            {"falloff", Json(light.falloff)},
            {"intensity", Json(light.intensity)},
            {"spot_angle", Json(light.spot_angle)},
            {"spot_exponent", Json(light.spot_exponent)},
            {"size", Json(light.size)},
            {"shadows", light.casts_shadows != 0},
            {"on", light.on != 0},
            {"rotation", Json(light.rotation)}};
}

// An image as its size and channel count; null when there is none.
ordered_json ImageJson(const SharedImage& image) {
    if (!image) {
        return nullptr;
    }
    return {{"width", image->width}, {"height", image->height}, {"channels", image->channels}};
}

ordered_json MaterialJson(const Material& m) {
    return {{"colour_source", m.colour_source == 0 ? "colour" : "image"},
            {"colour", Json(m.colour)},
            {"brightness", Json(m.brightness)},
            {"colour_image", ImageJson(m.colour_image)},
            {"glow_source", m.glow_source == 0 ? "colour" : "image"},
            {"glow", Json(m.glow)},
            {"glow_strength", Json(m.glow_strength)},
            {"glow_image", ImageJson(m.glow_image)},
            {"ambient_source", m.ambient_source == 0 ? "colour" : "image"},
            {"ambient", Json(m.ambient)},
            {"ambient_strength", Json(m.ambient_strength)},
            {"ambient_image", ImageJson(m.ambient_image)},
            {"highlight", Json(m.highlight)},
            {"highlight_strength", Json(m.highlight_strength)},
            {"shininess", Json(m.shininess)},
            {"reflect", Json(m.reflective_strength)},
            {"transparency", Json(m.transparency)},
            {"ior", Json(m.index_of_refraction)},
            {"dispersiveness", Json(m.dispersiveness)},
            {"bump", m.bump_mode == BumpMode::None           ? "none"
                     : m.bump_mode == BumpMode::UseColourMap ? "colour"
                                                             : "image"},
            {"bump_magnitude", Json(m.bump_magnitude)},
            {"bump_image", ImageJson(m.bump_image)}};
}

// Flags A and B, the group flag and flag D, as the file stores them.
ordered_json FlagsJson(const SceneNode& node) {
    const StoredNodeFields& stored = StoredFieldsOf(node);
    return ordered_json::array(
        {stored.flag_a ? 1 : 0, node.honours_group_flag, node.group_flag, stored.flag_d ? 1 : 0});
}

void CollectNodes(const SceneNode& parent, int level, ordered_json& nodes) {
    for (const SceneNode* node : Children(parent)) {
        nodes.push_back({{"level", level},
                         {"type", static_cast<int>(node->type)},
                         {"name", Latin1ToUtf8(node->name)},
                         {"parent", Latin1ToUtf8(parent.name)},
                         {"position", Json(node->position)},
                         {"scale", Json(node->scale)},
                         {"rotation", Json(node->rotation)},
                         {"visible", node->visible != 0},
                         {"selected", node->selected != 0},
                         {"smooth", node->smooth != 0},
                         {"flags", FlagsJson(*node)},
                         {"vertices", node->display_mesh.vertices.size()},
                         {"triangles", node->display_mesh.TriangleCount()},
                         {"box", {{"min", Json(node->box.min)}, {"max", Json(node->box.max)}}},
                         {"material", MaterialJson(node->material)}});
        CollectNodes(*node, level + 1, nodes);
    }
}

const char* EnvironmentWord(EnvironmentKind kind) {
    switch (kind) {
        case EnvironmentKind::None:
            return "none";
        case EnvironmentKind::Colour:
            return "colour";
        case EnvironmentKind::Gradient:
            return "gradient";
        case EnvironmentKind::Picture:
            return "picture";
    }
    return "unknown";
}

// A file name as JSON text: as it is when it is UTF-8, else read as Latin-1.
std::string PathText(const std::string& path) {
    try {
        (void)ordered_json(path).dump();
        return path;
    } catch (const ordered_json::exception&) {
        return Latin1ToUtf8(path);
    }
}

ordered_json LightingJson(const SceneLighting& l) {
    return {{"soft_shadow_samples", l.soft_shadow_samples},
            {"occlusion", l.occlusion},
            {"occlusion_samples", l.occlusion_samples},
            {"occlusion_distance", Json(l.occlusion_distance)},
            {"environment", EnvironmentWord(l.environment)},
            {"horizon", Json(l.horizon)},
            {"zenith", Json(l.zenith)},
            {"picture", PathText(l.picture_path)},
            {"rotation", Json(l.picture_rotation)}};
}

ordered_json SceneJson(const DocumentCore& doc) {
    ordered_json lights = ordered_json::array();
    for (const Light& light : doc.GetScene().Lights()) {
        lights.push_back(LightJson(light));
    }
    ordered_json nodes = ordered_json::array();
    CollectNodes(doc.GetScene().Root(), 1, nodes);
    ordered_json views = ordered_json::array();
    for (const ViewEntry& view : doc.Views()) {
        views.push_back({{"lens", view.lens},
                         {"direction", Json(view.direction)},
                         {"eye", Json(view.eye)},
                         {"target", Json(view.target)}});
    }
    ordered_json scene = {{"lights", lights}, {"nodes", nodes}, {"views", views}};
    const SceneLighting& lighting = doc.Lighting();
    if (!lighting.IsDefault()) {
        scene["lighting"] = LightingJson(lighting);
    }
    return scene;
}

// One line of `key=value` pairs from a JSON object; arrays print comma-separated, nested
// objects (the material, the box) as their own prefixed pairs.
void PrintPairs(std::ostream& out, const ordered_json& object, const std::string& prefix = "") {
    for (const auto& [key, value] : object.items()) {
        if (value.is_object()) {
            PrintPairs(out, value, prefix + key + '.');
            continue;
        }
        out << ' ' << prefix << key << '=';
        if (value.is_array()) {
            for (std::size_t i = 0; i < value.size(); ++i) {
                out << (i ? "," : "") << value[i].dump();
            }
        } else if (value.is_string()) {
            out << value.get<std::string>();
        } else {
            out << value.dump();
        }
    }
}

std::string Counted(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + ' ' + (count == 1 ? singular : plural);
}

void PrintText(std::ostream& out, const ordered_json& scene) {
    out << "scene: " << Counted(scene["lights"].size(), "light", "lights") << ", "
        << Counted(scene["nodes"].size(), "object", "objects") << ", "
        << Counted(scene["views"].size(), "view", "views") << '\n';
    for (const char* section : {"lights", "nodes", "views"}) {
        const std::string word = std::string(section) == "lights"  ? "light"
                                 : std::string(section) == "nodes" ? "node"
                                                                   : "view";
        for (const ordered_json& item : scene[section]) {
            out << word;
            PrintPairs(out, item);
            out << '\n';
        }
    }
}

// The lighting line, when the scene's lighting is not a new scene's.
void PrintLighting(std::ostream& out, const SceneLighting& lighting) {
    if (!lighting.IsDefault()) {
        out << "lighting " << DescribeLighting(lighting) << '\n';
    }
}

}  // namespace

int RunInfo(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
    std::string_view path;
    bool json = false;
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kInfoUsage;
            return kExitOk;
        }
        if (arg == "--json") {
            json = true;
        } else if (path.empty()) {
            path = arg;
        } else {
            err << "kelto-cli info: unexpected argument '" << arg << "'\n" << kInfoUsage;
            return kExitUsage;
        }
    }
    if (path.empty()) {
        err << "kelto-cli info: which scene file?\n" << kInfoUsage;
        return kExitUsage;
    }
    DocumentCore document;
    const Status opened = document.Open(std::string(path));
    if (!opened.ok()) {
        PrintOpenFailure(err, "info", path, opened.text);
        return kExitFailed;
    }
    const ordered_json scene = SceneJson(document);
    if (json) {
        out << scene.dump(2) << '\n';
    } else {
        PrintText(out, scene);
        PrintLighting(out, document.Lighting());
    }
    return kExitOk;
}

}  // namespace kelto::cli
