// The modelling view's cursors: the system's arrow, I-beam and cross, and the three of its
// own (scaling, moving, rotating), drawn here.
#pragma once

#include <QCursor>

#include "interaction/tool_controller.h"

namespace kelto {

QCursor CursorFor(ToolCursor cursor);

}  // namespace kelto
