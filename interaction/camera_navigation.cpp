#include "camera_navigation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/child_list.h"
#include "picking.h"

namespace kelto {
namespace {

// The floor grid's centre, and a sphere round the part of it a new view shows.
constexpr FramingSphere kGridCentre{{0.0, 0.0, 0.0}, 5.0};

// The sphere round the visible top-level objects' boxes, and the selected lights' icons when
// only the selection counts.
std::optional<FramingSphere> SphereAround(const Scene& scene, bool selected_only) {
    BoundingBox world;
    bool any = false;
    for (const SceneNode* node : Children(scene.Root())) {
        if (node->visible == 0 || node->box.IsEmpty() || (selected_only && node->selected == 0)) {
            continue;
        }
        GrowByPlacedBox(world, *node);
        any = true;
    }
    for (const Light& light : scene.Lights()) {
        if (!selected_only || light.selected == 0) {
            continue;
        }
        const Vec3 p = light.position;
        const float s = light.size;
        world.Grow({static_cast<float>(p.x) - s, static_cast<float>(p.y) - s,
                    static_cast<float>(p.z) - s});
        world.Grow({static_cast<float>(p.x) + s, static_cast<float>(p.y) + s,
                    static_cast<float>(p.z) + s});
        any = true;
    }
    if (!any || world.IsEmpty()) {
        return std::nullopt;
    }
    const Vec3 low{world.min.x, world.min.y, world.min.z};
    const Vec3 high{world.max.x, world.max.y, world.max.z};
    return FramingSphere{(low + high) * 0.5, (high - low).Length() * 0.5};
}

}  // namespace

std::optional<FramingSphere> SelectionSphere(const Scene& scene) {
    return SphereAround(scene, true);
}

FramingSphere SceneSphere(const Scene& scene) {
    return SphereAround(scene, false).value_or(kGridCentre);
}

NavigationMove CameraNavigation::MoveFor(PointerButton button, unsigned modifiers,
                                         const ToolState& tools) {
    const ToolMode mode = tools.Mode();
    const bool shift = (modifiers & kModifierShift) != 0;
    const bool control = (modifiers & kModifierControl) != 0;
    const bool alt = (modifiers & kModifierAlt) != 0;
    const bool navigating =
        (button == PointerButton::Middle && tools.Modelling().middle_button_orbits) ||
        (button == PointerButton::Left && (alt || mode == ToolMode::MoveCamera));
    if (!navigating) {
        return NavigationMove::None;
    }
    if (shift) {
        return NavigationMove::Pan;
    }
    return control ? NavigationMove::Zoom : NavigationMove::Orbit;
}

std::optional<Vec3> CameraNavigation::ScenePointAt(const WindowPoint& pixel) const {
    const PickRay ray = renderer_.RayAt({pixel.x + 0.5, pixel.y + 0.5});
    const std::optional<PickHit> hit = Pick(document_.GetScene(), ray, {});
    const double length = ray.direction.Length();
    if (!hit || !(length > 0.0)) {
        return std::nullopt;
    }
    return ray.origin + ray.direction * (hit->distance / length);
}

Vec3 CameraNavigation::HeldPointAt(const WindowPoint& pixel) const {
    if (const std::optional<Vec3> point = ScenePointAt(pixel)) {
        return *point;
    }
    // The ray's point at the target's depth.
    const ViewCamera& camera = renderer_.Camera();
    const PickRay ray = renderer_.RayAt({pixel.x + 0.5, pixel.y + 0.5});
    const double along = Dot(ray.direction, camera.direction);
    if (!(along > 0.0)) {
        return camera.target;
    }
    const double depth = Dot(camera.target - ray.origin, camera.direction);
    return ray.origin + ray.direction * (depth / along);
}

void CameraNavigation::Begin(NavigationMove move, PointerButton button, const WindowPoint& pixel) {
    move_ = move;
    button_ = button;
    last_ = pixel;
    if (move != NavigationMove::Orbit) {
        anchor_ = HeldPointAt(pixel);
    } else if (const std::optional<FramingSphere> selection =
                   SelectionSphere(document_.GetScene())) {
        anchor_ = selection->centre;
    } else {
        anchor_ = ScenePointAt(pixel).value_or(renderer_.Camera().target);
    }
}

bool CameraNavigation::Step(const WindowPoint& pixel) {
    const double dx = pixel.x - last_.x;
    const double dy = pixel.y - last_.y;
    if (move_ == NavigationMove::None || (dx == 0.0 && dy == 0.0)) {
        return false;
    }
    const WindowPoint from = last_;
    last_ = pixel;
    switch (move_) {
        case NavigationMove::Orbit:
            // The scene turns with the mouse: the camera goes the other way round.
            renderer_.Orbit(anchor_, -dx * kDegreesPerPixel, dy * kDegreesPerPixel);
            break;
        case NavigationMove::Pan:
            renderer_.Pan(anchor_, {from.x + 0.5, from.y + 0.5}, {pixel.x + 0.5, pixel.y + 0.5});
            break;
        case NavigationMove::Zoom:
            renderer_.ZoomAbout(anchor_, std::exp(-dy * kZoomPerPixel));
            break;
        case NavigationMove::None:
            break;
    }
    return true;
}

bool CameraNavigation::Wheel(const WindowPoint& pixel, double notches) {
    if (notches == 0.0 || !std::isfinite(notches)) {
        return false;
    }
    renderer_.ZoomAbout(HeldPointAt(pixel), std::pow(kWheelStepFactor, notches));
    return true;
}

}  // namespace kelto
