// Where the commands whose windows come with later work plug in. The main frame keeps the
// commands enabled by their rules and calls these when they are chosen; a hook that is not
// set makes the command do nothing (Render: shown disabled until its hook is set).
#pragma once

#include <functional>

#include "model/handles.h"

class QMdiSubWindow;

namespace kelto {

class CTalvorDoc;
class CTalvorView;

// What the main frame needs to know about the active render window.
struct RenderWindowState {
    bool is_render_window = false;
    bool finished = false;
};

struct CommandHooks {
    // Material Properties: the editor for this node of the active document.
    std::function<void(CTalvorDoc&, NodeId)> material_properties;
    // Light Properties: the light dialog for this light.
    std::function<void(CTalvorDoc&, LightId)> light_properties;
    // Edit Text: the text dialog for this Text object.
    std::function<void(CTalvorDoc&, NodeId)> edit_text;
    // Render: the render settings, then a render window through the render template, for
    // the active modelling view.
    std::function<void(CTalvorDoc&, CTalvorView&)> render;
    // Stop rendering and Save image act on a render window; the state decides their rules.
    std::function<RenderWindowState(QMdiSubWindow*)> render_window_state;
    std::function<void(QMdiSubWindow*)> stop_rendering;
    std::function<void(QMdiSubWindow*)> save_image;
    // The material palette.
    std::function<void()> materials_palette;
};

}  // namespace kelto
