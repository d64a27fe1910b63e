#include "window_projection.h"

namespace kelto {

Point4d MultiplyPoint(const Matrix4& m, const Point4d& p) {
    return {p.x * m[0] + p.y * m[4] + p.z * m[8] + p.w * m[12],
            p.x * m[1] + p.y * m[5] + p.z * m[9] + p.w * m[13],
            p.x * m[2] + p.y * m[6] + p.z * m[10] + p.w * m[14],
            p.x * m[3] + p.y * m[7] + p.z * m[11] + p.w * m[15]};
}

WindowPoint WindowProjection::FromClip(const Point4d& clip) const {
    return {clip.x / clip.w * viewport_.x_scale + viewport_.x_offset,
            viewport_.height - (clip.y / clip.w * viewport_.y_scale + viewport_.y_offset)};
}

std::optional<WindowPoint> WindowProjection::FromView(const Point4d& view) const {
    const Point4d clip = MultiplyPoint(clip_from_view_, view);
    if (!(clip.w > kMinClipW)) {
        return std::nullopt;
    }
    return FromClip(clip);
}

}  // namespace kelto
