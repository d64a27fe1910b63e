// A yardstick, built only where Embree 3 is installed (Debian's libembree-dev): the closest
// hit of the same camera rays over the same world-space triangles, one ray at a time, by
// Embree and by our hierarchy. Only this program links Embree.
#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "raytracer/ray_tracer.h"

namespace kelto {
namespace {

// n spheres on a square grid, 3 units apart (as in raytracer_bench).
void AddSpheres(Scene& scene, int n) {
    const int side = static_cast<int>(std::ceil(std::sqrt(n)));
    for (int i = 0; i < n; ++i) {
        scene.CreateNode(ObjectType::Sphere,
                         {(i % side - side / 2) * 3.0, 0, (i / side - side / 2) * 3.0});
    }
}

struct CameraRays {
    std::unique_ptr<Scene> scene = std::make_unique<Scene>();
    std::unique_ptr<RayTracer> tracer;
    std::vector<Vec3f> directions;
    Vec3f eye;

    explicit CameraRays(int spheres) {
        AddSpheres(*scene, spheres);
        tracer = std::make_unique<RayTracer>(
            *scene, MakeRenderCamera({0, 25, 35}, {0, 0, 0}, {0, 1, 0}, 50, 640, 480,
                                     RenderQuality::Draft));
        for (int y = 0; y <= 480; ++y) {
            for (int x = 0; x <= 640; ++x) {
                directions.push_back(
                    tracer->PrimaryDirection(static_cast<float>(x), static_cast<float>(y)));
            }
        }
        eye = tracer->Eye();
    }
};

void BM_EmbreeCameraRays(benchmark::State& state) {
    const CameraRays rays(static_cast<int>(state.range(0)));
    RTCDevice device = rtcNewDevice("threads=1");
    RTCScene scene = rtcNewScene(device);
    for (const PreparedNode& node : rays.tracer->Prepared().Nodes()) {
        if (node.triangles.empty()) {
            continue;
        }
        RTCGeometry geometry = rtcNewGeometry(device, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto* vertices = static_cast<float*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                    3 * sizeof(float), node.triangles.size() * 3));
        auto* indices = static_cast<unsigned*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                    3 * sizeof(unsigned), node.triangles.size()));
        for (std::size_t t = 0; t < node.triangles.size(); ++t) {
            for (int c = 0; c < 3; ++c) {
                const Vec3f& p = node.triangles[t].corner[c];
                const std::size_t v = 3 * t + static_cast<std::size_t>(c);
                vertices[3 * v] = p.x;
                vertices[3 * v + 1] = p.y;
                vertices[3 * v + 2] = p.z;
                indices[v] = static_cast<unsigned>(v);
            }
        }
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene, geometry);
        rtcReleaseGeometry(geometry);
    }
    rtcCommitScene(scene);
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    std::size_t i = 0, hits = 0, count = 0;
    for (auto _ : state) {
        RTCRayHit r{};
        r.ray.org_x = rays.eye.x;
        r.ray.org_y = rays.eye.y;
        r.ray.org_z = rays.eye.z;
        r.ray.dir_x = rays.directions[i].x;
        r.ray.dir_y = rays.directions[i].y;
        r.ray.dir_z = rays.directions[i].z;
        r.ray.tnear = 1e-6f;
        r.ray.tfar = 100000.0f;
        r.ray.mask = 0xFFFFFFFFu;
        r.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene, &context, &r);
        hits += r.hit.geomID != RTC_INVALID_GEOMETRY_ID ? 1 : 0;
        ++count;
        i = i + 1 == rays.directions.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(count);
    state.SetLabel("embree");
    rtcReleaseScene(scene);
    rtcReleaseDevice(device);
}
BENCHMARK(BM_EmbreeCameraRays)->Arg(1)->Arg(20)->Arg(200)->Arg(2000);

void BM_HierarchyCameraRays(benchmark::State& state) {
    const CameraRays rays(static_cast<int>(state.range(0)));
    const PreparedScene& prepared = rays.tracer->Prepared();
    std::size_t i = 0, hits = 0, count = 0;
    for (auto _ : state) {
        hits += prepared.Nearest(rays.eye, rays.directions[i], 100000).Found() ? 1 : 0;
        ++count;
        i = i + 1 == rays.directions.size() ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(count);
    state.SetLabel("kelto");
}
BENCHMARK(BM_HierarchyCameraRays)->Arg(1)->Arg(20)->Arg(200)->Arg(2000);

}  // namespace
}  // namespace kelto
