// The render commands of the main window: Render (the render settings of the active
// modelling view, then a render window on its document through the view's camera), Stop
// rendering and Save image on the active render window, and their enable rules.
#pragma once

#include <QObject>

#include "document/render_request.h"

namespace kelto {

class CMainFrame;
class CRenderViewChildFrame;
class CTalvorDoc;
class CTalvorView;

class RenderCommands : public QObject {
    Q_OBJECT

  public:
    // Gives the main window's render commands their work.
    explicit RenderCommands(CMainFrame& frame);

    // The Render command from `view`: its render settings, then the render.
    void OnRender(CTalvorDoc& document, CTalvorView& view);
    // The render once the settings are confirmed: a picture environment's file read, a
    // snapshot of the view's camera at its chosen size and quality, a render window on the
    // document, and its render started. Null (the message shown) when the picture could not
    // be read, no window could be made or its render could not start.
    CRenderViewChildFrame* StartRender(CTalvorDoc& document, CTalvorView& view);

  private:
    RenderSettings Settings() const;
    // A render window on the document looking through `camera`, shown in the main window;
    // its render has not started.
    CRenderViewChildFrame* OpenRenderWindow(CTalvorDoc& document, const RenderCamera& camera,
                                            const RenderSettings& settings);

    CMainFrame& frame_;
};

}  // namespace kelto
