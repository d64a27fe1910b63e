// The editors behind the Material Properties, Light Properties and Edit Text commands, for
// the main frame's command hooks.
#pragma once

#include <QWidget>

#include "app/command_hooks.h"
#include "app/editor_services.h"

namespace kelto {

// Sets the material, light and text hooks: the material sheet, the light dialog and the text
// dialog open over `parent` and edit the active document through its core.
void AddEditorHooks(CommandHooks& hooks, const EditorServices& services, QWidget* parent);

}  // namespace kelto
