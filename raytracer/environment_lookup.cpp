#include "environment_lookup.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace kelto {
namespace {

// Within this much of a texel's centre a look-up takes that texel alone, so that rounding in
// the direction's float coordinates does not mix in a trace of its neighbours.
constexpr double kTexelSnap = 1e-3;

// The whole and fractional part of a texel coordinate, the fraction snapped to 0 or 1 near
// either end.
void SplitCoordinate(double s, double& whole, double& fraction) {
    whole = std::floor(s);
    fraction = s - whole;
    if (fraction < kTexelSnap) {
        fraction = 0.0;
    } else if (fraction > 1.0 - kTexelSnap) {
        fraction = 0.0;
        whole += 1.0;
    }
}

ColourRgb Mixed(const ColourRgb& a, const ColourRgb& b, double t) {
    if (t == 0.0) {
        return a;
    }
    const auto f = static_cast<float>(t);
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

}  // namespace

EnvironmentLookup::EnvironmentLookup(const SceneLighting& lighting,
                                     std::shared_ptr<const EnvironmentPicture> picture)
    : kind_(lighting.environment),
      horizon_(lighting.horizon),
      zenith_(lighting.zenith),
      picture_(std::move(picture)) {
    const bool picture_usable =
        picture_ && picture_->width > 0 && picture_->height > 0 &&
        picture_->rgb.size() >= static_cast<std::size_t>(picture_->width) *
                                    static_cast<std::size_t>(picture_->height) * 3;
    if (kind_ == EnvironmentKind::Picture && !picture_usable) {
        kind_ = EnvironmentKind::None;
    }
    if (kind_ != EnvironmentKind::Colour && kind_ != EnvironmentKind::Gradient &&
        kind_ != EnvironmentKind::Picture) {
        kind_ = EnvironmentKind::None;
    }
    const double rotation = lighting.picture_rotation;
    rotation_turns_ = std::isfinite(rotation) ? std::fmod(rotation / 360.0, 1.0) : 0.0;
}

ColourRgb EnvironmentLookup::Seen(const Vec3f& d) const {
    switch (kind_) {
        case EnvironmentKind::Colour:
            return horizon_;
        case EnvironmentKind::Gradient: {
            if (!(d.y > 0.0f)) {
                return std::isnan(d.y) ? ColourRgb{} : horizon_;
            }
            // Written as two weights so that both ends come out exactly.
            const float t = std::min(d.y, 1.0f);
            const float s = 1.0f - t;
            return {s * horizon_.r + t * zenith_.r, s * horizon_.g + t * zenith_.g,
                    s * horizon_.b + t * zenith_.b};
        }
        case EnvironmentKind::Picture:
            return FromPicture(d);
        default:
            return {};
    }
}

ColourRgb EnvironmentLookup::FromPicture(const Vec3f& d) const {
    const double x = d.x, y = d.y, z = d.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    if (!(length > 0.0) || !std::isfinite(length)) {
        return {};
    }
    const EnvironmentPicture& picture = *picture_;
    const int width = picture.width, height = picture.height;
    // Longitude from +z toward +x in turns; the picture turned by the rotation.
    double turns = std::atan2(x, z) / (2.0 * std::numbers::pi) - rotation_turns_;
    turns -= std::floor(turns);
    double column = 0.0, fx = 0.0;
    SplitCoordinate(turns * width - 0.5, column, fx);
    const double polar = std::acos(std::clamp(y / length, -1.0, 1.0));
    double row = 0.0, fy = 0.0;
    SplitCoordinate(polar / std::numbers::pi * height - 0.5, row, fy);
    if (row < 0.0) {
        row = 0.0;
        fy = 0.0;
    } else if (row >= height - 1) {
        row = height - 1;
        fy = 0.0;
    }
    const int x0 = static_cast<int>(column - std::floor(column / width) * width) % width;
    const int x1 = (x0 + 1) % width;
    const int y0 = static_cast<int>(row);
    const int y1 = std::min(y0 + 1, height - 1);
    const ColourRgb top = Mixed(picture.Texel(x0, y0), picture.Texel(x1, y0), fx);
    if (fy == 0.0) {
        return top;
    }
    const ColourRgb bottom = Mixed(picture.Texel(x0, y1), picture.Texel(x1, y1), fx);
    return Mixed(top, bottom, fy);
}

}  // namespace kelto
