// The navigation moves of a view's camera: orbit, pan, zoom about a point and framing. Each
// move builds the new camera from the current one's own basis (never from the world's up
// alone), so a view looking straight down keeps its orientation, and refuses a result that
// could not be built, so the camera stays usable whatever the mouse does.
#include <algorithm>
#include <cmath>

#include "view_renderer.h"

namespace kelto {
namespace {

// Rodrigues' rotation of v by `radians` about the unit axis.
Vec3 Rotated(const Vec3& v, const Vec3& axis, double radians) {
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1.0 - c));
}

bool Finite(const Vec3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Where the ray meets the plane through `on` square to `normal`; nothing when it runs along
// the plane.
std::optional<Vec3> OnPlane(const PickRay& ray, const Vec3& on, const Vec3& normal) {
    const double along = Dot(ray.direction, normal);
    if (std::abs(along) < 1e-12) {
        return std::nullopt;
    }
    const double t = Dot(on - ray.origin, normal) / along;
    return ray.origin + ray.direction * t;
}

}  // namespace

bool CViewRenderer::TryLookAt(const Vec3& eye, const Vec3& target, const Vec3& up) {
    const Vec3 direction = target - eye;
    const double length = direction.Length();
    if (!Finite(eye) || !Finite(target) || !Finite(up) || !(length > 1e-9) ||
        eye.Length() > kMaxCameraReach) {
        return false;
    }
    const Vec3 side = Cross(direction * (1.0 / length), up);
    if (!(side.Length() > 1e-9)) {
        return false;
    }
    LookAt(eye, target, up);
    return true;
}

void CViewRenderer::FitFarPlane() {
    if (projection_ != ViewProjection::Perspective) {
        return;
    }
    const double reach = 3.0 * (camera_.target - camera_.eye).Length();
    const double far = std::isfinite(reach) ? std::max(ViewCamera::kFar, reach) : ViewCamera::kFar;
    if (far != far_distance_) {
        far_distance_ = far;
        ApplyProjection();
    }
}

void CViewRenderer::Orbit(const Vec3& pivot, double yaw_degrees, double pitch_degrees) {
    if (!Finite(pivot) || !std::isfinite(yaw_degrees) || !std::isfinite(pitch_degrees)) {
        return;
    }
    // How far the view looks down now, and the furthest it may: a perspective camera stops
    // short of straight down (its stored form rebuilds "up" from the world's), a parallel view
    // (the top view looks straight down) may reach it.
    const double limit = projection_ == ViewProjection::Perspective ? 89.0 : 90.0;
    const double below = std::asin(std::clamp(-camera_.direction.y, -1.0, 1.0)) / kDegreesToRadians;
    const double pitch = std::clamp(below + pitch_degrees, -limit, limit) - below;
    const Vec3 right = camera_.right;
    const Vec3 vertical{0.0, 1.0, 0.0};
    const double pitch_radians = -pitch * kDegreesToRadians;
    const double yaw_radians = yaw_degrees * kDegreesToRadians;
    auto turn = [&](const Vec3& v) {
        return Rotated(Rotated(v, right, pitch_radians), vertical, yaw_radians);
    };
    TryLookAt(pivot + turn(camera_.eye - pivot), pivot + turn(camera_.target - pivot),
              turn(camera_.up));
}

void CViewRenderer::Pan(const Vec3& grabbed, const WindowPoint& from, const WindowPoint& to) {
    const std::optional<Vec3> a = OnPlane(RayAt(from), grabbed, camera_.direction);
    const std::optional<Vec3> b = OnPlane(RayAt(to), grabbed, camera_.direction);
    if (!a || !b) {
        return;
    }
    const Vec3 shift = *a - *b;
    TryLookAt(camera_.eye + shift, camera_.target + shift, camera_.up);
}

void CViewRenderer::ZoomAbout(const Vec3& point, double factor) {
    if (!Finite(point) || !(factor > 0.0) || !std::isfinite(factor)) {
        return;
    }
    if (projection_ != ViewProjection::Perspective) {
        const double before = ortho_distance_;
        ortho_distance_ = std::clamp(ortho_distance_ / factor, kMinOrthographicDistance,
                                     kMaxOrthographicDistance);
        const double shown = ortho_distance_ / before;  // what the view shows now, to before
        // The point's offset from the view's centre line shrinks with the view.
        const Vec3 offset = point - camera_.target;
        const Vec3 across =
            camera_.right * Dot(offset, camera_.right) + camera_.up * Dot(offset, camera_.up);
        const Vec3 shift = across * (1.0 - shown);
        ApplyProjection();
        TryLookAt(camera_.eye + shift, camera_.target + shift, camera_.up);
        return;
    }
    const Vec3 towards = point - camera_.eye;
    const double distance = towards.Length();
    if (!(distance > 0.0)) {
        return;
    }
    const double wanted = std::max(distance / factor, std::min(distance, kMinZoomDistance));
    const Vec3 shift = towards * ((distance - wanted) / distance);
    TryLookAt(camera_.eye + shift, camera_.target + shift, camera_.up);
}

void CViewRenderer::Frame(const Vec3& centre, double radius) {
    if (!Finite(centre)) {
        return;
    }
    const double r = std::isfinite(radius) ? std::max(radius, kMinFrameRadius) : kMinFrameRadius;
    const double aspect = height_ > 0 ? static_cast<double>(width_) / height_ : 1.0;
    if (projection_ != ViewProjection::Perspective) {
        // Half the height the view must show for the sphere to fit across and up, with a margin.
        const double half_height = 1.05 * r / std::min(1.0, aspect);
        const double fovy = std::atan(ViewCamera::kFrameDiagonal / (2.0 * focal_length_));
        ortho_distance_ = std::clamp(half_height / std::tan(fovy / 2.0), kMinOrthographicDistance,
                                     kMaxOrthographicDistance);
        ortho_eye_distance_ = std::max(kOrthographicEyeDistance, 2.0 * r);
        ApplyProjection();
        TryLookAt(centre - camera_.direction * ortho_eye_distance_, centre, camera_.up);
        return;
    }
    const double half_up = std::atan(camera_.frustum_top / camera_.frustum_near);
    const double half_across = std::atan(camera_.frustum_right / camera_.frustum_near);
    const double distance = r / std::sin(std::min(half_up, half_across));
    TryLookAt(centre - camera_.direction * distance, centre, camera_.up);
}

}  // namespace kelto
