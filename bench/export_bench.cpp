// Exporting the demo scene: to .glb (the whole file written, pictures encoded), and for
// comparison to .gltf beside its files and to binary STL (corners welded, shells checked).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "bench/demo_scene.h"
#include "document/export_cameras.h"
#include "files/scene_export.h"

namespace kelto {
namespace {

void ExportDemo(benchmark::State& state, const char* extension) {
    DocumentCore document;
    if (!bench::BuildDemoScene(document)) {
        state.SkipWithError("the demo scene could not be built");
        return;
    }
    ExportOptions options;
    options.cameras = ExportCamerasOf(document);
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("kelto-export-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = (folder / (std::string("demo.") + extension)).string();
    for (auto _ : state) {
        const Result<ExportReport> report = WriteSceneAs(document.GetScene(), path, options);
        if (!report.ok()) {
            state.SkipWithError(report.status().text.c_str());
            break;
        }
        benchmark::DoNotOptimize(report->objects);
    }
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    std::filesystem::remove_all(folder);
}

BENCHMARK_CAPTURE(ExportDemo, glb, "glb")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportDemo, gltf, "gltf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ExportDemo, stl, "stl")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto
