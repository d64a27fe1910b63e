// The modelling view's tools without a toolkit: the view turns its mouse and key events into
// PointerEvents and hands them here; the controller acts on the document through its
// operations and tells the view what to do next (redraw, cursor, where to put the pointer).
// The select, move, scale, rotate and insert tools live here.
#pragma once

#include <cstdint>
#include <optional>

#include "document/document_core.h"
#include "tool_state.h"
#include "view_renderer.h"

namespace kelto {

enum class PointerButton { None, Left, Middle, Right };
enum class PointerEventKind { Press, Move, Release, Cancel };

// Modifier bits as the view keeps them while keys are down.
enum PointerModifiers : unsigned {
    kModifierNone = 0,
    kModifierControl = 2,
    kModifierShift = 4,
};

struct PointerEvent {
    PointerEventKind kind = PointerEventKind::Move;
    PointerButton button = PointerButton::None;
    unsigned modifiers = kModifierNone;
    WindowPoint point;
};

// The view's cursors: the system arrow, and its own for scaling, moving and rotating.
enum class ToolCursor { Arrow = 32512, Scale = 182, Move = 184, Rotate = 205 };

// What the view does after an event.
struct ToolResponse {
    bool redraw = false;
    std::optional<ToolCursor> cursor;
    // Put the mouse pointer here (the rotate drag keeps it on the ring).
    std::optional<WindowPoint> warp_pointer;
    bool capture_mouse = false;
    bool release_mouse = false;
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
    ToolController(DocumentCore& document, ToolState& tools, CViewRenderer& renderer)
        : document_(document), tools_(tools), renderer_(renderer) {}
    ToolController(const ToolController&) = delete;
    ToolController& operator=(const ToolController&) = delete;

    // One mouse event of the view.
    ToolResponse OnPointer(const PointerEvent& event);
    DragState Drag() const { return drag_; }

  private:
    DocumentCore& document_;
    ToolState& tools_;
    CViewRenderer& renderer_;
    DragState drag_ = DragState::None;
};

}  // namespace kelto
