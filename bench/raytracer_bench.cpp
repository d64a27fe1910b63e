// Ray tracer speed: closest-hit and shadow queries by the reference walk and by the hierarchy,
// and whole renders of the demo scene.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/demo_scene.h"
#include "document/document_core.h"
#include "model/child_list.h"
#include "model/heap_tuning.h"
#include "raytracer/ray_tracer.h"

namespace kelto {
namespace {

// n spheres on a square grid, 3 units apart.
void AddSpheres(Scene& scene, int n) {
    const int side = static_cast<int>(std::ceil(std::sqrt(n)));
    for (int i = 0; i < n; ++i) {
        scene.CreateNode(ObjectType::Sphere,
                         {(i % side - side / 2) * 3.0, 0, (i / side - side / 2) * 3.0});
    }
}

PreparedScene Prepare(const Scene& scene) {
    return PreparedScene(
        scene,
        MakeRenderCamera({0, 25, 35}, {0, 0, 0}, {0, 1, 0}, 50, 64, 48, RenderQuality::Draft), 0, 0,
        0, 0);
}

struct Rays {
    std::vector<Vec3f> origins, directions;
};

Rays CameraRays(int count) {
    std::mt19937 random(1);
    std::uniform_real_distribution<float> spread(-0.45f, 0.45f);
    Rays rays;
    for (int i = 0; i < count; ++i) {
        rays.origins.push_back({0, 25, 35});
        rays.directions.push_back(
            Normalised(Vec3f{spread(random), -0.58f + spread(random), -0.8f}));
    }
    return rays;
}

void BM_ClosestHit(benchmark::State& state) {
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    const bool reference = state.range(1) != 0;
    const PreparedScene prepared = Prepare(scene);
    const Rays rays = CameraRays(1024);
    std::size_t i = 0, hits = 0;
    for (auto _ : state) {
        const TraceHit hit =
            reference ? prepared.ReferenceNearest(rays.origins[i], rays.directions[i], 100000)
                      : prepared.Nearest(rays.origins[i], rays.directions[i], 100000);
        hits += hit.Found() ? 1 : 0;
        i = (i + 1) % rays.origins.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(reference ? "reference" : "hierarchy") + " " +
                   std::to_string(prepared.TriangleCount()) + " triangles");
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_ClosestHit)->ArgsProduct({{1, 20, 200}, {1, 0}});

// The same closest-hit queries through the interface the tracer calls (one virtual call per
// ray), to weigh the indirection against the search itself.
void BM_ClosestHitThroughFinder(benchmark::State& state) {
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    const PreparedScene prepared = Prepare(scene);
    const std::unique_ptr<HitFinder> owned = std::make_unique<HierarchyHitFinder>(prepared);
    const HitFinder* finder = owned.get();
    benchmark::DoNotOptimize(finder);  // keeps the compiler from seeing through the call
    const Rays rays = CameraRays(1024);
    std::size_t i = 0, hits = 0;
    for (auto _ : state) {
        hits += finder->Nearest(rays.origins[i], rays.directions[i], 100000).Found() ? 1 : 0;
        i = (i + 1) % rays.origins.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("hierarchy through HitFinder");
    benchmark::DoNotOptimize(hits);
}
BENCHMARK(BM_ClosestHitThroughFinder)->Arg(20)->Arg(200);

// The primary rays of a 640x480 Draft of n spheres (every pixel corner, row by row, as the
// Draft traces them), one at a time. BM_CameraRays keeps the camera above for every grid: the
// grid of 200 fills the picture, smaller grids leave much of it empty (fewer rays meet
// anything). BM_FramedCameraRays moves the camera back with the grid's side, so that every
// grid fills the picture alike.
void CameraRays(benchmark::State& state, double camera_scale) {
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    const Vec3 eye = Vec3{0, 25, 35} * camera_scale;
    const RayTracer tracer(
        scene, MakeRenderCamera(eye, {0, 0, 0}, {0, 1, 0}, 50, 640, 480, RenderQuality::Draft));
    std::vector<Vec3f> directions;
    for (int y = 0; y <= 480; ++y) {
        for (int x = 0; x <= 640; ++x) {
            directions.push_back(
                tracer.PrimaryDirection(static_cast<float>(x), static_cast<float>(y)));
        }
    }
    const PreparedScene& prepared = tracer.Prepared();
    const Vec3f origin = tracer.Eye();
    std::size_t i = 0, hits = 0, rays = 0;
    for (auto _ : state) {
        hits += prepared.Nearest(origin, directions[i], 100000).Found() ? 1 : 0;
        ++rays;
        i = i + 1 == directions.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(rays);
    state.SetLabel(std::to_string(prepared.TriangleCount()) + " triangles");
}
void BM_CameraRays(benchmark::State& state) {
    CameraRays(state, 1.0);
}
void BM_FramedCameraRays(benchmark::State& state) {
    CameraRays(state, std::ceil(std::sqrt(static_cast<double>(state.range(0)))) / 15.0);
}
BENCHMARK(BM_CameraRays)->Arg(1)->Arg(20)->Arg(200)->Arg(2000);
BENCHMARK(BM_FramedCameraRays)->Arg(20)->Arg(200)->Arg(2000);

void BM_ShadowRay(benchmark::State& state) {
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    const bool reference = state.range(1) != 0;
    const PreparedScene prepared = Prepare(scene);
    // From points on the floor to a light above the middle.
    std::mt19937 random(2);
    std::uniform_real_distribution<float> spread(-20.0f, 20.0f);
    std::vector<Vec3f> points;
    for (int k = 0; k < 1024; ++k)
        points.push_back({spread(random), 0.001f, spread(random)});
    const Vec3f light{0, 15, 0};
    std::size_t i = 0, shadowed = 0;
    for (auto _ : state) {
        const Vec3f to = light - points[i];
        const float d = Length(to);
        const Vec3f l = to * (1.0f / d);
        if (reference) {
            const TraceHit hit = prepared.ReferenceNearest(points[i], l, d);
            shadowed += hit.Found() && !(d - 0.001f < hit.distance) ? 1 : 0;
        } else {
            shadowed += prepared.AnyHitWithin(points[i], l, d, d - 0.001f) ? 1 : 0;
        }
        i = (i + 1) % points.size();
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(reference ? "reference" : "hierarchy");
    benchmark::DoNotOptimize(shadowed);
}
BENCHMARK(BM_ShadowRay)->ArgsProduct({{1, 20, 200}, {1, 0}});

// Building the hierarchy over the sphere grids' triangles, on one thread and on two, with
// the heap set up as kelto-cli sets it (otherwise page faults are most of what is timed).
void BM_BuildHierarchy(benchmark::State& state) {
    static const bool tuned = [] {
        TuneHeapForLargeWork();
        ReserveHeapForLargeWork(std::size_t{1} << 30);
        return true;
    }();
    benchmark::DoNotOptimize(tuned);
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    const PreparedScene prepared = Prepare(scene);
    std::vector<const TracedMesh*> lists;
    std::size_t triangles = 0;
    for (const PreparedNode& node : prepared.Nodes()) {
        if (!node.mesh.Empty()) {
            lists.push_back(&node.mesh);
            triangles += node.mesh.Size();
        }
    }
    const int threads = static_cast<int>(state.range(1));
    for (auto _ : state) {
        TriangleHierarchy hierarchy;
        hierarchy.Build(lists, TriangleHierarchy::Walk::kFastest, threads);
        benchmark::DoNotOptimize(hierarchy.UsesAvx2());
    }
    state.SetLabel(std::to_string(triangles) + " triangles, " + std::to_string(threads) +
                   " threads");
}
BENCHMARK(BM_BuildHierarchy)
    ->ArgsProduct({{20, 200, 2000}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The process's resident memory at its peak since the last ResetPeakMemory, in bytes (Linux).
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

double PeakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stod(line.substr(6)) * 1024.0;
        }
    }
    return 0.0;
}

// What a render of n spheres holds a triangle once its scene is prepared and the hierarchy
// built on two threads: the leaves' triangle data, the hierarchy's nodes and leaves, and the
// peak of the resident memory over what the scene itself took (build temporaries included).
// Run it on its own (--benchmark_filter): memory other benchmarks freed can hide the peak.
void BM_PreparedSceneMemory(benchmark::State& state) {
    Scene scene;
    AddSpheres(scene, static_cast<int>(state.range(0)));
    double leaves = 0.0, hierarchy = 0.0, peak = 0.0, triangles = 0.0, fill = 0.0;
    for (auto _ : state) {
        ResetPeakMemory();
        const double before = PeakMemory();
        PreparedScene prepared(
            scene,
            MakeRenderCamera({0, 25, 35}, {0, 0, 0}, {0, 1, 0}, 50, 640, 480, RenderQuality::Draft),
            0, 0, 0, 0, PreparedScene::Hierarchy::Later);
        prepared.BuildHierarchy(2);
        peak = PeakMemory() - before;
        triangles = static_cast<double>(prepared.TriangleCount());
        leaves = static_cast<double>(prepared.TriangleBytes());
        hierarchy = static_cast<double>(prepared.Triangles().Bytes());
        fill = triangles /
               static_cast<double>(prepared.Triangles().PacketCount() * TriangleHierarchy::kLanes);
    }
    state.counters["leaf_bytes_per_triangle"] = leaves / triangles;
    state.counters["hierarchy_bytes_per_triangle"] = hierarchy / triangles;
    state.counters["peak_bytes_per_triangle"] = peak / triangles;
    state.counters["lanes_filled"] = fill;
    state.SetLabel(std::to_string(static_cast<long long>(triangles)) + " triangles");
}
BENCHMARK(BM_PreparedSceneMemory)
    ->Arg(2000)
    ->Arg(8000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

class NullSink : public PixelSink {
  public:
    void Output(std::span<const PixelUpdate>) override {}
};

// What a render takes from the document on the caller's thread: 10 000 objects, each with a
// material whose picture (256 x 256) is shared, not copied. Range 0: objects without meshes,
// the cost of the snapshot itself; range 1: cubes, with their triangles prepared.
void BM_Snapshot(benchmark::State& state) {
    Scene scene;
    const bool meshes = state.range(0) != 0;
    const SharedImage picture(TextureImage::Blank(256, 256, 3));
    for (int i = 0; i < 10000; ++i) {
        SceneNode* node = nullptr;
        const Vec3 at{(i % 100) * 3.0, 0, (i / 100) * 3.0};
        if (meshes) {
            node = scene.CreateNode(ObjectType::Cube, at);
        } else {
            node = *scene.AddNode(ObjectType::Mesh, "Mesh" + std::to_string(i));
            LinkChild(scene.Root(), *node);
            node->position = at;
            node->ComputeParentFromNode();
        }
        node->material.colour_source = 1;
        node->material.colour_image = picture;
    }
    const RenderCamera camera = MakeRenderCamera({150, 120, 400}, {150, 0, 150}, {0, 1, 0}, 50, 640,
                                                 480, RenderQuality::Draft);
    std::size_t triangles = 0;
    for (auto _ : state) {
        const PreparedScene snapshot = RayTracer::Snapshot(scene, camera);
        triangles = 0;
        for (const PreparedNode& node : snapshot.Nodes()) {
            triangles += node.mesh.Size();
        }
        benchmark::DoNotOptimize(snapshot.Nodes().data());
    }
    state.SetLabel(std::to_string(scene.NodeCount()) + " nodes, " + std::to_string(triangles) +
                   " triangles");
}
BENCHMARK(BM_Snapshot)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RenderDemo(benchmark::State& state) {
    DocumentCore document;
    if (!bench::BuildDemoScene(document)) {
        state.SkipWithError("the demo scene's operations do not apply");
        return;
    }
    const ViewEntry& view = document.Views().front();
    const auto quality = state.range(0) == 0 ? RenderQuality::Draft : RenderQuality::Production;
    const RenderCamera camera =
        MakeRenderCamera(view.eye, view.target, {0, 1, 0}, view.lens, 640, 480, quality);
    RenderOptions options;
    options.threads = static_cast<int>(state.range(1));
    options.seed = 1;
    for (auto _ : state) {
        RayTracer tracer(document.GetScene(), camera, nullptr, options);
        NullSink sink;
        tracer.Render(sink);
    }
    state.SetLabel(std::string(quality == RenderQuality::Draft ? "draft" : "production") +
                   " 640x480, " + std::to_string(options.threads) + " threads");
}
BENCHMARK(BM_RenderDemo)
    ->ArgsProduct({{0, 1}, {1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A Production of the demo scene whose key light is a sphere light of radius 1, on one
// thread: range 0 hard shadows (one sample), 1 soft shadows (16 samples), 2 hard shadows and
// ambient occlusion (16 directions within 2.5), 3 both.
void BM_RenderDemoSoftLight(benchmark::State& state) {
    DocumentCore document;
    if (!bench::BuildDemoScene(document) ||
        !cli::ApplyBuildOperation(document, "lightset:Light1@kind=area").ok() ||
        !cli::ApplyBuildOperation(document, "scale:Light1@4,4,4").ok()) {
        state.SkipWithError("the demo scene's operations do not apply");
        return;
    }
    const ViewEntry& view = document.Views().front();
    const RenderCamera camera = MakeRenderCamera(view.eye, view.target, {0, 1, 0}, view.lens, 640,
                                                 480, RenderQuality::Production);
    static constexpr const char* kNames[] = {"hard shadows", "16-sample soft shadows",
                                             "hard shadows + occlusion",
                                             "soft shadows + occlusion"};
    const int variant = static_cast<int>(state.range(0));
    RenderOptions options;
    options.seed = 1;
    options.lighting = SceneLighting{};
    options.lighting->soft_shadow_samples = (variant & 1) != 0 ? 16 : 1;
    options.lighting->occlusion = (variant & 2) != 0;
    TraceStatistics statistics;
    options.statistics = &statistics;
    for (auto _ : state) {
        RayTracer tracer(document.GetScene(), camera, nullptr, options);
        NullSink sink;
        tracer.Render(sink);
    }
    // Camera, reflected and refracted rays (not shadow or occlusion rays) per pixel.
    state.counters["rays_per_pixel"] = static_cast<double>(statistics.rays.load()) /
                                       (640.0 * 480.0 * static_cast<double>(state.iterations()));
    state.SetLabel(std::string("production 640x480, 1 thread, ") + kNames[variant]);
}
BENCHMARK(BM_RenderDemoSoftLight)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

}  // namespace
}  // namespace kelto
