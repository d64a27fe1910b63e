#include "build_operations.h"

#include <cmath>

#include "files/image_import.h"
#include "lighting_values.h"
#include "model/child_list.h"
#include "model/material_library.h"
#include "model/message_table.h"
#include "text_values.h"

namespace kelto::cli {

namespace {

constexpr std::string_view kOperationsHelpHead =
    "operations, applied in order:\n"
    "  add:TYPE@X,Z          insert a primitive at the ground point (X, 0, Z), the only selection\n"
    "  add+:TYPE@X,Z         the same, added to the selection (Shift)\n"
    "  light:KIND@X,Y,Z      insert a light; KIND is point, spot or area\n"
    "  select:NAME[,NAME...] select exactly these objects or lights\n"
    "  group                 group the selected objects\n"
    "  trim                  cut the second selected object by the first (the newer)\n"
    "  union                 combine the two selected objects (Combine)\n"
    "  intersect             keep what the two selected objects share (Intersect)\n"
    "  delete                delete the selected objects and lights\n"
    "  undo                  take back the last edit (selections and views are not edits)\n"
    "  redo                  do the last edit taken back again\n"
    "  move:NAME@DX,DY,DZ    move an object or light by a drag of that amount\n"
    "  scale:NAME@SX,SY,SZ   scale an object (a light's size by SX)\n"
    "  rotate:NAME@AX,AY,AZ  turn by degrees about the world x, y and z axes\n"
    "  hide:NAME  show:NAME  hide an object from the views and the render, or show it again\n"
    "  material:NAME@KEY=VALUE[;KEY=VALUE...]\n"
    "        colour=R/G/B brightness=F glow=R/G/B glowstrength=F ambient=R/G/B\n"
    "        ambientstrength=F highlight=R/G/B highlightstrength=F shininess=F reflect=F\n"
    "        transparency=F ior=F dispersiveness=F bump=none|colour|FILE bumpmag=F\n"
    "        image=FILE glowimage=FILE ambientimage=FILE (pictures read as Import Image does)\n"
    "        shininess, reflect, transparency, dispersiveness 0-1; ior 1-3.5; bumpmag 0.001-1\n"
    "  lightset:NAME@KEY=VALUE[;KEY=VALUE...]\n"
    "        kind=point|spot|area colour=R/G/B intensity=F falloff=none|linear|quadratic\n"
    "        angle=DEGREES exponent=F shadows=0|1 on=0|1 position=X/Y/Z aim=X/Y/Z\n"
    "        angle 0-90; intensity 0 or more\n"
    "  view:EX,EY,EZ@TX,TY,TZ[@LENS]  add a view camera (lens in mm, default 50)\n"
    "  text:STRING@X,Y,Z[;font=FAMILY][;weight=N][;italic=0|1][;depth=D]\n"
    "        3D text standing on (X, Y, Z); defaults Times New Roman, 400, 0, depth 0.45\n"
    "  render:KEY=VALUE[;KEY=VALUE...]  the scene's lighting, kept in its file\n"
    "        softshadows=N (1-256) ao=off|SAMPLES[,DISTANCE] (1-1024, up to 1e6)\n"
    "        environment=none|R/G/B|R/G/B,R/G/B|FILE (a colour, a gradient from the horizon\n"
    "        to the zenith, or an .hdr/.exr/.jpg/.png/.tif panorama beside the scene file)\n"
    "        rotation=DEG (the panorama turned about the vertical, -360 to 360)\n"
    "TYPE:";

}  // namespace

std::string BuildOperationsHelp() {
    return std::string(kOperationsHelpHead) + std::string(PrimitiveWordList()) + '\n';
}

namespace {

Status Usage(std::string text) {
    return Status::Usage(std::move(text));
}

std::pair<std::string_view, std::string_view> SplitOnce(std::string_view text, char separator) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) {
        return {text, {}};
    }
    return {text.substr(0, at), text.substr(at + 1)};
}

std::string Quote(std::string_view text) {
    return "'" + std::string(text) + "'";
}

NodeId FindObject(const DocumentCore& doc, std::string_view name) {
    return doc.NodeNamed(std::string(name));
}

LightId FindLight(const DocumentCore& doc, std::string_view name) {
    return doc.LightNamed(std::string(name));
}

}  // namespace

std::optional<LightKind> LightKindFromWord(std::string_view word) {
    if (word == "point")
        return LightKind::Point;
    if (word == "spot")
        return LightKind::Spot;
    if (word == "area")
        return LightKind::Sphere;
    return std::nullopt;
}

const char* LightKindWord(LightKind kind) {
    switch (kind) {
        case LightKind::Point:
            return "point";
        case LightKind::Spot:
            return "spot";
        case LightKind::Sphere:
            return "area";
        case LightKind::Rectangular:
            return "rectangular";
        case LightKind::Cylindrical:
            return "cylindrical";
    }
    return "unknown";
}

namespace {

Status Add(DocumentCore& doc, std::string_view argument, bool shift) {
    const auto [type_word, where] = SplitOnce(argument, '@');
    const std::optional<ObjectType> type = PrimitiveFromWord(type_word);
    if (!type) {
        return Usage("unknown type " + Quote(type_word));
    }
    const auto xz = ParseNumbers(where, 2, ',');
    if (!xz) {
        return Usage("expected X,Z after '@'");
    }
    doc.InsertObject(*type, {(*xz)[0], 0.0, (*xz)[1]}, shift);
    return Status::Ok();
}

Status AddLight(DocumentCore& doc, std::string_view argument) {
    const auto [kind_word, where] = SplitOnce(argument, '@');
    const std::optional<LightKind> kind = LightKindFromWord(kind_word);
    if (!kind) {
        return Usage("unknown light kind " + Quote(kind_word));
    }
    const std::optional<Vec3> position = ParseVec3(where, ',');
    if (!position) {
        return Usage("expected X,Y,Z after '@'");
    }
    doc.InsertLight(*kind, *position);
    return Status::Ok();
}

Status Select(DocumentCore& doc, std::string_view argument) {
    std::vector<NodeId> nodes;
    std::vector<LightId> lights;
    for (std::string_view name : Split(argument, ',')) {
        if (const NodeId node = FindObject(doc, name)) {
            nodes.push_back(node);
        } else if (const LightId light = FindLight(doc, name)) {
            lights.push_back(light);
        } else {
            return Usage("no object or light named " + Quote(name));
        }
    }
    doc.SelectExactly(nodes, lights);
    return Status::Ok();
}

// Resolves "NAME@X,Y,Z" to an object or a light and the three numbers.
struct Target {
    NodeId node;
    LightId light;
    Vec3 values;
};

std::optional<Target> ResolveTarget(DocumentCore& doc, std::string_view argument,
                                    std::string& error) {
    const auto [name, numbers] = SplitOnce(argument, '@');
    Target target;
    target.node = FindObject(doc, name);
    if (!target.node) {
        target.light = FindLight(doc, name);
        if (!target.light) {
            error = "no object or light named " + Quote(name);
            return std::nullopt;
        }
    }
    if (target.node && !doc.IsTopLevel(target.node)) {
        error = Quote(name) + " is inside a group; move, scale or rotate the group instead";
        return std::nullopt;
    }
    const std::optional<Vec3> values = ParseVec3(numbers, ',');
    if (!values) {
        error = "expected three numbers after '@'";
        return std::nullopt;
    }
    target.values = *values;
    return target;
}

Status Move(DocumentCore& doc, std::string_view argument) {
    std::string error;
    const auto target = ResolveTarget(doc, argument, error);
    if (!target) {
        return Usage(error);
    }
    if (target->node) {
        doc.DragMoveNode(target->node, target->values);
    } else {
        doc.DragMoveLight(target->light, target->values);
    }
    doc.EndDrag();
    return Status::Ok();
}

Status Scale(DocumentCore& doc, std::string_view argument) {
    std::string error;
    const auto target = ResolveTarget(doc, argument, error);
    if (!target) {
        return Usage(error);
    }
    const Vec3& s = target->values;
    if (s.x <= 0 || s.y <= 0 || s.z <= 0) {
        return Usage("scale factors must be greater than 0");
    }
    if (target->node) {
        doc.DragScaleNode(target->node, s, {});
    } else {
        doc.DragScaleLight(target->light, s.x);
    }
    doc.EndDrag();
    return Status::Ok();
}

Status Rotate(DocumentCore& doc, std::string_view argument) {
    std::string error;
    const auto target = ResolveTarget(doc, argument, error);
    if (!target) {
        return Usage(error);
    }
    const double angles[3] = {target->values.x, target->values.y, target->values.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (target->node) {
            doc.DragRotateNode(target->node, axis, angles[axis]);
        } else {
            doc.DragRotateLight(target->light, axis, angles[axis]);
        }
    }
    doc.EndDrag();
    return Status::Ok();
}

std::optional<ColourRgb> ParseColour(std::string_view text) {
    const std::optional<Vec3> v = ParseVec3(text, '/');
    if (!v) {
        return std::nullopt;
    }
    return ColourRgb{static_cast<float>(v->x), static_cast<float>(v->y), static_cast<float>(v->z)};
}

std::string RangeText(std::string_view key, double low, double high) {
    if (high >= 1e30) {
        return Quote(key) + " must be " + FormatNumber(low) + " or more";
    }
    return Quote(key) + " must be from " + FormatNumber(low) + " to " + FormatNumber(high);
}

// What a setter found wrong with a value: nothing, unreadable, or outside its range (the text
// names the key and the range).
struct ValueProblem {
    bool bad = false;
    std::string range;
};

// The status of one KEY=VALUE setting: `known` false for an unknown key; `problem` as the
// setter filled it.
Status SettingStatus(std::string_view key, std::string_view value, bool known,
                     const ValueProblem& problem) {
    if (!known) {
        return Usage("unknown key " + Quote(key));
    }
    if (!problem.range.empty()) {
        return Usage("bad value " + Quote(value) + ": " + problem.range);
    }
    if (problem.bad) {
        return Usage("bad value " + Quote(value) + " for " + Quote(key));
    }
    return Status::Ok();
}

// Applies KEY=VALUE settings with `set`, which returns false for an unknown key and fills
// `problem` for a value it cannot take.
template <typename Setter>
Status ApplySettings(std::string_view settings, Setter set) {
    for (std::string_view setting : Split(settings, ';')) {
        const auto [key, value] = SplitOnce(setting, '=');
        ValueProblem problem;
        const bool known = set(key, value, problem);
        if (Status status = SettingStatus(key, value, known, problem); !status.ok()) {
            return status;
        }
    }
    return Status::Ok();
}

// Reads a number into `target` when it lies in [low, high]; otherwise records the problem.
template <typename T>
void ReadRanged(std::string_view key, std::string_view value, double low, double high, T& target,
                ValueProblem& problem) {
    const auto parsed = ParseNumber(value);
    if (!parsed) {
        problem.bad = true;
    } else if (*parsed < low || *parsed > high) {
        problem.range = RangeText(key, low, high);
    } else {
        target = static_cast<T>(*parsed);
    }
}

struct MaterialColourKey {
    std::string_view key;
    ColourRgb Material::*colour;
};
struct MaterialNumberKey {
    std::string_view key;
    float Material::*number;
    // The values the material editor's sliders allow; unbounded keys take any number.
    double low = -1e30;
    double high = 1e30;
};
struct MaterialImageKey {
    std::string_view key;
    SharedImage Material::*image;
    std::int32_t Material::*source;
};

constexpr MaterialColourKey kMaterialColours[] = {{"colour", &Material::colour},
                                                  {"glow", &Material::glow},
                                                  {"ambient", &Material::ambient},
                                                  {"highlight", &Material::highlight}};
constexpr MaterialNumberKey kMaterialNumbers[] = {
    {"brightness", &Material::brightness},
    {"glowstrength", &Material::glow_strength},
    {"ambientstrength", &Material::ambient_strength},
    {"highlightstrength", &Material::highlight_strength},
    {"shininess", &Material::shininess, 0.0, 1.0},
    {"reflect", &Material::reflective_strength, 0.0, 1.0},
    {"transparency", &Material::transparency, 0.0, 1.0},
    {"ior", &Material::index_of_refraction, 1.0, 3.5},
    {"dispersiveness", &Material::dispersiveness, 0.0, 1.0},
    {"bumpmag", &Material::bump_magnitude, 0.001, 1.0}};

constexpr MaterialImageKey kMaterialImages[] = {
    {"image", &Material::colour_image, &Material::colour_source},
    {"glowimage", &Material::glow_image, &Material::glow_source},
    {"ambientimage", &Material::ambient_image, &Material::ambient_source}};

// Reads a picture as "Import Image..." does; the failure carries the import's message.
Status ImportInto(std::string_view path, SharedImage& target, std::vector<Status>* warnings) {
    TextureImage image;
    const Status imported = ImportImage(std::string(path), image, warnings);
    if (!imported.ok()) {
        return imported;
    }
    target = SharedImage(std::move(image));
    return Status::Ok();
}

// Sets one key of a material; false for a key it does not know. A value it cannot take fills
// `problem`, a picture that cannot be read `failure`.
bool SetMaterialKey(Material& edited, std::string_view key, std::string_view value,
                    ValueProblem& problem, Status& failure, std::vector<Status>* warnings) {
    bool& bad = problem.bad;
    for (const auto& [word, colour] : kMaterialColours) {
        if (key == word) {
            const auto parsed = ParseColour(value);
            bad = !parsed;
            if (parsed)
                edited.*colour = *parsed;
            return true;
        }
    }
    for (const auto& [word, number, low, high] : kMaterialNumbers) {
        if (key == word) {
            ReadRanged(key, value, low, high, edited.*number, problem);
            return true;
        }
    }
    for (const auto& [word, image, source] : kMaterialImages) {
        if (key == word) {
            failure = ImportInto(value, edited.*image, warnings);
            if (failure.ok())
                edited.*source = 1;
            return true;
        }
    }
    if (key == "preset") {
        if (std::optional<Material> preset = LibraryMaterialNamed(value)) {
            edited = std::move(*preset);
        } else {
            failure = Usage(FormatMessageWith(kMsgUnknownMaterialPreset,
                                              {std::string(value), LibraryMaterialNames()}));
        }
        return true;
    }
    if (key != "bump") {
        return false;
    }
    if (value == "none") {
        edited.bump_mode = BumpMode::None;
    } else if (value == "colour") {
        edited.bump_mode = BumpMode::UseColourMap;
    } else {
        failure = ImportInto(value, edited.bump_image, warnings);
        if (failure.ok())
            edited.bump_mode = BumpMode::Image;
    }
    return true;
}

Status SetMaterial(DocumentCore& doc, std::string_view argument, std::vector<Status>* warnings) {
    const auto [name, settings] = SplitOnce(argument, '@');
    const NodeId node = FindObject(doc, name);
    if (!node) {
        return Usage("no object named " + Quote(name));
    }
    Material edited = doc.Node(node)->material;  // applied only when every setting is good
    Status failure;
    const Status result = ApplySettings(
        settings, [&](std::string_view key, std::string_view value, ValueProblem& problem) {
            return SetMaterialKey(edited, key, value, problem, failure, warnings);
        });
    if (!result.ok()) {
        return result;
    }
    if (!failure.ok()) {
        return failure;
    }
    const Status set = doc.SetMaterial(node, edited);
    if (!set.ok()) {
        return set;
    }
    return Status::Ok();
}

// The rotation that turns a light's -z axis along `direction`.
Matrix4 AimAlong(Vec3 direction) {
    direction.Normalise();
    const Vec3 z = direction * -1.0;
    Vec3 up{0, 1, 0};
    if (std::fabs(Dot(up, z)) > 0.999) {
        up = {1, 0, 0};
    }
    Vec3 x = Cross(up, z);
    x.Normalise();
    const Vec3 y = Cross(z, x);
    Matrix4 m;
    const Vec3 rows[3] = {x, y, z};
    for (int r = 0; r < 3; ++r) {
        m[4 * r + 0] = rows[r].x;
        m[4 * r + 1] = rows[r].y;
        m[4 * r + 2] = rows[r].z;
    }
    return m;
}

}  // namespace

Status ApplyLightSettings(Light& light, std::string_view settings) {
    LightDialogFields fields = LightToDialog(light);
    int on = light.on;
    std::optional<Matrix4> aim;
    const Status result = ApplySettings(
        settings, [&](std::string_view key, std::string_view value, ValueProblem& problem) {
            bool& bad = problem.bad;
            auto number = [&](float& f) {
                const auto parsed = ParseNumber(value);
                bad = !parsed;
                if (parsed)
                    f = static_cast<float>(*parsed);
            };
            auto flag = [&](auto& target) {
                bad = value != "0" && value != "1";
                target = value == "1";
            };
            if (key == "kind") {
                if (value == "point")
                    fields.type = LightDialogFields::kPoint;
                else if (value == "spot")
                    fields.type = LightDialogFields::kSpot;
                else if (value == "area")
                    fields.type = LightDialogFields::kSphere;
                else
                    bad = true;
            } else if (key == "colour") {
                const auto c = ParseColour(value);
                bad = !c;
                if (c)
                    fields.colour = {c->r, c->g, c->b, 1.0f};
            } else if (key == "intensity") {
                ReadRanged(key, value, 0.0, 1e30, fields.intensity, problem);
            } else if (key == "falloff") {
                if (value == "none")
                    fields.falloff = LightDialogFields::kFalloffNone;
                else if (value == "linear")
                    fields.falloff = LightDialogFields::kFalloffLinear;
                else if (value == "quadratic")
                    fields.falloff = LightDialogFields::kFalloffQuadratic;
                else
                    bad = true;
            } else if (key == "angle") {
                ReadRanged(key, value, 0.0, 90.0, fields.spot_angle, problem);
            } else if (key == "exponent") {
                number(fields.spot_exponent);
            } else if (key == "shadows") {
                flag(fields.casts_shadows);
            } else if (key == "on") {
                flag(on);
            } else if (key == "position") {
                const auto p = ParseVec3(value, '/');
                bad = !p;
                if (p) {
                    fields.x = p->x;
                    fields.y = p->y;
                    fields.z = p->z;
                }
            } else if (key == "aim") {
                const auto d = ParseVec3(value, '/');
                bad = !d || d->Length() == 0.0;
                if (!bad)
                    aim = AimAlong(*d);
            } else {
                return false;
            }
            return true;
        });
    if (!result.ok()) {
        return result;
    }
    ApplyLightDialog(fields, light);
    light.on = on;
    if (aim) {
        light.rotation = *aim;
    }
    return Status::Ok();
}

namespace {

Status SetLight(DocumentCore& doc, std::string_view argument) {
    const auto [name, settings] = SplitOnce(argument, '@');
    const LightId id = FindLight(doc, name);
    if (!id) {
        return Usage("no light named " + Quote(name));
    }
    Light light = *doc.FindLight(id);
    if (Status applied = ApplyLightSettings(light, settings); !applied.ok()) {
        return applied;
    }
    const Status set = doc.SetLight(id, light);
    if (!set.ok()) {
        return set;
    }
    return Status::Ok();
}

Status AddView(DocumentCore& doc, std::string_view argument) {
    const std::vector<std::string_view> parts = Split(argument, '@');
    if (parts.size() < 2 || parts.size() > 3) {
        return Usage("expected EX,EY,EZ@TX,TY,TZ[@LENS]");
    }
    const std::optional<Vec3> eye = ParseVec3(parts[0], ',');
    const std::optional<Vec3> target = ParseVec3(parts[1], ',');
    std::optional<double> lens = 50.0;
    if (parts.size() == 3) {
        lens = ParseNumber(parts[2]);
    }
    if (!eye || !target || !lens || *lens <= 0 || *lens > 100000) {
        return Usage("expected EX,EY,EZ@TX,TY,TZ[@LENS]");
    }
    Vec3 direction = *target - *eye;
    if (direction.Length() == 0.0) {
        return Usage("the eye and the target are the same point");
    }
    direction.Normalise();
    doc.AddView({static_cast<std::int32_t>(*lens), direction, *eye, *target});
    return Status::Ok();
}

Status AddText(DocumentCore& doc, std::string_view argument, std::vector<Status>* warnings) {
    const std::size_t at = argument.rfind('@');
    if (at == std::string_view::npos || at == 0) {
        return Usage("expected STRING@X,Y,Z");
    }
    const std::string text(argument.substr(0, at));
    const std::vector<std::string_view> parts = Split(argument.substr(at + 1), ';');
    const std::optional<Vec3> point = ParseVec3(parts[0], ',');
    if (!point) {
        return Usage("expected X,Y,Z after '@'");
    }
    LogFont font = LogFont::TextToolDefault();
    double depth = 0.45;
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const auto [key, value] = SplitOnce(parts[i], '=');
        const std::optional<double> number = ParseNumber(value);
        if (key == "font" && !value.empty()) {
            font.SetFaceName(std::string(value));
        } else if (key == "weight" && number && *number >= 1 && *number <= 1000) {
            font.weight = static_cast<std::int32_t>(*number);
        } else if (key == "italic" && (value == "0" || value == "1")) {
            font.italic = value == "1" ? 1 : 0;
        } else if (key == "depth" && number && *number >= 0.01 && *number <= 1.5) {
            depth = *number;
        } else if (key == "font" || key == "weight" || key == "italic" || key == "depth") {
            return Usage("bad value " + Quote(value) + " for " + Quote(key));
        } else {
            return Usage("unknown key " + Quote(key));
        }
    }
    if (text.find_first_not_of(' ') == std::string::npos) {
        return Usage("the text has nothing but spaces");
    }
    const kelto::Result<TextInsertion> inserted = doc.InsertText(*point, text, font, depth, false);
    if (!inserted.ok()) {
        return inserted.status();
    }
    if (!inserted->warning.ok() && warnings != nullptr) {
        warnings->push_back(inserted->warning);
    }
    return Status::Ok();
}

constexpr std::string_view kVerbs[] = {"add",      "add+",   "light", "select", "move",
                                       "scale",    "rotate", "hide",  "show",   "material",
                                       "lightset", "view",   "text",  "render"};
constexpr std::string_view kBareOperations[] = {"group",  "trim", "union", "intersect",
                                                "delete", "undo", "redo"};

// Trim, Combine or Intersect; the failure carries the command's message.
Status Boolean(DocumentCore& doc, kelto::Result<NodeId> (DocumentCore::*command)()) {
    const kelto::Result<NodeId> result = (doc.*command)();
    if (!result.ok()) {
        return result.status();
    }
    return Status::Ok();
}

// Hides an object from the views and the render, or shows it again (the file keeps the flag).
Status SetShown(DocumentCore& doc, std::string_view name, bool shown) {
    const NodeId node = FindObject(doc, name);
    if (!node) {
        return Usage("no object named " + Quote(name));
    }
    return doc.SetVisible(node, shown);
}

// The scene's soft shadows, ambient occlusion and environment, changed as one step.
Status SetRenderLighting(DocumentCore& doc, std::string_view argument) {
    SceneLighting lighting = doc.Lighting();
    if (Status parsed = ParseRenderOperation(argument, lighting); !parsed.ok()) {
        return parsed;
    }
    return doc.SetLighting(lighting);
}

Status StepHistory(DocumentCore& doc, bool undo) {
    if (undo ? !doc.CanUndo() : !doc.CanRedo()) {
        return Usage(undo ? "nothing to undo" : "nothing to redo");
    }
    const Status status = undo ? doc.Undo() : doc.Redo();
    if (!status.ok()) {
        return status;
    }
    return Status::Ok();
}

}  // namespace

bool LooksLikeBuildOperation(std::string_view word) {
    for (std::string_view bare : kBareOperations) {
        if (word == bare) {
            return true;
        }
    }
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    for (std::string_view verb : kVerbs) {
        if (word.substr(0, colon) == verb) {
            return true;
        }
    }
    return false;
}

Status ApplyBuildOperation(DocumentCore& doc, std::string_view operation,
                           std::vector<Status>* warnings) {
    const auto [verb, argument] = SplitOnce(operation, ':');
    if (verb == "add")
        return Add(doc, argument, false);
    if (verb == "add+")
        return Add(doc, argument, true);
    if (verb == "light")
        return AddLight(doc, argument);
    if (verb == "select")
        return Select(doc, argument);
    if (verb == "group" && argument.empty() && operation == "group") {
        doc.Group();
        return Status::Ok();
    }
    if (operation == "trim")
        return Boolean(doc, &DocumentCore::Trim);
    if (operation == "union")
        return Boolean(doc, &DocumentCore::Combine);
    if (operation == "intersect")
        return Boolean(doc, &DocumentCore::Intersect);
    if (operation == "delete") {
        doc.DeleteSelection();
        return Status::Ok();
    }
    if (operation == "undo")
        return StepHistory(doc, true);
    if (operation == "redo")
        return StepHistory(doc, false);
    if (verb == "move")
        return Move(doc, argument);
    if (verb == "scale")
        return Scale(doc, argument);
    if (verb == "rotate")
        return Rotate(doc, argument);
    if (verb == "hide" || verb == "show")
        return SetShown(doc, argument, verb == "show");
    if (verb == "material")
        return SetMaterial(doc, argument, warnings);
    if (verb == "lightset")
        return SetLight(doc, argument);
    if (verb == "view")
        return AddView(doc, argument);
    if (verb == "text")
        return AddText(doc, argument, warnings);
    if (verb == "render")
        return SetRenderLighting(doc, argument);
    return Usage("unknown operation");
}

}  // namespace kelto::cli

namespace kelto::cli {

Status ApplyMaterialSetting(Material& material, std::string_view key, std::string_view value,
                            std::vector<Status>* warnings) {
    Material edited = material;
    ValueProblem problem;
    Status failure;
    const bool known = SetMaterialKey(edited, key, value, problem, failure, warnings);
    if (Status status = SettingStatus(key, value, known, problem); !status.ok()) {
        return status;
    }
    if (!failure.ok()) {
        return failure;
    }
    material = std::move(edited);
    return Status::Ok();
}

}  // namespace kelto::cli
