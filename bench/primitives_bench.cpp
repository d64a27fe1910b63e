// Building each primitive's shape and tessellating both of its meshes, as a new node does.
#include <benchmark/benchmark.h>

#include "model/shapes.h"

namespace kelto {
namespace {

void BM_BuildPrimitive(benchmark::State& state) {
    const auto type = static_cast<ObjectType>(state.range(0));
    state.SetLabel(std::string(PrimitiveWord(type)));
    std::size_t vertices = 0;
    for (auto _ : state) {
        std::unique_ptr<Shape> shape = MakePrimitiveShape(type);
        Mesh display, render;
        BoundingBox box;
        shape->BuildDisplayMesh(display, box);
        shape->BuildRenderMesh(render);
        vertices = display.vertices.size();
        benchmark::DoNotOptimize(render.indices.data());
    }
    state.counters["vertices"] = static_cast<double>(vertices);
}
BENCHMARK(BM_BuildPrimitive)->DenseRange(0, 7);

void BM_TessellateSphere(benchmark::State& state) {
    SphereShape sphere;
    sphere.steps = static_cast<int>(state.range(0));
    Mesh mesh;
    for (auto _ : state) {
        sphere.BuildRenderMesh(mesh);
        benchmark::DoNotOptimize(mesh.indices.data());
    }
    state.counters["triangles"] = static_cast<double>(mesh.TriangleCount());
}
BENCHMARK(BM_TessellateSphere)->Arg(18)->Arg(64)->Arg(128);

}  // namespace
}  // namespace kelto
