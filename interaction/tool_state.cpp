#include "tool_state.h"

#include <array>

namespace kelto {

ObjectType PrimitiveKindType(int kind) {
    static constexpr std::array<ObjectType, kPrimitiveKindCount> kTypes = {
        ObjectType::Cube,        ObjectType::Sphere,      ObjectType::Torus,
        ObjectType::Cone,        ObjectType::Cylinder,    ObjectType::Paraboloid,
        ObjectType::Hyperboloid, ObjectType::Superquadric};
    return kind >= 0 && kind < kPrimitiveKindCount ? kTypes[static_cast<std::size_t>(kind)]
                                                   : ObjectType::Cube;
}

LightKind LightToolKind(int code) {
    switch (code) {
        case 0:
            return LightKind::Sphere;
        case 2:
            return LightKind::Spot;
        default:
            return LightKind::Point;
    }
}

void ToolState::SetMode(ToolMode mode) {
    if (mode_ == mode) {
        return;
    }
    mode_ = mode;
    Changed();
}

void ToolState::ChoosePrimitive(int kind) {
    if (kind < 0 || kind >= kPrimitiveKindCount) {
        return;
    }
    if (mode_ == ToolMode::InsertPrimitive && primitive_kind_ == kind) {
        return;
    }
    mode_ = ToolMode::InsertPrimitive;
    primitive_kind_ = kind;
    Changed();
}

void ToolState::ChooseLight(int code) {
    if (code < 0 || code >= kLightToolCount) {
        return;
    }
    if (mode_ == ToolMode::InsertLight && light_tool_ == code) {
        return;
    }
    mode_ = ToolMode::InsertLight;
    light_tool_ = code;
    Changed();
}

}  // namespace kelto
