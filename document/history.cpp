#include "history.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

#include "model/child_list.h"

namespace kelto {
namespace {

NodePlacement PlacementOf(const SceneNode& node) {
    return {node.position, node.rotation, node.scale, node.box};
}

LightPlacement PlacementOf(const Light& light) {
    return {light.position, light.size, light.rotation};
}

// Bit for bit: undoing must give back exactly the numbers that were there (a -0.0 included).
template <typename T>
bool SameBits(const T& a, const T& b) {
    static_assert(std::is_trivially_copyable_v<T>);
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

bool SamePlacement(const NodePlacement& a, const NodePlacement& b) {
    return SameBits(a.position, b.position) && SameBits(a.rotation.m, b.rotation.m) &&
           SameBits(a.scale, b.scale) && SameBits(a.box, b.box);
}

bool SamePlacement(const LightPlacement& a, const LightPlacement& b) {
    return SameBits(a.position, b.position) && SameBits(a.size, b.size) &&
           SameBits(a.rotation.m, b.rotation.m);
}

bool SameMesh(const Mesh& a, const Mesh& b) {
    return a.indices == b.indices && a.vertices.size() == b.vertices.size() &&
           (a.vertices.empty() || std::memcmp(a.vertices.data(), b.vertices.data(),
                                              a.vertices.size() * sizeof(DisplayVertex)) == 0);
}

std::vector<NodeId> ChildIds(const SceneNode& parent) {
    std::vector<NodeId> ids;
    for (const SceneNode* child : Children(parent)) {
        ids.push_back(child->id);
    }
    return ids;
}

template <typename T>
std::size_t VectorBytes(const std::vector<T>& v) {
    return v.capacity() * sizeof(T);
}

std::size_t MeshBytes(const Mesh& mesh) {
    return VectorBytes(mesh.vertices) + VectorBytes(mesh.indices);
}

std::size_t ImageBytes(const TextureImage& image) {
    std::size_t bytes = sizeof(TextureImage) + VectorBytes(image.texture) +
                        VectorBytes(image.rgb_rows) + VectorBytes(image.grey_rows);
    for (const RgbRow& row : image.rgb_rows) {
        bytes += VectorBytes(row.red) + VectorBytes(row.green) + VectorBytes(row.blue);
    }
    for (const auto& row : image.grey_rows) {
        bytes += VectorBytes(row);
    }
    return bytes;
}

std::size_t MaterialBytes(const Material& m) {
    std::size_t bytes = 0;
    for (const auto* image : {&m.colour_image, &m.bump_image, &m.glow_image, &m.ambient_image}) {
        if (*image) {
            bytes += ImageBytes(**image);
        }
    }
    return bytes;
}

std::size_t PatchBytes(const NurbsPatch& patch) {
    return sizeof(NurbsPatch) + VectorBytes(patch.knots_u) + VectorBytes(patch.knots_v) +
           VectorBytes(patch.control_points) + VectorBytes(patch.second_points) +
           VectorBytes(patch.samples);
}

std::size_t ShapeBytes(const Shape& shape) {
    std::size_t bytes = sizeof(Shape) + VectorBytes(shape.surface.knots_u) +
                        VectorBytes(shape.surface.knots_v) + VectorBytes(shape.surface.net) +
                        VectorBytes(shape.second_net);
    for (const auto* patches : {&shape.profiles, &shape.paths}) {
        for (const NurbsPatch& patch : *patches) {
            bytes += PatchBytes(patch);
        }
    }
    return bytes;
}

template <typename T, typename Pred>
void EraseIf(std::vector<T>& v, Pred pred) {
    v.erase(std::remove_if(v.begin(), v.end(), pred), v.end());
    v.shrink_to_fit();
}

}  // namespace

std::size_t NodeBytes(const SceneNode& node) {
    return sizeof(SceneNode) + node.name.capacity() + MeshBytes(node.display_mesh) +
           MeshBytes(node.render_mesh) + (node.shape ? ShapeBytes(*node.shape) : 0) +
           MaterialBytes(node.material);
}

// ---------------------------------------------------------------- recording

EditStep::EditStep(SelectionState selection_before)
    : selection_before_(std::move(selection_before)), seen_(std::make_unique<Seen>()) {}

EditStep::~EditStep() = default;

void EditStep::TouchPlacement(const SceneNode& node) {
    if (seen_->added.contains(node.id) || !seen_->placements.insert(node.id).second) {
        return;
    }
    placements_.push_back({node.id, PlacementOf(node), std::nullopt});
}

void EditStep::TouchMaterial(const SceneNode& node) {
    if (seen_->added.contains(node.id) || !seen_->materials.insert(node.id).second) {
        return;
    }
    materials_.push_back({node.id, node.material, std::nullopt});
}

void EditStep::TouchName(const SceneNode& node) {
    if (seen_->added.contains(node.id) || !seen_->names.insert(node.id).second) {
        return;
    }
    names_.push_back({node.id, node.name, std::nullopt});
}

void EditStep::TouchVisibility(const SceneNode& node) {
    if (seen_->added.contains(node.id) || !seen_->visibility.insert(node.id).second) {
        return;
    }
    visibility_.push_back({node.id, node.visible, std::nullopt});
}

void EditStep::TouchChildren(const SceneNode& parent) {
    if (seen_->added.contains(parent.id) || !seen_->children.insert(parent.id).second) {
        return;
    }
    std::vector<NodeId> before = ChildIds(parent);
    // The children linked at the head since were not there before the edit.
    if (const auto linked = seen_->linked_first.find(parent.id);
        linked != seen_->linked_first.end()) {
        before.erase(before.begin(), before.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                          linked->second.size(), before.size())));
        seen_->linked_first.erase(linked);
    }
    child_lists_.push_back({parent.id, std::move(before), std::nullopt});
}

void EditStep::ChildLinkedFirst(const SceneNode& parent, const SceneNode& child) {
    if (seen_->added.contains(parent.id) || seen_->children.contains(parent.id)) {
        return;  // the list as it was is known already
    }
    seen_->linked_first[parent.id].push_back(child.id);
}

void EditStep::MeshBefore(const SceneNode& node, Mesh before) {
    if (seen_->added.contains(node.id) || !seen_->meshes.insert(node.id).second) {
        return;
    }
    meshes_.push_back({node.id, std::move(before), std::nullopt});
}

void EditStep::ShapeBefore(const SceneNode& node, std::unique_ptr<Shape> before) {
    if (seen_->added.contains(node.id) || !seen_->shapes.insert(node.id).second) {
        return;
    }
    shapes_.push_back({node.id, std::move(before)});
}

void EditStep::Added(const SceneNode& node) {
    if (seen_->added.insert(node.id).second) {
        added_.push_back({node.id, nullptr});
    }
}

void EditStep::Removed(std::unique_ptr<SceneNode> node) {
    if (node) {
        const NodeId id = node->id;
        removed_.push_back({id, std::move(node)});
    }
}

void EditStep::TouchLightPlacement(const Light& light) {
    if (!seen_->light_placements.insert(light.id).second) {
        return;
    }
    light_placements_.push_back({light.id, PlacementOf(light), std::nullopt});
}

void EditStep::TouchLight(const Scene& scene, const Light& light) {
    if (!seen_->lights.insert(light.id).second) {
        return;
    }
    lights_.push_back({light.id, IndexedLight{scene.LightIndex(light.id), light}, std::nullopt});
}

void EditStep::LightAdded(const Light& light) {
    if (seen_->lights.insert(light.id).second) {
        lights_.push_back({light.id, std::nullopt, std::nullopt});
    }
}

void EditStep::LightRemoved(int index, const Light& light) {
    if (seen_->lights.insert(light.id).second) {
        lights_.push_back({light.id, IndexedLight{index, light}, std::nullopt});
    }
}

void EditStep::TouchLighting(const Scene& scene) {
    if (!lighting_) {
        lighting_ =
            std::make_unique<LightingChange>(LightingChange{scene.lighting, scene.lighting});
    }
}

bool EditStep::Finish(const Scene& scene, SelectionState selection_after) {
    selection_after_ = std::move(selection_after);
    // A node added and taken out again by the same edit was never there.
    std::unordered_set<NodeId> transient;
    for (const HeldNode& held : added_) {
        if (scene.FindNode(held.id) == nullptr) {
            transient.insert(held.id);
        }
    }
    EraseIf(added_, [&](const HeldNode& held) { return transient.contains(held.id); });
    EraseIf(removed_, [&](const HeldNode& held) { return transient.contains(held.id); });
    const std::unordered_set<NodeId>& added = seen_->added;

    for (auto& change : placements_) {
        if (const SceneNode* node = scene.FindNode(change.id)) {
            change.after = PlacementOf(*node);
        }
    }
    EraseIf(placements_, [&](const Change<NodePlacement>& change) {
        return added.contains(change.id) ||
               (change.after && SamePlacement(change.before, *change.after));
    });
    for (auto& change : meshes_) {
        if (const SceneNode* node = scene.FindNode(change.id)) {
            change.after = node->display_mesh;
        }
    }
    EraseIf(meshes_, [&](const Change<Mesh>& change) {
        return added.contains(change.id) ||
               (change.after && SameMesh(change.before, *change.after));
    });
    EraseIf(shapes_, [&](const HeldShape& held) {
        return added.contains(held.id) || scene.FindNode(held.id) == nullptr;
    });
    for (auto& change : materials_) {
        if (const SceneNode* node = scene.FindNode(change.id)) {
            change.after = node->material;
        }
    }
    EraseIf(materials_, [&](const Change<Material>& change) { return added.contains(change.id); });
    for (auto& change : names_) {
        if (const SceneNode* node = scene.FindNode(change.id)) {
            change.after = node->name;
        }
    }
    EraseIf(names_, [&](const Change<std::string>& change) {
        return added.contains(change.id) || change.after == change.before;
    });

    for (auto& change : visibility_) {
        if (const SceneNode* node = scene.FindNode(change.id)) {
            change.after = node->visible;
        }
    }
    EraseIf(visibility_, [&](const Change<std::int32_t>& change) {
        return added.contains(change.id) || change.after == change.before;
    });

    for (ChildList& list : child_lists_) {
        if (added.contains(list.parent)) {
            list.before.reset();
        }
        if (const SceneNode* parent = scene.FindNode(list.parent)) {
            list.after = ChildIds(*parent);
        }
    }
    // A node the edit added comes back, on redo, with the children it has now.
    for (const HeldNode& held : added_) {
        const SceneNode* node = scene.FindNode(held.id);
        const bool listed =
            std::any_of(child_lists_.begin(), child_lists_.end(),
                        [&](const ChildList& list) { return list.parent == held.id; });
        if (!listed && ChildCount(*node) > 0) {
            child_lists_.push_back({held.id, std::nullopt, ChildIds(*node)});
        }
    }
    EraseIf(child_lists_, [](const ChildList& list) { return list.before == list.after; });
    for (ChildList& list : child_lists_) {
        if (!list.before || !list.after) {
            continue;
        }
        std::vector<NodeId>& a = *list.before;
        std::vector<NodeId>& b = *list.after;
        std::size_t prefix = 0;
        while (prefix < a.size() && prefix < b.size() && a[prefix] == b[prefix]) {
            ++prefix;
        }
        std::size_t suffix = 0;
        while (suffix < a.size() - prefix && suffix < b.size() - prefix &&
               a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix]) {
            ++suffix;
        }
        a = std::vector<NodeId>(a.begin() + static_cast<std::ptrdiff_t>(prefix),
                                a.end() - static_cast<std::ptrdiff_t>(suffix));
        b = std::vector<NodeId>(b.begin() + static_cast<std::ptrdiff_t>(prefix),
                                b.end() - static_cast<std::ptrdiff_t>(suffix));
        list.prefix = prefix;
        list.suffix = suffix;
    }
    for (auto& [parent, linked] : seen_->linked_first) {
        if (scene.FindNode(parent) != nullptr) {
            // Newest first, as the list holds them; what followed before the edit follows.
            child_lists_.push_back({parent, std::vector<NodeId>{},
                                    std::vector<NodeId>(linked.rbegin(), linked.rend()), 0,
                                    kRestOfList});
        }
    }

    for (auto& change : light_placements_) {
        if (const Light* light = scene.FindLight(change.id)) {
            change.after = PlacementOf(*light);
        }
    }
    EraseIf(light_placements_, [](const LightPlacementChange& change) {
        return change.after && SamePlacement(change.before, *change.after);
    });
    for (LightChange& change : lights_) {
        const int index = scene.LightIndex(change.id);
        if (index >= 0) {
            change.after = IndexedLight{index, scene.Lights()[static_cast<std::size_t>(index)]};
        }
    }
    EraseIf(lights_, [](const LightChange& change) { return !change.before && !change.after; });

    if (lighting_) {
        lighting_->after = scene.lighting;
        if (lighting_->after == lighting_->before) {
            lighting_.reset();
        }
    }

    added_bytes_ = 0;
    for (const HeldNode& held : added_) {
        added_bytes_ += NodeBytes(*scene.FindNode(held.id));
    }
    seen_.reset();
    selection_before_.nodes.shrink_to_fit();
    selection_after_.nodes.shrink_to_fit();
    bytes_ = CountBytes();
    return !placements_.empty() || !meshes_.empty() || !shapes_.empty() || !materials_.empty() ||
           !names_.empty() || !visibility_.empty() || !child_lists_.empty() || !added_.empty() ||
           !removed_.empty() || !light_placements_.empty() || !lights_.empty() ||
           lighting_ != nullptr;
}

std::size_t EditStep::CountBytes() const {
    std::size_t bytes = sizeof(EditStep) + name_.capacity();
    for (const SelectionState* s : {&selection_before_, &selection_after_}) {
        bytes += VectorBytes(s->nodes) + VectorBytes(s->lights);
    }
    for (const HeldShape& held : shapes_) {
        bytes += held.other ? ShapeBytes(*held.other) : 0;
    }
    bytes += VectorBytes(placements_) + VectorBytes(meshes_) + VectorBytes(shapes_) +
             VectorBytes(materials_) + VectorBytes(names_) + VectorBytes(visibility_) +
             VectorBytes(child_lists_) + VectorBytes(added_) + VectorBytes(removed_) +
             VectorBytes(light_placements_) + VectorBytes(lights_);
    for (const auto& change : meshes_) {
        bytes += MeshBytes(change.before) + (change.after ? MeshBytes(*change.after) : 0);
    }
    for (const auto& change : materials_) {
        bytes += MaterialBytes(change.before) + (change.after ? MaterialBytes(*change.after) : 0);
    }
    for (const auto& change : names_) {
        bytes += change.before.capacity() + (change.after ? change.after->capacity() : 0);
    }
    for (const ChildList& list : child_lists_) {
        bytes += (list.before ? VectorBytes(*list.before) : 0) +
                 (list.after ? VectorBytes(*list.after) : 0);
    }
    // Nodes the edit added are counted as the step will hold them once undone.
    for (const HeldNode& held : removed_) {
        bytes += NodeBytes(*held.node);
    }
    bytes += added_bytes_;
    if (lighting_) {
        bytes += sizeof(LightingChange) + lighting_->before.picture_path.capacity() +
                 lighting_->after.picture_path.capacity();
    }
    return bytes;
}

// ---------------------------------------------------------------- applying

std::optional<std::vector<NodeId>> EditStep::TargetChildren(const ChildList& list, bool back,
                                                            const std::vector<NodeId>& now) {
    const auto& target = back ? list.before : list.after;
    const auto& source = back ? list.after : list.before;
    if (!target) {
        return std::nullopt;
    }
    if (!source) {
        return *target;  // the parent enters with its whole list
    }
    // `now` must be the other side: the shared start and end around the source's stretch.
    if (now.size() < list.prefix + source->size()) {
        return std::nullopt;
    }
    const std::size_t suffix =
        list.suffix == kRestOfList ? now.size() - list.prefix - source->size() : list.suffix;
    if (now.size() != list.prefix + source->size() + suffix ||
        !std::equal(source->begin(), source->end(),
                    now.begin() + static_cast<std::ptrdiff_t>(list.prefix))) {
        return std::nullopt;
    }
    std::vector<NodeId> children(now.begin(),
                                 now.begin() + static_cast<std::ptrdiff_t>(list.prefix));
    children.insert(children.end(), target->begin(), target->end());
    children.insert(children.end(), now.end() - static_cast<std::ptrdiff_t>(suffix), now.end());
    return children;
}

bool EditStep::Check(const Scene& scene, StepDirection direction) const {
    const bool back = direction == StepDirection::Back;
    const std::vector<HeldNode>& entering = back ? removed_ : added_;
    const std::vector<HeldNode>& leaving = back ? added_ : removed_;
    std::unordered_set<NodeId> leaving_ids, entering_ids;
    std::unordered_set<std::string> leaving_names;
    for (const HeldNode& held : leaving) {
        const SceneNode* node = scene.FindNode(held.id);
        if (node == nullptr || node == &scene.Root() || held.node) {
            return false;
        }
        leaving_ids.insert(held.id);
        leaving_names.insert(node->name);
    }
    for (const HeldNode& held : entering) {
        if (!held.node || scene.FindNode(held.id) != nullptr ||
            (scene.IsNameUsed(held.node->name) && !leaving_names.contains(held.node->name)) ||
            !entering_ids.insert(held.id).second) {
            return false;
        }
    }
    auto present = [&](NodeId id) {
        return entering_ids.contains(id) ||
               (scene.FindNode(id) != nullptr && !leaving_ids.contains(id));
    };
    for (const ChildList& list : child_lists_) {
        const auto& target = back ? list.before : list.after;
        if (!target) {
            continue;
        }
        if (!present(list.parent)) {
            return false;
        }
        for (NodeId child : *target) {
            if (!present(child) || child == scene.Root().id) {
                return false;
            }
        }
        if (list.before && list.after) {
            const SceneNode* parent = scene.FindNode(list.parent);
            if (parent == nullptr || !TargetChildren(list, back, ChildIds(*parent))) {
                return false;
            }
        }
    }
    auto nodes_present = [&](const auto& changes) {
        return std::all_of(changes.begin(), changes.end(), [&](const auto& change) {
            return !(back || change.after) || present(change.id);
        });
    };
    if (!nodes_present(placements_) || !nodes_present(meshes_) || !nodes_present(materials_) ||
        !nodes_present(names_) || !nodes_present(visibility_) ||
        !std::all_of(shapes_.begin(), shapes_.end(),
                     [&](const HeldShape& held) { return present(held.id); })) {
        return false;
    }
    for (const auto& change : names_) {
        const std::string* target =
            back ? &change.before : (change.after ? &*change.after : nullptr);
        const SceneNode* owner = target ? scene.FindNode(*target) : nullptr;
        if (owner != nullptr && owner->id != change.id && !leaving_ids.contains(owner->id)) {
            return false;
        }
    }
    for (const LightChange& change : lights_) {
        const bool from_present = (back ? change.after : change.before).has_value();
        if (from_present != (scene.FindLight(change.id) != nullptr)) {
            return false;
        }
    }
    for (const LightPlacementChange& change : light_placements_) {
        if ((back || change.after) && scene.FindLight(change.id) == nullptr) {
            return false;
        }
    }
    return true;
}

bool EditStep::Apply(Scene& scene, StepDirection direction, std::vector<DocumentChange>& changes) {
    if (!Check(scene, direction)) {
        return false;
    }
    const bool back = direction == StepDirection::Back;
    std::vector<HeldNode>& entering = back ? removed_ : added_;
    std::vector<HeldNode>& leaving = back ? added_ : removed_;
    auto node_changed = [&](ChangeKind kind, NodeId id) { changes.push_back({kind, id, {}}); };
    auto light_changed = [&](ChangeKind kind, LightId id) { changes.push_back({kind, {}, id}); };
    // The children now of the parents whose lists keep only their changed stretch, read before
    // any node leaves.
    std::vector<std::vector<NodeId>> children_now(child_lists_.size());
    for (std::size_t i = 0; i < child_lists_.size(); ++i) {
        if (child_lists_[i].before && child_lists_[i].after) {
            children_now[i] = ChildIds(*scene.FindNode(child_lists_[i].parent));
        }
    }

    for (HeldNode& held : leaving) {
        held.node = scene.ReleaseNode(*scene.FindNode(held.id));
        node_changed(ChangeKind::NodeRemoved, held.id);
    }
    for (HeldNode& held : entering) {
        scene.RestoreNode(std::move(held.node));
        node_changed(ChangeKind::NodeAdded, held.id);
    }
    for (std::size_t i = 0; i < child_lists_.size(); ++i) {
        const ChildList& list = child_lists_[i];
        const std::optional<std::vector<NodeId>> target =
            TargetChildren(list, back, children_now[i]);
        if (!target) {
            continue;
        }
        SceneNode* parent = scene.FindNode(list.parent);
        std::vector<SceneNode*> children;
        children.reserve(target->size());
        for (NodeId id : *target) {
            children.push_back(scene.FindNode(id));
        }
        SetChildren(*parent, children);
        if (parent != &scene.Root()) {
            node_changed(ChangeKind::TreeChanged, parent->id);
        }
    }
    // The field records toward the target; none for a node the target state has not.
    auto target_of = [back](const auto& change) {
        return back ? &change.before : (change.after ? &*change.after : nullptr);
    };
    for (const auto& change : placements_) {
        if (const NodePlacement* target = target_of(change)) {
            SceneNode& node = *scene.FindNode(change.id);
            node.position = target->position;
            node.rotation = target->rotation;
            node.scale = target->scale;
            node.box = target->box;
            node.UpdateBounds();
            node.ComputeParentFromNode();
            node_changed(ChangeKind::NodeTransformed, change.id);
        }
    }
    for (const auto& change : meshes_) {
        if (const Mesh* target = target_of(change)) {
            scene.FindNode(change.id)->display_mesh = *target;
            node_changed(ChangeKind::NodeGeometry, change.id);
        }
    }
    for (HeldShape& held : shapes_) {
        std::swap(scene.FindNode(held.id)->shape, held.other);
        node_changed(ChangeKind::NodeGeometry, held.id);
    }
    for (const auto& change : materials_) {
        if (const Material* target = target_of(change)) {
            scene.FindNode(change.id)->material = *target;
            node_changed(ChangeKind::NodeMaterial, change.id);
        }
    }
    for (const auto& change : names_) {
        if (const std::string* target = target_of(change)) {
            scene.RenameNode(*scene.FindNode(change.id), *target);
            node_changed(ChangeKind::NodeRenamed, change.id);
        }
    }
    for (const auto& change : visibility_) {
        if (const std::int32_t* target = target_of(change)) {
            scene.FindNode(change.id)->visible = *target;
            node_changed(ChangeKind::NodeShown, change.id);
        }
    }

    // Lights leave, come back in the order of their places in the list, or change.
    std::vector<const IndexedLight*> entering_lights;
    for (const LightChange& change : lights_) {
        const std::optional<IndexedLight>& target = back ? change.before : change.after;
        const std::optional<IndexedLight>& source = back ? change.after : change.before;
        if (source && !target) {
            scene.RemoveLight(scene.LightIndex(change.id));
            light_changed(ChangeKind::LightRemoved, change.id);
        } else if (target && !source) {
            entering_lights.push_back(&*target);
        }
    }
    std::sort(entering_lights.begin(), entering_lights.end(),
              [](const IndexedLight* a, const IndexedLight* b) { return a->index < b->index; });
    for (const IndexedLight* light : entering_lights) {
        scene.RestoreLight(light->index, light->light);
        light_changed(ChangeKind::LightAdded, light->light.id);
    }
    for (const LightChange& change : lights_) {
        if (change.before && change.after) {
            *scene.FindLight(change.id) = (back ? change.before : change.after)->light;
            light_changed(ChangeKind::LightChanged, change.id);
        }
    }
    for (const LightPlacementChange& change : light_placements_) {
        if (const LightPlacement* target = target_of(change)) {
            Light& light = *scene.FindLight(change.id);
            light.position = target->position;
            light.size = target->size;
            light.rotation = target->rotation;
            light_changed(ChangeKind::LightChanged, change.id);
        }
    }

    if (lighting_) {
        scene.lighting = back ? lighting_->before : lighting_->after;
        changes.push_back({ChangeKind::Lighting, {}, {}});
    }

    const SelectionState& selection = SelectionAt(direction);
    scene.ClearSelection();
    for (const SelectedNode& selected : selection.nodes) {
        if (SceneNode* node = scene.FindNode(selected.id)) {
            scene.SetSelected(*node, selected.flag);
        }
    }
    for (LightId id : selection.lights) {
        if (Light* light = scene.FindLight(id)) {
            light->selected = 1;
        }
    }
    changes.push_back({ChangeKind::Selection, {}, {}});
    return true;
}

// ---------------------------------------------------------------- the history

History::History(std::size_t max_steps, std::size_t max_bytes)
    : max_steps_(max_steps), max_bytes_(max_bytes) {}

History::~History() = default;

void History::Push(std::unique_ptr<EditStep> step) {
    for (const auto& undone : redo_) {
        bytes_ -= undone->Bytes();
    }
    redo_.clear();
    step->serial = ++last_serial_;
    bytes_ += step->Bytes();
    undo_.push_back(std::move(step));
    DropOldest();
}

void History::SetMaxSteps(std::size_t max_steps) {
    max_steps_ = std::max<std::size_t>(1, max_steps);
    DropOldest();
}

void History::DropOldest() {
    while (!undo_.empty() && (undo_.size() > max_steps_ || bytes_ > max_bytes_)) {
        base_ = undo_.front()->serial;
        bytes_ -= undo_.front()->Bytes();
        undo_.pop_front();
    }
}

void History::Undone() {
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

std::optional<std::uint64_t> History::StateBeforeNewest() const {
    if (undo_.empty()) {
        return std::nullopt;
    }
    return undo_.size() > 1 ? undo_[undo_.size() - 2]->serial : base_;
}

void History::ForgetNextRedo() {
    if (!redo_.empty()) {
        bytes_ -= redo_.back()->Bytes();
        redo_.pop_back();
    }
}

void History::Redone() {
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

void History::Clear() {
    undo_.clear();
    redo_.clear();
    bytes_ = 0;
    base_ = ++last_serial_;
}

}  // namespace kelto
