// One render: the scene prepared for a camera, primary rays, shading, and the two pixel loops
// (Draft: rows of pixel corners; Production: a Hilbert walk with jittered lens samples and
// adaptive refinement), on one thread or several.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "float_math.h"
#include "model/image.h"
#include "model/scene.h"
#include "prepared_scene.h"
#include "render_camera.h"

namespace kelto {

// Where finished pixels go: column, row and the colour packed red | green << 8 | blue << 16.
// Called from the render's threads, possibly several at once.
class PixelSink {
  public:
    virtual ~PixelSink() = default;
    virtual void Output(int x, int y, std::uint32_t colour) = 0;
};

// What a render did, for tests and measurements.
struct TraceStatistics {
    std::atomic<int> deepest{0};     // the largest ray depth traced
    std::atomic<long long> rays{0};  // rays traced (shadow rays not counted)
};

struct RenderOptions {
    int threads = 1;
    // Restarts the random sequences (lens samples) from this value instead of the clock.
    std::optional<long> seed;
    // Finds hits by the reference tree walk instead of the hierarchy (slow; for comparison).
    bool reference_walk = false;
    // Counted into when given.
    TraceStatistics* statistics = nullptr;
};

// Packs a colour in 0..1 per channel: each byte is (int)(c * 255 + 0.5) & 255.
std::uint32_t PackColour(const ColourRgb& c);

class RayTracer {
  public:
    static constexpr int kMaxDepth = 9;
    static constexpr float kMinWeight = 0.05f;
    static constexpr float kRefineThreshold = 1.0e-7f;
    static constexpr float kFocalDistance = 24.24f;
    static constexpr float kLensScale = 9.765625e-06f;
    static constexpr int kLensSets = 100;
    static constexpr int kLensSlots = 16;

    // Prepares the scene for the camera. `abort`, when given, is read before every corner,
    // pixel, sample and output; once it is non-zero the loops end.
    RayTracer(const Scene& scene, const RenderCamera& camera,
              const std::atomic<int>* abort = nullptr, RenderOptions options = {});

    // Traces the whole picture in the camera's quality.
    void Render(PixelSink& sink);
    void RenderDraft(PixelSink& sink);
    void RenderProduction(PixelSink& sink);

    // The unit direction of the primary ray through a pixel position (pixels from the
    // top-left corner); rays start at the eye.
    Vec3f PrimaryDirection(float x, float y) const;
    Vec3f Eye() const { return eye_; }
    // The colour seen along a ray that travels in a medium of refraction index `medium`.
    ColourRgb Trace(const Vec3f& origin, const Vec3f& direction, int depth, float weight,
                    float medium) const;
    // The colour of one Draft corner: black without candidates, else the primary ray's.
    ColourRgb CornerColour(float x, float y) const;

    const PreparedScene& Prepared() const { return prepared_; }
    int HilbertOrder() const { return hilbert_order_; }
    static int HilbertOrderFor(int width, int height);
    // The image's pixels in the order of the Hilbert walk (positions outside the image left
    // out).
    std::vector<std::pair<int, int>> HilbertPixels() const;
    const std::array<Vec3f, kLensSlots>& LensSet(int i) const {
        return lens_sets_[static_cast<std::size_t>(i)];
    }

    // The state a Production pixel carries on to the next: the two jitter counters, the lens
    // set, and the last colour output. It is process-wide between renders; with several
    // threads each stretch of the walk starts from the same state.
    struct ProductionState {
        int first_pass_counter = 0;
        int refinement_counter = 0;
        int lens_set = 0;
        ColourRgb last;
    };
    // One Production pixel; returns its colour and how many samples it took (0, 4 or 20).
    ColourRgb ProductionPixel(int x, int y, ProductionState& state, int& samples) const;

  private:
    bool Aborted() const {
        return abort_ != nullptr && abort_->load(std::memory_order_relaxed) != 0;
    }
    TraceHit Nearest(const Vec3f& origin, const Vec3f& direction, float max_distance) const;
    bool Shadowed(const Vec3f& origin, const Vec3f& direction, float distance) const;
    ColourRgb Shade(const Vec3f& point, Vec3f normal, const Vec3f& direction, float u, float v,
                    const Material& material, int depth, float weight, float incident,
                    float transmitted) const;
    void BuildLensSets();
    void DraftBand(int first_row, int end_row, PixelSink& sink) const;
    void ProductionStretch(const std::vector<std::pair<int, int>>& pixels, std::size_t begin,
                           std::size_t end, ProductionState& state, PixelSink& sink) const;

    const Scene& scene_;
    RenderCamera camera_;
    const std::atomic<int>* abort_;
    RenderOptions options_;
    int hilbert_order_ = 4;
    Vec3f eye_;
    float coc_[4] = {};  // kx, ky, kxz, kyz
    PreparedScene prepared_;
    std::vector<std::array<Vec3f, kLensSlots>> lens_sets_;
};

}  // namespace kelto
