#include "render_camera.h"

#include <algorithm>

namespace kelto {

RenderCamera MakeRenderCamera(const ViewCamera& view, RenderQuality quality) {
    RenderCamera camera;
    camera.width = view.viewport_width;
    camera.height = view.viewport_height;
    camera.eye = view.eye;
    camera.forward = view.direction;
    camera.right = view.right;
    camera.up = view.up;
    camera.vertical_ray_scale = view.frustum_bottom;
    camera.half_width = view.x_scale;
    camera.half_height = view.y_scale;
    camera.horizontal_ray_scale = view.frustum_right;
    camera.viewport_height = view.viewport_height;
    camera.x_offset = view.x_offset;
    camera.y_offset = view.y_offset;
    camera.view_from_world = view.view_from_world;
    camera.clip_from_view = view.clip_from_view;
    camera.quality = quality;
    return camera;
}

RenderCamera MakeRenderCamera(const Vec3& eye, const Vec3& target, const Vec3& up,
                              double focal_length, int width, int height, RenderQuality quality) {
    ViewCamera view;
    view.SetProjection(width, height, focal_length);
    view.LookAt(eye, target, up);
    return MakeRenderCamera(view, quality);
}

RenderCamera ViewRenderCamera(const ViewCamera& view, double focal_length, RenderQuality quality) {
    if (view.viewport_width >= kSmallestRenderSide && view.viewport_height >= kSmallestRenderSide) {
        return MakeRenderCamera(view, quality);
    }
    ViewCamera sized = view;
    sized.SetProjection(std::max(view.viewport_width, kSmallestRenderSide),
                        std::max(view.viewport_height, kSmallestRenderSide), focal_length);
    return MakeRenderCamera(sized, quality);
}

}  // namespace kelto
