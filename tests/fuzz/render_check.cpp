#include "fuzz_checks.h"

#include <span>
#include <vector>

#include "document/document_core.h"
#include "raytracer/ray_tracer.h"

namespace kelto {
namespace {

constexpr int kWidth = 8;
constexpr int kHeight = 6;

class CountingSink : public PixelSink {
  public:
    void Output(std::span<const PixelUpdate> pixels) override {
        for (const PixelUpdate& p : pixels) {
            if (p.x < 0 || p.x >= kWidth || p.y < 0 || p.y >= kHeight || (p.colour >> 24) != 0)
                __builtin_trap();
            ++counts[static_cast<std::size_t>(p.y * kWidth + p.x)];
        }
    }
    std::vector<int> counts = std::vector<int>(kWidth * kHeight, 0);
};

}  // namespace

void CheckSceneRender(const std::uint8_t* data, std::size_t size) {
    DocumentCore document;
    if (!document.OpenFromBytes(std::span(data, size), "fuzz.kel").ok())
        return;
    const Scene& scene = document.GetScene();
    Vec3 eye = scene.CurrentCamera().eye;
    Vec3 target = scene.CurrentCamera().target;
    double focal_length = scene.CurrentCamera().focal_length;
    if (!document.Views().empty()) {
        const ViewEntry& view = document.Views().front();
        eye = view.eye;
        target = view.target;
        focal_length = view.lens > 0 ? view.lens : 50;
    }
    for (RenderQuality quality : {RenderQuality::Draft, RenderQuality::Production}) {
        RenderOptions options;
        options.seed = 1;
        RayTracer tracer(
            scene, MakeRenderCamera(eye, target, {0, 1, 0}, focal_length, kWidth, kHeight, quality),
            nullptr, options);
        CountingSink sink;
        tracer.Render(sink);
        for (int count : sink.counts)
            if (count != 1)
                __builtin_trap();
    }
}

}  // namespace kelto
