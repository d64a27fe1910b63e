#include "scene_lighting.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "message_table.h"

namespace kelto {
namespace {

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

Status OutOfRange(const char* field, double minimum, double maximum, double value) {
    return Status::Message(kMsgFieldOutOfRange,
                           {field, Number(minimum), Number(maximum), Number(value)});
}

bool InUnitRange(const ColourRgb& c) {
    auto unit = [](float v) { return v >= 0.0f && v <= 1.0f; };
    return unit(c.r) && unit(c.g) && unit(c.b);
}

}  // namespace

Status CheckLighting(const SceneLighting& lighting) {
    if (lighting.soft_shadow_samples < 1 ||
        lighting.soft_shadow_samples > SceneLighting::kMaxSoftShadowSamples) {
        return OutOfRange("Soft-shadow samples", 1, SceneLighting::kMaxSoftShadowSamples,
                          lighting.soft_shadow_samples);
    }
    if (lighting.occlusion_samples < 1 ||
        lighting.occlusion_samples > SceneLighting::kMaxOcclusionSamples) {
        return OutOfRange("Occlusion samples", 1, SceneLighting::kMaxOcclusionSamples,
                          lighting.occlusion_samples);
    }
    if (!(lighting.occlusion_distance > 0.0f &&
          lighting.occlusion_distance <= SceneLighting::kMaxOcclusionDistance)) {
        return OutOfRange("Occlusion distance", 0.001, SceneLighting::kMaxOcclusionDistance,
                          lighting.occlusion_distance);
    }
    const auto kind = static_cast<std::int32_t>(lighting.environment);
    if (kind < 0 || kind > static_cast<std::int32_t>(EnvironmentKind::Picture)) {
        return OutOfRange("Environment", 0, 3, kind);
    }
    if (!InUnitRange(lighting.horizon) || !InUnitRange(lighting.zenith)) {
        return Status::Message(kMsgFieldOutOfRange, {"An environment colour", "0", "1", "?"});
    }
    if (!(std::fabs(lighting.picture_rotation) <= 360.0f)) {
        return OutOfRange("Rotation", -360, 360, lighting.picture_rotation);
    }
    if (lighting.picture_path.size() > SceneLighting::kMaxPicturePathLength ||
        lighting.picture_path.find('\0') != std::string::npos) {
        return Status::Message(kMsgPictureNameUnfit,
                               {std::to_string(SceneLighting::kMaxPicturePathLength)});
    }
    return Status::Ok();
}

}  // namespace kelto
