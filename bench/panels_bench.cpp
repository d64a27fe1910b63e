// The Objects and Properties panels on a scene of 10 000 objects: showing the scene in the
// panel, scrolling it, and selecting an object by a click on its row until the panels and the
// document agree and the views have been asked to redraw (their frame is view_redraw_bench's).
// Needs a display: `make bench-view` runs it under xvfb-run.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeView>
#include <fstream>

#include "app/main_frame.h"
#include "app/objects_panel.h"
#include "app/properties_panel.h"
#include "app/talvor_doc.h"
#include "platform/headless.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

constexpr int kObjects = 10000;

// 10 000 cubes, every tenth pair of them grouped, as a scene file.
std::string TenThousandObjects(const QTemporaryDir& folder) {
    DocumentCore core;
    for (int i = 0; i < kObjects; ++i) {
        core.InsertObject(ObjectType::Cube, {(i % 100) * 3.0, 0, (i / 100) * 3.0}, i % 10 == 9);
        if (i % 10 == 9) {
            core.Group();
        }
    }
    core.ClearSelection();
    const std::string path = folder.filePath("many.kel").toStdString();
    const std::vector<std::uint8_t> bytes = core.SaveToBytes();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

struct Window {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    MemorySettings settings;
    QueuedWindowThread window_thread;
    QTemporaryDir folder;
    std::unique_ptr<CMainFrame> frame;
    CTalvorDoc* document = nullptr;
    Window() {
        frame = std::make_unique<CMainFrame>(
            AppServices{messages, files, settings, window_thread, std::string()});
        frame->resize(1200, 900);
        frame->ShowPanels(true);
        frame->show();
        document = frame->OpenDocumentFile(QString::fromStdString(TenThousandObjects(folder)));
        QApplication::processEvents();
    }
    QTreeView& Tree() { return *frame->Objects()->Tree(); }
};

// Made once for all the benchmarks, and gone with the application (before its display).
Window& Shared() {
    static std::unique_ptr<Window> window;
    if (!window) {
        window = std::make_unique<Window>();
        qAddPostRoutine([] { window.reset(); });
    }
    return *window;
}

// The panel takes the scene again (as when the document becomes active) and paints it.
void BM_ShowTenThousandObjects(benchmark::State& state) {
    Window& window = Shared();
    for (auto _ : state) {
        window.frame->Objects()->SetDocument(nullptr);
        window.frame->Objects()->SetDocument(window.document);
        window.Tree().viewport()->repaint();
    }
    state.counters["rows"] =
        static_cast<double>(window.frame->Objects()->Model().Rows().rows.size());
}

// A page down through the list, painted.
void BM_ScrollTenThousandObjects(benchmark::State& state) {
    Window& window = Shared();
    QScrollBar* bar = window.Tree().verticalScrollBar();
    for (auto _ : state) {
        bar->setValue((bar->value() + bar->pageStep()) % std::max(1, bar->maximum()));
        window.Tree().viewport()->repaint();
    }
}

// A click on a row: the document selects the object, the panel highlights it, the
// Properties panel shows it, the commands' states follow and the views redraw (with 1; with 0
// the modelling view is hidden, which leaves the panels' and the document's share).
void BM_SelectOneOfTenThousandObjects(benchmark::State& state) {
    Window& window = Shared();
    QTreeView& tree = window.Tree();
    QWidget* view = window.frame->ActiveModellingView();
    view->setVisible(state.range(0) != 0);
    int row = 0;
    for (auto _ : state) {
        const QModelIndex index = tree.model()->index(row, 0);
        row = (row + 7) % 500;
        tree.selectionModel()->select(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        tree.viewport()->repaint();
        window.frame->Properties()->repaint();
    }
    view->setVisible(true);
    const Scene& scene = window.document->Core().GetScene();
    if (scene.CountSelectedNodes() != 1) {
        state.SkipWithError("the click did not select one object");
    }
}

BENCHMARK(BM_ShowTenThousandObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScrollTenThousandObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectOneOfTenThousandObjects)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto
