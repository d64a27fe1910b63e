// The one way from the world to a window's pixels: the viewing matrix (view from world), the
// projection (clip from view) and the viewport. The modelling views, their tools and the
// render snapshot all project through it.
#pragma once

#include <optional>

#include "geometry.h"

namespace kelto {

// A homogeneous point (x, y, z, w).
struct Point4d {
    double x = 0.0, y = 0.0, z = 0.0, w = 1.0;
};

// Row vector times matrix, with w: the products OpenGL forms for a point.
Point4d MultiplyPoint(const Matrix4& m, const Point4d& p);

// A point on the window: x to the right, y down, in pixels from the top left corner. Pixel
// (i, j) covers [i, i + 1) x [j, j + 1); its centre is (i + 0.5, j + 0.5).
struct WindowPoint {
    double x = 0.0;
    double y = 0.0;
};

// The viewport's part: normalised device coordinates to window pixels, y turned downwards.
struct Viewport {
    double x_scale = 0.0, x_offset = 0.0, y_scale = 0.0, y_offset = 0.0;
    double height = 0.0;  // of the window, in pixels
};

class WindowProjection {
  public:
    // Nearer to the eye's plane than this (in clip w) a point has no window point.
    static constexpr double kMinClipW = 1e-9;

    WindowProjection(const Matrix4& view_from_world, const Matrix4& clip_from_view,
                     const Viewport& viewport)
        : view_from_world_(view_from_world), clip_from_view_(clip_from_view), viewport_(viewport) {}

    // x = x/w * x_scale + x_offset, y = height - (y/w * y_scale + y_offset), unrounded: callers
    // that want whole pixels round the result themselves. Whatever w is.
    WindowPoint FromClip(const Point4d& clip) const;
    // A point of the eye's frame; nothing when it is behind the eye or too near its plane.
    std::optional<WindowPoint> FromView(const Point4d& view) const;
    std::optional<WindowPoint> FromWorld(const Vec3& world) const {
        return FromView(MultiplyPoint(view_from_world_, {world.x, world.y, world.z, 1.0}));
    }
    const Matrix4& ViewFromWorld() const { return view_from_world_; }

  private:
    Matrix4 view_from_world_;
    Matrix4 clip_from_view_;
    Viewport viewport_;
};

}  // namespace kelto
