// What the editors (material sheet, light dialog, text tool dialog) work through: message
// boxes, file and colour dialogs, the settings store and the window thread's queue. The
// program passes the desktop's; the tests pass headless ones.
#pragma once

#include "platform/colour_chooser.h"
#include "platform/file_chooser.h"
#include "platform/messages.h"
#include "platform/settings.h"
#include "platform/window_thread.h"

namespace kelto {

struct EditorServices {
    MessageSink& messages;
    FileChooser& files;
    ColourChooser& colours;
    SettingsStore& settings;
    WindowThread& window_thread;  // the material preview's pictures come back through it
};

}  // namespace kelto
