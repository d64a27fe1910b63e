// kelto.Object, kelto.Light and kelto.Material: handles that read the scene through the
// document core and change it only through its operations, one history step per assignment.
#include <pybind11/stl.h>

#include <array>
#include <string>
#include <vector>

#include "cli/build_operations.h"
#include "cli/text_values.h"
#include "document/node_fields.h"
#include "model/child_list.h"
#include "python_document.h"
#include "python_errors.h"

namespace kelto::python {

using Triple = std::array<double, 3>;

DocumentCore* OpenDocument::OpenCore() {
    if (core && Lent() && *lender_thread != std::this_thread::get_id()) {
        RaiseUsage("The application's document is used only on the thread the script runs on.");
    }
    return core;
}

DocumentCore& OpenDocument::Core() {
    if (OpenCore() == nullptr) {
        RaiseUsage(Lent() ? "The script that was lent the application's document has ended."
                          : "The document is closed.");
    }
    return *core;
}

const SceneNode& ObjectHandle::Node() const {
    const SceneNode* node = document->Core().Node(id);
    if (node == nullptr) {
        Raise(Status::Message(kMsgNoSuchObject));
    }
    return *node;
}

const Light& LightHandle::Get() const {
    const Light* light = document->Core().FindLight(id);
    if (light == nullptr) {
        Raise(Status::Message(kMsgNoSuchLight));
    }
    return *light;
}

py::object WrapNode(const DocumentRef& document, NodeId id) {
    if (!id) {
        return py::none();
    }
    return py::cast(ObjectHandle{document, id});
}

py::object WrapLight(const DocumentRef& document, LightId id) {
    if (!id) {
        return py::none();
    }
    return py::cast(LightHandle{document, id});
}

namespace {

// A number as the operations' texts write it, every digit kept.
std::string Text(double value) {
    return cli::FormatNumber(value);
}
std::string Text(const Triple& v, char separator) {
    return Text(v[0]) + separator + Text(v[1]) + separator + Text(v[2]);
}

py::tuple FromColour(const ColourRgb& c) {
    return py::make_tuple(c.r, c.g, c.b);
}

// --- objects ---

py::tuple Fields(const SceneNode& node, NodeField first) {
    const int f = static_cast<int>(first);
    return py::make_tuple(FieldValue(node, first), FieldValue(node, static_cast<NodeField>(f + 1)),
                          FieldValue(node, static_cast<NodeField>(f + 2)));
}

void SetFields(const ObjectHandle& object, NodeField first, const Triple& values) {
    object.Node();
    const int f = static_cast<int>(first);
    const FieldSetting settings[] = {{first, values[0]},
                                     {static_cast<NodeField>(f + 1), values[1]},
                                     {static_cast<NodeField>(f + 2), values[2]}};
    Check(object.document->Core().SetFields(std::span(&object.id, 1), settings));
}

std::string TypeWord(ObjectType type) {
    if (const std::string_view word = PrimitiveWord(type); !word.empty()) {
        return std::string(word);
    }
    std::string base(NameBase(type));
    for (char& c : base) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    while (!base.empty() && base.back() == ':') {
        base.pop_back();
    }
    return base;
}

py::list Children(const ObjectHandle& object) {
    py::list children;
    for (const SceneNode* child : ChildRange(object.Node())) {
        children.append(ObjectHandle{object.document, child->id});
    }
    return children;
}

py::object Parent(const ObjectHandle& object) {
    const Scene& scene = object.document->Core().GetScene();
    const SceneNode* parent = scene.ParentOf(object.Node());
    if (parent == nullptr || parent == &scene.Root()) {
        return py::none();
    }
    return WrapNode(object.document, parent->id);
}

void DeleteObject(const ObjectHandle& object) {
    object.Node();
    DocumentCore& core = object.document->Core();
    core.SelectExactly(std::span(&object.id, 1), {});
    core.DeleteSelection();
}

// --- materials ---

const Material& MaterialOf(const MaterialHandle& handle) {
    return handle.object.Node().material;
}

// Settings of the `material:` operation applied as one step.
void SetMaterialKeys(const MaterialHandle& handle,
                     const std::vector<std::pair<std::string, std::string>>& settings) {
    Material edited = MaterialOf(handle);
    std::vector<Status> warnings;
    for (const auto& [key, value] : settings) {
        Check(cli::ApplyMaterialSetting(edited, key, value, &warnings));
    }
    Warn(warnings);
    Check(handle.object.document->Core().SetMaterial(handle.object.id, edited));
}

// Python's names of the operation's keys and how their values are written.
struct MaterialKey {
    const char* name;
    const char* key;
    const char* doc;
};
constexpr MaterialKey kMaterialColours[] = {
    {"colour", "colour", "The colour (red, green, blue, 0 to 1 each)."},
    {"glow", "glow", "The glow (ambient glow) colour."},
    {"ambient", "ambient", "The ambient colour."},
    {"highlight", "highlight", "The highlight colour."},
};
constexpr MaterialKey kMaterialNumbers[] = {
    {"brightness", "brightness", "How bright the colour is (a factor)."},
    {"glow_strength", "glowstrength", "How strong the glow is."},
    {"ambient_strength", "ambientstrength", "How strong the ambient colour is."},
    {"highlight_strength", "highlightstrength", "How strong the highlight is."},
    {"shininess", "shininess", "0 dull to 1 shiny."},
    {"reflect", "reflect", "Reflective strength, 0 to 1."},
    {"transparency", "transparency", "0 opaque to 1 clear."},
    {"ior", "ior", "Index of refraction, 1 to 3.5."},
    {"dispersiveness", "dispersiveness", "0 to 1 (kept; the renderer does not use it)."},
    {"bump_magnitude", "bumpmag", "How deep the bumps are, 0.001 to 1."},
};
constexpr MaterialKey kMaterialPictures[] = {
    {"image", "image",
     "The colour picture: a JPEG, PNG or TIFF file read as Import Image reads it."},
    {"glow_image", "glowimage", "The glow picture (a file name)."},
    {"ambient_image", "ambientimage", "The ambient picture (a file name)."},
};

float Material::*NumberMember(std::string_view key) {
    if (key == "brightness")
        return &Material::brightness;
    if (key == "glowstrength")
        return &Material::glow_strength;
    if (key == "ambientstrength")
        return &Material::ambient_strength;
    if (key == "highlightstrength")
        return &Material::highlight_strength;
    if (key == "shininess")
        return &Material::shininess;
    if (key == "reflect")
        return &Material::reflective_strength;
    if (key == "transparency")
        return &Material::transparency;
    if (key == "ior")
        return &Material::index_of_refraction;
    if (key == "dispersiveness")
        return &Material::dispersiveness;
    return &Material::bump_magnitude;
}

ColourRgb Material::*ColourMember(std::string_view key) {
    if (key == "colour")
        return &Material::colour;
    if (key == "glow")
        return &Material::glow;
    if (key == "ambient")
        return &Material::ambient;
    return &Material::highlight;
}

py::object PictureSize(const SharedImage& image) {
    if (!image) {
        return py::none();
    }
    return py::make_tuple(image->width, image->height);
}

// The text of one value for a key: numbers and colours as the operation writes them.
std::string SettingText(const py::handle& value) {
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    if (py::isinstance<py::sequence>(value)) {
        return Text(value.cast<Triple>(), '/');
    }
    return Text(value.cast<double>());
}

// --- lights ---

void SetLightKeys(const LightHandle& handle, const std::string& settings) {
    Light light = handle.Get();
    Check(cli::ApplyLightSettings(light, settings));
    Check(handle.document->Core().SetLight(handle.id, light));
}

void DeleteLight(const LightHandle& light) {
    light.Get();
    DocumentCore& core = light.document->Core();
    core.SelectExactly({}, std::span(&light.id, 1));
    core.DeleteSelection();
}

void BindObject(py::module_& module) {
    py::class_<ObjectHandle>(module, "Object",
                             "An object of a scene (a primitive, text, group, Trim, Combine, "
                             "Intersect or imported mesh). Reads go to the document each time; "
                             "every assignment is one step of the history, as the Properties "
                             "panel makes it. Using an object that was deleted, or of a closed "
                             "document, raises kelto.Error.")
        .def_property(
            "name", [](const ObjectHandle& o) { return Latin1ToPython(o.Node().name); },
            [](const ObjectHandle& o, const std::string& name) {
                o.Node();
                Check(o.document->Core().Rename(o.id, NameFromPython(name)));
            },
            "The object's name: unique, at most 24 Latin-1 characters.")
        .def_property_readonly(
            "type", [](const ObjectHandle& o) { return TypeWord(o.Node().type); },
            "What it is: 'sphere', 'cube', ..., 'group', 'trim', 'text', 'mesh'.")
        .def_property(
            "position",
            [](const ObjectHandle& o) { return Fields(o.Node(), NodeField::PositionX); },
            [](const ObjectHandle& o, const Triple& v) { SetFields(o, NodeField::PositionX, v); },
            "(x, y, z) relative to the object's group (the world for a top-level object).")
        .def_property(
            "rotation",
            [](const ObjectHandle& o) { return Fields(o.Node(), NodeField::RotationX); },
            [](const ObjectHandle& o, const Triple& v) { SetFields(o, NodeField::RotationX, v); },
            "Degrees about x, then y, then z that turn the unturned object to its orientation "
            "(y within -90 to 90), as the Properties panel shows them.")
        .def_property(
            "scale", [](const ObjectHandle& o) { return Fields(o.Node(), NodeField::ScaleX); },
            [](const ObjectHandle& o, const Triple& v) { SetFields(o, NodeField::ScaleX, v); },
            "(sx, sy, sz), each greater than 0.")
        .def_property(
            "visible", [](const ObjectHandle& o) { return o.Node().visible != 0; },
            [](const ObjectHandle& o, bool visible) {
                o.Node();
                Check(o.document->Core().SetVisible(o.id, visible));
            },
            "False hides the object from the views and the render (the file keeps it).")
        .def_property_readonly(
            "selected", [](const ObjectHandle& o) { return o.Node().selected != 0; },
            "Whether the object is selected (doc.select() changes the selection).")
        .def_property_readonly("children", &Children,
                               "The members of a group or the operands of a Trim, Combine or "
                               "Intersect object, in the Objects panel's order.")
        .def_property_readonly("parent", &Parent, "The group holding it, or None at the top.")
        .def_property(
            "material",
            [](const ObjectHandle& o) {
                o.Node();
                return MaterialHandle{o};
            },
            [](const ObjectHandle& o, const std::string& preset) {
                o.Node();
                SetMaterialKeys(MaterialHandle{o}, {{"preset", preset}});
            },
            "The object's material (kelto.Material). Assigning a name gives it a ready material "
            "of the library: obj.material = 'gold'.")
        .def_property_readonly(
            "exists",
            [](const ObjectHandle& o) {
                const DocumentCore* core = o.document->OpenCore();
                return core && core->Node(o.id) != nullptr;
            },
            "Whether the object is still in an open document.")
        .def("delete", &DeleteObject, "Deletes the object with what it holds (one step).")
        .def("__eq__",
             [](const ObjectHandle& a, const ObjectHandle& b) {
                 return a.document == b.document && a.id == b.id;
             })
        .def("__hash__", [](const ObjectHandle& o) { return std::hash<NodeId>{}(o.id); })
        .def("__repr__", [](const ObjectHandle& o) -> py::str {
            const DocumentCore* core = o.document->OpenCore();
            const SceneNode* node = core ? core->Node(o.id) : nullptr;
            if (node == nullptr) {
                return "<kelto.Object (gone)>";
            }
            return py::str("<kelto.Object {} {}>")
                .format(TypeWord(node->type), Latin1ToPython(node->name));
        });
}

void BindMaterial(py::module_& module) {
    py::class_<MaterialHandle> material(
        module, "Material",
        "An object's material. Each assignment is one step of the history, with the ranges "
        "the material editor allows (as `kelto-cli build`'s material: operation); "
        "set(**values) changes several at once as one step.");
    for (const MaterialKey& k : kMaterialColours) {
        material.def_property(
            k.name,
            [member = ColourMember(k.key)](const MaterialHandle& m) {
                return FromColour(MaterialOf(m).*member);
            },
            [key = k.key](const MaterialHandle& m, const Triple& v) {
                SetMaterialKeys(m, {{key, Text(v, '/')}});
            },
            k.doc);
    }
    for (const MaterialKey& k : kMaterialNumbers) {
        material.def_property(
            k.name,
            [member = NumberMember(k.key)](const MaterialHandle& m) {
                return static_cast<double>(MaterialOf(m).*member);
            },
            [key = k.key](const MaterialHandle& m, double v) {
                SetMaterialKeys(m, {{key, Text(v)}});
            },
            k.doc);
    }
    material.def_property(
        "image", [](const MaterialHandle& m) { return PictureSize(MaterialOf(m).colour_image); },
        [](const MaterialHandle& m, const std::string& path) {
            SetMaterialKeys(m, {{"image", path}});
        },
        "The colour picture's (width, height), or None. Assign a JPEG, PNG or TIFF file's name "
        "to read it as Import Image does.");
    for (const MaterialKey& k : kMaterialPictures) {
        if (std::string_view(k.key) != "image") {
            material.def_property(
                k.name,
                [key = std::string(k.key)](const MaterialHandle& m) {
                    const Material& mat = MaterialOf(m);
                    return PictureSize(key == "glowimage" ? mat.glow_image : mat.ambient_image);
                },
                [key = k.key](const MaterialHandle& m, const std::string& path) {
                    SetMaterialKeys(m, {{key, path}});
                },
                k.doc);
        }
    }
    material
        .def_property(
            "bump",
            [](const MaterialHandle& m) {
                switch (MaterialOf(m).bump_mode) {
                    case BumpMode::None:
                        return "none";
                    case BumpMode::UseColourMap:
                        return "colour";
                    case BumpMode::Image:
                        return "image";
                }
                return "none";
            },
            [](const MaterialHandle& m, const std::string& value) {
                SetMaterialKeys(m, {{"bump", value}});
            },
            "'none', 'colour' (the colour picture's heights) or 'image'; assign a picture's "
            "file name to read a bump picture.")
        .def(
            "set",
            [](const MaterialHandle& m, const py::kwargs& values) {
                std::vector<std::pair<std::string, std::string>> settings;
                for (const auto& [name, value] : values) {
                    const std::string python_name = name.cast<std::string>();
                    std::string key = python_name;
                    using Keys = std::span<const MaterialKey>;
                    for (const Keys table : {Keys(kMaterialColours), Keys(kMaterialNumbers),
                                             Keys(kMaterialPictures)}) {
                        for (const MaterialKey& k : table) {
                            if (python_name == k.name) {
                                key = k.key;
                            }
                        }
                    }
                    settings.emplace_back(key, SettingText(value));
                }
                SetMaterialKeys(m, settings);
            },
            "Changes several values as one step: set(preset='gold', reflect=0.3). "
            "preset= is applied where it stands, the keys after it change it.")
        .def("__repr__", [](const MaterialHandle& m) {
            const Material& mat = MaterialOf(m);
            return py::str("<kelto.Material colour=({:.3g}, {:.3g}, {:.3g})>")
                .format(mat.colour.r, mat.colour.g, mat.colour.b);
        });
}

void BindLight(py::module_& module) {
    py::class_<LightHandle>(module, "Light",
                            "A light of the scene. Each assignment is one step of the history, "
                            "as the Light Properties dialog makes it.")
        .def_property_readonly(
            "name", [](const LightHandle& l) { return Latin1ToPython(l.Get().name); },
            "The light's name (Light1, ...).")
        .def_property(
            "kind", [](const LightHandle& l) { return cli::LightKindWord(l.Get().kind); },
            [](const LightHandle& l, const std::string& kind) { SetLightKeys(l, "kind=" + kind); },
            "'point', 'spot' or 'area' (a sphere light with soft shadows).")
        .def_property(
            "position",
            [](const LightHandle& l) {
                const Vec3& p = l.Get().position;
                return py::make_tuple(p.x, p.y, p.z);
            },
            [](const LightHandle& l, const Triple& v) {
                SetLightKeys(l, "position=" + Text(v, '/'));
            },
            "(x, y, z) in the world.")
        .def_property(
            "colour",
            [](const LightHandle& l) {
                const ColourRgba& c = l.Get().diffuse;
                return py::make_tuple(c.r, c.g, c.b);
            },
            [](const LightHandle& l, const Triple& v) {
                SetLightKeys(l, "colour=" + Text(v, '/'));
            },
            "(red, green, blue), 0 to 1 each; the highlight follows it.")
        .def_property(
            "intensity", [](const LightHandle& l) { return l.Get().intensity; },
            [](const LightHandle& l, double v) { SetLightKeys(l, "intensity=" + Text(v)); },
            "0 or more.")
        .def_property(
            "angle", [](const LightHandle& l) { return l.Get().spot_angle; },
            [](const LightHandle& l, double v) { SetLightKeys(l, "angle=" + Text(v)); },
            "A spot light's cone half-angle in degrees, 0 to 90.")
        .def_property(
            "on", [](const LightHandle& l) { return l.Get().on != 0; },
            [](const LightHandle& l, bool on) { SetLightKeys(l, on ? "on=1" : "on=0"); },
            "Whether the light shines.")
        .def_property(
            "shadows", [](const LightHandle& l) { return l.Get().casts_shadows != 0; },
            [](const LightHandle& l, bool on) { SetLightKeys(l, on ? "shadows=1" : "shadows=0"); },
            "Whether the light casts shadows.")
        .def(
            "aim",
            [](const LightHandle& l, const Triple& direction) {
                SetLightKeys(l, "aim=" + Text(direction, '/'));
            },
            py::arg("direction"), "Turns the light (a spot's beam) along the direction.")
        .def(
            "set",
            [](const LightHandle& l, const py::kwargs& values) {
                std::string settings;
                for (const auto& [name, value] : values) {
                    settings += (settings.empty() ? "" : ";") + name.cast<std::string>() + "=" +
                                SettingText(value);
                }
                SetLightKeys(l, settings);
            },
            "Changes several values as one step, with the keys of `kelto-cli build`'s lightset: "
            "operation: set(kind='spot', angle=30, falloff='linear').")
        .def("delete", &DeleteLight, "Deletes the light (one step).")
        .def("__eq__",
             [](const LightHandle& a, const LightHandle& b) {
                 return a.document == b.document && a.id == b.id;
             })
        .def("__hash__", [](const LightHandle& l) { return std::hash<LightId>{}(l.id); })
        .def("__repr__", [](const LightHandle& l) -> py::str {
            const DocumentCore* core = l.document->OpenCore();
            const Light* light = core ? core->FindLight(l.id) : nullptr;
            if (light == nullptr) {
                return "<kelto.Light (gone)>";
            }
            return py::str("<kelto.Light {} {}>")
                .format(cli::LightKindWord(light->kind), Latin1ToPython(light->name));
        });
}

}  // namespace

void BindObjects(py::module_& module) {
    BindObject(module);
    BindMaterial(module);
    BindLight(module);
}

}  // namespace kelto::python
