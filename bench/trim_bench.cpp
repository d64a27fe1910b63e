// The Trim kernel on primitives as the insert tool makes them.
#include <benchmark/benchmark.h>

#include "model/scene.h"
#include "modelling/trim_kernel.h"

namespace kelto {
namespace {

void TrimPair(benchmark::State& state, ObjectType trimmed_type, Vec3 at, ObjectType cutter_type,
              Vec3 cutter_at, Vec3 cutter_scale) {
    Scene scene;
    SceneNode* trimmed = scene.CreateNode(trimmed_type, at);
    SceneNode* cutter = scene.CreateNode(cutter_type, cutter_at);
    cutter->scale = cutter_scale;
    const Mesh trimmed_mesh = trimmed->display_mesh;
    const Mesh cutter_mesh = cutter->display_mesh;
    std::size_t triangles = 0;
    for (auto _ : state) {
        trimmed->display_mesh = trimmed_mesh;
        cutter->display_mesh = cutter_mesh;
        if (!TrimKernel(*trimmed, *cutter).ok()) {
            state.SkipWithError("the solids do not intersect");
            return;
        }
        triangles = trimmed->display_mesh.TriangleCount() + cutter->display_mesh.TriangleCount();
    }
    state.counters["triangles"] = static_cast<double>(triangles);
}

void BM_TrimSphereByCube(benchmark::State& state) {
    TrimPair(state, ObjectType::Sphere, {0, 0, 0}, ObjectType::Cube, {1.2, 0, 0}, {1, 1.5, 1.5});
}
BENCHMARK(BM_TrimSphereByCube)->Unit(benchmark::kMillisecond);

void BM_TrimTorusByCylinder(benchmark::State& state) {
    TrimPair(state, ObjectType::Torus, {0, 0, 0}, ObjectType::Cylinder, {0.8, 0, 0}, {0.4, 0.4, 1});
}
BENCHMARK(BM_TrimTorusByCylinder)->Unit(benchmark::kMillisecond);

void BM_TrimTwoSpheres(benchmark::State& state) {
    TrimPair(state, ObjectType::Sphere, {0, 0, 0}, ObjectType::Sphere, {1, 0, 0.3}, {1, 1, 1});
}
BENCHMARK(BM_TrimTwoSpheres)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelto
