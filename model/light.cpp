#include "light.h"

#include <cmath>

namespace kelto {

Light::Light() : spot_cosine(static_cast<float>(std::cos(kDegreesToRadians * 15.0))) {
    RebuildExponentTable();
}

void Light::RebuildExponentTable() {
    exponent_table[0] = {0.0f, 0.0f};
    for (int k = 1; k < kExponentTableSize; ++k) {
        const auto value = static_cast<float>(
            std::pow(k * 0.0019569471624266144, static_cast<double>(spot_exponent)));
        exponent_table[static_cast<std::size_t>(k)] = {
            value - exponent_table[static_cast<std::size_t>(k - 1)].value, value};
    }
}

const char* LightNameBase(LightKind kind) {
    switch (kind) {
        case LightKind::Rectangular:
            return "Rectangular Light";
        case LightKind::Cylindrical:
            return "Cylindrical Light";
        default:
            return "Light";
    }
}

LightDialogFields LightToDialog(const Light& light) {
    LightDialogFields fields;
    switch (light.kind) {
        case LightKind::Point:
            fields.type = LightDialogFields::kPoint;
            break;
        case LightKind::Sphere:
            fields.type = LightDialogFields::kSphere;
            break;
        case LightKind::Spot:
            fields.type = LightDialogFields::kSpot;
            break;
        default:
            fields.type = LightDialogFields::kNoType;
            break;
    }
    fields.falloff = LightDialogFields::kNoFalloff;
    for (int i = 0; i < 3; ++i) {
        if (light.falloff[static_cast<std::size_t>(i)] == 1.0f) {
            fields.falloff = i;
            break;
        }
    }
    fields.x = light.position.x;
    fields.y = light.position.y;
    fields.z = light.position.z;
    fields.spot_angle = light.spot_angle;
    fields.spot_exponent = light.spot_exponent;
    fields.intensity = light.intensity;
    fields.colour = light.diffuse;
    fields.casts_shadows = light.casts_shadows != 0;
    return fields;
}

void ApplyLightDialog(const LightDialogFields& fields, Light& light) {
    switch (fields.type) {
        case LightDialogFields::kPoint:
            light.kind = LightKind::Point;
            break;
        case LightDialogFields::kSphere:
            light.kind = LightKind::Sphere;
            break;
        case LightDialogFields::kSpot:
            light.kind = LightKind::Spot;
            break;
        default:
            break;
    }
    if (fields.falloff >= 0 && fields.falloff < 3) {
        light.falloff = {0.0f, 0.0f, 0.0f};
        light.falloff[static_cast<std::size_t>(fields.falloff)] = 1.0f;
    }
    light.position = {fields.x, fields.y, fields.z};
    light.spot_angle = fields.spot_angle;
    light.spot_exponent = fields.spot_exponent;
    light.intensity = fields.intensity;
    light.diffuse = fields.colour;
    light.casts_shadows = fields.casts_shadows ? 1 : 0;
    light.highlight = light.diffuse;
    light.RebuildExponentTable();
}

}  // namespace kelto
