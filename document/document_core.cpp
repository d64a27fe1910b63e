#include "document_core.h"
#include "document_operation.h"

#include <algorithm>
#include <cmath>

#include "files/scene_file.h"
#include "history.h"
#include "model/child_list.h"
#include "modelling/text_settings.h"
#include "modelling/text_shape.h"
#include "modelling/trim_kernel.h"

namespace kelto {

DocumentCore::DocumentCore()
    : hub_(std::make_shared<ChangeHub>()), history_(std::make_unique<History>()) {
    saved_state_ = history_->State();
}

DocumentCore::~DocumentCore() = default;

Subscription DocumentCore::Subscribe(ChangeListener listener) {
    return Subscription(hub_, hub_->Add(std::move(listener)));
}

void DocumentCore::Notify(ChangeKind kind, NodeId node, LightId light) {
    const DocumentChange change{kind, node, light};
    // A drag reports the same change at every step; once per set is enough.
    if (std::find(pending_.changes.begin(), pending_.changes.end(), change) ==
        pending_.changes.end()) {
        pending_.changes.push_back(change);
    }
}

void DocumentCore::RefreshModified() {
    const bool modified = history_->State() != saved_state_ || views_edited_;
    if (modified != modified_) {
        modified_ = modified;
        Notify(ChangeKind::Modified);
    }
}

NodeId DocumentCore::NodeNamed(const std::string& name) const {
    const SceneNode* node = scene_.FindNode(name);
    return node != nullptr && node->type != ObjectType::Root ? node->id : NodeId{};
}

LightId DocumentCore::LightNamed(const std::string& name) const {
    for (const Light& light : scene_.Lights()) {
        if (light.name == name) {
            return light.id;
        }
    }
    return {};
}

bool DocumentCore::IsTopLevel(NodeId id) const {
    const SceneNode* node = Node(id);
    return node != nullptr && scene_.ParentOf(*node) == &scene_.Root();
}

// --- objects and lights ---

NodeId DocumentCore::InsertObject(ObjectType type, const Vec3& point, bool shift) {
    Operation operation(*this);
    if (!IsPrimitive(type)) {
        return {};
    }
    EditStep& step = Record();
    SceneNode* node = scene_.CreateNode(type, point);
    step.ChildLinkedFirst(scene_.Root(), *node);
    step.Added(*node);
    Record("Insert " + node->name);
    Notify(ChangeKind::NodeAdded, node->id);
    SelectInserted(*node, shift);
    return node->id;
}

namespace {

// A text's shape, mesh and box, made but not yet given to a node; the warning names the
// characters the font lacks.
struct BuiltText {
    std::unique_ptr<TextShape> shape;
    Mesh mesh;
    BoundingBox box;
    Status warning;
};

Result<BuiltText> BuildText(const std::string& text, const LogFont& font, double depth) {
    BuiltText built;
    built.shape = std::make_unique<TextShape>(text, font, depth);
    const Result<std::string> missing = built.shape->ReadGlyphs();
    if (!missing.ok()) {
        return missing.status();
    }
    if (Status made = built.shape->BuildDisplayMesh(built.mesh, built.box); !made.ok()) {
        return made;
    }
    if (built.mesh.vertices.empty()) {
        return Status::Message(kMsgTextEmpty, {text});
    }
    if (!missing->empty()) {
        built.warning = Status::Message(kMsgTextCharactersMissing, {CharacterNames(*missing)});
    }
    return built;
}

// Where a node's placement takes a point of its own space, less the translation.
Vec3 PlacedOffset(const SceneNode& node, const Vec3& p) {
    Matrix4 m;
    m.Multiply(node.rotation);
    m.Scale(node.scale);
    return {p.x * m[0] + p.y * m[4] + p.z * m[8], p.x * m[1] + p.y * m[5] + p.z * m[9],
            p.x * m[2] + p.y * m[6] + p.z * m[10]};
}

Vec3 ToVec3(const Vec3f& p) {
    return {p.x, p.y, p.z};
}

}  // namespace

Result<TextInsertion> DocumentCore::InsertText(const Vec3& point, const std::string& text,
                                               const LogFont& font, double depth, bool shift) {
    Operation operation(*this);
    Result<BuiltText> built = BuildText(text, font, depth);
    if (!built.ok()) {
        return built.status();
    }
    SceneNode* node = *scene_.AddNode(ObjectType::Text, scene_.MakeDefaultName(ObjectType::Text));
    node->shape = std::move(built->shape);
    node->display_mesh = std::move(built->mesh);
    node->box = built->box;
    node->smooth = 1;
    // The box's bottom left goes to the click point; the text then stands up.
    node->position = {point.x - node->box.min.x, point.y - node->box.min.z, point.z};
    node->rotation.Rotate(-90.0, {1, 0, 0});
    node->UpdateBounds();
    node->ComputeParentFromNode();
    EditStep& step = Record("Insert " + node->name);
    step.TouchChildren(scene_.Root());
    LinkChild(scene_.Root(), *node);
    step.Added(*node);
    Notify(ChangeKind::NodeAdded, node->id);
    const TextInsertion made{node->id, built->warning};
    SelectInserted(*node, shift);
    return made;
}

Result<TextInsertion> DocumentCore::EditText(NodeId id, const std::string& text,
                                             const LogFont& font, double depth) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr || node->type != ObjectType::Text) {
        return Status::Message(kMsgNoSuchObject);
    }
    Result<BuiltText> built = BuildText(text, font, depth);
    if (!built.ok()) {
        return built.status();
    }
    EditStep& step = Record("Edit " + node->name);
    step.TouchPlacement(*node);
    step.MeshBefore(*node, std::move(node->display_mesh));
    step.ShapeBefore(*node, std::move(node->shape));
    // The corner of the box at the bottom, left and front stays where it was.
    const Vec3 old_corner = ToVec3(node->box.min);
    node->shape = std::move(built->shape);
    node->display_mesh = std::move(built->mesh);
    node->box = built->box;
    node->position = node->position + PlacedOffset(*node, old_corner - ToVec3(node->box.min));
    node->UpdateBounds();
    node->ComputeParentFromNode();
    Notify(ChangeKind::NodeGeometry, id);
    Notify(ChangeKind::NodeTransformed, id);
    return TextInsertion{id, built->warning};
}

std::optional<TextSettings> DocumentCore::TextSettingsOf(NodeId id) const {
    const SceneNode* node = Node(id);
    if (node == nullptr || node->type != ObjectType::Text || !node->shape) {
        return std::nullopt;
    }
    return StoredTextSettings(*node->shape);
}

void DocumentCore::SelectInserted(SceneNode& node, bool shift) {
    selection_.is_group = false;
    scene_.DeselectAllLights();
    if (shift) {
        scene_.AddToSelection(node);
        ++selection_.selected_count;
    } else {
        scene_.SelectOnly(node);
        selection_.selected_count = 1;
        selection_.is_trim = false;
    }
    Notify(ChangeKind::Selection);
}

LightId DocumentCore::InsertLight(LightKind kind, const Vec3& point) {
    Operation operation(*this);
    EditStep& step = Record();
    const int index = scene_.InsertLight(kind, point);
    const Light& light = scene_.Lights()[static_cast<std::size_t>(index)];
    step.LightAdded(light);
    Record("Insert " + light.name);
    Notify(ChangeKind::LightAdded, {}, light.id);
    return light.id;
}

// --- editing ---

Status DocumentCore::SetMaterial(NodeId id, const Material& material) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return Status::Message(kMsgNoSuchObject);
    }
    Record("Material " + node->name).TouchMaterial(*node);
    node->material = material;
    Notify(ChangeKind::NodeMaterial, id);
    return Status::Ok();
}

int DocumentCore::SetObjectsMaterial(std::span<const NodeId> objects, const Material& material) {
    Operation operation(*this);
    std::vector<SceneNode*> present;
    for (const NodeId id : objects) {
        if (SceneNode* node = MutableNode(id)) {
            present.push_back(node);
        }
    }
    if (present.empty()) {
        return 0;
    }
    EditStep& step = Record(present.size() == 1 ? "Material " + present.front()->name : "Material");
    for (SceneNode* top : present) {
        for (SceneNode* node : SubtreeOf(*top)) {
            step.TouchMaterial(*node);
            node->material = material;
            Notify(ChangeKind::NodeMaterial, node->id);
        }
    }
    return static_cast<int>(present.size());
}

Status DocumentCore::SetLight(LightId id, const Light& edited) {
    Operation operation(*this);
    Light* light = MutableLight(id);
    if (light == nullptr) {
        return Status::Message(kMsgNoSuchLight);
    }
    Record("Edit " + light->name).TouchLight(scene_, *light);
    const std::string name = light->name;
    *light = edited;
    light->id = id;
    light->name = name;
    Notify(ChangeKind::LightChanged, {}, id);
    return Status::Ok();
}

Status DocumentCore::SetLighting(const SceneLighting& lighting) {
    Operation operation(*this);
    if (Status status = CheckLighting(lighting); !status.ok()) {
        return status;
    }
    if (lighting == scene_.lighting) {
        return Status::Ok();
    }
    Record("Lighting").TouchLighting(scene_);
    scene_.lighting = lighting;
    Notify(ChangeKind::Lighting);
    return Status::Ok();
}

Status DocumentCore::Rename(NodeId id, const std::string& name) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return Status::Message(kMsgNoSuchObject);
    }
    if (name.empty()) {
        return Status::Message(kMsgNameEmpty);
    }
    if (name.find_first_not_of(' ') == std::string::npos) {
        return Status::Message(kMsgNameBlank);
    }
    if (name.size() > kMaxStoredNameLength) {
        return Status::Message(kMsgNameTooLong, {name});
    }
    if (name == node->name) {
        return Status::Ok();
    }
    if (name == kSceneRootName || scene_.IsNameUsed(name)) {
        return Status::Message(kMsgNameTaken, {name});
    }
    Record("Rename " + node->name).TouchName(*node);
    scene_.RenameNode(*node, name);
    Notify(ChangeKind::NodeRenamed, id);
    return Status::Ok();
}

Result<NodeId> DocumentCore::InsertObjectAt(ObjectType type, const Vec3& position, bool shift) {
    Operation operation(*this);
    const FieldSetting settings[] = {{NodeField::PositionX, position.x},
                                     {NodeField::PositionY, position.y},
                                     {NodeField::PositionZ, position.z}};
    for (const FieldSetting& setting : settings) {
        if (Status checked = CheckFieldValue(setting.field, setting.value); !checked.ok()) {
            return checked;
        }
    }
    const NodeId id = InsertObject(type, {position.x, 0.0, position.z}, shift);
    if (!id) {
        return Status::Message(kMsgObjectTypeUnknown, {std::string(NameBase(type))});
    }
    if (Status placed = SetFields(std::span(&id, 1), settings); !placed.ok()) {
        return placed;
    }
    return id;
}

Status DocumentCore::SetFields(std::span<const NodeId> ids,
                               std::span<const FieldSetting> settings) {
    Operation operation(*this);
    for (const FieldSetting& setting : settings) {
        if (Status checked = CheckFieldValue(setting.field, setting.value); !checked.ok()) {
            return checked;
        }
    }
    for (const FieldSetting& setting : settings) {
        if (Status set = SetField(ids, setting.field, setting.value); !set.ok()) {
            return set;
        }
    }
    return Status::Ok();
}

Status DocumentCore::SetField(std::span<const NodeId> ids, NodeField field, double value) {
    Operation operation(*this);
    if (Status checked = CheckFieldValue(field, value); !checked.ok()) {
        return checked;
    }
    std::vector<SceneNode*> nodes;
    for (NodeId id : ids) {
        if (SceneNode* node = MutableNode(id); node != nullptr && node != &scene_.Root()) {
            nodes.push_back(node);
        }
    }
    if (nodes.empty()) {
        return Status::Message(kMsgNoSuchObject);
    }
    const FieldInfo& info = InfoOf(field);
    const bool material = field >= NodeField::Reflect;
    std::string name(info.verb);
    if (nodes.size() == 1) {
        name += " " + nodes.front()->name;
    }
    for (SceneNode* node : nodes) {
        if (FieldValue(*node, field) == value) {
            continue;  // a step only where something changes
        }
        EditStep& step = Record(name);
        if (material) {
            step.TouchMaterial(*node);
        } else {
            step.TouchPlacement(*node);
        }
        SetFieldValue(*node, field, value);
        Notify(material ? ChangeKind::NodeMaterial : ChangeKind::NodeTransformed, node->id);
    }
    return Status::Ok();
}

Status DocumentCore::SetVisible(NodeId id, bool visible) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr || node == &scene_.Root()) {
        return Status::Message(kMsgNoSuchObject);
    }
    if ((node->visible != 0) == visible) {
        return Status::Ok();
    }
    Record((visible ? "Show " : "Hide ") + node->name).TouchVisibility(*node);
    node->visible = visible ? 1 : 0;
    Notify(ChangeKind::NodeShown, id);
    return Status::Ok();
}

void DocumentCore::DeleteSelection() {
    DeleteSelected("Delete");
}

void DocumentCore::DiscardSubtree(SceneNode& node) {
    EditStep& step = *recording_;
    if (SceneNode* parent = scene_.ParentOf(node)) {
        step.TouchChildren(*parent);
        UnlinkChild(*parent, node);
    }
    for (SceneNode* gone : SubtreeOf(node)) {
        Notify(ChangeKind::NodeRemoved, gone->id);
        step.Removed(scene_.ReleaseNode(*gone));
    }
}

void DocumentCore::DeleteSelected(const std::string& verb) {
    Operation operation(*this);
    // The selected nodes that no selected node holds, found from the root down.
    std::vector<SceneNode*> doomed;
    std::vector<SceneNode*> pending{&scene_.Root()};
    while (!pending.empty()) {
        SceneNode* parent = pending.back();
        pending.pop_back();
        for (SceneNode* child : Children(*parent)) {
            if (child->selected) {
                doomed.push_back(child);
            } else {
                pending.push_back(child);
            }
        }
    }
    const int lights = scene_.CountSelectedLights();
    if (doomed.empty() && lights == 0) {
        return;
    }
    std::string name = verb;
    if (doomed.size() == 1 && lights == 0) {
        name += " " + doomed.front()->name;
    } else if (doomed.empty() && lights == 1) {
        name += " " + scene_.Lights()[static_cast<std::size_t>(scene_.FirstSelectedLight())].name;
    }
    EditStep& step = Record(name);
    for (SceneNode* node : doomed) {
        SceneNode* parent = scene_.ParentOf(*node);
        DiscardSubtree(*node);
        // A container left empty has nothing to hold.
        while (parent != nullptr && parent != &scene_.Root() && parent->IsContainer() &&
               ChildCount(*parent) == 0) {
            SceneNode* above = scene_.ParentOf(*parent);
            DiscardSubtree(*parent);
            parent = above;
        }
        if (parent != nullptr && parent != &scene_.Root()) {
            Notify(ChangeKind::TreeChanged, parent->id);
        }
    }
    for (int i = static_cast<int>(scene_.Lights().size()) - 1; i >= 0; --i) {
        const Light& light = scene_.Lights()[static_cast<std::size_t>(i)];
        if (light.selected) {
            Notify(ChangeKind::LightRemoved, {}, light.id);
            step.LightRemoved(i, light);
            scene_.RemoveLight(i);
        }
    }
    if (!Node(grabbed_node_) || (grabbed_light_ && !FindLight(grabbed_light_))) {
        ClearGrab();
    }
    scene_.ClearSelection();
    selection_ = {};
    Notify(ChangeKind::Selection);
}

namespace {

// The member's placement after the group's, as a scale, rotation and position of its own;
// nothing when the two together shear (an uneven scale of the group after a turn of the
// member).
std::optional<std::tuple<Vec3, Matrix4, Vec3>> Flatten(const SceneNode& member,
                                                       const SceneNode& group) {
    Matrix4 m = group.ComposeParentFromNode();
    m.Multiply(member.ComposeParentFromNode());
    Vec3 rows[3];
    Vec3 scale;
    for (int r = 0; r < 3; ++r) {
        rows[r] = {m[4 * r], m[4 * r + 1], m[4 * r + 2]};
        const double length = rows[r].Length();
        if (!(length > 0.0) || !std::isfinite(length)) {
            return std::nullopt;
        }
        (r == 0 ? scale.x : r == 1 ? scale.y : scale.z) = length;
        rows[r] = rows[r] * (1.0 / length);
    }
    for (int a = 0; a < 3; ++a) {
        for (int b = a + 1; b < 3; ++b) {
            if (std::fabs(Dot(rows[a], rows[b])) > 1e-9) {
                return std::nullopt;
            }
        }
    }
    Matrix4 rotation;
    for (int r = 0; r < 3; ++r) {
        rotation[4 * r] = rows[r].x;
        rotation[4 * r + 1] = rows[r].y;
        rotation[4 * r + 2] = rows[r].z;
    }
    return std::tuple{scale, rotation, Vec3{m[12], m[13], m[14]}};
}

}  // namespace

Status DocumentCore::Ungroup(NodeId id) {
    Operation operation(*this);
    SceneNode* group = MutableNode(id);
    if (group == nullptr) {
        return Status::Message(kMsgNoSuchObject);
    }
    if (group->type != ObjectType::Group) {
        return Status::Message(kMsgNotAGroup, {group->name});
    }
    SceneNode* parent = scene_.ParentOf(*group);
    if (parent == nullptr) {
        return Status::Message(kMsgNoSuchObject);
    }
    const std::vector<SceneNode*> members = ChildrenOf(*group);
    std::vector<std::tuple<Vec3, Matrix4, Vec3>> placements;
    for (const SceneNode* member : members) {
        auto placement = Flatten(*member, *group);
        if (!placement) {
            return Status::Message(kMsgUngroupShear, {group->name});
        }
        placements.push_back(*placement);
    }
    EditStep& step = Record("Ungroup " + group->name);
    step.TouchChildren(*group);
    step.TouchChildren(*parent);
    for (const SceneNode* member : members) {
        step.TouchPlacement(*member);
    }
    scene_.ClearSelection();
    // Oldest first, so that the members keep their order in the parent.
    for (std::size_t i = members.size(); i-- > 0;) {
        SceneNode& member = *members[i];
        UnlinkChild(*group, member);
        std::tie(member.scale, member.rotation, member.position) = placements[i];
        member.UpdateBounds();
        member.ComputeParentFromNode();
        LinkChild(*parent, member);
        scene_.AddToSelection(member);
        Notify(ChangeKind::NodeTransformed, member.id);
    }
    if (grabbed_node_ == group->id) {
        ClearGrab();
    }
    DiscardSubtree(*group);
    if (parent != &scene_.Root()) {
        Notify(ChangeKind::TreeChanged, parent->id);
    }
    selection_ = {};
    selection_.selected_count = static_cast<int>(members.size());
    Notify(ChangeKind::Selection);
    return Status::Ok();
}

// --- selection ---

void DocumentCore::SelectNode(NodeId id, bool shift) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return;
    }
    selection_.is_group = false;
    scene_.DeselectAllLights();
    if (!shift) {
        scene_.SelectOnly(*node);
        selection_.selected_count = 1;
        selection_.is_group = node->MarksGroupSelection();
        selection_.is_trim = false;
    } else if (scene_.CountSelected() > 1 && node->selected) {
        scene_.RemoveFromSelection(*node);
        --selection_.selected_count;
    } else if (!node->selected) {
        scene_.AddToSelection(*node);
        ++selection_.selected_count;
    }
    Notify(ChangeKind::Selection);
}

void DocumentCore::SelectLight(LightId id) {
    Operation operation(*this);
    const int index = scene_.LightIndex(id);
    if (index < 0) {
        return;
    }
    scene_.ClearSelection();
    selection_ = {};
    scene_.SelectOnlyLight(index);
    Notify(ChangeKind::Selection);
}

void DocumentCore::SelectExactly(std::span<const NodeId> nodes, std::span<const LightId> lights) {
    Operation operation(*this);
    // The first node's selection clears the rest; without nodes, clear here.
    if (std::none_of(nodes.begin(), nodes.end(),
                     [this](NodeId id) { return Node(id) != nullptr; })) {
        ClearSelection();
    }
    bool first = true;
    for (NodeId id : nodes) {
        const SceneNode* node = Node(id);
        if (node != nullptr && (first || !node->selected)) {
            SelectNode(id, !first);
            first = false;
        }
    }
    for (LightId id : lights) {
        if (Light* light = MutableLight(id)) {
            light->selected = 1;
        }
    }
    Notify(ChangeKind::Selection);
}

void DocumentCore::ClearSelection() {
    Operation operation(*this);
    scene_.ClearSelection();
    selection_ = {};
    Notify(ChangeKind::Selection);
}

// --- drags ---

void DocumentCore::Grab(NodeId node, LightId light, int handle_code, bool shift) {
    static constexpr std::uint8_t kMaskOfKind[4] = {kAxisX, kAxisY, kAxisZ, kAxisAll};
    const std::uint8_t mask = kMaskOfKind[handle_code & 3];
    const bool same_object = node == grabbed_node_ && light == grabbed_light_;
    if (shift && same_object && axis_mask_ != kAxisNone) {
        axis_mask_ = static_cast<std::uint8_t>(axis_mask_ | mask);
    } else {
        axis_mask_ = mask;
    }
    grabbed_node_ = node;
    grabbed_light_ = light;
    grabbed_corner_ = handle_code / 4;
}

void DocumentCore::GrabNodeHandle(NodeId id, int handle_code, bool shift) {
    Operation operation(*this);
    const SceneNode* node = Node(id);
    if (node == nullptr) {
        return;
    }
    Grab(id, {}, handle_code, shift);
    selection_.is_group = node->MarksGroupSelection();
    selection_.is_trim = false;
    Notify(ChangeKind::Selection);
}

void DocumentCore::GrabLightHandle(LightId id, int handle_code, bool shift) {
    Operation operation(*this);
    if (FindLight(id) == nullptr) {
        return;
    }
    Grab({}, id, handle_code, shift);
    selection_.is_group = false;
    selection_.is_trim = false;
    Notify(ChangeKind::Selection);
}

void DocumentCore::ClearGrab() {
    grabbed_node_ = {};
    grabbed_light_ = {};
    grabbed_corner_ = -1;
    axis_mask_ = kAxisNone;
}

void DocumentCore::BeginRotatingNode(NodeId id, int ring_code) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return;
    }
    scene_.drag_mode = ring_code;
    grabbed_ring_ = ring_code;
    node->pending_angles = {};
    node->rotating = 1;
    selection_.selected_count = 1;
    Notify(ChangeKind::Selection);
}

void DocumentCore::BeginRotatingLight(LightId id, int ring_code) {
    Operation operation(*this);
    const int index = scene_.LightIndex(id);
    if (index < 0) {
        return;
    }
    scene_.drag_mode = ring_code;
    grabbed_ring_ = ring_code;
    scene_.BeginLightRotate(index);
    selection_ = {};
    Notify(ChangeKind::Selection);
}

void DocumentCore::DragMoveNode(NodeId id, const Vec3& offset) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return;
    }
    RecordDrag("Move", node->name).TouchPlacement(*node);
    node->moving = 1;
    node->pending_offset = node->pending_offset + offset;
    node->ComputeParentFromNode();
    drag_changed_ = true;
    Notify(ChangeKind::NodeTransformed, id);
}

void DocumentCore::DragScaleNode(NodeId id, const Vec3& factors, const Vec3& offset) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return;
    }
    RecordDrag("Scale", node->name).TouchPlacement(*node);
    node->scaling = 1;
    node->moving = 1;
    node->pending_scale = {node->pending_scale.x * factors.x, node->pending_scale.y * factors.y,
                           node->pending_scale.z * factors.z};
    node->pending_offset = node->pending_offset + offset;
    node->ComputeParentFromNode();
    drag_changed_ = true;
    Notify(ChangeKind::NodeTransformed, id);
}

namespace {

void AddAngle(Vec3& angles, int axis, double degrees) {
    if (axis == 0)
        angles.x += degrees;
    if (axis == 1)
        angles.y += degrees;
    if (axis == 2)
        angles.z += degrees;
}

}  // namespace

void DocumentCore::DragRotateNode(NodeId id, int axis, double degrees) {
    Operation operation(*this);
    SceneNode* node = MutableNode(id);
    if (node == nullptr) {
        return;
    }
    RecordDrag("Rotate", node->name).TouchPlacement(*node);
    node->rotating = 1;
    AddAngle(node->pending_angles, axis, degrees);
    node->ComputeParentFromNode();
    drag_changed_ = true;
    Notify(ChangeKind::NodeTransformed, id);
}

void DocumentCore::DragMoveLight(LightId id, const Vec3& offset) {
    Operation operation(*this);
    Light* light = MutableLight(id);
    if (light == nullptr) {
        return;
    }
    RecordDrag("Move", light->name).TouchLightPlacement(*light);
    light->moving = 1;
    light->pending_offset = light->pending_offset + offset;
    drag_changed_ = true;
    Notify(ChangeKind::LightChanged, {}, id);
}

void DocumentCore::DragScaleLight(LightId id, double factor) {
    Operation operation(*this);
    Light* light = MutableLight(id);
    if (light == nullptr) {
        return;
    }
    RecordDrag("Scale", light->name).TouchLightPlacement(*light);
    if (!light->scaling) {
        light->pending_scale = 1.0;
        light->scaling = 1;
    }
    light->pending_scale *= factor;
    drag_changed_ = true;
    Notify(ChangeKind::LightChanged, {}, id);
}

void DocumentCore::DragRotateLight(LightId id, int axis, double degrees) {
    Operation operation(*this);
    Light* light = MutableLight(id);
    if (light == nullptr) {
        return;
    }
    RecordDrag("Rotate", light->name).TouchLightPlacement(*light);
    light->rotating = 1;
    AddAngle(light->pending_angles, axis, degrees);
    drag_changed_ = true;
    Notify(ChangeKind::LightChanged, {}, id);
}

void DocumentCore::EndDrag() {
    Operation operation(*this);
    // What the commit below changes, told before the pending flags are cleared.
    for (const SceneNode* node : Children(scene_.Root())) {
        if (node->moving || node->scaling || node->rotating) {
            Notify(ChangeKind::NodeTransformed, node->id);
        }
    }
    for (const Light& light : scene_.Lights()) {
        if (light.moving || light.scaling || light.rotating) {
            Notify(ChangeKind::LightChanged, {}, light.id);
        }
    }
    grabbed_ring_ = 0;
    scene_.drag_mode = 0;
    scene_.EndPendingTransforms();
    drag_changed_ = false;
    if (recording_drag_) {
        FinishStep();
    }
}

void DocumentCore::CancelDrag() {
    Operation operation(*this);
    for (SceneNode* node : Children(scene_.Root())) {
        if (node->moving || node->scaling || node->rotating) {
            node->moving = node->scaling = node->rotating = 0;
            node->pending_offset = {};
            node->pending_scale = {1, 1, 1};
            node->pending_angles = {};
            node->ComputeParentFromNode();
            Notify(ChangeKind::NodeTransformed, node->id);
        }
    }
    for (Light& light : scene_.Lights()) {
        if (light.moving || light.scaling || light.rotating) {
            light.moving = light.scaling = light.rotating = 0;
            light.pending_offset = {};
            light.pending_scale = 1.0;
            light.pending_angles = {};
            Notify(ChangeKind::LightChanged, {}, light.id);
        }
    }
    grabbed_ring_ = 0;
    scene_.drag_mode = 0;
    drag_changed_ = false;
    if (recording_drag_) {
        recording_.reset();
        recording_drag_ = false;
    }
}

// --- views ---

void DocumentCore::AddView(const ViewEntry& view) {
    Operation operation(*this);
    views_.push_back(view);
    Notify(ChangeKind::Views);
}

void DocumentCore::SetView(std::size_t index, const ViewEntry& view) {
    Operation operation(*this);
    if (index < views_.size()) {
        if (views_[index] == view) {
            return;
        }
        views_[index] = view;
    } else if (index == views_.size()) {
        views_.push_back(view);
    } else {
        return;
    }
    Notify(ChangeKind::Views);
}

void DocumentCore::SetViews(std::vector<ViewEntry> views) {
    Operation operation(*this);
    if (views == views_) {
        return;
    }
    views_ = std::move(views);
    Notify(ChangeKind::Views);
}

void DocumentCore::RestoreViews(ViewsState state) {
    Operation operation(*this);
    const bool changed = state.views != views_;
    views_ = std::move(state.views);
    views_edited_ = state.edited;
    RefreshModified();
    if (changed) {
        Notify(ChangeKind::Views);
    }
}

std::string DocumentCore::ViewName(std::size_t index) const {
    if (index < views_.size() && !views_[index].name.empty()) {
        return views_[index].name;
    }
    return "Camera " + std::to_string(index + 1);
}

std::size_t DocumentCore::AddStoredView(const ViewEntry& view) {
    Operation operation(*this);
    views_.push_back(view);
    const std::size_t index = views_.size() - 1;
    views_[index].name.clear();
    // Its default name may be one the user gave another camera: then the next free number.
    const auto taken = [this, index](const std::string& name) {
        for (std::size_t i = 0; i < index; ++i) {
            if (ViewName(i) == name) {
                return true;
            }
        }
        return false;
    };
    for (std::size_t n = index + 2; taken(ViewName(index)); ++n) {
        views_[index].name = "Camera " + std::to_string(n);
    }
    views_edited_ = true;
    RefreshModified();
    Notify(ChangeKind::Views);
    return index;
}

Status DocumentCore::RenameView(std::size_t index, const std::string& name) {
    Operation operation(*this);
    if (index >= views_.size()) {
        return Status::Message(kMsgNoSuchView, {std::to_string(index + 1)});
    }
    if (name.find_first_not_of(' ') == std::string::npos) {
        return Status::Message(kMsgNameEmpty);
    }
    if (name.size() > kMaxStoredNameLength) {
        return Status::Message(kMsgNameTooLong, {name});
    }
    if (name == ViewName(index)) {
        return Status::Ok();
    }
    for (std::size_t i = 0; i < views_.size(); ++i) {
        if (i != index && ViewName(i) == name) {
            return Status::Message(kMsgNameTaken, {name});
        }
    }
    // A name that is the camera's default by its place is kept as no name at all.
    views_[index].name = name == "Camera " + std::to_string(index + 1) ? std::string() : name;
    views_edited_ = true;
    RefreshModified();
    Notify(ChangeKind::Views);
    return Status::Ok();
}

Status DocumentCore::RemoveView(std::size_t index) {
    Operation operation(*this);
    if (index >= views_.size()) {
        return Status::Message(kMsgNoSuchView, {std::to_string(index + 1)});
    }
    // The cameras after it keep the names they show.
    for (std::size_t i = index + 1; i < views_.size(); ++i) {
        views_[i].name = ViewName(i);
    }
    views_.erase(views_.begin() + static_cast<std::ptrdiff_t>(index));
    views_edited_ = true;
    RefreshModified();
    Notify(ChangeKind::Views);
    return Status::Ok();
}

// --- commands ---

NodeId DocumentCore::Group() {
    Operation operation(*this);
    const std::vector<SceneNode*> members = scene_.SelectedTopLevel();
    if (members.size() < 2) {
        return {};
    }
    EditStep& step = Record("Group");
    step.TouchChildren(scene_.Root());
    for (const SceneNode* member : members) {
        step.TouchPlacement(*member);
    }
    SceneNode* group = scene_.GroupSelected();
    step.Added(*group);
    selection_.is_group = true;
    selection_.is_trim = false;
    selection_.selected_count = 1;
    Notify(ChangeKind::NodeAdded, group->id);
    Notify(ChangeKind::TreeChanged, group->id);
    Notify(ChangeKind::Selection);
    return group->id;
}

Result<NodeId> DocumentCore::Trim() {
    return BooleanCommand(BooleanMode::Difference);
}

Result<NodeId> DocumentCore::Combine() {
    return BooleanCommand(BooleanMode::Union);
}

Result<NodeId> DocumentCore::Intersect() {
    return BooleanCommand(BooleanMode::Intersection);
}

Result<NodeId> DocumentCore::BooleanCommand(BooleanMode mode) {
    Operation operation(*this);
    const std::vector<SceneNode*> selected = scene_.SelectedTopLevel();
    if (selected.size() < 2) {
        return NodeId{};
    }
    SceneNode& cutter = *selected[0];
    SceneNode& trimmed = *selected[1];
    // The kernel replaces the meshes; the step keeps what they were.
    Mesh cutter_mesh = cutter.display_mesh;
    Mesh trimmed_mesh = trimmed.display_mesh;
    if (Status cut = TrimKernel(trimmed, cutter, mode); !cut.ok()) {
        return cut;
    }
    const ObjectType type = mode == BooleanMode::Union          ? ObjectType::Combine
                            : mode == BooleanMode::Intersection ? ObjectType::Intersect
                                                                : ObjectType::Trim;
    EditStep& step = Record(std::string(NameBase(type)));
    step.TouchChildren(scene_.Root());
    for (const SceneNode* operand : selected) {
        step.TouchPlacement(*operand);
    }
    step.MeshBefore(cutter, std::move(cutter_mesh));
    step.MeshBefore(trimmed, std::move(trimmed_mesh));
    for (SceneNode* operand : {&cutter, &trimmed}) {
        operand->box = operand->display_mesh.Box();
        operand->UpdateBounds();
        Notify(ChangeKind::NodeGeometry, operand->id);
    }
    SceneNode* container = scene_.GatherSelected(type);
    step.Added(*container);
    selection_.selected_count = 1;
    selection_.is_group = false;
    selection_.is_trim = type == ObjectType::Trim;
    Notify(ChangeKind::NodeAdded, container->id);
    Notify(ChangeKind::TreeChanged, container->id);
    Notify(ChangeKind::Selection);
    return container->id;
}

// --- history ---

SelectionState DocumentCore::CaptureSelection() const {
    SelectionState state;
    for (const SceneNode* node : scene_.SelectedNodes()) {
        state.nodes.push_back({node->id, node->selected});
    }
    for (const Light& light : scene_.Lights()) {
        if (light.selected) {
            state.lights.push_back(light.id);
        }
    }
    state.summary = selection_;
    return state;
}

EditStep& DocumentCore::Record(const std::string& name) {
    if (recording_drag_) {
        EndDrag();  // an edit in the middle of a drag ends the drag first
    }
    if (!recording_) {
        recording_ = std::make_unique<EditStep>(CaptureSelection());
    }
    if (recording_->Name().empty()) {
        recording_->SetName(name);
    }
    return *recording_;
}

EditStep& DocumentCore::RecordDrag(const char* verb, const std::string& subject) {
    if (recording_ && !recording_drag_) {
        return *recording_;  // a drag inside another operation belongs to it
    }
    if (!recording_) {
        recording_ = std::make_unique<EditStep>(CaptureSelection());
        recording_drag_ = true;
        drag_verb_ = verb;
        drag_subject_ = subject;
        recording_->SetName(drag_verb_ + " " + subject);
    } else if (subject != drag_subject_) {
        recording_->SetName(drag_verb_);  // more than one thing dragged
    }
    return *recording_;
}

void DocumentCore::CloseStep() {
    if (recording_ && !recording_drag_) {
        FinishStep();
    }
}

void DocumentCore::FinishStep() {
    std::unique_ptr<EditStep> step = std::move(recording_);
    recording_drag_ = false;
    if (step->Finish(scene_, CaptureSelection())) {
        history_->Push(std::move(step));
    }
    RefreshModified();
}

std::uint64_t DocumentCore::HistoryState() const {
    return history_->State();
}

DocumentCore::EditScope::EditScope(DocumentCore& document, const std::string& name)
    : operation_(std::make_unique<Operation>(document)) {
    document.Record(name);
}

DocumentCore::EditScope::~EditScope() = default;

bool DocumentCore::CanUndo() const {
    return history_->NextUndo() != nullptr;
}

bool DocumentCore::CanRedo() const {
    return history_->NextRedo() != nullptr;
}

std::string DocumentCore::UndoText() const {
    const EditStep* step = history_->NextUndo();
    return step ? "Undo " + step->Name() : std::string();
}

std::string DocumentCore::RedoText() const {
    const EditStep* step = history_->NextRedo();
    return step ? "Redo " + step->Name() : std::string();
}

void DocumentCore::SetUndoLimit(std::size_t steps) {
    Operation operation(*this);
    history_->SetMaxSteps(steps);
    RefreshModified();
}

std::size_t DocumentCore::UndoCount() const {
    return history_->UndoCount();
}

std::size_t DocumentCore::RedoCount() const {
    return history_->RedoCount();
}

std::size_t DocumentCore::HistoryBytes() const {
    return history_->Bytes();
}

std::size_t DocumentCore::UndoStepBytes() const {
    const EditStep* step = history_->NextUndo();
    return step ? step->Bytes() : 0;
}

Status DocumentCore::Undo() {
    return StepHistory(true);
}

Status DocumentCore::Redo() {
    return StepHistory(false);
}

Status DocumentCore::DiscardStepsSince(std::uint64_t state) {
    if (recording_ || history_->StateBeforeNewest() != state) {
        return Status::Usage("The newest step is not the one to take back.");
    }
    const Status undone = StepHistory(true);
    if (undone.ok()) {
        history_->ForgetNextRedo();
    }
    return undone;
}

Status DocumentCore::StepHistory(bool back) {
    if (recording_ && !recording_drag_) {
        return Status::Usage("Undo and Redo wait until the edits under way are one step.");
    }
    Operation operation(*this);
    if (recording_drag_) {
        CancelDrag();
        return Status::Ok();
    }
    EditStep* step = back ? history_->NextUndo() : history_->NextRedo();
    if (step == nullptr) {
        return Status::Ok();
    }
    const StepDirection direction = back ? StepDirection::Back : StepDirection::Forward;
    std::vector<DocumentChange> changes;
    if (!step->Apply(scene_, direction, changes)) {
        history_->Clear();
        RefreshModified();
        return Status::Message(kMsgHistoryMismatch);
    }
    if (back) {
        history_->Undone();
    } else {
        history_->Redone();
    }
    for (const DocumentChange& change : changes) {
        Notify(change.kind, change.node, change.light);
    }
    selection_ = step->SelectionAt(direction).summary;
    if ((grabbed_node_ && !Node(grabbed_node_)) || (grabbed_light_ && !FindLight(grabbed_light_))) {
        ClearGrab();
    }
    RefreshModified();
    return Status::Ok();
}

}  // namespace kelto
