// The snapshot of a modelling view's camera that a render is made from.
#pragma once

#include <cstdint>

#include "model/geometry.h"
#include "model/view_camera.h"

namespace kelto {

enum class RenderQuality : std::int32_t { Draft = 0, Production = 1 };

struct RenderCamera {
    std::int32_t width = 0;
    std::int32_t height = 0;
    Vec3 eye;
    Vec3 forward;
    Vec3 right;
    Vec3 up;
    double vertical_ray_scale = 0.0;  // the frustum's bottom bound at the near distance
    double half_width = 0.0;
    double half_height = 0.0;
    double depth_scale = 0.5;
    double horizontal_ray_scale = 0.0;  // the frustum's right bound at the near distance
    double viewport_height = 0.0;
    double x_offset = 0.0;
    double y_offset = 0.0;
    double depth_offset = 0.5;
    Matrix4 view_from_world;
    Matrix4 clip_from_view;
    RenderQuality quality = RenderQuality::Draft;
};

// World to window through the snapshot's camera. The tracer counts its rows one above the
// window's: its screen y is the window y less 1.
inline WindowProjection WindowOf(const RenderCamera& camera) {
    return {camera.view_from_world,
            camera.clip_from_view,
            {camera.half_width, camera.x_offset, camera.half_height, camera.y_offset,
             camera.viewport_height}};
}

// The snapshot the Render command takes of a view whose camera is (eye, target, up) with this
// focal length, at this image size.
RenderCamera MakeRenderCamera(const Vec3& eye, const Vec3& target, const Vec3& up,
                              double focal_length, int width, int height, RenderQuality quality);
// The same from a view's renderer.
RenderCamera MakeRenderCamera(const ViewCamera& view, RenderQuality quality);

// A modelling view records its size only when both sides are larger than 10 pixels, so a
// render from a view is at least this large either way.
inline constexpr int kSmallestRenderSide = 11;
// The snapshot of a view's camera (with its lens) at the size the view recorded last; a view
// that never had a size it could record (hidden, minimised or squashed from the start) is
// rendered at the smallest size, through the same camera.
RenderCamera ViewRenderCamera(const ViewCamera& view, double focal_length, RenderQuality quality);

}  // namespace kelto
