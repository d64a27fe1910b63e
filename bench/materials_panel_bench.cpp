// The Materials panel's opening: from nothing to every material's picture on the screen, with
// the pictures already in the cache (every opening after the first), and with an empty cache,
// when each is traced on the panel's thread. Needs a display: `make bench-view` runs it under
// xvfb-run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "app/main_frame.h"
#include "app/materials_panel.h"
#include "app/qt_platform.h"
#include "platform/headless.h"

namespace kelto {
namespace {

struct Window {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    MemorySettings settings;
    QtWindowThread window_thread;
    QTemporaryDir user;
    QTemporaryDir cache;
    CMainFrame frame{AppServices{messages, files, settings, window_thread, std::string()}};

    Window() { frame.show(); }
    MaterialsPanelServices Services() {
        return {messages, window_thread, user.path().toStdString(), cache.path().toStdString(),
                "bench"};
    }
    // A new panel in the window, open until every picture is shown (a minute at most).
    bool OpenPanel() {
        auto* panel = new MaterialsPanel(frame, Services());
        frame.addDockWidget(Qt::RightDockWidgetArea, panel);
        panel->show();
        QElapsedTimer waited;
        waited.start();
        while (panel->PicturesShown() < panel->List()->count() && waited.elapsed() < 60000) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        }
        panel->repaint();
        const bool complete = panel->PicturesShown() == panel->List()->count();
        delete panel;
        return complete;
    }
};

void BM_OpenPanelWithCachedPictures(benchmark::State& state) {
    Window window;
    if (!window.OpenPanel()) {  // fills the cache
        state.SkipWithError("the pictures were not traced");
        return;
    }
    for (auto _ : state) {
        if (!window.OpenPanel()) {
            state.SkipWithError("the pictures did not come");
            return;
        }
    }
}
BENCHMARK(BM_OpenPanelWithCachedPictures)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenPanelTracingEveryPicture(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Window window;
        state.ResumeTiming();
        if (!window.OpenPanel()) {
            state.SkipWithError("the pictures were not traced");
            return;
        }
    }
}
BENCHMARK(BM_OpenPanelTracingEveryPicture)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
}  // namespace kelto
