// The render window must not slow its render: a 640 x 480 Production render of the demo scene
// through a render view (the news through Qt's event loop, every drain painted into the
// shown bitmap) against the same render through `kelto-cli render` (opening the file and
// writing a BMP included); and what a render window holds in memory. Needs a display:
// `make bench-view` runs it under xvfb-run.
#include <malloc.h>
#include <sys/resource.h>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "app/qt_platform.h"
#include "cli/build_operations.h"
#include "cli/commands.h"
#include "document/document_core.h"
#include "document/render_request.h"
#include "views/render_view.h"

namespace kelto {
namespace {

constexpr long kSeed = 7;

bool BuildDemoScene(DocumentCore& document) {
    std::ifstream ops(KELTO_EXAMPLES "/demo-scene.ops");
    for (std::string line; std::getline(ops, line);) {
        if (!line.empty() && line[0] != '#' && !cli::ApplyBuildOperation(document, line).ok()) {
            return false;
        }
    }
    return true;
}

RenderSettings Production(int width, int height) {
    RenderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.quality = RenderQuality::Production;
    settings.seed = kSeed;
    return settings;
}

// CPU time of every thread of the process so far: steadier than the wall clock on a busy
// machine, and it counts what the window thread spends draining and painting.
double ProcessCpuSeconds() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The demo scene and the camera kelto-cli renders it through; false (the benchmark skipped)
// when either is missing.
bool PrepareDemo(benchmark::State& state, DocumentCore& document, const RenderSettings& settings,
                 RenderCamera& camera) {
    if (!BuildDemoScene(document)) {
        state.SkipWithError("the demo scene's operations do not apply");
        return false;
    }
    if (!ChooseRenderCamera(document, settings, camera).ok()) {
        state.SkipWithError("no camera");
        return false;
    }
    return true;
}

std::size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Renders in a shown render view until its done news has been handled; returns whether it
// finished.
bool RenderInWindow(CRenderView& view) {
    QEventLoop loop;
    QObject::connect(&view, &CRenderView::RenderFinished, &loop, &QEventLoop::quit);
    if (!view.OnInitialUpdate().ok()) {
        return false;
    }
    if (!view.Finished()) {
        loop.exec();
    }
    return view.Finished();
}

void BM_ProductionThroughKeltoCli(benchmark::State& state) {
    DocumentCore document;
    if (!BuildDemoScene(document)) {
        state.SkipWithError("the demo scene's operations do not apply");
        return;
    }
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / "kelto-render-window-bench";
    std::filesystem::create_directories(folder);
    const std::string scene = (folder / "demo.kel").string();
    const std::string picture = (folder / "demo.bmp").string();
    if (!document.Save(scene).ok()) {
        state.SkipWithError("the demo scene could not be saved");
        return;
    }
    const std::string seed = std::to_string(kSeed);
    const double cpu_before = ProcessCpuSeconds();
    const std::string_view args[] = {scene,       picture,      "--size", "640x480",
                                     "--quality", "production", "--seed", seed};
    for (auto _ : state) {
        std::ostringstream out, err;
        if (cli::RunRender(args, out, err) != cli::kExitOk) {
            state.SkipWithError(err.str().c_str());
            break;
        }
    }
    state.counters["all_threads_cpu_s"] =
        (ProcessCpuSeconds() - cpu_before) / static_cast<double>(state.iterations());
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ProductionThroughKeltoCli)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

void BM_ProductionThroughRenderWindow(benchmark::State& state) {
    DocumentCore document;
    const RenderSettings settings = Production(640, 480);
    RenderCamera camera;
    if (!PrepareDemo(state, document, settings, camera)) {
        return;
    }
    QtWindowThread window_thread;
    const double cpu_before = ProcessCpuSeconds();
    for (auto _ : state) {
        CRenderView view(document, camera, settings, window_thread);
        view.resize(640, 480);
        view.show();
        if (!RenderInWindow(view)) {
            state.SkipWithError("the render did not finish");
            break;
        }
    }
    state.counters["all_threads_cpu_s"] =
        (ProcessCpuSeconds() - cpu_before) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ProductionThroughRenderWindow)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

// A render window's heap: with its snapshot taken and its render not started, once the
// render has finished (the snapshot gone; the shown window's backing store included) and
// after it closed, against the picture's two copies (the bitmap shown and the picture saved)
// and the snapshot alone.
void BM_RenderWindowMemory(benchmark::State& state) {
    DocumentCore document;
    const RenderSettings settings = Production(640, 480);
    RenderCamera camera;
    if (!PrepareDemo(state, document, settings, camera)) {
        return;
    }
    QtWindowThread window_thread;
    for (auto _ : state) {
        const std::size_t before_snapshot = HeapInUse();
        std::size_t snapshot = 0;
        {
            const PreparedScene prepared = RayTracer::Snapshot(document.GetScene(), camera);
            snapshot = HeapInUse() - before_snapshot;
        }
        const std::size_t before = HeapInUse();
        auto view = std::make_unique<CRenderView>(document, camera, settings, window_thread);
        const std::size_t with_snapshot = HeapInUse();
        view->resize(640, 480);
        view->show();
        if (!RenderInWindow(*view)) {
            state.SkipWithError("the render did not finish");
            break;
        }
        malloc_trim(0);
        const std::size_t finished = HeapInUse();
        view.reset();
        malloc_trim(0);
        const std::size_t closed = HeapInUse();
        const double picture = 640.0 * 480.0 * 3.0;  // bytes of one copy of the picture
        state.counters["before_start_KB"] = static_cast<double>(with_snapshot - before) / 1024.0;
        state.counters["finished_KB"] = static_cast<double>(finished - before) / 1024.0;
        state.counters["two_pictures_KB"] = 2.0 * picture / 1024.0;
        state.counters["snapshot_KB"] = static_cast<double>(snapshot) / 1024.0;
        state.counters["closed_KB"] = (static_cast<double>(closed) - before) / 1024.0;
    }
}
BENCHMARK(BM_RenderWindowMemory)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

}  // namespace
}  // namespace kelto
