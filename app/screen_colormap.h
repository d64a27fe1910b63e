// Top-level windows on the X screen's default colormap, so that screen grabs that go by the
// windows' colormaps (xwd -root) take them as the screen shows them.
#pragma once

class QApplication;

namespace kelto {

// From now on, every top-level window created with the screen's own visual gets the screen's
// default colormap in place of the one Qt makes for it. Does nothing on other platforms than
// X11 (Wayland, offscreen) and in builds without X11 support.
void UseScreenColormapForTopLevels(QApplication& application);

}  // namespace kelto
