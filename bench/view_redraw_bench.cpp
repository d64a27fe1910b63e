// Frames per second of a full modelling-view redraw (grid, every mesh with its material, the
// selection's handles, the lights' icons) at 1024 x 768, through whatever OpenGL the display
// gives (Mesa's software renderer under xvfb-run). Needs a display: `make bench-view`.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <memory>
#include <string>

#include "bench/demo_scene.h"
#include "document/document_core.h"
#include "interaction/tool_state.h"
#include "view_bench_window.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// 13 x 13 spheres of 612 triangles each: 103 428 triangles, all in view.
void BuildSphereGrid(DocumentCore& document) {
    for (int i = 0; i < 13; ++i) {
        for (int j = 0; j < 13; ++j) {
            document.InsertObject(ObjectType::Sphere, {-7.2 + 1.2 * i, 0, -7.2 + 1.2 * j}, false);
        }
    }
    document.ClearSelection();
}

void RedrawFrames(benchmark::State& state, DocumentCore& document) {
    ToolState tools;
    std::optional<ViewEntry> camera;
    if (!document.Views().empty()) {
        camera = document.Views().front();
    }
    CTalvorView view(document, tools, camera);
    if (!ShowViewAndWait(view, kWidth, kHeight)) {
        state.SkipWithError("no OpenGL window (run under xvfb-run)");
        return;
    }
    view.makeCurrent();
    for (auto _ : state) {
        view.OnDraw();
        glFinish();
    }
    const CGLRenderer::FrameStats& frame = view.Renderer().LastFrame();
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(frame.triangles);
    state.counters["meshes"] = frame.meshes;
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    view.doneCurrent();
}

void BM_RedrawDemoScene(benchmark::State& state) {
    DocumentCore document;
    if (!bench::BuildDemoScene(document)) {
        state.SkipWithError("the demo scene's operations do not apply");
        return;
    }
    RedrawFrames(state, document);
}
BENCHMARK(BM_RedrawDemoScene)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_RedrawSphereGrid(benchmark::State& state) {
    DocumentCore document;
    BuildSphereGrid(document);
    RedrawFrames(state, document);
}
BENCHMARK(BM_RedrawSphereGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace kelto
