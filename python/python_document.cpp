// kelto.Document and the module's functions that make one: the scene's tree, insertions,
// the commands on the selection, the history, views, lighting, files, import and export, each
// through the document core and the helpers `kelto-cli build` uses.
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "cli/build_operations.h"
#include "cli/lighting_values.h"
#include "cli/text_values.h"
#include "document/export_cameras.h"
#include "files/file_io.h"
#include "files/scene_export.h"
#include "lent_document.h"
#include "model/child_list.h"
#include "model/material_library.h"
#include "modelling/glyph_outline.h"
#include "python_document.h"
#include "python_errors.h"

namespace kelto::python {
namespace {

using Triple = std::array<double, 3>;

DocumentCore& CoreOf(const DocumentHandle& d) {
    return d.document->Core();
}

std::string Text(double value) {
    return cli::FormatNumber(value);
}
std::string Text(const Triple& v, char separator) {
    return Text(v[0]) + separator + Text(v[1]) + separator + Text(v[2]);
}

// Refuses coordinates that are not finite numbers with the Properties panel's message.
void CheckPoint(const double* values, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto field = static_cast<NodeField>(static_cast<int>(NodeField::PositionX) + i);
        Check(CheckFieldValue(field, values[i]));
    }
}

// Applies one of `kelto-cli build`'s operations, its warnings given as Python warnings.
void Apply(DocumentCore& core, const std::string& operation) {
    std::vector<Status> warnings;
    const Status applied = cli::ApplyBuildOperation(core, operation, &warnings);
    Warn(warnings);
    Check(applied);
}

DocumentHandle NewDocument() {
    return DocumentHandle{std::make_shared<OpenDocument>()};
}

DocumentHandle OpenFile(const std::string& path) {
    DocumentHandle handle = NewDocument();
    const Status opened = handle.document->Core().Open(path);
    if (!opened.ok()) {
        Raise(opened.text.empty() ? Status::Message(kMsgSceneOpenFailed, {path}) : opened);
    }
    handle.document->path = path;
    return handle;
}

void Save(const DocumentHandle& d, std::optional<std::string> path) {
    DocumentCore& core = CoreOf(d);
    // The application saves its scene itself (with where its windows look), and a save in
    // the middle of the script's step would mark as saved a state the script may yet take
    // back: a script writes a copy, and the scene stays as modified as it was.
    if (d.document->Lent()) {
        if (!path) {
            RaiseUsage("File > Save saves the application's scene; save(path) writes a copy.");
        }
        if (ReplaceFileContents(*path, core.SaveToBytes()) != FileWrite::Done) {
            Raise(Status::Message(kMsgSceneSaveFailed, {*path}));
        }
        return;
    }
    if (!path && d.document->path.empty()) {
        RaiseUsage("The scene has no file yet: save(path) names one.");
    }
    const std::string target = path.value_or(d.document->path);
    Check(core.Save(target));
    d.document->path = target;
}

py::list TopLevel(const DocumentHandle& d) {
    py::list objects;
    for (const SceneNode* node : ChildRange(CoreOf(d).GetScene().Root())) {
        objects.append(ObjectHandle{d.document, node->id});
    }
    return objects;
}

py::list Lights(const DocumentHandle& d) {
    py::list lights;
    for (const Light& light : CoreOf(d).GetScene().Lights()) {
        lights.append(LightHandle{d.document, light.id});
    }
    return lights;
}

py::object Find(const DocumentHandle& d, const std::string& name) {
    DocumentCore& core = CoreOf(d);
    const std::string latin1 = NameFromPython(name);
    if (const NodeId node = core.NodeNamed(latin1)) {
        return WrapNode(d.document, node);
    }
    return WrapLight(d.document, core.LightNamed(latin1));
}

ObjectType PrimitiveType(const std::string& word) {
    const std::optional<ObjectType> type = PrimitiveFromWord(word);
    if (!type) {
        RaiseUsage("unknown type '" + word + "': one of" + std::string(PrimitiveWordList()));
    }
    return *type;
}

py::object Add(const DocumentHandle& d, const std::string& word, const std::vector<double>& where,
               bool add_to_selection) {
    DocumentCore& core = CoreOf(d);
    const ObjectType type = PrimitiveType(word);
    if (where.size() == 2) {
        const double point[] = {where[0], 0.0, where[1]};
        CheckPoint(point, 3);
        return WrapNode(d.document,
                        core.InsertObject(type, {where[0], 0.0, where[1]}, add_to_selection));
    }
    if (where.size() != 3) {
        throw py::type_error("add() takes the ground point (x, z) or the position (x, y, z)");
    }
    const Vec3 position{where[0], where[1], where[2]};
    return WrapNode(d.document, Take(core.InsertObjectAt(type, position, add_to_selection)));
}

py::object AddLight(const DocumentHandle& d, const std::string& word, const Triple& where) {
    DocumentCore& core = CoreOf(d);
    const std::optional<LightKind> kind = cli::LightKindFromWord(word);
    if (!kind) {
        RaiseUsage("unknown light kind '" + word + "': point, spot or area");
    }
    CheckPoint(where.data(), 3);
    return WrapLight(d.document, core.InsertLight(*kind, {where[0], where[1], where[2]}));
}

// A Python string as the Latin-1 bytes text is made of.
std::string Latin1Of(const std::string& what, const py::str& text) {
    try {
        return text.attr("encode")("latin-1").cast<std::string>();
    } catch (const py::error_already_set&) {
        RaiseUsage(what + " has characters beyond Latin-1");
    }
}

py::object AddText(const DocumentHandle& d, const py::str& text, const Triple& where,
                   const std::optional<py::str>& font, double depth, int weight, bool italic) {
    DocumentCore& core = CoreOf(d);
    CheckPoint(where.data(), 3);
    std::string operation = "text:" + Latin1Of("The text", text) + "@" + Text(where, ',') +
                            ";depth=" + Text(depth) + ";weight=" + std::to_string(weight) +
                            ";italic=" + (italic ? "1" : "0");
    if (font) {
        operation += ";font=" + Latin1Of("The font's name", *font);
    }
    Apply(core, operation);
    const SceneNode* made = core.GetScene().FirstSelectedTopLevel();
    return WrapNode(d.document, made != nullptr ? made->id : NodeId{});
}

// Makes exactly these objects and lights the selection.
void Select(const DocumentHandle& d, const py::iterable& items) {
    DocumentCore& core = CoreOf(d);
    std::vector<NodeId> nodes;
    std::vector<LightId> lights;
    for (const py::handle item : items) {
        if (py::isinstance<ObjectHandle>(item)) {
            const auto& object = item.cast<const ObjectHandle&>();
            if (object.document != d.document) {
                RaiseUsage("The object belongs to another document.");
            }
            object.Node();
            nodes.push_back(object.id);
        } else if (py::isinstance<LightHandle>(item)) {
            const auto& light = item.cast<const LightHandle&>();
            if (light.document != d.document) {
                RaiseUsage("The light belongs to another document.");
            }
            light.Get();
            lights.push_back(light.id);
        } else {
            throw py::type_error("expected kelto.Object or kelto.Light items, not " +
                                 std::string(py::str(py::type::of(item).attr("__name__"))));
        }
    }
    core.SelectExactly(nodes, lights);
}

py::list Selection(const DocumentHandle& d) {
    const Scene& scene = CoreOf(d).GetScene();
    py::list items;
    for (const SceneNode* node : SelectedNodes(scene)) {
        items.append(ObjectHandle{d.document, node->id});
    }
    for (const Light& light : scene.Lights()) {
        if (light.selected != 0) {
            items.append(LightHandle{d.document, light.id});
        }
    }
    return items;
}

py::object Group(const DocumentHandle& d, const py::iterable& objects) {
    Select(d, objects);
    const NodeId group = CoreOf(d).Group();
    if (!group) {
        RaiseUsage("group() needs two or more top-level objects");
    }
    return WrapNode(d.document, group);
}

py::list Ungroup(const DocumentHandle& d, const ObjectHandle& group) {
    group.Node();
    Check(CoreOf(d).Ungroup(group.id));
    return Selection(d);
}

// Trim, Combine or Intersect of two top-level objects.
py::object Boolean(const DocumentHandle& d, const ObjectHandle& a, const ObjectHandle& b,
                   Result<NodeId> (DocumentCore::*command)()) {
    Select(d, py::make_tuple(a, b));
    DocumentCore& core = CoreOf(d);
    if (core.GetScene().SelectedTopLevel().size() != 2) {
        RaiseUsage("needs two different top-level objects");
    }
    return WrapNode(d.document, Take((core.*command)()));
}

void Delete(const DocumentHandle& d, const py::args& items) {
    if (items.size() == 1 && !py::isinstance<ObjectHandle>(items[0]) &&
        !py::isinstance<LightHandle>(items[0])) {
        Select(d, items[0]);
    } else {
        Select(d, items);
    }
    CoreOf(d).DeleteSelection();
}

py::list Views(const DocumentHandle& d) {
    const DocumentCore& core = CoreOf(d);
    py::list views;
    for (std::size_t i = 0; i < core.Views().size(); ++i) {
        const ViewEntry& v = core.Views()[i];
        py::dict view;
        view["name"] = Latin1ToPython(core.ViewName(i));
        view["eye"] = py::make_tuple(v.eye.x, v.eye.y, v.eye.z);
        view["target"] = py::make_tuple(v.target.x, v.target.y, v.target.z);
        view["lens"] = v.lens;
        views.append(view);
    }
    return views;
}

py::dict Lighting(const DocumentHandle& d) {
    const SceneLighting& l = CoreOf(d).Lighting();
    py::dict result;
    result["soft_shadows"] = l.soft_shadow_samples;
    result["occlusion"] =
        l.occlusion ? py::object(py::make_tuple(l.occlusion_samples, l.occlusion_distance))
                    : py::object(py::none());
    const auto colour = [](const ColourRgb& c) { return py::make_tuple(c.r, c.g, c.b); };
    switch (l.environment) {
        case EnvironmentKind::None:
            result["environment"] = py::none();
            break;
        case EnvironmentKind::Colour:
            result["environment"] = colour(l.horizon);
            break;
        case EnvironmentKind::Gradient:
            result["environment"] = py::make_tuple(colour(l.horizon), colour(l.zenith));
            break;
        case EnvironmentKind::Picture:
            result["environment"] = l.picture_path;
            break;
    }
    result["rotation"] = l.picture_rotation;
    return result;
}

// The text the `render:` operation takes for an environment given in Python.
std::string EnvironmentText(const py::handle& value) {
    if (value.is_none()) {
        return "none";
    }
    if (py::isinstance<py::str>(value)) {
        return value.cast<std::string>();
    }
    const auto sequence = value.cast<py::sequence>();
    if (sequence.size() == 2) {
        return Text(sequence[0].cast<Triple>(), '/') + "," + Text(sequence[1].cast<Triple>(), '/');
    }
    return Text(value.cast<Triple>(), '/');
}

void SetLighting(const DocumentHandle& d, const py::object& soft_shadows,
                 const py::object& occlusion, const py::object& environment,
                 const py::object& rotation) {
    DocumentCore& core = CoreOf(d);
    SceneLighting lighting = core.Lighting();
    if (!soft_shadows.is_none()) {
        Check(cli::ParseSoftShadows(std::to_string(soft_shadows.cast<int>()), lighting));
    }
    if (!occlusion.is_none()) {
        std::string text = "off";
        if (py::isinstance<py::bool_>(occlusion)) {
            text = occlusion.cast<bool>() ? std::to_string(lighting.occlusion_samples) : "off";
        } else if (py::isinstance<py::str>(occlusion)) {
            text = occlusion.cast<std::string>();
        } else if (py::isinstance<py::int_>(occlusion)) {
            text = std::to_string(occlusion.cast<int>());
        } else {
            const auto pair = occlusion.cast<std::pair<int, double>>();
            text = std::to_string(pair.first) + "," + Text(pair.second);
        }
        Check(cli::ParseOcclusion(text, lighting));
    }
    if (!environment.is_none()) {
        Check(cli::ParseEnvironment(EnvironmentText(environment), lighting));
    }
    if (!rotation.is_none()) {
        Check(cli::ParseRotation(Text(rotation.cast<double>()), lighting));
    }
    Check(core.SetLighting(lighting));
}

// Document.batch(): what `with` enters and leaves.
struct Batch {
    DocumentRef document;
    std::string name;
    std::size_t depth = 0;
    std::uint64_t state_before = 0;
};

Batch& EnterBatch(Batch& batch) {
    DocumentCore& core = batch.document->Core();
    if (batch.depth != 0) {
        RaiseUsage("This batch is already open.");
    }
    batch.state_before = core.HistoryState();
    batch.document->batches.push_back(std::make_unique<DocumentCore::EditScope>(core, batch.name));
    batch.depth = batch.document->batches.size();
    return batch;
}

// Closes the batch (and any batch opened inside it and left open); an exception leaving the
// outermost batch takes back what it did.
bool ExitBatch(Batch& batch, const py::object& type, const py::object&, const py::object&) {
    auto& batches = batch.document->batches;
    if (batch.depth == 0 || !batch.document->core || batches.size() < batch.depth) {
        return false;
    }
    DocumentCore& core = batch.document->Core();  // refuses another thread
    batches.resize(batch.depth - 1);
    if (!type.is_none() && batch.depth == 1 && core.HistoryState() != batch.state_before) {
        core.Undo();
    }
    batch.depth = 0;
    return false;
}

py::list ImportFile(const DocumentHandle& d, const std::string& path, double scale) {
    if (!std::isfinite(scale) || scale <= 0.0) {
        RaiseUsage("the scale must be a number greater than 0");
    }
    ImportedObjects imported = Take(CoreOf(d).ImportObject(path, ModelImportOptions{scale}));
    Warn(imported.warnings);
    py::list objects;
    for (NodeId id : imported.objects) {
        objects.append(ObjectHandle{d.document, id});
    }
    return objects;
}

std::vector<std::string> Export(const DocumentHandle& d, const std::string& path, bool selection,
                                const std::string& unit) {
    const DocumentCore& core = CoreOf(d);
    if (unit != "mm" && unit != "m") {
        RaiseUsage("unit is 'mm' or 'm'");
    }
    ExportOptions options;
    options.selection_only = selection;
    options.unit = unit == "m" ? ExportUnit::Metre : ExportUnit::Millimetre;
    options.cameras = ExportCamerasOf(core);
    ExportReport report = Take(WriteSceneAs(core.GetScene(), path, options));
    Warn(report.warnings);
    return report.files;
}

py::object ActiveDocument() {
    const py::module_ module = py::module_::import("kelto");
    if (!py::hasattr(module, kLentDocumentAttribute)) {
        RaiseUsage(
            "kelto.active_document() is there only in a script the Kelto application runs "
            "(File > Run Script...).");
    }
    return module.attr(kLentDocumentAttribute);
}

std::vector<std::string> MaterialNames() {
    std::vector<std::string> names;
    for (const LibraryMaterial& entry : MaterialLibrary()) {
        names.emplace_back(entry.name);
    }
    return names;
}

std::vector<std::string> PrimitiveWords() {
    std::vector<std::string> words;
    for (const std::string_view word : cli::Split(PrimitiveWordList().substr(1), ' ')) {
        words.emplace_back(word);
    }
    return words;
}

}  // namespace

void BindDocument(py::module_& module) {
    py::class_<DocumentHandle> document(
        module, "Document",
        "A scene: what kelto.new() and kelto.open() return. Every change goes through the "
        "document core, as the application's commands and `kelto-cli build` make them, and is "
        "one step of its history. Objects and lights of it keep it alive; close() (or the end "
        "of a `with` block) ends it, and its objects then raise kelto.Error.");
    document
        .def("save", &Save, py::arg("path") = py::none(),
             "Writes the scene file (.kel) to `path`, or to the file it came from. The previous "
             "file is replaced only by a complete new one.")
        .def_property_readonly(
            "path",
            [](const DocumentHandle& d) {
                CoreOf(d);
                return d.document->path;
            },
            "The file last opened or saved, or '' for a new scene.")
        .def_property_readonly(
            "modified", [](const DocumentHandle& d) { return CoreOf(d).IsModified(); },
            "Whether the scene changed since it was opened or saved.")
        .def(
            "close",
            [](const DocumentHandle& d) {
                if (d.document->Lent()) {
                    RaiseUsage(
                        "The application's document is closed in the application, not by a "
                        "script.");
                }
                d.document->Close();
            },
            "Ends the document; its objects raise kelto.Error from now on. The application's "
            "document (kelto.active_document()) is not closed by a script.")
        .def_property_readonly(
            "closed", [](const DocumentHandle& d) { return d.document->core == nullptr; },
            "Whether close() has ended the document.")
        .def(
            "__enter__", [](const DocumentHandle& d) { return d; },
            "with kelto.new() as doc: the document, closed at the block's end.")
        .def(
            "__exit__",
            [](const DocumentHandle& d, const py::args&) {
                if (!d.document->Lent()) {
                    d.document->Close();
                }
            },
            "Closes the document (the application's stays open).")
        .def_property_readonly("objects", &TopLevel,
                               "The top-level objects, newest first (the Objects panel's order).")
        .def_property_readonly("lights", &Lights, "The lights, in the order of the file.")
        .def("find", &Find, py::arg("name"), "The object or light of that name, or None.")
        .def("add", &Add, py::arg("type"), py::arg("where"), py::arg("add_to_selection") = false,
             "Inserts a primitive ('sphere', 'torus', 'cube', 'cone', 'cylinder', 'paraboloid', "
             "'hyperboloid', 'superquadric'): at the ground point where=(x, z) resting on the "
             "floor as the tools and build's add: put it, or with where=(x, y, z) its position "
             "there. It becomes the only selection (add_to_selection=True: Shift). Returns the "
             "kelto.Object.")
        .def("add_light", &AddLight, py::arg("kind"), py::arg("position"),
             "Inserts a light, 'point', 'spot' or 'area', at (x, y, z); returns the kelto.Light.")
        .def("add_text", &AddText, py::arg("text"), py::arg("position"),
             py::arg("font") = py::none(), py::arg("depth") = 0.45, py::arg("weight") = 400,
             py::arg("italic") = false,
             "Makes 3D text standing upright with its bottom left at (x, y, z), in a TrueType "
             "family (default Times New Roman, i.e. Liberation Serif), depth 0.01 to 1.5, "
             "weight 1 to 1000. Characters the font lacks are left out with a kelto.Warning.")
        .def("group", &Group, py::arg("objects"),
             "Groups two or more top-level objects; returns the group.")
        .def("ungroup", &Ungroup, py::arg("group"), "Takes a group apart; returns its members.")
        .def(
            "trim",
            [](const DocumentHandle& d, const ObjectHandle& a, const ObjectHandle& b) {
                return Boolean(d, a, b, &DocumentCore::Trim);
            },
            py::arg("a"), py::arg("b"),
            "The Trim command on two top-level objects: the older of the two is cut by the "
            "newer; both go under the new Trim object, which is returned.")
        .def(
            "combine",
            [](const DocumentHandle& d, const ObjectHandle& a, const ObjectHandle& b) {
                return Boolean(d, a, b, &DocumentCore::Combine);
            },
            py::arg("a"), py::arg("b"), "The Combine command (union) on two top-level objects.")
        .def(
            "intersect",
            [](const DocumentHandle& d, const ObjectHandle& a, const ObjectHandle& b) {
                return Boolean(d, a, b, &DocumentCore::Intersect);
            },
            py::arg("a"), py::arg("b"), "The Intersect command: what two top-level objects share.")
        .def("delete", &Delete,
             "delete(*items) or delete(list): deletes objects (with what they hold) and lights "
             "as one step.")
        .def("select", &Select, py::arg("items"),
             "Makes exactly these objects and lights the selection (not a step).")
        .def_property_readonly("selection", &Selection,
                               "The selected objects (at any depth) and lights.")
        .def(
            "undo", [](const DocumentHandle& d) { Apply(CoreOf(d), "undo"); },
            "Takes back the last step; kelto.Error when there is nothing to undo.")
        .def(
            "redo", [](const DocumentHandle& d) { Apply(CoreOf(d), "redo"); },
            "Does the last step taken back again; kelto.Error when there is nothing to redo.")
        .def_property_readonly(
            "undo_text", [](const DocumentHandle& d) { return CoreOf(d).UndoText(); },
            "The Edit menu's text for the step undo() takes back ('Undo Move Sphere1'), or ''.")
        .def_property_readonly(
            "redo_text", [](const DocumentHandle& d) { return CoreOf(d).RedoText(); },
            "The Edit menu's text for the step redo() does again ('Redo Group'), or ''.")
        .def(
            "batch",
            [](const DocumentHandle& d, const std::string& name) {
                return Batch{d.document, name};
            },
            py::arg("name") = "Script",
            "with doc.batch('Spiral'): ... makes every edit inside one step of the history, "
            "undone at once by one undo(); an exception leaving it takes back what it did. "
            "undo() and redo() are refused inside. Many edits go faster in a batch.")
        .def_property_readonly("views", &Views,
                               "The stored view cameras: dicts of name, eye, target, lens (mm).")
        .def(
            "add_view",
            [](const DocumentHandle& d, const Triple& eye, const Triple& target, double lens) {
                Apply(CoreOf(d),
                      "view:" + Text(eye, ',') + "@" + Text(target, ',') + "@" + Text(lens));
            },
            py::arg("eye"), py::arg("target"), py::arg("lens") = 50.0,
            "Stores a view camera (as build's view:); render(view=N) looks through the N-th.")
        .def_property_readonly("lighting", &Lighting,
                               "The scene's lighting settings: soft_shadows, occlusion (None or "
                               "(samples, distance)), environment (None, a colour, a (horizon, "
                               "zenith) pair or a picture's file) and rotation.")
        .def("set_lighting", &SetLighting, py::arg("soft_shadows") = py::none(),
             py::arg("occlusion") = py::none(), py::arg("environment") = py::none(),
             py::arg("rotation") = py::none(),
             "Changes the scene's lighting as one step (as build's render: operation): "
             "soft_shadows 1 to 256; occlusion False, True, samples or (samples, distance); "
             "environment 'none', (r, g, b), ((r, g, b), (r, g, b)) or a picture's file; "
             "rotation in degrees. Values out of range raise kelto.Error naming the range.")
        .def("import_file", &ImportFile, py::arg("path"), py::arg("scale") = 1.0,
             "Imports a 3DS, OBJ, STL, PLY or glTF file as Import object from file... does (one "
             "step); returns the new top-level objects. What the file held broken comes as "
             "kelto.Warning.")
        .def("export", &Export, py::arg("path"), py::arg("selection") = false,
             py::arg("unit") = "mm",
             "Writes the scene as OBJ (with its .mtl), glTF (.glb, .gltf) or STL by the name's "
             "extension, as kelto-cli export does; selection=True writes the selected objects "
             "only; unit 'mm' or 'm' for STL. Returns the files written.")
        .def("__repr__", [](const DocumentHandle& d) -> py::str {
            const DocumentCore* core = d.document->OpenCore();
            if (!core) {
                return "<kelto.Document (closed)>";
            }
            return py::str("<kelto.Document '{}' {} objects>")
                .format(d.document->path, core->GetScene().NodeCount() - 1);
        });

    py::class_<Batch>(module, "Batch", "What Document.batch() returns, for a with statement.")
        .def("__enter__", &EnterBatch, py::return_value_policy::reference,
             "Opens the step: edits from now on belong to it.")
        .def("__exit__", &ExitBatch,
             "Closes the step; an exception leaving the outermost batch takes it back.");

    module.def("new", &NewDocument, "A new, empty scene (with the first light, as File > New).");
    module.def("open", &OpenFile, py::arg("path"),
               "Opens a scene file (.kel); kelto.Error with the program's message when it "
               "cannot be read.");
    module.def("active_document", &ActiveDocument,
               "The document of the application's active window, in a script File > Run "
               "Script... runs (also the script's global `doc`); kelto.Error anywhere else.");
    module.def("materials", &MaterialNames,
               "The names of the ready materials (obj.material = 'gold').");
    module.def("fonts", &TrueTypeFamilies, "The TrueType font families text can be made in.");
    module.attr("PRIMITIVES") = PrimitiveWords();
    module.attr("LIGHT_KINDS") = std::vector<std::string>{"point", "spot", "area"};
    BindRender(module, document);
}

}  // namespace kelto::python
