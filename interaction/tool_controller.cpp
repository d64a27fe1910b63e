#include "tool_controller.h"

namespace kelto {

ToolResponse ToolController::OnPointer(const PointerEvent& event) {
    // The tools are not in yet: a click or drag in the view changes nothing.
    (void)document_;
    (void)tools_;
    (void)renderer_;
    (void)event;
    return {};
}

}  // namespace kelto
