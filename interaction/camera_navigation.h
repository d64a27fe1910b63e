// Moving a view's camera with the mouse: middle-drag (or Alt+left-drag, or any left-drag of
// the Move Camera tool) orbits about a pivot, with Shift pans and with Ctrl zooms; the wheel
// zooms about the point under the cursor. Navigation is never an edit of the document. And
// the spheres the framing commands fill the view with.
#pragma once

#include <optional>

#include "document/document_core.h"
#include "pointer_event.h"
#include "tool_state.h"
#include "view_renderer.h"

namespace kelto {

enum class NavigationMove { None, Orbit, Pan, Zoom };

// A sphere to fill a view with.
struct FramingSphere {
    Vec3 centre;
    double radius = 0.0;
};

// The sphere round the boxes of the selected top-level objects and the selected lights;
// nothing when nothing is selected.
std::optional<FramingSphere> SelectionSphere(const Scene& scene);
// The same round every visible top-level object (the lights, which stand well off the scene,
// are left out); a scene without objects gives the floor grid's centre.
FramingSphere SceneSphere(const Scene& scene);

class CameraNavigation {
  public:
    static constexpr double kDegreesPerPixel = 0.4;
    // A wheel notch brings the view this many times closer.
    static constexpr double kWheelStepFactor = 1.25;
    // A zoom drag: the view comes exp(pixels * this) times closer for each pixel upwards.
    static constexpr double kZoomPerPixel = 0.01;

    CameraNavigation(const DocumentCore& document, CViewRenderer& renderer)
        : document_(document), renderer_(renderer) {}

    // What a press of this button with these modifiers starts under the current tool and the
    // modelling settings (None: the press belongs to the tool).
    static NavigationMove MoveFor(PointerButton button, unsigned modifiers, const ToolState& tools);

    NavigationMove Active() const { return move_; }
    PointerButton Button() const { return button_; }
    // Starts a drag at a pixel. An orbit turns about the selection's centre when something is
    // selected, else about the scene point under the pixel, else about the view's target; a
    // pan and a zoom hold the point under the pixel (at the target's depth when no object is
    // there).
    void Begin(NavigationMove move, PointerButton button, const WindowPoint& pixel);
    // The drag reaches another pixel; true when the camera moved.
    bool Step(const WindowPoint& pixel);
    void End() { move_ = NavigationMove::None; }
    // Wheel notches at a pixel (positive: away from the user, closer); true when the camera
    // moved.
    bool Wheel(const WindowPoint& pixel, double notches);

    // The nearest object (or light icon) under a pixel, as a point of the world.
    std::optional<Vec3> ScenePointAt(const WindowPoint& pixel) const;
    // The point under a pixel the pan and zoom hold: the scene point, or the point of the ray
    // at the target's depth.
    Vec3 HeldPointAt(const WindowPoint& pixel) const;

  private:
    const DocumentCore& document_;
    CViewRenderer& renderer_;
    NavigationMove move_ = NavigationMove::None;
    PointerButton button_ = PointerButton::None;
    Vec3 anchor_;  // the orbit's pivot, or the point a pan or zoom holds
    WindowPoint last_;
};

}  // namespace kelto
