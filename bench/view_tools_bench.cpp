// The modelling tools on a scene of about 100 000 triangles (13 x 13 spheres of 612 each) in a
// 1024 x 768 view: one pick (the mouse point to the chosen object), one press of the select
// tool (pick and selection), one step of an orbit and a wheel notch (the camera's arithmetic
// alone), and one step of a move drag and of an orbit drag (the mouse move to the finished
// redraw) through whatever OpenGL the display gives (Mesa's software renderer under
// xvfb-run). Needs a display: `make bench-view`.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <memory>
#include <optional>

#include "document/document_core.h"
#include "interaction/camera_navigation.h"
#include "interaction/picking.h"
#include "interaction/tool_state.h"
#include "model/child_list.h"
#include "view_bench_window.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// 13 x 13 spheres of 612 triangles each: 103 428 triangles, all in view. With `stacked`, all
// in one place, so that every pick goes through every one of them.
void BuildSphereGrid(DocumentCore& document, bool stacked) {
    for (int i = 0; i < 13; ++i) {
        for (int j = 0; j < 13; ++j) {
            const Vec3 at =
                stacked ? Vec3{0.001 * i, 0, 0.001 * j} : Vec3{-7.2 + 1.2 * i, 0, -7.2 + 1.2 * j};
            document.InsertObject(ObjectType::Sphere, at, false);
        }
    }
    document.ClearSelection();
}

long long Triangles(const DocumentCore& document) {
    long long count = 0;
    for (const SceneNode* node : Children(document.GetScene().Root())) {
        count += static_cast<long long>(node->render_mesh.TriangleCount());
    }
    return count;
}

// The camera alone: what the tools compute with.
class CameraOnly : public HeadlessViewRenderer {
  public:
    CameraOnly()
        : HeadlessViewRenderer(kWidth, kHeight, {3, 8.5, 22.5}, {0, 0, 0}, {0, 1, 0}, 50.0) {}
};

WindowPoint PixelCentreOf(const CViewRenderer& camera, const Vec3& world) {
    WindowPoint p;
    camera.ProjectToWindow(world, p);
    return {std::floor(p.x) + 0.5, std::floor(p.y) + 0.5};
}

void PickAt(benchmark::State& state, bool stacked, const Vec3& target) {
    DocumentCore document;
    BuildSphereGrid(document, stacked);
    const CameraOnly camera;
    const PickRay ray = camera.RayAt(PixelCentreOf(camera, target));
    int hits = 0;
    for (auto _ : state) {
        const std::optional<PickHit> hit = Pick(document.GetScene(), ray, {});
        hits += hit ? 1 : 0;
        benchmark::DoNotOptimize(hit);
    }
    state.counters["triangles"] = static_cast<double>(Triangles(document));
    state.counters["hit"] = hits > 0 ? 1 : 0;
}

// A sphere near the middle of the grid, seen over the ones in front of it.
void BM_PickSphereInTheGrid(benchmark::State& state) {
    PickAt(state, false, {0, 1.6, 0});
}
BENCHMARK(BM_PickSphereInTheGrid)->Unit(benchmark::kMicrosecond);

// Between the spheres: boxes met, no triangle.
void BM_PickBetweenSpheres(benchmark::State& state) {
    PickAt(state, false, {0.6, 0.3, 0.6});
}
BENCHMARK(BM_PickBetweenSpheres)->Unit(benchmark::kMicrosecond);

// Every box on the ray: each of the 103 428 triangles tested.
void BM_PickThroughAllStacked(benchmark::State& state) {
    PickAt(state, true, {0.006, 1.0, 0.006});
}
BENCHMARK(BM_PickThroughAllStacked)->Unit(benchmark::kMicrosecond);

// The select tool's press: pick, then the document's selection (and back to nothing).
void BM_SelectToolPress(benchmark::State& state) {
    DocumentCore document;
    BuildSphereGrid(document, false);
    ToolState tools;
    CameraOnly camera;
    ToolController controller(document, tools, camera);
    PointerEvent press;
    press.kind = PointerEventKind::Press;
    press.button = PointerButton::Left;
    const WindowPoint centre = PixelCentreOf(camera, {0, 1.6, 0});
    press.point = {std::floor(centre.x), std::floor(centre.y)};
    PointerEvent release = press;
    release.kind = PointerEventKind::Release;
    for (auto _ : state) {
        controller.OnPointer(press);
        state.PauseTiming();
        controller.OnPointer(release);
        document.ClearSelection();
        state.ResumeTiming();
    }
    state.counters["triangles"] = static_cast<double>(Triangles(document));
}
BENCHMARK(BM_SelectToolPress)->Unit(benchmark::kMicrosecond);

// One step of an orbit drag, the camera's arithmetic alone: what navigation adds to a redraw.
void BM_OrbitStep(benchmark::State& state) {
    DocumentCore document;
    BuildSphereGrid(document, false);
    CameraOnly camera;
    CameraNavigation navigation(document, camera);
    navigation.Begin(NavigationMove::Orbit, PointerButton::Middle, {512, 384});
    int step = 0;
    for (auto _ : state) {
        navigation.Step({512.0 + ((step++ % 2 == 0) ? 4 : 0), 384});
    }
    benchmark::DoNotOptimize(camera.Camera().eye);
}
BENCHMARK(BM_OrbitStep)->Unit(benchmark::kMicrosecond);

// One wheel notch over a sphere of the grid: the pick of the point under the cursor and the
// zoom towards it (in, then out again).
void BM_WheelNotch(benchmark::State& state) {
    DocumentCore document;
    BuildSphereGrid(document, false);
    CameraOnly camera;
    CameraNavigation navigation(document, camera);
    const WindowPoint centre = PixelCentreOf(camera, {0, 1.6, 0});
    const WindowPoint pixel{std::floor(centre.x), std::floor(centre.y)};
    int step = 0;
    for (auto _ : state) {
        navigation.Wheel(pixel, (step++ % 2 == 0) ? 1.0 : -1.0);
    }
    benchmark::DoNotOptimize(camera.Camera().eye);
}
BENCHMARK(BM_WheelNotch)->Unit(benchmark::kMicrosecond);

// One step of a drag with `button` from `down` (the sphere near the grid's middle when none):
// the mouse event through the view and its tools to the finished frame, back and forth by four
// pixels so that the sphere stays in view. `started` says whether the press began the drag.
template <typename Started>
void DragStep(benchmark::State& state, Qt::MouseButton button, std::optional<QPointF> down,
              Started started) {
    DocumentCore document;
    BuildSphereGrid(document, false);
    ToolState tools;
    CTalvorView view(document, tools, std::nullopt);
    if (!ShowViewAndWait(view, kWidth, kHeight)) {
        state.SkipWithError("no OpenGL window (run under xvfb-run)");
        return;
    }
    if (!down) {
        const WindowPoint centre = PixelCentreOf(view.Renderer(), {0, 1.6, 0});
        down = QPointF(std::floor(centre.x), std::floor(centre.y));
    }
    QMouseEvent press(QEvent::MouseButtonPress, *down, view.mapToGlobal(*down), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(&view, &press);
    if (!started(view)) {
        state.SkipWithError("the press did not start the drag");
        return;
    }
    view.makeCurrent();
    int step = 0;
    for (auto _ : state) {
        const QPointF at = *down + QPointF((step++ % 2 == 0) ? 4 : 0, 0);
        QMouseEvent move(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, button,
                         Qt::NoModifier);
        QApplication::sendEvent(&view, &move);
        view.makeCurrent();
        view.OnDraw();
        glFinish();
    }
    state.counters["triangles"] = static_cast<double>(view.Renderer().LastFrame().triangles);
    state.SetLabel(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    view.doneCurrent();
    QMouseEvent release(QEvent::MouseButtonRelease, *down, view.mapToGlobal(*down), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&view, &release);
}

// A middle-button orbit step, beside the move drag's.
void BM_OrbitDragStep(benchmark::State& state) {
    DragStep(state, Qt::MiddleButton, QPointF(512, 384), [](CTalvorView& view) {
        return view.Tools().Navigation().Active() == NavigationMove::Orbit;
    });
}
BENCHMARK(BM_OrbitDragStep)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// A move drag's step (the document's pending move).
void BM_MoveDragStep(benchmark::State& state) {
    DragStep(state, Qt::LeftButton, std::nullopt,
             [](CTalvorView& view) { return view.Tools().Drag() == DragState::MoveNode; });
}
BENCHMARK(BM_MoveDragStep)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace kelto
