// The toolbar pictures, drawn in code: simple line drawings at 24 x 24 pixels.
#pragma once

#include <QIcon>

namespace kelto {

// The picture of a command; a null icon for commands without one.
QIcon CommandIcon(int command_id);
// The program's own picture (the window icon).
QIcon ApplicationIcon();

}  // namespace kelto
