// The editors behind the Material Properties and Light Properties commands, for the main
// frame's command hooks.
#pragma once

#include <QWidget>

#include "app/command_hooks.h"
#include "app/editor_services.h"

namespace kelto {

// Sets the material and light hooks: the material sheet and the light dialog open over
// `parent` and edit the active document through its core.
void AddEditorHooks(CommandHooks& hooks, const EditorServices& services, QWidget* parent);

}  // namespace kelto
