// A yardstick, built only where Embree 3 is installed (Debian's libembree-dev): the same rays
// over the same world-space triangles, one ray at a time, by Embree and by our hierarchy:
// the closest hit of camera rays and of incoherent rays (random origins among the spheres,
// random directions), and whether anything blocks incoherent rays and shadow segments (from
// the points camera rays hit toward random points of a sphere light's disc), rtcOccluded1
// against AnyHitWithin; and the two any-hit queries side by side, pass for pass, for their
// ratio. Only this program links Embree.
#include <benchmark/benchmark.h>
#include <embree3/rtcore.h>

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
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

// The prepared scene's triangles in an Embree scene of its own device (one thread).
class EmbreeScene {
  public:
    explicit EmbreeScene(const PreparedScene& prepared) {
        device_ = rtcNewDevice("threads=1");
        scene_ = rtcNewScene(device_);
        for (const PreparedNode& node : prepared.Nodes()) {
            if (!node.mesh.Empty()) {
                Attach(node.mesh);
            }
        }
        rtcCommitScene(scene_);
        rtcInitIntersectContext(&context_);
    }
    ~EmbreeScene() {
        rtcReleaseScene(scene_);
        rtcReleaseDevice(device_);
    }
    EmbreeScene(const EmbreeScene&) = delete;
    EmbreeScene& operator=(const EmbreeScene&) = delete;

    bool Nearest(const Vec3f& origin, const Vec3f& direction, float far) {
        RTCRayHit r{};
        SetRay(r.ray, origin, direction, far);
        r.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        rtcIntersect1(scene_, &context_, &r);
        return r.hit.geomID != RTC_INVALID_GEOMETRY_ID;
    }
    bool Occluded(const Vec3f& origin, const Vec3f& direction, float far) {
        RTCRay r{};
        SetRay(r, origin, direction, far);
        rtcOccluded1(scene_, &context_, &r);
        return r.tfar < 0.0f;  // Embree marks a blocked ray so
    }

  private:
    static void SetRay(RTCRay& r, const Vec3f& origin, const Vec3f& direction, float far) {
        r.org_x = origin.x;
        r.org_y = origin.y;
        r.org_z = origin.z;
        r.dir_x = direction.x;
        r.dir_y = direction.y;
        r.dir_z = direction.z;
        r.tnear = 1e-6f;
        r.tfar = far;
        r.mask = 0xFFFFFFFFu;
    }
    void Attach(const TracedMesh& mesh) {
        std::vector<RenderTriangle> triangles;
        for (std::size_t t = 0; t < mesh.Size(); ++t) {
            triangles.push_back(mesh.Triangle(t));
        }
        RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto* vertices = static_cast<float*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3,
                                    3 * sizeof(float), triangles.size() * 3));
        auto* indices = static_cast<unsigned*>(
            rtcSetNewGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3,
                                    3 * sizeof(unsigned), triangles.size()));
        for (std::size_t t = 0; t < triangles.size(); ++t) {
            for (int c = 0; c < 3; ++c) {
                const Vec3f& p = triangles[t].corner[c];
                const std::size_t v = 3 * t + static_cast<std::size_t>(c);
                vertices[3 * v] = p.x;
                vertices[3 * v + 1] = p.y;
                vertices[3 * v + 2] = p.z;
                indices[v] = static_cast<unsigned>(v);
            }
        }
        rtcCommitGeometry(geometry);
        rtcAttachGeometry(scene_, geometry);
        rtcReleaseGeometry(geometry);
    }
    RTCDevice device_;
    RTCScene scene_;
    RTCIntersectContext context_;
};

// Runs `hit` (whether ray i hits) on the rays in turn, and reports the fraction that hit.
template <class Hit>
void TimeRays(benchmark::State& state, std::size_t rays, const Hit& hit) {
    std::size_t i = 0, hits = 0, count = 0;
    for (auto _ : state) {
        hits += hit(i) ? 1 : 0;
        ++count;
        i = i + 1 == rays ? 0 : i + 1;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["hit_fraction"] = static_cast<double>(hits) / static_cast<double>(count);
}

void BM_EmbreeCameraRays(benchmark::State& state) {
    const CameraRays rays(static_cast<int>(state.range(0)));
    EmbreeScene embree(rays.tracer->Prepared());
    TimeRays(state, rays.directions.size(), [&](std::size_t i) {
        return embree.Nearest(rays.eye, rays.directions[i], 100000.0f);
    });
    state.SetLabel("embree");
}
BENCHMARK(BM_EmbreeCameraRays)->Arg(1)->Arg(20)->Arg(200)->Arg(2000);

void BM_HierarchyCameraRays(benchmark::State& state) {
    const CameraRays rays(static_cast<int>(state.range(0)));
    const PreparedScene& prepared = rays.tracer->Prepared();
    TimeRays(state, rays.directions.size(), [&](std::size_t i) {
        return prepared.Nearest(rays.eye, rays.directions[i], 100000).Found();
    });
    state.SetLabel("kelto");
}
BENCHMARK(BM_HierarchyCameraRays)->Arg(1)->Arg(20)->Arg(200)->Arg(2000);

// Rays with no order among them: origins anywhere among the 200 spheres' grid (and a little
// above and below), directions uniform over the sphere; and shadow segments from the points
// the camera rays hit to random points of the disc a sphere light of radius 2, 15 units
// above the grid's middle, shows them.
struct LooseRays {
    CameraRays camera{200};
    std::vector<Vec3f> origins, directions;
    std::vector<float> lengths;  // the segments' lengths (to stop short of the light)

    explicit LooseRays(bool segments) {
        std::mt19937 random(7);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        const PreparedScene& prepared = camera.tracer->Prepared();
        if (!segments) {
            while (origins.size() < 65536) {
                const Vec3f d{unit(random), unit(random), unit(random)};
                if (Dot(d, d) > 1.0f || Dot(d, d) < 1e-4f) {
                    continue;
                }
                origins.push_back(
                    {unit(random) * 22.0f, unit(random) * 3.0f, unit(random) * 22.0f});
                directions.push_back(Normalised(d));
                lengths.push_back(100000.0f);
            }
            return;
        }
        const Vec3f light{0, 15, 0};
        for (std::size_t i = 0; origins.size() < 65536; i = (i + 97) % camera.directions.size()) {
            const TraceHit hit = prepared.Nearest(camera.eye, camera.directions[i], 100000.0f);
            if (!hit.Found()) {
                continue;
            }
            const Vec3f p = camera.eye + camera.directions[i] * hit.distance;
            float u = 0, v = 0;
            do {
                u = unit(random);
                v = unit(random);
            } while (u * u + v * v > 1.0f);
            const Vec3f target = light + Vec3f{2.0f * u, 0, 2.0f * v};
            const float length = Length(target - p);
            const Vec3f l = (target - p) * (1.0f / length);
            origins.push_back(p + l * 0.001f);
            directions.push_back(l);
            lengths.push_back(length - 0.001f);
        }
    }
};

const LooseRays& Loose(bool segments) {
    static const LooseRays rays(false), shadow_segments(true);
    return segments ? shadow_segments : rays;
}

// range(0): 0 incoherent rays, 1 shadow segments; range(1): 0 closest hit, 1 any hit.
void BM_EmbreeLooseRays(benchmark::State& state) {
    const LooseRays& rays = Loose(state.range(0) != 0);
    const bool any = state.range(1) != 0;
    EmbreeScene embree(rays.camera.tracer->Prepared());
    TimeRays(state, rays.origins.size(), [&](std::size_t i) {
        return any ? embree.Occluded(rays.origins[i], rays.directions[i], rays.lengths[i])
                   : embree.Nearest(rays.origins[i], rays.directions[i], rays.lengths[i]);
    });
    state.SetLabel(std::string("embree ") + (state.range(0) ? "shadow segments" : "incoherent") +
                   (any ? ", rtcOccluded1" : ", rtcIntersect1"));
}
BENCHMARK(BM_EmbreeLooseRays)->ArgsProduct({{0, 1}, {0, 1}});

void BM_HierarchyLooseRays(benchmark::State& state) {
    const LooseRays& rays = Loose(state.range(0) != 0);
    const bool any = state.range(1) != 0;
    const PreparedScene& prepared = rays.camera.tracer->Prepared();
    TimeRays(state, rays.origins.size(), [&](std::size_t i) {
        return any ? prepared.AnyHitWithin(rays.origins[i], rays.directions[i], rays.lengths[i],
                                           rays.lengths[i])
                   : prepared.Nearest(rays.origins[i], rays.directions[i], rays.lengths[i]).Found();
    });
    state.SetLabel(std::string("kelto ") + (state.range(0) ? "shadow segments" : "incoherent") +
                   (any ? ", AnyHitWithin" : ", Nearest"));
}
BENCHMARK(BM_HierarchyLooseRays)->ArgsProduct({{0, 1}, {0, 1}});

// The processor time this thread has used, in seconds: what the other work on a shared
// machine takes from it is left out.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Any-hit rays through both, each iteration one pass over all the rays by each, which goes
// first alternating, timed in this thread's processor time: the median of the ratios of our
// time to Embree's over the pairs of passes (kelto_per_embree), and the ratio of the best
// passes (kelto_per_embree_best, the least disturbed by other work), hold up on a loaded
// machine far better than two timings taken seconds apart. range(0): 0 incoherent rays,
// 1 shadow segments.
void BM_AnyHitAgainstEmbree(benchmark::State& state) {
    const LooseRays& rays = Loose(state.range(0) != 0);
    const PreparedScene& prepared = rays.camera.tracer->Prepared();
    EmbreeScene embree(prepared);
    const std::size_t n = rays.origins.size();
    std::size_t blocked = 0;
    auto pass = [&](bool ours) {
        const double start = ThreadSeconds();
        for (std::size_t i = 0; i < n; ++i) {
            blocked += ours ? prepared.AnyHitWithin(rays.origins[i], rays.directions[i],
                                                    rays.lengths[i], rays.lengths[i])
                            : embree.Occluded(rays.origins[i], rays.directions[i], rays.lengths[i]);
        }
        return ThreadSeconds() - start;
    };
    std::vector<double> ratios;
    double ours_best = INFINITY, embree_best = INFINITY;
    for (auto _ : state) {
        const bool ours_first = ratios.size() % 2 == 0;
        const double first = pass(ours_first);
        const double second = pass(!ours_first);
        const double ours = ours_first ? first : second;
        const double theirs = ours_first ? second : first;
        ratios.push_back(ours / theirs);
        ours_best = std::min(ours_best, ours);
        embree_best = std::min(embree_best, theirs);
    }
    std::sort(ratios.begin(), ratios.end());
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(2 * n));
    state.counters["kelto_per_embree"] = ratios[ratios.size() / 2];
    state.counters["kelto_per_embree_best"] = ours_best / embree_best;
    state.counters["kelto_ns_best"] = 1e9 * ours_best / static_cast<double>(n);
    state.counters["embree_ns_best"] = 1e9 * embree_best / static_cast<double>(n);
    benchmark::DoNotOptimize(blocked);
    state.SetLabel(state.range(0) ? "shadow segments" : "incoherent");
}
BENCHMARK(BM_AnyHitAgainstEmbree)->Arg(0)->Arg(1)->Iterations(60);

}  // namespace
}  // namespace kelto
