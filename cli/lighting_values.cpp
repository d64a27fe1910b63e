#include "lighting_values.h"

#include <vector>

#include "text_values.h"

namespace kelto::cli {
namespace {

// Wide enough to let the range check name any count a person types.
constexpr long kLargestCount = 2000000000;

std::optional<ColourRgb> ParseColour(std::string_view text) {
    const std::optional<Vec3> v = ParseVec3(text, '/');
    if (!v)
        return std::nullopt;
    return ColourRgb{static_cast<float>(v->x), static_cast<float>(v->y), static_cast<float>(v->z)};
}

std::string Colour(const ColourRgb& c) {
    return FormatNumber(c.r) + "/" + FormatNumber(c.g) + "/" + FormatNumber(c.b);
}

}  // namespace

Status ParseSoftShadows(std::string_view text, SceneLighting& lighting) {
    const std::optional<long> samples = ParseWhole(text, -kLargestCount, kLargestCount);
    if (!samples)
        return Status::Usage("soft shadows take a whole number of samples");
    lighting.soft_shadow_samples = static_cast<int>(*samples);
    return Status::Ok();
}

Status ParseOcclusion(std::string_view text, SceneLighting& lighting) {
    if (text == "off") {
        lighting.occlusion = false;
        return Status::Ok();
    }
    const std::vector<std::string_view> parts = Split(text, ',');
    const std::optional<long> samples =
        parts.size() <= 2 ? ParseWhole(parts[0], -kLargestCount, kLargestCount) : std::nullopt;
    const std::optional<double> distance =
        parts.size() == 2 ? ParseNumber(parts[1]) : std::optional<double>(0.0);
    if (!samples || !distance) {
        return Status::Usage("ambient occlusion takes off or SAMPLES[,DISTANCE]");
    }
    lighting.occlusion = true;
    lighting.occlusion_samples = static_cast<int>(*samples);
    if (parts.size() == 2)
        lighting.occlusion_distance = static_cast<float>(*distance);
    return Status::Ok();
}

Status ParseEnvironment(std::string_view text, SceneLighting& lighting) {
    if (text.empty()) {
        return Status::Usage("the environment is none, R/G/B, R/G/B,R/G/B or a picture's file");
    }
    const std::vector<std::string_view> colours = Split(text, ',');
    std::optional<ColourRgb> horizon = ParseColour(colours[0]);
    std::optional<ColourRgb> zenith =
        colours.size() == 2 ? ParseColour(colours[1]) : std::optional<ColourRgb>();
    if (text == "none") {
        lighting.environment = EnvironmentKind::None;
    } else if (colours.size() == 1 && horizon) {
        lighting.environment = EnvironmentKind::Colour;
        lighting.horizon = *horizon;
    } else if (colours.size() == 2 && horizon && zenith) {
        lighting.environment = EnvironmentKind::Gradient;
        lighting.horizon = *horizon;
        lighting.zenith = *zenith;
    } else {
        lighting.environment = EnvironmentKind::Picture;
        lighting.picture_path = std::string(text);
    }
    return Status::Ok();
}

Status ParseRotation(std::string_view text, SceneLighting& lighting) {
    const std::optional<double> degrees = ParseNumber(text);
    if (!degrees)
        return Status::Usage("the rotation takes a number of degrees");
    lighting.picture_rotation = static_cast<float>(*degrees);
    return Status::Ok();
}

Status ParseRenderOperation(std::string_view settings, SceneLighting& lighting) {
    SceneLighting changed = lighting;
    for (std::string_view setting : Split(settings, ';')) {
        const std::size_t equals = setting.find('=');
        const std::string_view key = setting.substr(0, equals);
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : setting.substr(equals + 1);
        Status status;
        if (key == "softshadows") {
            status = ParseSoftShadows(value, changed);
        } else if (key == "ao") {
            status = ParseOcclusion(value, changed);
        } else if (key == "environment") {
            status = ParseEnvironment(value, changed);
        } else if (key == "rotation") {
            status = ParseRotation(value, changed);
        } else {
            return Status::Usage("unknown key '" + std::string(key) +
                                 "': render takes softshadows, ao, environment, rotation");
        }
        if (!status.ok())
            return status;
    }
    if (Status checked = CheckLighting(changed); !checked.ok())
        return checked;
    lighting = std::move(changed);
    return Status::Ok();
}

std::string DescribeLighting(const SceneLighting& lighting) {
    std::string text = "softshadows=" + std::to_string(lighting.soft_shadow_samples) + " ao=";
    text += lighting.occlusion ? std::to_string(lighting.occlusion_samples) + "," +
                                     FormatNumber(lighting.occlusion_distance)
                               : std::string("off");
    text += " environment=";
    switch (lighting.environment) {
        case EnvironmentKind::None:
            text += "none";
            break;
        case EnvironmentKind::Colour:
            text += Colour(lighting.horizon);
            break;
        case EnvironmentKind::Gradient:
            text += Colour(lighting.horizon) + "," + Colour(lighting.zenith);
            break;
        case EnvironmentKind::Picture:
            text += lighting.picture_path;
            break;
    }
    if (lighting.picture_rotation != 0.0f) {
        text += " rotation=" + FormatNumber(lighting.picture_rotation);
    }
    return text;
}

}  // namespace kelto::cli
