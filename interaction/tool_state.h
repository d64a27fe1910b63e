// The main frame's current tool: the mode the tool commands set, with the chosen primitive
// kind and light kind, and the modelling settings the tools place things by (snapping, the
// grid step, the height of new lights). Every modelling view reads it when the mouse is
// pressed.
#pragma once

#include <cstdint>
#include <functional>

#include "model/light.h"
#include "model/object_type.h"
#include "platform/program_settings.h"

namespace kelto {

enum class ToolMode : std::int32_t {
    Select = 0,
    InsertPrimitive = 1,
    Rotate = 2,
    InsertLight = 3,
    MoveCamera = 4,  // every left-drag moves the view's camera
    Text = 10,
};

// Primitive kinds are the places of the primitives' tools (kPrimitiveTools).
inline constexpr int kPrimitiveKindCount = static_cast<int>(kPrimitiveTools.size());
// Light tool codes: 0 area, 1 point, 2 spot.
inline constexpr int kLightToolCount = 3;

// The object type a primitive kind inserts; the first tool's for a kind out of range.
ObjectType PrimitiveKindType(int kind);
// The kind of light a light tool code inserts (area: a sphere light).
LightKind LightToolKind(int code);

class ToolState {
  public:
    ToolMode Mode() const { return mode_; }
    int PrimitiveKind() const { return primitive_kind_; }
    int LightTool() const { return light_tool_; }

    void SetMode(ToolMode mode);
    // Insert-primitive mode with this kind (kinds out of range are ignored).
    void ChoosePrimitive(int kind);
    // Insert-light mode with this light tool code (codes outside 0..2 are ignored).
    void ChooseLight(int code);

    const ModellingSettings& Modelling() const { return modelling_; }
    bool SnapToGrid() const { return modelling_.snap_to_grid; }
    double GridStep() const { return modelling_.grid_step; }
    double LightHeight() const { return modelling_.light_height; }
    void SetModelling(const ModellingSettings& settings);
    void SetSnapToGrid(bool on);

    // Called after every change (the frame refreshes its buttons).
    void SetListener(std::function<void()> listener) { listener_ = std::move(listener); }

  private:
    void Changed() const {
        if (listener_) {
            listener_();
        }
    }

    ToolMode mode_ = ToolMode::Select;
    int primitive_kind_ = 0;
    int light_tool_ = 1;
    ModellingSettings modelling_;
    std::function<void()> listener_;
};

}  // namespace kelto
