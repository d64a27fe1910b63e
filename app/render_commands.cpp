#include "render_commands.h"

#include <QMdiSubWindow>

#include "app/main_frame.h"
#include "app/render_frame.h"
#include "app/render_props.h"
#include "app/talvor_doc.h"
#include "platform/program_settings.h"
#include "views/render_view.h"
#include "views/talvor_view.h"

namespace kelto {

RenderCommands::RenderCommands(CMainFrame& frame) : QObject(&frame), frame_(frame) {
    CommandHooks hooks = frame_.Hooks();
    hooks.render = [this](CTalvorDoc& document, CTalvorView& view) { OnRender(document, view); };
    hooks.render_window_state = [](QMdiSubWindow* window) {
        RenderWindowState state;
        if (auto* render = qobject_cast<CRenderViewChildFrame*>(window)) {
            state.is_render_window = true;
            state.finished = render->View().Finished();
        }
        return state;
    };
    hooks.stop_rendering = [](QMdiSubWindow* window) {
        if (auto* render = qobject_cast<CRenderViewChildFrame*>(window)) {
            render->OnStopRendering();
        }
    };
    hooks.save_image = [](QMdiSubWindow* window) {
        if (auto* render = qobject_cast<CRenderViewChildFrame*>(window)) {
            render->OnSaveImage();
        }
    };
    frame_.SetHooks(std::move(hooks));
}

RenderSettings RenderCommands::Settings() const {
    RenderSettings settings;
    settings.threads = ReadGeneralSettings(frame_.Services().settings).render_threads;
    return settings;
}

void RenderCommands::OnRender(CTalvorDoc& document, CTalvorView& view) {
    CRenderProps sheet(
        ViewRenderChoices{view.RenderQualityChoice(), view.RenderSizeChoice(),
                          view.WindowPictureSize()},
        RenderPropsServices{view.Document(), frame_.Services().messages, frame_.Services().files},
        &frame_);
    if (sheet.exec() != QDialog::Accepted) {
        return;
    }
    view.SetRenderQualityChoice(sheet.Quality());
    view.SetRenderSizeChoice(sheet.SizeChoice());
    StartRender(document, view);
}

CRenderViewChildFrame* RenderCommands::StartRender(CTalvorDoc& document, CTalvorView& view) {
    // The view's own document (the active document is the view's whenever the view is).
    CTalvorDoc* target = &document;
    if (&target->Core() != &view.Document()) {
        target = nullptr;
        for (const auto& open : frame_.Documents()) {
            if (&open->Core() == &view.Document()) {
                target = open.get();
            }
        }
    }
    if (target == nullptr) {
        frame_.Services().messages.Show(Status::Silent());
        return nullptr;
    }
    // A picture environment's file is read now: a render never starts without its picture.
    RenderSettings settings = Settings();
    if (const Status read =
            LoadRenderEnvironment(target->Core(), target->PathName().toStdString(), settings);
        !read.ok()) {
        frame_.Services().messages.Show(read);
        return nullptr;
    }
    CRenderViewChildFrame* render =
        OpenRenderWindow(*target, view.RenderCameraSnapshot(), settings);
    if (const Status started = render->OnInitialUpdate(); !started.ok()) {
        frame_.Services().messages.Show(started);
        render->close();
        return nullptr;
    }
    frame_.UpdateCommandUI();
    return render;
}

CRenderViewChildFrame* RenderCommands::OpenRenderWindow(CTalvorDoc& document,
                                                        const RenderCamera& camera,
                                                        const RenderSettings& settings) {
    const AppServices& services = frame_.Services();
    auto* window = new CRenderViewChildFrame(
        document, camera, settings,
        RenderWindowServices{services.messages, services.files, services.window_thread});
    connect(window, &CRenderViewChildFrame::RenderStateChanged, &frame_,
            &CMainFrame::UpdateCommandUI);
    frame_.ShowFrame(window);
    return window;
}

}  // namespace kelto
