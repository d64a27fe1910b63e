#include "view_renderer.h"

#include <algorithm>
#include <cmath>

namespace kelto {
namespace {

constexpr Vec3 kWorldUp{0.0, 1.0, 0.0};

// Where a parallel view looks from (unit, from the scene towards the eye) and which way is up
// on its screen.
struct OrthographicSide {
    Vec3 towards_eye;
    Vec3 up;
};

OrthographicSide SideOf(ViewProjection projection) {
    switch (projection) {
        case ViewProjection::Top:  // x to the right, -z up the screen
            return {{0, 1, 0}, {0, 0, -1}};
        case ViewProjection::RightSide:  // -z to the right, y up
            return {{1, 0, 0}, {0, 1, 0}};
        default:  // front: x to the right, y up
            return {{0, 0, 1}, {0, 1, 0}};
    }
}

}  // namespace

CViewRenderer::CViewRenderer(int width, int height, const Vec3& eye, const Vec3& target,
                             const Vec3& up, double focal_length)
    : focal_length_(focal_length), width_(width), height_(height) {
    ApplyProjection();
    camera_.LookAt(eye, target, up);
}

CViewRenderer::CViewRenderer(int width, int height, ViewProjection projection)
    : projection_(projection), focal_length_(50.0), width_(width), height_(height) {
    ApplyProjection();
    if (projection_ == ViewProjection::Perspective) {
        camera_.LookAt({3.0, 8.5, 22.5}, {0, 0, 0}, kWorldUp);
    } else {
        PlaceOrthographic({0, 0, 0});
    }
}

void CViewRenderer::ApplyProjection() {
    if (projection_ == ViewProjection::Perspective) {
        camera_.SetProjection(width_, height_, focal_length_, far_distance_);
    } else {
        // What a perspective camera of this lens shows at the view's distance.
        const double fovy = std::atan(ViewCamera::kFrameDiagonal / (2.0 * focal_length_));
        const double half_height = ortho_distance_ * std::tan(fovy / 2.0);
        camera_.SetOrthographicProjection(width_, height_, half_height, ViewCamera::kNear,
                                          2.0 * ortho_eye_distance_);
    }
    CameraChanged();
}

void CViewRenderer::PlaceOrthographic(const Vec3& centre) {
    const OrthographicSide side = SideOf(projection_);
    camera_.LookAt(centre + side.towards_eye * ortho_eye_distance_, centre, side.up);
    CameraChanged();
}

void CViewRenderer::LookAt(const Vec3& eye, const Vec3& target, const Vec3& up) {
    camera_.LookAt(eye, target, up);
    FitFarPlane();
    CameraChanged();
}

bool CViewRenderer::Resize(int width, int height) {
    if (height <= 0) {
        return false;
    }
    if (width == width_ && height == height_) {
        return true;
    }
    width_ = width;
    height_ = height;
    ApplyProjection();
    return true;
}

void CViewRenderer::SetFocalLength(double focal_length) {
    // A lens of no length (or none at all) has no field of view.
    if (focal_length == focal_length_ || !(focal_length > 0.0) || !std::isfinite(focal_length)) {
        return;
    }
    focal_length_ = focal_length;
    ApplyProjection();
}

void CViewRenderer::SetCamera(const Vec3& /*direction*/, const Vec3& eye, const Vec3& target,
                              double focal_length) {
    SetFocalLength(focal_length);
    if (projection_ == ViewProjection::Perspective) {
        LookAt(eye, target, kWorldUp);
    }
}

void CViewRenderer::DollyIn(double distance) {
    if (projection_ != ViewProjection::Perspective) {
        ortho_distance_ = std::clamp(ortho_distance_ - distance, kMinOrthographicDistance,
                                     kMaxOrthographicDistance);
        ApplyProjection();
        return;
    }
    const Vec3 step = camera_.direction * distance;
    LookAt(camera_.eye + step, camera_.target + step, kWorldUp);
}

void CViewRenderer::TiltCamera(double degrees) {
    if (projection_ != ViewProjection::Perspective) {
        const Vec3 slide = camera_.up * (ortho_distance_ * std::tan(degrees * kDegreesToRadians));
        LookAt(camera_.eye + slide, camera_.target + slide, camera_.up);
        return;
    }
    const double a = degrees * kDegreesToRadians;
    const Vec3& d = camera_.direction;
    const Vec3 turned{d.x, d.y * std::cos(a) - d.z * std::sin(a),
                      d.y * std::sin(a) + d.z * std::cos(a)};
    LookAt(camera_.eye, camera_.eye + turned, kWorldUp);
}

void CViewRenderer::TurnCamera(double degrees) {
    if (projection_ != ViewProjection::Perspective) {
        const Vec3 slide =
            camera_.right * -(ortho_distance_ * std::tan(degrees * kDegreesToRadians));
        LookAt(camera_.eye + slide, camera_.target + slide, camera_.up);
        return;
    }
    const double a = degrees * kDegreesToRadians;
    const Vec3& d = camera_.direction;
    const Vec3 turned{d.x * std::cos(a) + d.z * std::sin(a), d.y,
                      -d.x * std::sin(a) + d.z * std::cos(a)};
    LookAt(camera_.eye, camera_.eye + turned, kWorldUp);
}

bool CViewRenderer::ProjectToWindow(const Vec3& world, WindowPoint& out) const {
    const std::optional<WindowPoint> point = camera_.Window().FromWorld(world);
    if (!point) {
        return false;
    }
    out = *point;
    return true;
}

PickRay CViewRenderer::RayAt(const WindowPoint& point) const {
    const double nx = point.x / camera_.x_scale - 1.0;  // -1 .. 1 across
    const double ny = 1.0 - point.y / camera_.y_scale;  // -1 .. 1 up
    if (camera_.orthographic) {
        const Vec3 origin = camera_.eye + camera_.right * (nx * camera_.frustum_right) +
                            camera_.up * (ny * camera_.frustum_top);
        return {origin, camera_.direction};
    }
    const double u = nx * camera_.frustum_right / camera_.frustum_near;
    const double v = ny * camera_.frustum_top / camera_.frustum_near;
    return {camera_.eye, camera_.direction + camera_.right * u + camera_.up * v};
}

}  // namespace kelto
