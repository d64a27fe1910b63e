// The modelling view's tools without a toolkit: the view turns its mouse and key events into
// PointerEvents and hands them here; the controller picks, inserts and drags through the
// document's operations and tells the view what to do next (redraw, cursor, where to put the
// pointer, a message to show). The select, move, scale, rotate, insert and text tools live
// here.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "camera_navigation.h"
#include "document/document_core.h"
#include "picking.h"
#include "pointer_event.h"
#include "text_tool_prompt.h"
#include "tool_state.h"
#include "view_renderer.h"

namespace kelto {

// The keys a modelling view hands to its tools.
enum class ToolKey { Left, Right, Up, Down, Escape };

// The view's cursors by their numbers: the system's arrow, I-beam and cross, and the view's
// own for scaling, moving and rotating.
enum class ToolCursor {
    Arrow = 32512,
    IBeam = 32513,
    Cross = 32515,
    Navigate = 32646,  // the system's four-way arrow: the camera moves
    Scale = 182,
    Move = 184,
    Rotate = 205
};

// What the view does after an event.
struct ToolResponse {
    bool redraw = false;
    std::optional<ToolCursor> cursor;
    // Put the mouse pointer on this pixel (the rotate drag keeps it on the ring).
    std::optional<WindowPoint> warp_pointer;
    bool capture_mouse = false;
    bool release_mouse = false;
    // The view's camera moved (its controls show the new lens, and so on).
    bool camera_moved = false;
    // A message for the user (a text the font could not make); ok when there is none.
    Status message;
    // A Text object was double-clicked: the view has its text edited.
    NodeId edit_text;
};

// What a modelling view is doing with the mouse.
enum class DragState : std::int32_t {
    None = 0,
    ScaleNode = 1,
    ScaleLight = 2,
    MoveNode = 3,
    MoveLight = 4,
    RotateNode = 5,
    RotateLight = 6,
};

class ToolController {
  public:
    // The insertion tools find no floor further than this along the ray.
    static constexpr double kMaxGroundDistance = 10000.0;
    // Ground points beyond this on x or z go to the origin instead.
    static constexpr double kGroundLimit = 20.0;

    ToolController(DocumentCore& document, ToolState& tools, CViewRenderer& renderer)
        : document_(document),
          tools_(tools),
          renderer_(renderer),
          navigation_(document, renderer) {}
    ToolController(const ToolController&) = delete;
    ToolController& operator=(const ToolController&) = delete;

    // One mouse event of the view.
    ToolResponse OnPointer(const PointerEvent& event);
    // A key pressed in the view. The arrows nudge the selected top-level objects and lights by
    // one grid step on the floor (Left and Right along x, Up and Down along -z and +z; with
    // Shift, Up and Down along +y and -y), one history step per press; nothing while a drag
    // runs. Escape cancels the drag in progress, or clears the selection when none runs.
    ToolResponse OnKey(ToolKey key, unsigned modifiers);
    DragState Drag() const { return drag_; }
    // Between a press and its release (or a cancel).
    bool HasCapture() const { return captured_; }
    // The cursor the view shows now.
    ToolCursor CurrentCursor() const { return cursor_; }
    // The cursor over the view while no drag is on: the arrow for selecting and rotating, the
    // cross for inserting, the I-beam for text, the four-way arrow for moving the camera.
    static ToolCursor HoverCursor(ToolMode mode);
    // What the text tool asks for its text; without one the text tool adds nothing.
    void SetTextPrompt(TextToolPrompt* prompt) { text_prompt_ = prompt; }

    // The floor point under a window pixel as the insertion tools find it: the ray meets
    // y = 0 no further than kMaxGroundDistance ahead, and a point beyond kGroundLimit on x or
    // z becomes the origin. A parallel view looking along the floor takes the floor point
    // below (or above) the pixel on its centre plane. Nothing when the ray never meets it.
    std::optional<Vec3> GroundPoint(const WindowPoint& pixel) const;

    CameraNavigation& Navigation() { return navigation_; }

  private:
    // Middle-drags, Alt+left-drags, the Move Camera tool's drags and the wheel.
    std::optional<ToolResponse> OnNavigation(const PointerEvent& event);
    ToolResponse OnButtonDown(const PointerEvent& event);
    ToolResponse OnMouseMove(const PointerEvent& event);
    ToolResponse OnButtonUp(const PointerEvent& event);
    ToolResponse OnCancel();
    // The select and rotate tools find a Text object under a double click.
    ToolResponse OnDoubleClick(const PointerEvent& event);
    void SelectToolDown(const PointerEvent& event, ToolResponse& response);
    void RotateToolDown(const PointerEvent& event, ToolResponse& response);
    void InsertDown(const PointerEvent& event, bool light);
    void TextToolDown(const PointerEvent& event, ToolResponse& response);
    // Falls back to the select tool unless Ctrl is held.
    void KeepToolOnlyWithControl(const PointerEvent& event);

    void ScaleNodeStep(double dx, double dy);
    void ScaleLightStep(double dx, double dy);
    // Keeps the point grabbed at the press under the mouse: on the horizontal plane through
    // it, or with Shift on the vertical line through it; the object's position lands on the
    // grid when snapping is on (Ctrl does the opposite of the setting).
    void MoveStep(const PointerEvent& event);
    void BeginMove(const PickRay& ray, const PickHit& hit, const Vec3& position);
    // The floor point an insertion lands on: GroundPoint, snapped when snapping is on.
    std::optional<Vec3> InsertionPoint(const WindowPoint& pixel) const;
    ToolResponse Nudge(const Vec3& offset);
    void RotateStep(const PointerEvent& event, ToolResponse& response);
    // The window image (rounded to whole pixels) of the line from a to b; zero when either
    // end is behind the eye.
    WindowPoint ScreenVector(const Vec3& a, const Vec3& b) const;
    // The scale factor of a handle drag step: 1 + f / 8 within [0.1, 2], f the step along the
    // handle's screen line in units of its length.
    double HandleScaleFactor(double dx, double dy) const;
    // Where the ray through a pixel's centre meets the plane a move drag slides on.
    std::optional<Vec3> DragPlanePoint(const WindowPoint& pixel, const Vec3& through) const;
    void PushCursor(ToolCursor cursor);
    ToolCursor PopCursor();
    void ResetAnchors();

    DocumentCore& document_;
    ToolState& tools_;
    CViewRenderer& renderer_;
    TextToolPrompt* text_prompt_ = nullptr;
    CameraNavigation navigation_;

    DragState drag_ = DragState::None;
    bool captured_ = false;
    bool moved_ = false;  // since the button went down
    std::vector<ToolCursor> cursor_stack_;
    ToolCursor cursor_ = ToolCursor::Arrow;
    WindowPoint down_point_;
    WindowPoint last_point_;
    NodeId drag_node_;
    LightId drag_light_;
    int handle_code_ = -1;
    // Anchors of a scale drag, computed on its first move: the handle's screen line (-1, -1
    // until then) and the anchor corner in the world.
    WindowPoint handle_vector_{-1, -1};
    Vec3 anchor_world_;
    // A move drag: the picked point at the press and where the mouse has taken it since (not
    // snapped), the object's position at the press, and the offset handed to the document.
    Vec3 grab_start_;
    Vec3 grab_now_;
    Vec3 move_start_;
    Vec3 move_applied_;
    // The ring held: its code, and (in the world) the grab point and the centre line of the
    // grabbed band.
    int ring_code_ = 0;
    Vec3 ring_grab_;
    Vec3 ring_start_;
    Vec3 ring_end_;
};

}  // namespace kelto
