// The mouse as a modelling view hands it to its tools, without a toolkit.
#pragma once

#include "model/window_projection.h"

namespace kelto {

enum class PointerButton { None, Left, Middle, Right };
// Cancel: Escape, or the view lost the mouse in the middle of a drag. Wheel: notches of the
// mouse wheel at the pointer. DoubleClick: the second press of a double click (its first
// press and release came before it as a Press and a Release).
enum class PointerEventKind { Press, Move, Release, Cancel, Wheel, DoubleClick };

// Modifier bits as the view keeps them while keys are down.
enum PointerModifiers : unsigned {
    kModifierNone = 0,
    kModifierControl = 2,
    kModifierShift = 4,
    kModifierAlt = 8,
};

struct PointerEvent {
    PointerEventKind kind = PointerEventKind::Move;
    PointerButton button = PointerButton::None;
    unsigned modifiers = kModifierNone;
    // The pixel under the mouse (whole numbers, as the window system reports them).
    WindowPoint point;
    // Wheel notches (positive: turned away from the user).
    double wheel_notches = 0.0;
};

}  // namespace kelto
