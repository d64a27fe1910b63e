#include "view_camera.h"

#include <cmath>

namespace kelto {

void ViewCamera::LookAt(const Vec3& eye_point, const Vec3& target_point, const Vec3& up_hint) {
    const Vec3 previous_direction = direction;
    const Vec3 previous_right = right;
    eye = eye_point;
    target = target_point;
    direction = target - eye;
    if (!(direction.Length() > 0.0) || !std::isfinite(direction.Length())) {
        direction = previous_direction.Length() > 0.5 ? previous_direction : Vec3{0, 0, -1};
    }
    direction.Normalise();
    right = Cross(direction, up_hint);
    if (!(right.Length() > 1e-9)) {
        // Looking along the up hint: keep the old right vector, square to the new direction.
        right = previous_right - direction * Dot(previous_right, direction);
        if (!(right.Length() > 1e-6)) {
            right = Cross(direction, std::abs(direction.x) < 0.9 ? Vec3{1, 0, 0} : Vec3{0, 1, 0});
            right = Cross(right, direction);
        }
    }
    right.Normalise();
    up = Cross(right, direction);
    // The rows of the basis (right, up, -direction) as OpenGL's viewing matrix, then the
    // translation that brings the eye to the origin.
    Matrix4 m;
    m[0] = right.x;
    m[4] = right.y;
    m[8] = right.z;
    m[1] = up.x;
    m[5] = up.y;
    m[9] = up.z;
    m[2] = -direction.x;
    m[6] = -direction.y;
    m[10] = -direction.z;
    m[12] = -Dot(right, eye);
    m[13] = -Dot(up, eye);
    m[14] = Dot(direction, eye);
    view_from_world = m;
}

void ViewCamera::SetFrustum(double left, double right_bound, double bottom, double top, double near,
                            double far) {
    frustum_right = right_bound;
    frustum_left = left;
    frustum_top = top;
    frustum_bottom = bottom;
    frustum_near = near;
    frustum_far = far;
    orthographic = false;
    Matrix4 m;
    m.m.fill(0.0);
    m[0] = 2.0 * near / (right_bound - left);
    m[5] = 2.0 * near / (top - bottom);
    m[8] = (right_bound + left) / (right_bound - left);
    m[9] = (top + bottom) / (top - bottom);
    m[10] = -(far + near) / (far - near);
    m[11] = -1.0;
    m[14] = -2.0 * far * near / (far - near);
    clip_from_view = m;
}

void ViewCamera::SetPerspective(double fovy_degrees, double aspect, double near, double far) {
    const double top = near * std::tan(fovy_degrees * kDegreesToRadians / 2.0);
    const double right_bound = top * aspect;
    SetFrustum(-right_bound, right_bound, -top, top, near, far);
}

void ViewCamera::SetProjection(int width, int height, double focal_length, double far) {
    const double fovy = std::atan(kFrameDiagonal / (2.0 * focal_length)) / kDegreesToRadians;
    const double aspect = height < 1 ? 1.0 : static_cast<double>(width) / height;
    SetPerspective(fovy, aspect, kNear, far);
    viewport_width = width;
    viewport_height = height;
    x_scale = x_offset = width / 2.0;
    y_scale = y_offset = height / 2.0;
}

void ViewCamera::SetOrthographicProjection(int width, int height, double half_height, double near,
                                           double far) {
    const double aspect = height < 1 ? 1.0 : static_cast<double>(width) / height;
    const double top = half_height;
    const double right_bound = half_height * aspect;
    frustum_right = right_bound;
    frustum_left = -right_bound;
    frustum_top = top;
    frustum_bottom = -top;
    frustum_near = near;
    frustum_far = far;
    orthographic = true;
    // OpenGL's parallel projection of that box.
    Matrix4 m;
    m[0] = 1.0 / right_bound;
    m[5] = 1.0 / top;
    m[10] = -2.0 / (far - near);
    m[14] = -(far + near) / (far - near);
    clip_from_view = m;
    viewport_width = width;
    viewport_height = height;
    x_scale = x_offset = width / 2.0;
    y_scale = y_offset = height / 2.0;
}

}  // namespace kelto
