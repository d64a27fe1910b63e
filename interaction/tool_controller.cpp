#include "tool_controller.h"

#include <algorithm>
#include <cmath>

#include "decorations.h"
#include "grid_snap.h"

namespace kelto {
namespace {

bool HasShift(const PointerEvent& event) {
    return (event.modifiers & kModifierShift) != 0;
}

bool HasControl(const PointerEvent& event) {
    return (event.modifiers & kModifierControl) != 0;
}

WindowPoint PixelCentre(const WindowPoint& p) {
    return {p.x + 0.5, p.y + 0.5};
}

// The nearest pixel at or right of and below the window's corner.
WindowPoint RoundedPixel(const WindowPoint& p) {
    return {std::max(0.0, std::round(p.x)), std::max(0.0, std::round(p.y))};
}

Vec3 ToVec3(const Vec3f& p) {
    return {p.x, p.y, p.z};
}

}  // namespace

ToolCursor ToolController::HoverCursor(ToolMode mode) {
    switch (mode) {
        case ToolMode::InsertPrimitive:
        case ToolMode::InsertLight:
            return ToolCursor::Cross;
        case ToolMode::Text:
            return ToolCursor::IBeam;
        case ToolMode::MoveCamera:
            return ToolCursor::Navigate;
        default:
            return ToolCursor::Arrow;
    }
}

std::optional<ToolResponse> ToolController::OnNavigation(const PointerEvent& event) {
    ToolResponse response;
    if (event.kind == PointerEventKind::Wheel) {
        response.camera_moved = response.redraw =
            navigation_.Wheel(event.point, event.wheel_notches);
        return response;
    }
    if (navigation_.Active() == NavigationMove::None) {
        const NavigationMove move =
            event.kind == PointerEventKind::Press && !captured_
                ? CameraNavigation::MoveFor(event.button, event.modifiers, tools_)
                : NavigationMove::None;
        if (move == NavigationMove::None) {
            return std::nullopt;
        }
        navigation_.Begin(move, event.button, event.point);
        PushCursor(ToolCursor::Navigate);
        response.cursor = cursor_;
        response.capture_mouse = true;
        return response;
    }
    switch (event.kind) {
        case PointerEventKind::Move:
            response.camera_moved = response.redraw = navigation_.Step(event.point);
            break;
        case PointerEventKind::Release:
            if (event.button != navigation_.Button()) {
                break;
            }
            [[fallthrough]];
        case PointerEventKind::Cancel:
            navigation_.End();
            response.cursor = PopCursor();
            response.release_mouse = true;
            break;
        default:  // another button during the drag: the drag goes on
            break;
    }
    return response;
}

ToolResponse ToolController::OnPointer(const PointerEvent& event) {
    if (std::optional<ToolResponse> navigated = OnNavigation(event)) {
        return *navigated;
    }
    switch (event.kind) {
        case PointerEventKind::Press:
            if (event.button == PointerButton::Left) {
                return OnButtonDown(event);
            }
            // Another button in the middle of a drag takes the mouse elsewhere: drop the drag.
            return OnCancel();
        case PointerEventKind::Move:
            return OnMouseMove(event);
        case PointerEventKind::Release:
            if (event.button == PointerButton::Left) {
                return OnButtonUp(event);
            }
            return {};
        case PointerEventKind::Cancel:
            return OnCancel();
        case PointerEventKind::DoubleClick:
            return OnDoubleClick(event);
        case PointerEventKind::Wheel:
            break;
    }
    return {};
}

ToolResponse ToolController::OnDoubleClick(const PointerEvent& event) {
    ToolResponse response;
    const ToolMode mode = tools_.Mode();
    if (event.button != PointerButton::Left || captured_ ||
        (mode != ToolMode::Select && mode != ToolMode::Rotate)) {
        return response;
    }
    const std::optional<PickHit> hit =
        Pick(document_.GetScene(), renderer_.RayAt(PixelCentre(event.point)), {});
    const SceneNode* node = hit && hit->IsNode() ? document_.Node(hit->node) : nullptr;
    if (node != nullptr && node->type == ObjectType::Text) {
        response.edit_text = node->id;
    }
    return response;
}

void ToolController::PushCursor(ToolCursor cursor) {
    cursor_stack_.push_back(cursor_);
    cursor_ = cursor;
}

ToolCursor ToolController::PopCursor() {
    if (cursor_stack_.empty()) {
        cursor_ = HoverCursor(tools_.Mode());
    } else {
        cursor_ = cursor_stack_.back();
        cursor_stack_.pop_back();
    }
    return cursor_;
}

void ToolController::ResetAnchors() {
    handle_vector_ = {-1, -1};
    drag_node_ = {};
    drag_light_ = {};
    handle_code_ = -1;
    ring_code_ = 0;
}

// --- button down ---

ToolResponse ToolController::OnButtonDown(const PointerEvent& event) {
    ToolResponse response;
    if (captured_) {
        // The release of the last press never came: that drag ends here.
        response = OnButtonUp(event);
    }
    captured_ = true;
    moved_ = false;
    response.capture_mouse = true;
    response.release_mouse = false;
    down_point_ = event.point;
    last_point_ = event.point;
    PushCursor(cursor_);
    ResetAnchors();
    switch (tools_.Mode()) {
        case ToolMode::Select:
            SelectToolDown(event, response);
            break;
        case ToolMode::InsertPrimitive:
            InsertDown(event, false);
            response.redraw = true;
            break;
        case ToolMode::Rotate:
            RotateToolDown(event, response);
            break;
        case ToolMode::InsertLight:
            InsertDown(event, true);
            response.redraw = true;
            break;
        case ToolMode::Text:
            TextToolDown(event, response);
            break;
        case ToolMode::MoveCamera:  // its drags are the navigation's
            break;
    }
    response.cursor = cursor_;
    return response;
}

void ToolController::SelectToolDown(const PointerEvent& event, ToolResponse& response) {
    const bool shift = HasShift(event);
    const PickRay ray = renderer_.RayAt(PixelCentre(event.point));
    const std::optional<PickHit> hit = Pick(document_.GetScene(), ray, {});
    response.redraw = true;
    if (!hit) {
        document_.ClearSelection();
        return;
    }
    switch (hit->kind) {
        case PickHit::Kind::NodeHandle:
            document_.GrabNodeHandle(hit->node, hit->code, shift);
            drag_ = DragState::ScaleNode;
            drag_node_ = hit->node;
            handle_code_ = hit->code;
            cursor_ = ToolCursor::Scale;
            break;
        case PickHit::Kind::LightHandle:
            document_.ClearGrab();
            document_.GrabLightHandle(hit->light, hit->code, shift);
            drag_ = DragState::ScaleLight;
            drag_light_ = hit->light;
            handle_code_ = hit->code;
            cursor_ = ToolCursor::Scale;
            break;
        case PickHit::Kind::NodeBody:
            document_.ClearGrab();
            document_.SelectNode(hit->node, shift);
            drag_ = DragState::MoveNode;
            drag_node_ = hit->node;
            BeginMove(ray, *hit, document_.Node(hit->node)->position);
            cursor_ = ToolCursor::Move;
            break;
        case PickHit::Kind::LightBody:
            document_.ClearGrab();
            document_.SelectLight(hit->light);
            drag_ = DragState::MoveLight;
            drag_light_ = hit->light;
            BeginMove(ray, *hit, document_.FindLight(hit->light)->position);
            cursor_ = ToolCursor::Move;
            break;
        default:  // rings are not picked by this tool
            break;
    }
}

void ToolController::RotateToolDown(const PointerEvent& event, ToolResponse& response) {
    PickOptions options;
    options.rings = true;
    const std::optional<PickHit> hit =
        Pick(document_.GetScene(), renderer_.RayAt(PixelCentre(event.point)), options);
    if (!hit) {
        return;
    }
    response.redraw = true;
    switch (hit->kind) {
        case PickHit::Kind::LightBody: {
            document_.ClearSelection();
            const Light* light = document_.FindLight(hit->light);
            if (light != nullptr && light->kind == LightKind::Spot) {
                document_.SelectLight(hit->light);
            }
            return;
        }
        case PickHit::Kind::NodeBody:
            document_.SelectNode(hit->node, false);
            return;
        case PickHit::Kind::NodeRing:
            document_.BeginRotatingNode(hit->node, hit->code);
            drag_ = DragState::RotateNode;
            drag_node_ = hit->node;
            break;
        case PickHit::Kind::LightRing:
            document_.BeginRotatingLight(hit->light, hit->code);
            drag_ = DragState::RotateLight;
            drag_light_ = hit->light;
            break;
        default:
            return;
    }
    ring_code_ = hit->code;
    ring_grab_ = hit->grab_point;
    ring_start_ = hit->segment_start;
    ring_end_ = hit->segment_end;
    cursor_ = ToolCursor::Rotate;
    // The drag measures the mouse from the grab point, where the pointer goes now.
    WindowPoint grab;
    if (renderer_.ProjectToWindow(ring_grab_, grab)) {
        last_point_ = RoundedPixel(grab);
        response.warp_pointer = last_point_;
    }
}

void ToolController::KeepToolOnlyWithControl(const PointerEvent& event) {
    if (!HasControl(event)) {
        tools_.SetMode(ToolMode::Select);
    }
}

std::optional<Vec3> ToolController::GroundPoint(const WindowPoint& pixel) const {
    const PickRay ray = renderer_.RayAt(pixel);
    Vec3 ground;
    if (renderer_.IsOrthographic() && ray.direction.y == 0.0) {
        // Looking along the floor: the floor point under the pixel on the view's centre plane.
        const Vec3& d = ray.direction;
        const double t = Dot(renderer_.Camera().target - ray.origin, d) / Dot(d, d);
        ground = ray.origin + d * t;
        ground.y = 0.0;
    } else {
        if (ray.direction.y == 0.0) {
            return std::nullopt;
        }
        const double t = -ray.origin.y / ray.direction.y;
        if (!(t >= 0.0 && t <= kMaxGroundDistance)) {
            return std::nullopt;
        }
        ground = {ray.origin.x + t * ray.direction.x, 0.0, ray.origin.z + t * ray.direction.z};
    }
    if (!(std::abs(ground.x) <= kGroundLimit && std::abs(ground.z) <= kGroundLimit)) {
        ground = {0, 0, 0};
    }
    return ground;
}

std::optional<Vec3> ToolController::InsertionPoint(const WindowPoint& pixel) const {
    const std::optional<Vec3> ground = GroundPoint(pixel);
    if (ground && tools_.SnapToGrid()) {
        return SnapOnFloor(*ground, tools_.GridStep());
    }
    return ground;
}

void ToolController::InsertDown(const PointerEvent& event, bool light) {
    const int kind = light ? tools_.LightTool() : tools_.PrimitiveKind();
    KeepToolOnlyWithControl(event);
    if (light) {
        document_.ClearSelection();
    }
    const std::optional<Vec3> ground = InsertionPoint(event.point);
    if (!ground) {
        return;
    }
    if (light) {
        // Above the floor point, so that the light shines down on what stands there.
        const Vec3 above{ground->x, tools_.LightHeight(), ground->z};
        const LightId id = document_.InsertLight(LightToolKind(kind), above);
        document_.SelectLight(id);
    } else {
        document_.InsertObject(PrimitiveKindType(kind), *ground, HasShift(event));
    }
}

void ToolController::TextToolDown(const PointerEvent& event, ToolResponse& response) {
    const std::optional<TextToolChoice> choice =
        text_prompt_ != nullptr ? text_prompt_->AskForText() : std::nullopt;
    if (choice && choice->HasVisibleText() && !choice->font.FaceName().empty()) {
        if (const std::optional<Vec3> ground = InsertionPoint(event.point)) {
            const Result<TextInsertion> made = document_.InsertText(
                *ground, choice->text, choice->font, choice->depth, HasShift(event));
            if (!made.ok()) {
                response.message = made.status();
            } else if (!made->warning.ok()) {
                response.message = made->warning;
            }
            response.redraw = true;
        }
    }
    KeepToolOnlyWithControl(event);
}

// --- moves ---

ToolResponse ToolController::OnMouseMove(const PointerEvent& event) {
    ToolResponse response;
    if (drag_ == DragState::None) {
        last_point_ = event.point;
        if (!captured_) {
            cursor_ = HoverCursor(tools_.Mode());
            response.cursor = cursor_;
        }
        return response;
    }
    const bool first = !moved_;
    moved_ = true;
    const double dx = event.point.x - last_point_.x;
    const double dy = event.point.y - last_point_.y;
    switch (drag_) {
        case DragState::ScaleNode:
        case DragState::ScaleLight: {
            if (first) {
                renderer_.highlight_mode = CViewRenderer::kHighlightScaling;
                response.redraw = true;
            }
            if (drag_ == DragState::ScaleNode) {
                ScaleNodeStep(dx, dy);
            } else {
                ScaleLightStep(dx, dy);
            }
            last_point_ = event.point;
            break;
        }
        case DragState::MoveNode:
        case DragState::MoveLight:
            if (first) {
                renderer_.highlight_mode = CViewRenderer::kHighlightMoving;
                response.redraw = true;
            }
            MoveStep(event);
            last_point_ = event.point;
            break;
        case DragState::RotateNode:
        case DragState::RotateLight:
            if (first) {
                renderer_.highlight_mode = CViewRenderer::kHighlightRotating;
                response.redraw = true;
            }
            RotateStep(event, response);
            break;
        case DragState::None:
            break;
    }
    response.redraw = true;
    return response;
}

WindowPoint ToolController::ScreenVector(const Vec3& a, const Vec3& b) const {
    WindowPoint pa;
    WindowPoint pb;
    if (!renderer_.ProjectToWindow(a, pa) || !renderer_.ProjectToWindow(b, pb)) {
        return {0, 0};
    }
    const WindowPoint v{std::round(pb.x - pa.x), std::round(pb.y - pa.y)};
    return std::isfinite(v.x) && std::isfinite(v.y) ? v : WindowPoint{0, 0};
}

double ToolController::HandleScaleFactor(double dx, double dy) const {
    const double ax = handle_vector_.x;
    const double ay = handle_vector_.y;
    const double length2 = ax * ax + ay * ay;
    const double f = length2 > 0.0 ? (dx * ax + dy * ay) / length2 : 0.0;
    return std::clamp(1.0 + f / 8.0, 0.1, 2.0);
}

void ToolController::ScaleNodeStep(double dx, double dy) {
    const SceneNode* node = document_.Node(drag_node_);
    if (node == nullptr || node->box.IsEmpty()) {
        return;
    }
    const int corner = std::clamp(document_.GrabbedCorner(), 0, 7);
    const auto corners = BoxCorners(node->box);
    const Vec3 anchor_local = ToVec3(corners[static_cast<std::size_t>(OppositeCorner(corner))]);
    if (handle_vector_.x == -1 && handle_vector_.y == -1) {
        const Vec3 corner_world = TransformPoint(node->parent_from_node,
                                                 ToVec3(corners[static_cast<std::size_t>(corner)]));
        const Vec3 handle_world =
            TransformPoint(node->parent_from_node, ToVec3(HandleCentre(node->box, handle_code_)));
        handle_vector_ = ScreenVector(corner_world, handle_world);
        if (handle_vector_.x == -1 && handle_vector_.y == -1) {
            handle_vector_ = {-1.01, -1};  // a vector that happens to be the unset mark
        }
        anchor_world_ = TransformPoint(node->parent_from_node, anchor_local);
    }
    const double s = HandleScaleFactor(dx, dy);
    if (s == 1.0) {
        return;
    }
    const std::uint8_t mask = document_.GrabbedAxes();
    const Vec3 factors{(mask & kAxisX) ? s : 1.0, (mask & kAxisY) ? s : 1.0,
                       (mask & kAxisZ) ? s : 1.0};
    if (factors == Vec3{1, 1, 1}) {
        return;
    }
    // Where the anchor corner would go with the new scale, and the slide that keeps it.
    const Vec3 pending{node->pending_scale.x * factors.x, node->pending_scale.y * factors.y,
                       node->pending_scale.z * factors.z};
    Matrix4 placement;
    placement.Translate(node->position + node->pending_offset);
    placement.Multiply(node->rotation);
    placement.Scale(
        {node->scale.x * pending.x, node->scale.y * pending.y, node->scale.z * pending.z});
    const Vec3 moved_to = TransformPoint(placement, anchor_local);
    Vec3 slide = anchor_world_ - moved_to;
    if (!std::isfinite(slide.x) || !std::isfinite(slide.y) || !std::isfinite(slide.z)) {
        slide = {};
    }
    document_.DragScaleNode(drag_node_, factors, slide);
}

void ToolController::ScaleLightStep(double dx, double dy) {
    const Light* light = document_.FindLight(drag_light_);
    if (light == nullptr) {
        return;
    }
    if (handle_vector_.x == -1 && handle_vector_.y == -1) {
        const BoundingBox box = LightIconBox(*light);
        const Matrix4 frame = LightFrame(*light);
        const int corner = std::clamp(handle_code_ / 4, 0, 7);
        const Vec3 corner_world =
            TransformPoint(frame, ToVec3(BoxCorners(box)[static_cast<std::size_t>(corner)]));
        const Vec3 handle_world = TransformPoint(frame, ToVec3(HandleCentre(box, handle_code_)));
        handle_vector_ = ScreenVector(corner_world, handle_world);
        if (handle_vector_.x == -1 && handle_vector_.y == -1) {
            handle_vector_ = {-1.01, -1};
        }
    }
    const double s = HandleScaleFactor(dx, dy);
    if (s != 1.0 && (document_.GrabbedAxes() & kAxisX) != 0) {
        document_.DragScaleLight(drag_light_, s);
    }
}

std::optional<Vec3> ToolController::DragPlanePoint(const WindowPoint& pixel,
                                                   const Vec3& through) const {
    const PickRay ray = renderer_.RayAt(PixelCentre(pixel));
    const Vec3& d = ray.direction;
    // The horizontal plane through the object; a parallel view looking along the floor slides
    // on the plane square to its view instead.
    Vec3 normal{0, 1, 0};
    if (renderer_.IsOrthographic() && d.y == 0.0) {
        normal = renderer_.Camera().direction;
    }
    const double across = Dot(d, normal);
    if (across == 0.0) {
        return std::nullopt;
    }
    const double t = Dot(through - ray.origin, normal) / across;
    if (!(t >= 0.0 && t <= kMaxGroundDistance)) {
        return std::nullopt;
    }
    return ray.origin + d * t;
}

void ToolController::BeginMove(const PickRay& ray, const PickHit& hit, const Vec3& position) {
    const double length = ray.direction.Length();
    grab_start_ = length > 0.0 ? ray.origin + ray.direction * (hit.distance / length) : position;
    grab_now_ = grab_start_;
    move_start_ = position;
    move_applied_ = {};
}

namespace {

// How far up the vertical line through `on_line` lies its point nearest the ray; nothing
// when the ray runs along the line (a view straight down shows no height).
std::optional<double> NearestHeightOnVertical(const PickRay& ray, const Vec3& on_line) {
    const Vec3& d = ray.direction;
    const Vec3 w = on_line - ray.origin;
    const double dd = Dot(d, d);
    const double across = dd - d.y * d.y;  // |d|^2 sin^2 of the angle to the line
    if (!(across > 1e-12 * dd)) {
        return std::nullopt;
    }
    const double t = (d.y * Dot(d, w) - dd * w.y) / across;
    return std::isfinite(t) ? std::optional<double>(t) : std::nullopt;
}

}  // namespace

void ToolController::MoveStep(const PointerEvent& event) {
    const bool node_drag = drag_ == DragState::MoveNode;
    if (node_drag ? document_.Node(drag_node_) == nullptr
                  : document_.FindLight(drag_light_) == nullptr) {
        return;
    }
    // The plane a floor move slides on: the horizontal one, or for a parallel view looking
    // along the floor the one square to its view.
    const bool along_floor = renderer_.IsOrthographic() && renderer_.Camera().direction.y == 0.0;
    const Vec3 normal = along_floor ? renderer_.Camera().direction : Vec3{0, 1, 0};
    if (HasShift(event)) {
        const std::optional<double> up =
            NearestHeightOnVertical(renderer_.RayAt(PixelCentre(event.point)), grab_now_);
        if (!up) {
            return;
        }
        grab_now_.y += *up;
    } else {
        const std::optional<Vec3> on_plane = DragPlanePoint(event.point, grab_now_);
        if (!on_plane) {
            return;
        }
        // On a plane square to an axis the point keeps that coordinate exactly.
        const Vec3 before = grab_now_;
        grab_now_ = *on_plane;
        if (normal.y == 0.0 && normal.z == 0.0) {
            grab_now_.x = before.x;
        }
        if (normal.x == 0.0 && normal.z == 0.0) {
            grab_now_.y = before.y;
        }
        if (normal.x == 0.0 && normal.y == 0.0) {
            grab_now_.z = before.z;
        }
    }
    // Where the object goes; with snapping its position lands on the grid along the plane.
    Vec3 position = move_start_ + (grab_now_ - grab_start_);
    if (tools_.SnapToGrid() != HasControl(event)) {
        const double step = tools_.GridStep();
        position = {normal.x == 0.0 ? SnapToStep(position.x, step) : position.x,
                    normal.y == 0.0 ? SnapToStep(position.y, step) : position.y,
                    normal.z == 0.0 ? SnapToStep(position.z, step) : position.z};
    }
    const Vec3 target = position - move_start_;
    const Vec3 offset = target - move_applied_;
    if (offset == Vec3{} || !std::isfinite(offset.x) || !std::isfinite(offset.y) ||
        !std::isfinite(offset.z)) {
        return;
    }
    move_applied_ = target;
    if (node_drag) {
        document_.DragMoveNode(drag_node_, offset);
    } else {
        document_.DragMoveLight(drag_light_, offset);
    }
}

void ToolController::RotateStep(const PointerEvent& event, ToolResponse& response) {
    const double dx = event.point.x - last_point_.x;
    const double dy = event.point.y - last_point_.y;
    const WindowPoint segment = ScreenVector(ring_start_, ring_end_);
    const double tx = std::round(5.0 * segment.x);
    const double ty = std::round(5.0 * segment.y);
    const double length2 = tx * tx + ty * ty;
    const double a = length2 > 0.0 ? (tx * 2.0 * dx + ty * 2.0 * dy) / length2 : 0.0;
    const double steps = std::trunc(a);
    if (!(std::abs(steps) > 1.0) || !std::isfinite(steps)) {
        return;  // the motion keeps adding up from the grab point
    }
    static constexpr double kRotationFactor[3] = {1.0, 1.0, 1.0};  // degrees per unit
    const int axis = std::clamp(ring_code_ - kRingCodeX, 0, 2);
    const double degrees = steps * kRotationFactor[axis];
    if (drag_ == DragState::RotateNode) {
        document_.DragRotateNode(drag_node_, axis, degrees);
    } else {
        document_.DragRotateLight(drag_light_, axis, degrees);
    }
    // Back to the grab point, so that the next motion is measured from there.
    WindowPoint grab;
    if (renderer_.ProjectToWindow(ring_grab_, grab)) {
        last_point_ = RoundedPixel(grab);
        response.warp_pointer = last_point_;
    } else {
        last_point_ = event.point;
    }
}

// --- button up and cancel ---

ToolResponse ToolController::OnButtonUp(const PointerEvent& event) {
    ToolResponse response;
    response.cursor = PopCursor();
    moved_ = false;
    last_point_ = event.point;
    if (!captured_) {
        return response;
    }
    captured_ = false;
    response.release_mouse = true;
    drag_ = DragState::None;
    document_.EndDrag();
    renderer_.highlight_mode = CViewRenderer::kHighlightNormal;
    response.redraw = true;
    ResetAnchors();
    return response;
}

ToolResponse ToolController::OnCancel() {
    ToolResponse response;
    if (!captured_ && drag_ == DragState::None) {
        return response;
    }
    response.cursor = PopCursor();
    captured_ = false;
    moved_ = false;
    response.release_mouse = true;
    drag_ = DragState::None;
    document_.CancelDrag();
    renderer_.highlight_mode = CViewRenderer::kHighlightNormal;
    response.redraw = true;
    ResetAnchors();
    return response;
}

// --- keys ---

ToolResponse ToolController::OnKey(ToolKey key, unsigned modifiers) {
    if (navigation_.Active() != NavigationMove::None) {
        if (key == ToolKey::Escape) {
            PointerEvent cancel;
            cancel.kind = PointerEventKind::Cancel;
            return OnPointer(cancel);  // the camera stays where the drag took it
        }
        return {};
    }
    if (key == ToolKey::Escape) {
        if (captured_ || drag_ != DragState::None) {
            return OnCancel();
        }
        ToolResponse response;
        if (document_.GetScene().CountSelected() > 0) {
            document_.ClearSelection();
            response.redraw = true;
        }
        return response;
    }
    if (captured_) {
        return {};  // the mouse has the selection
    }
    const double step = tools_.GridStep();
    const bool shift = (modifiers & kModifierShift) != 0;
    switch (key) {
        case ToolKey::Left:
            return Nudge({-step, 0, 0});
        case ToolKey::Right:
            return Nudge({step, 0, 0});
        case ToolKey::Up:
            return Nudge(shift ? Vec3{0, step, 0} : Vec3{0, 0, -step});
        case ToolKey::Down:
            return Nudge(shift ? Vec3{0, -step, 0} : Vec3{0, 0, step});
        case ToolKey::Escape:
            break;
    }
    return {};
}

ToolResponse ToolController::Nudge(const Vec3& offset) {
    const Scene& scene = document_.GetScene();
    std::vector<NodeId> nodes;
    for (const SceneNode* node : scene.SelectedTopLevel()) {
        nodes.push_back(node->id);
    }
    std::vector<LightId> lights;
    for (const Light& light : scene.Lights()) {
        if (light.selected) {
            lights.push_back(light.id);
        }
    }
    if (nodes.empty() && lights.empty()) {
        return {};
    }
    // A drag of one step: the history names it as a mouse move ("Move Sphere1").
    for (NodeId id : nodes) {
        document_.DragMoveNode(id, offset);
    }
    for (LightId id : lights) {
        document_.DragMoveLight(id, offset);
    }
    document_.EndDrag();
    ToolResponse response;
    response.redraw = true;
    return response;
}

}  // namespace kelto
