// The main window with headless services (messages recorded, file choices scripted, settings
// in memory), shown and ready to be driven through its actions.
#pragma once

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>

#include "app/child_frame.h"
#include "app/editor_hooks.h"
#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "platform/headless.h"

namespace kelto::test {

struct MainWindowRig {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    HeadlessColourChooser colours;
    MemorySettings settings;
    QueuedWindowThread window_thread;
    std::unique_ptr<CMainFrame> frame;

    explicit MainWindowRig(int width = 900, int height = 700) {
        frame = std::make_unique<CMainFrame>(
            AppServices{messages, files, settings, window_thread, std::string()});
        frame->resize(width, height);
        frame->show();
    }
    QAction* Act(int id) { return frame->Action(id); }
    // The material sheet, the light dialog and the text dialog behind their commands.
    void AddEditors() {
        CommandHooks hooks = frame->Hooks();
        AddEditorHooks(hooks, {messages, files, colours, settings, window_thread}, frame.get());
        frame->SetHooks(std::move(hooks));
    }
    CTalvorDoc* Doc() { return frame->ActiveDocument(); }
    DocumentCore& Core() { return Doc()->Core(); }
    int WindowCount() { return static_cast<int>(frame->DocumentArea()->subWindowList().size()); }
    // The active modelling window, if the active window is one.
    CChildFrame* Active() {
        return qobject_cast<CChildFrame*>(frame->DocumentArea()->currentSubWindow());
    }
};

}  // namespace kelto::test
