#include "scene.h"

#include <algorithm>
#include <cstdio>
#include <unordered_set>
#include <utility>

#include "child_list.h"
#include "message_table.h"

namespace kelto {

Scene::Scene() {
    MakeRoot();
    InsertLight(LightKind::Point, {4, 2, 6});
    current_camera_ = &AddCamera();
}

void Scene::MakeRoot() {
    root_ = *AddNode(ObjectType::Root, kSceneRootName);  // the map is empty
}

Camera& Scene::AddCamera() {
    ++camera_counter_;
    auto camera = std::make_unique<Camera>();
    char name[32];
    std::snprintf(name, sizeof name, "Camera %d", camera_counter_);
    camera->name = name;
    Camera& added = *camera;
    cameras_[camera->name] = std::move(camera);
    return added;
}

bool Scene::IsNameUsed(const std::string& name) const {
    return nodes_.contains(name);
}

std::string Scene::MakeDefaultName(ObjectType type) const {
    const std::string base(NameBase(type));
    if (type == ObjectType::Mesh && !IsNameUsed(base)) {
        return base;
    }
    int& first = taken_below_.try_emplace(base, 1).first->second;
    for (int i = first;; ++i) {
        std::string candidate = base + std::to_string(i);
        if (!IsNameUsed(candidate)) {
            first = i;
            return candidate;
        }
    }
}

Result<SceneNode*> Scene::AddNode(ObjectType type, const std::string& name) {
    auto node = std::make_unique<SceneNode>();
    node->type = type;
    node->name = name;
    return AdoptNode(std::move(node));
}

Result<SceneNode*> Scene::AdoptNode(std::unique_ptr<SceneNode> node) {
    if (IsNameUsed(node->name)) {
        return Status::Message(kMsgNameTaken, {node->name});
    }
    SceneNode* added = node.get();
    added->owner = added;
    added->id = NodeId{++last_id_};
    by_id_[added->id] = added;
    if (added->selected != 0) {
        maybe_selected_.push_back(added->id);
    }
    nodes_[added->name] = std::move(node);
    return added;
}

SceneNode* Scene::FindNode(const std::string& name) {
    const auto it = nodes_.find(name);
    return it == nodes_.end() ? nullptr : it->second.get();
}

const SceneNode* Scene::FindNode(const std::string& name) const {
    const auto it = nodes_.find(name);
    return it == nodes_.end() ? nullptr : it->second.get();
}

SceneNode* Scene::FindNode(NodeId id) {
    const auto it = by_id_.find(id);
    return it == by_id_.end() ? nullptr : it->second;
}

const SceneNode* Scene::FindNode(NodeId id) const {
    const auto it = by_id_.find(id);
    return it == by_id_.end() ? nullptr : it->second;
}

const SceneNode* Scene::ParentOf(const SceneNode& node) const {
    // Along the sibling chain the parent comes after the last sibling; the first node on the
    // chain whose children hold `node` is it.
    for (const SceneNode* candidate = node.next; candidate != nullptr;
         candidate = candidate->next) {
        for (const SceneNode* child : Children(*candidate)) {
            if (child == &node) {
                return candidate;
            }
        }
        if (candidate == &node) {
            break;  // a ring that leads nowhere
        }
    }
    return nullptr;
}

SceneNode* Scene::ParentOf(const SceneNode& node) {
    return const_cast<SceneNode*>(std::as_const(*this).ParentOf(node));
}

void Scene::DeleteNode(SceneNode& node) {
    if (&node == root_) {
        return;
    }
    if (SceneNode* parent = ParentOf(node)) {
        UnlinkChild(*parent, node);
    }
    for (SceneNode* gone : SubtreeOf(node)) {
        by_id_.erase(gone->id);
        nodes_.erase(gone->name);  // deletes it
    }
    taken_below_.clear();
}

std::unique_ptr<SceneNode> Scene::ReleaseNode(SceneNode& node) {
    if (&node == root_) {
        return nullptr;
    }
    const auto it = nodes_.find(node.name);
    if (it == nodes_.end() || it->second.get() != &node) {
        return nullptr;
    }
    std::unique_ptr<SceneNode> released = std::move(it->second);
    nodes_.erase(it);
    by_id_.erase(released->id);
    taken_below_.clear();
    return released;
}

bool Scene::CanRestoreNode(const SceneNode& node) const {
    return node.id && !by_id_.contains(node.id) && !IsNameUsed(node.name);
}

Result<SceneNode*> Scene::RestoreNode(std::unique_ptr<SceneNode> node) {
    if (!node || !CanRestoreNode(*node)) {
        return node && IsNameUsed(node->name) ? Status::Message(kMsgNameTaken, {node->name})
                                              : Status::Silent();
    }
    SceneNode* restored = node.get();
    by_id_[restored->id] = restored;
    if (restored->selected != 0) {
        maybe_selected_.push_back(restored->id);
    }
    nodes_[restored->name] = std::move(node);
    return restored;
}

Status Scene::RenameNode(SceneNode& node, const std::string& name) {
    if (name == node.name) {
        return Status::Ok();
    }
    if (IsNameUsed(name)) {
        return Status::Message(kMsgNameTaken, {name});
    }
    taken_below_.clear();
    auto entry = nodes_.extract(node.name);
    node.name = name;
    entry.key() = name;
    nodes_.insert(std::move(entry));
    return Status::Ok();
}

SceneNode* Scene::CreateNode(ObjectType type, const Vec3& point) {
    const auto build = KindOf(type).build;
    if (!build) {
        return nullptr;
    }
    NewPrimitive made = build(defaults);
    SceneNode* node = *AddNode(type, MakeDefaultName(type));  // a free name
    node->shape = std::move(made.shape);
    node->smooth = made.smooth ? 1 : 0;
    const PrimitivePlacement placement = made.placement;
    node->position = {point.x, point.y + placement.lift, point.z};
    if (placement.x_rotation_degrees != 0.0) {
        node->rotation.Rotate(placement.x_rotation_degrees, {1, 0, 0});
    }
    const auto built = built_primitives_.find(type);
    if (built != built_primitives_.end() && built->second.defaults == defaults) {
        node->display_mesh = built->second.display;
        node->render_mesh = built->second.render;
        node->box = built->second.box;
    } else {
        node->RebuildMeshes();
        built_primitives_[type] = {defaults, node->display_mesh, node->render_mesh, node->box};
    }
    node->owner = node;
    node->UpdateBounds();
    node->ComputeParentFromNode();
    LinkChild(*root_, *node);
    return node;
}

void Scene::DeleteAll() {
    // Shapes go with their nodes.
    by_id_.clear();
    nodes_.clear();
    maybe_selected_.clear();
    taken_below_.clear();
    root_ = nullptr;
    MakeRoot();
}

void Scene::Reset() {
    DeleteAll();
    lights_.clear();
    InsertLight(LightKind::Point, {4, 2, 6});
    cameras_.clear();
    camera_counter_ = 1;
    current_camera_ = &AddCamera();
    stored_fields.reset();
    drag_mode = 0;
    defaults = {};
    ambient_light = {0.2f, 0.2f, 0.2f, 0.0f};
    lighting = {};
}

SceneNode* Scene::FirstSelectedTopLevel() const {
    for (SceneNode* node : Children(*root_)) {
        if (node->selected) {
            return node;
        }
    }
    return nullptr;
}

std::vector<SceneNode*> Scene::SelectedTopLevel() const {
    std::vector<SceneNode*> selected;
    for (SceneNode* node : Children(*root_)) {
        if (node->selected) {
            selected.push_back(node);
        }
    }
    return selected;
}

int Scene::CountSelectedNodes() const {
    return static_cast<int>(std::count_if(nodes_.begin(), nodes_.end(), [](const auto& entry) {
        return entry.second->selected != 0;
    }));
}

int Scene::CountSelected() const {
    return CountSelectedNodes() + CountSelectedLights();
}

void Scene::SelectOnly(SceneNode& node) {
    ClearSelection();
    SetSelected(node, 1);
}

void Scene::SetSelected(SceneNode& node, std::int32_t flag) {
    if (flag != 0 && node.selected == 0) {
        maybe_selected_.push_back(node.id);
    }
    node.selected = flag;
}

void Scene::ClearSelection() {
    DeselectAllLights();
    for (NodeId id : maybe_selected_) {
        if (SceneNode* node = FindNode(id)) {
            node->selected = 0;
        }
    }
    maybe_selected_.clear();
}

std::vector<const SceneNode*> Scene::SelectedNodes() const {
    std::vector<const SceneNode*> selected;
    std::unordered_set<NodeId> listed;
    for (NodeId id : maybe_selected_) {
        const SceneNode* node = FindNode(id);
        if (node != nullptr && node->selected != 0 && listed.insert(id).second) {
            selected.push_back(node);
        }
    }
    return selected;
}

void GrowByPlacedBox(BoundingBox& box, const SceneNode& node) {
    const Vec3f& lo = node.box.min;
    const Vec3f& hi = node.box.max;
    for (int corner = 0; corner < 8; ++corner) {
        const Vec3f p{(corner & 1) ? hi.x : lo.x, (corner & 2) ? hi.y : lo.y,
                      (corner & 4) ? hi.z : lo.z};
        box.Grow(node.parent_from_node.TransformPoint(p));
    }
}

SceneNode* Scene::GatherSelected(ObjectType container_type) {
    const std::vector<SceneNode*> members = SelectedTopLevel();
    if (members.size() < 2) {
        return nullptr;
    }
    SceneNode* container = *AddNode(container_type, MakeDefaultName(container_type));
    for (SceneNode* member : members) {
        UnlinkChild(*root_, *member);
        LinkChild(*container, *member);
    }
    LinkChild(*root_, *container);
    // The container is the whole selection: objects selected inside others (from the Objects
    // panel) and lights let go too.
    ClearSelection();
    SetSelected(*container, 1);

    constexpr float kFar = 10000000.0f;
    BoundingBox members_box{{kFar, kFar, kFar}, {-kFar, -kFar, -kFar}};
    for (SceneNode* member : members) {
        member->ComputeParentFromNode();
        GrowByPlacedBox(members_box, *member);
    }
    const Vec3 centre{(members_box.min.x + members_box.max.x) * 0.5,
                      (members_box.min.y + members_box.max.y) * 0.5,
                      (members_box.min.z + members_box.max.z) * 0.5};
    container->position = centre;
    for (SceneNode* member : members) {
        member->position = member->position - centre;
        member->ComputeParentFromNode();
    }
    const Vec3f shift{static_cast<float>(centre.x), static_cast<float>(centre.y),
                      static_cast<float>(centre.z)};
    container->box.min = {members_box.min.x - shift.x, members_box.min.y - shift.y,
                          members_box.min.z - shift.z};
    container->box.max = {members_box.max.x - shift.x, members_box.max.y - shift.y,
                          members_box.max.z - shift.z};
    container->UpdateBounds();
    container->group_flag = container_type == ObjectType::Group ? 1 : 0;
    container->ComputeParentFromNode();
    return container;
}

void Scene::EndPendingTransforms() {
    for (Light& light : lights_) {
        if (light.moving) {
            light.position = light.position + light.pending_offset;
            light.pending_offset = {};
            light.moving = 0;
        }
        if (light.scaling) {
            light.size = static_cast<float>(light.size * light.pending_scale);
            light.pending_scale = 1.0;
            light.scaling = 0;
        }
        if (light.rotating) {
            light.rotating = 0;
            light.rotation.RotateAboutAxes(light.pending_angles);
            light.pending_angles = {};
        }
    }
    for (SceneNode* node : Children(*root_)) {
        if (!node->scaling && !node->moving && !node->rotating) {
            continue;
        }
        node->CommitScale();
        node->moving = 0;
        node->position = node->position + node->pending_offset;
        node->pending_offset = {};
        node->CommitRotate();
        node->ComputeParentFromNode();
    }
}

std::string Scene::MakeLightName(LightKind kind) const {
    const std::string base = LightNameBase(kind);
    for (int i = 1;; ++i) {
        std::string candidate = base + std::to_string(i);
        const bool used = std::any_of(lights_.begin(), lights_.end(),
                                      [&](const Light& light) { return light.name == candidate; });
        if (!used) {
            return candidate;
        }
    }
}

int Scene::InsertLight(LightKind kind, const Vec3& position) {
    Light light;
    light.kind = kind;
    light.name = MakeLightName(kind);
    light.position = position;
    return AddLight(std::move(light));
}

int Scene::AddLight(Light light) {
    light.id = LightId{++last_id_};
    lights_.push_back(std::move(light));
    return static_cast<int>(lights_.size()) - 1;
}

void Scene::RemoveLight(int index) {
    if (index >= 0 && static_cast<std::size_t>(index) < lights_.size()) {
        lights_.erase(lights_.begin() + index);
    }
}

void Scene::RestoreLight(int index, Light light) {
    const auto at = std::min(static_cast<std::size_t>(std::max(index, 0)), lights_.size());
    lights_.insert(lights_.begin() + static_cast<std::ptrdiff_t>(at), std::move(light));
}

int Scene::LightIndex(LightId id) const {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        if (lights_[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

Light* Scene::FindLight(LightId id) {
    const int index = LightIndex(id);
    return index < 0 ? nullptr : &lights_[static_cast<std::size_t>(index)];
}

const Light* Scene::FindLight(LightId id) const {
    const int index = LightIndex(id);
    return index < 0 ? nullptr : &lights_[static_cast<std::size_t>(index)];
}

void Scene::SelectOnlyLight(int index) {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        lights_[i].selected = static_cast<int>(i) == index ? 1 : 0;
    }
}

int Scene::FirstSelectedLight() const {
    for (std::size_t i = 0; i < lights_.size(); ++i) {
        if (lights_[i].selected) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int Scene::CountSelectedLights() const {
    return static_cast<int>(std::count_if(lights_.begin(), lights_.end(),
                                          [](const Light& light) { return light.selected != 0; }));
}

void Scene::DeselectAllLights() {
    for (Light& light : lights_) {
        light.selected = 0;
    }
}

void Scene::BeginLightRotate(int index) {
    Light& light = lights_.at(static_cast<std::size_t>(index));
    light.pending_angles = {};
    light.rotating = 1;
}

void Scene::BeginLightMove(int index) {
    Light& light = lights_.at(static_cast<std::size_t>(index));
    light.pending_offset = {};
    light.moving = 1;
}

void Scene::BeginLightScale(int index) {
    BeginLightMove(index);
    Light& light = lights_.at(static_cast<std::size_t>(index));
    light.pending_scale = 1.0;
    light.scaling = 1;
}

}  // namespace kelto
