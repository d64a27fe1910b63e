#include "view_renderer.h"

#include <cmath>

namespace kelto {
namespace {
constexpr Vec3 kWorldUp{0.0, 1.0, 0.0};
}

CViewRenderer::CViewRenderer(int width, int height, const Vec3& eye, const Vec3& target,
                             const Vec3& up, double focal_length)
    : focal_length_(focal_length), width_(width), height_(height) {
    ApplyProjection();
    camera_.LookAt(eye, target, up);
}

void CViewRenderer::ApplyProjection() {
    camera_.SetProjection(width_, height_, focal_length_);
    CameraChanged();
}

void CViewRenderer::LookAt(const Vec3& eye, const Vec3& target, const Vec3& up) {
    camera_.LookAt(eye, target, up);
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
    if (focal_length == focal_length_) {
        return;
    }
    focal_length_ = focal_length;
    ApplyProjection();
}

void CViewRenderer::SetCamera(const Vec3& /*direction*/, const Vec3& eye, const Vec3& target,
                              double focal_length) {
    SetFocalLength(focal_length);
    LookAt(eye, target, kWorldUp);
}

void CViewRenderer::DollyIn(double distance) {
    const Vec3 step = camera_.direction * distance;
    LookAt(camera_.eye + step, camera_.target + step, kWorldUp);
}

void CViewRenderer::TiltCamera(double degrees) {
    const double a = degrees * kDegreesToRadians;
    const Vec3& d = camera_.direction;
    const Vec3 turned{d.x, d.y * std::cos(a) - d.z * std::sin(a),
                      d.y * std::sin(a) + d.z * std::cos(a)};
    LookAt(camera_.eye, camera_.eye + turned, kWorldUp);
}

void CViewRenderer::TurnCamera(double degrees) {
    const double a = degrees * kDegreesToRadians;
    const Vec3& d = camera_.direction;
    const Vec3 turned{d.x * std::cos(a) + d.z * std::sin(a), d.y,
                      -d.x * std::sin(a) + d.z * std::cos(a)};
    LookAt(camera_.eye, camera_.eye + turned, kWorldUp);
}

bool CViewRenderer::ProjectToWindow(const Vec3& world, WindowPoint& out) const {
    const Point4d eye_space = camera_.TransformPoint({world.x, world.y, world.z, 1.0});
    const Point4d clip = camera_.ProjectPoint(eye_space);
    if (clip.w <= 0.0) {
        return false;
    }
    // The continuous form of the viewport mapping: pixel centres sit at half-integers.
    out.x = clip.x / clip.w * camera_.x_scale + camera_.x_offset;
    out.y = camera_.viewport_height - (clip.y / clip.w * camera_.y_scale + camera_.y_offset);
    return true;
}

Vec3 CViewRenderer::RayThrough(const WindowPoint& point) const {
    const double nx = point.x / camera_.x_scale - 1.0;  // -1 .. 1 across
    const double ny = 1.0 - point.y / camera_.y_scale;  // -1 .. 1 up
    const double u = nx * camera_.frustum_right / camera_.frustum_near;
    const double v = ny * camera_.frustum_top / camera_.frustum_near;
    return camera_.direction + camera_.right * u + camera_.up * v;
}

}  // namespace kelto
