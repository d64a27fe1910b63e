// The software half of a modelling view's renderer: the viewing matrix built by LookAt, the
// perspective frustum, and the mapping of eye-space points to window pixels. The OpenGL views
// and the ray tracer both take their camera from it.
#pragma once

#include "geometry.h"
#include "window_projection.h"

namespace kelto {

class ViewCamera {
  public:
    static constexpr double kNear = 0.25;
    static constexpr double kFar = 155.0;
    // The diagonal of a 36 x 24 mm frame.
    static constexpr double kFrameDiagonal = 43.26;

    // direction = normalise(target - eye), right = normalise(direction x up), true up =
    // right x direction; view_from_world becomes the viewing matrix of that basis. A camera
    // that cannot be built that way keeps a usable basis: an eye on its target keeps the
    // previous direction, and a direction along `up` keeps the previous right vector (made
    // square to the direction), so no NaN ever reaches the matrices.
    void LookAt(const Vec3& eye, const Vec3& target, const Vec3& up);
    // A perspective projection of the frustum; its bounds are kept.
    void SetFrustum(double left, double right, double bottom, double top, double near, double far);
    // top = near * tan(fovy / 2), right = top * aspect.
    void SetPerspective(double fovy_degrees, double aspect, double near, double far);
    // The projection a view of this size and focal length uses: fovy = atan(43.26 / (2 f)) in
    // degrees, near 0.25, far 155 (or `far`), aspect width / height; and the viewport of that
    // size.
    void SetProjection(int width, int height, double focal_length, double far = kFar);
    // A parallel projection of a view of this size that shows `half_height` world units above
    // and below its centre (and as much across as the window's shape gives), from `near` to
    // `far` in front of the eye; the bounds are kept as the frustum's, and the viewport set.
    void SetOrthographicProjection(int width, int height, double half_height, double near,
                                   double far);

    Point4d TransformPoint(const Point4d& p) const { return MultiplyPoint(view_from_world, p); }
    Point4d ProjectPoint(const Point4d& p) const { return MultiplyPoint(clip_from_view, p); }
    // World to window through this camera.
    WindowProjection Window() const {
        return {view_from_world,
                clip_from_view,
                {x_scale, x_offset, y_scale, y_offset, static_cast<double>(viewport_height)}};
    }

    Matrix4 view_from_world;
    Matrix4 clip_from_view;
    int viewport_width = 0;
    int viewport_height = 0;
    double x_scale = 0.0, x_offset = 0.0, y_scale = 0.0, y_offset = 0.0;
    double frustum_right = 0.0, frustum_left = 0.0, frustum_top = 0.0, frustum_bottom = 0.0;
    double frustum_near = 0.0, frustum_far = 0.0;
    bool orthographic = false;  // a parallel projection: every ray has the view direction
    Vec3 target, eye, direction, right, up;
};

}  // namespace kelto
