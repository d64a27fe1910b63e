#include "tool_state.h"

namespace kelto {

ObjectType PrimitiveKindType(int kind) {
    return kind >= 0 && kind < kPrimitiveKindCount ? kPrimitiveTools[static_cast<std::size_t>(kind)]
                                                   : kPrimitiveTools[0];
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

void ToolState::SetModelling(const ModellingSettings& settings) {
    if (modelling_ == settings) {
        return;
    }
    modelling_ = settings;
    Changed();
}

void ToolState::SetSnapToGrid(bool on) {
    ModellingSettings settings = modelling_;
    settings.snap_to_grid = on;
    SetModelling(settings);
}

}  // namespace kelto
