#include "document_core.h"

#include "model/child_list.h"
#include "modelling/text_shape.h"
#include "modelling/trim_kernel.h"

namespace kelto {

void DocumentCore::AddChangeListener(std::function<void()> listener) {
    listeners_.push_back(std::move(listener));
}

void DocumentCore::Changed() {
    for (const auto& listener : listeners_) {
        listener();
    }
}

SceneNode* DocumentCore::InsertObject(ObjectType type, const Vec3& point, bool shift) {
    SceneNode* node = scene_.CreateNode(type, point);
    if (node == nullptr) {
        return nullptr;
    }
    SelectInserted(*node, shift);
    return node;
}

Status DocumentCore::InsertText(const Vec3& point, const std::string& text, const LogFont& font,
                                double depth, bool shift, TextInsertion* made) {
    auto shape = std::make_unique<TextShape>(text, font, depth);
    std::string missing;
    if (!shape->ReadGlyphs(&missing)) {
        return Status::Message(kMsgNoTrueTypeFont,
                               FormatMessage(kMsgNoTrueTypeFont, font.FaceName()));
    }
    Mesh mesh;
    BoundingBox box;
    if (!shape->BuildDisplayMesh(mesh, box)) {
        return Status::Message(kMsgTextTooLarge, FormatMessage(kMsgTextTooLarge, text));
    }
    if (mesh.vertices.empty()) {
        return Status::Message(kMsgTextEmpty, FormatMessage(kMsgTextEmpty, text));
    }
    SceneNode* node = scene_.AddNode(ObjectType::Text, scene_.MakeDefaultName(ObjectType::Text));
    node->shape = std::move(shape);
    node->display_mesh = std::move(mesh);
    node->box = box;
    node->smooth = 1;
    // The box's bottom left goes to the click point; the text then stands up.
    node->position = {point.x - box.min.x, point.y - box.min.z, point.z};
    node->rotation.Rotate(-90.0, {1, 0, 0});
    node->UpdateBounds();
    node->ComputeWorldMatrix();
    LinkChild(scene_.Root(), *node);
    if (made != nullptr) {
        made->node = node;
        made->warning = missing.empty() ? Status::Ok()
                                        : Status::Message(kMsgTextCharactersMissing,
                                                          FormatMessage(kMsgTextCharactersMissing,
                                                                        CharacterNames(missing)));
    }
    SelectInserted(*node, shift);
    return Status::Ok();
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
    modified_ = true;
    Changed();
}

int DocumentCore::InsertLight(LightKind kind, const Vec3& point) {
    const int index = scene_.InsertLight(kind, point);
    modified_ = true;
    Changed();
    return index;
}

void DocumentCore::SelectNode(SceneNode& node, bool shift) {
    selection_.is_group = false;
    scene_.DeselectAllLights();
    if (!shift) {
        scene_.SelectOnly(node);
        selection_.selected_count = 1;
        selection_.is_group = node.MarksGroupSelection();
        selection_.is_trim = false;
    } else if (scene_.CountSelected() > 1 && node.selected) {
        scene_.RemoveFromSelection(node);
        --selection_.selected_count;
    } else if (!node.selected) {
        scene_.AddToSelection(node);
        ++selection_.selected_count;
    }
    Changed();
}

void DocumentCore::SelectLight(int index) {
    ClearSelection();
    scene_.SelectOnlyLight(index);
    Changed();
}

void DocumentCore::ClearSelection() {
    scene_.ClearSelection();
    selection_ = {};
    Changed();
}

void DocumentCore::Grab(const SceneNode* node, int light_index, int handle_code, bool shift) {
    static constexpr std::uint8_t kMaskOfKind[4] = {kAxisX, kAxisY, kAxisZ, kAxisAll};
    const std::uint8_t mask = kMaskOfKind[handle_code & 3];
    const bool same_object = node == grabbed_node_ && light_index == grabbed_light_;
    if (shift && same_object && axis_mask_ != kAxisNone) {
        axis_mask_ = static_cast<std::uint8_t>(axis_mask_ | mask);
    } else {
        axis_mask_ = mask;
    }
    grabbed_node_ = node;
    grabbed_light_ = light_index;
    grabbed_corner_ = handle_code / 4;
}

void DocumentCore::GrabNodeHandle(SceneNode& node, int handle_code, bool shift) {
    Grab(&node, -1, handle_code, shift);
    selection_.is_group = node.MarksGroupSelection();
    selection_.is_trim = false;
}

void DocumentCore::GrabLightHandle(int light_index, int handle_code, bool shift) {
    Grab(nullptr, light_index, handle_code, shift);
    selection_.is_group = false;
    selection_.is_trim = false;
}

void DocumentCore::ClearGrab() {
    grabbed_node_ = nullptr;
    grabbed_light_ = -1;
    grabbed_corner_ = -1;
    axis_mask_ = kAxisNone;
}

void DocumentCore::BeginRotatingNode(SceneNode& node, int ring_code) {
    scene_.drag_mode = ring_code;
    grabbed_ring_ = ring_code;
    node.pending_angles = {};
    node.rotating = 1;
    selection_.selected_count = 1;
}

void DocumentCore::BeginRotatingLight(int light_index, int ring_code) {
    scene_.drag_mode = ring_code;
    grabbed_ring_ = ring_code;
    scene_.BeginLightRotate(light_index);
    selection_ = {};
}

void DocumentCore::DragMoveNode(SceneNode& node, const Vec3& offset) {
    node.moving = 1;
    node.pending_offset = node.pending_offset + offset;
    node.ComputeWorldMatrix();
    drag_changed_ = true;
    Changed();
}

void DocumentCore::DragScaleNode(SceneNode& node, const Vec3& factors, const Vec3& offset) {
    node.scaling = 1;
    node.moving = 1;
    node.pending_scale = {node.pending_scale.x * factors.x, node.pending_scale.y * factors.y,
                          node.pending_scale.z * factors.z};
    node.pending_offset = node.pending_offset + offset;
    node.ComputeWorldMatrix();
    drag_changed_ = true;
    Changed();
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

void DocumentCore::DragRotateNode(SceneNode& node, int axis, double degrees) {
    node.rotating = 1;
    AddAngle(node.pending_angles, axis, degrees);
    node.ComputeWorldMatrix();
    drag_changed_ = true;
    Changed();
}

void DocumentCore::DragMoveLight(int light_index, const Vec3& offset) {
    Light& light = scene_.Lights().at(static_cast<std::size_t>(light_index));
    light.moving = 1;
    light.pending_offset = light.pending_offset + offset;
    drag_changed_ = true;
    Changed();
}

void DocumentCore::DragScaleLight(int light_index, double factor) {
    Light& light = scene_.Lights().at(static_cast<std::size_t>(light_index));
    if (!light.scaling) {
        light.pending_scale = 1.0;
        light.scaling = 1;
    }
    light.pending_scale *= factor;
    modified_ = true;
    drag_changed_ = true;
    Changed();
}

void DocumentCore::DragRotateLight(int light_index, int axis, double degrees) {
    Light& light = scene_.Lights().at(static_cast<std::size_t>(light_index));
    light.rotating = 1;
    AddAngle(light.pending_angles, axis, degrees);
    drag_changed_ = true;
    Changed();
}

void DocumentCore::EndDrag() {
    grabbed_ring_ = 0;
    scene_.drag_mode = 0;
    scene_.EndPendingTransforms();
    if (drag_changed_) {
        drag_changed_ = false;
        modified_ = true;
    }
    Changed();
}

SceneNode* DocumentCore::Group() {
    SceneNode* group = scene_.GroupSelected();
    if (group == nullptr) {
        return nullptr;
    }
    selection_.is_group = true;
    selection_.is_trim = false;
    selection_.selected_count = 1;
    modified_ = true;
    Changed();
    return group;
}

}  // namespace kelto

namespace kelto {

Status DocumentCore::Trim(MessageIcon* icon, SceneNode** created) {
    if (created != nullptr) {
        *created = nullptr;
    }
    const std::vector<SceneNode*> selected = scene_.SelectedTopLevel();
    if (selected.size() < 2) {
        return Status::Ok();
    }
    SceneNode& cutter = *selected[0];
    SceneNode& trimmed = *selected[1];
    const TrimResult result = TrimKernel(trimmed, cutter);
    if (result != TrimResult::Done) {
        const int number =
            result == TrimResult::NoIntersection ? kMsgTrimNoIntersection : kMsgTrimTopology;
        if (icon != nullptr) {
            *icon = result == TrimResult::NoIntersection ? MessageIcon::Information
                                                         : MessageIcon::Warning;
        }
        return Status::Message(number, FormatMessage(number));
    }
    for (SceneNode* operand : {&cutter, &trimmed}) {
        operand->box = operand->display_mesh.Box();
        operand->UpdateBounds();
    }
    SceneNode* trim = scene_.GatherSelected(ObjectType::Trim);
    if (created != nullptr) {
        *created = trim;
    }
    selection_.selected_count = 1;
    selection_.is_group = false;
    selection_.is_trim = true;
    modified_ = true;
    Changed();
    return Status::Ok();
}

}  // namespace kelto
