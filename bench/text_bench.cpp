// Building 3D text: glyph outlines, flattening, walls and caps, as a Text object is made.
#include <benchmark/benchmark.h>

#include "modelling/text_shape.h"

namespace kelto {
namespace {

void BuildText(benchmark::State& state, const std::string& text) {
    std::size_t vertices = 0;
    for (auto _ : state) {
        TextShape shape(text, LogFont::TextToolDefault(), 0.45);
        shape.ReadGlyphs();
        Mesh mesh;
        BoundingBox box;
        shape.BuildDisplayMesh(mesh, box);
        vertices = mesh.vertices.size();
        benchmark::DoNotOptimize(mesh.vertices.data());
    }
    state.counters["vertices"] = static_cast<double>(vertices);
}

void BM_TextKelto3D(benchmark::State& state) {
    BuildText(state, "Kelto 3D");
}
BENCHMARK(BM_TextKelto3D)->Unit(benchmark::kMillisecond);

void BM_TextFortyCharacters(benchmark::State& state) {
    BuildText(state, "The quick brown fox jumps over a lazy do");
}
BENCHMARK(BM_TextFortyCharacters)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto
