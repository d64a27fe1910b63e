// One render: the scene prepared for a camera, primary rays, shading, and the two pixel loops
// (Draft: rows of pixel corners; Production: a Hilbert walk with jittered lens samples and
// adaptive refinement), on one thread or several.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "environment_lookup.h"
#include "float_math.h"
#include "hit_finder.h"
#include "model/environment_picture.h"
#include "model/image.h"
#include "model/scene.h"
#include "pixel_walk.h"
#include "prepared_scene.h"
#include "render_camera.h"
#include "sampling_tables.h"

namespace kelto {

struct PixelUpdate {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t colour = 0;  // red | green << 8 | blue << 16
};

// Where finished pixels go, a batch at a time. Called from the render's threads, possibly
// several at once.
class PixelSink {
  public:
    virtual ~PixelSink() = default;
    virtual void Output(std::span<const PixelUpdate> pixels) = 0;
};

// One render thread's finished pixels on their way to the sink: handed over every kSize
// pixels, when the oldest has waited kMaxWait, and at Send, so that the sink's lock is taken
// once per batch rather than once per pixel. The clock is read every `check_every` pixels:
// for cheap pixels (Draft) not every time.
class PixelBatch {
  public:
    static constexpr std::size_t kSize = 256;
    static constexpr std::chrono::milliseconds kMaxWait{40};

    explicit PixelBatch(PixelSink& sink, std::size_t check_every = 1)
        : sink_(sink), check_every_(check_every) {
        pixels_.reserve(kSize);
    }
    void Add(int x, int y, std::uint32_t colour) {
        if (pixels_.empty()) {
            oldest_ = std::chrono::steady_clock::now();
        }
        pixels_.push_back({x, y, colour});
        if (pixels_.size() >= kSize || (pixels_.size() % check_every_ == 0 &&
                                        std::chrono::steady_clock::now() - oldest_ >= kMaxWait)) {
            Send();
        }
    }
    void Send() {
        if (!pixels_.empty()) {
            sink_.Output(pixels_);
            pixels_.clear();
        }
    }

  private:
    PixelSink& sink_;
    std::size_t check_every_;
    std::vector<PixelUpdate> pixels_;
    std::chrono::steady_clock::time_point oldest_;
};

// What a render did, for tests and measurements.
struct TraceStatistics {
    std::atomic<int> deepest{0};     // the largest ray depth traced
    std::atomic<long long> rays{0};  // rays traced (shadow rays not counted)
};

// How Production pixels choose their jitter and lens sets, and what their refinement decision
// compares with.
enum class ProductionSampling {
    // As the program always has: along each stretch of the walk the jitter counters and the
    // lens set move on from pixel to pixel, and a pixel is refined when it is brighter than the
    // colour output for the pixel before it.
    Walk,
    // Each pixel's sets are drawn from the seed and its position (PixelDrawsFor), and it is
    // refined when it is brighter than the first-pass mean of the pixel before it on the walk
    // (black for the first). A pixel then comes out the same however the picture is cut into
    // regions and stretches and shared among threads or machines.
    Pixel,
};

struct RenderOptions {
    int threads = 1;
    // Seeds the render's random sources (lens samples); without one they are seeded from the
    // clock.
    std::optional<long> seed;
    ProductionSampling sampling = ProductionSampling::Walk;
    // The part of the picture to trace (within the camera's picture; clipped to it); the
    // whole picture without one. Only its pixels are output, and only the samples they need
    // are traced: in Draft the corners around them; in Production with Pixel sampling also,
    // where the walk enters the region from outside, the first pass of the pixel the walk
    // came from.
    std::optional<PixelRect> region;
    // Finds hits by the reference tree walk instead of the hierarchy (slow; for comparison).
    bool reference_walk = false;
    // Counted into when given.
    TraceStatistics* statistics = nullptr;
    // How long a render job lets finished pixels wait before it asks for a drain, however few.
    std::chrono::milliseconds flush_interval{250};
    // The soft-shadow, occlusion and environment settings for this render instead of the
    // scene's own (kelto-cli's overrides).
    std::optional<SceneLighting> lighting;
    // The picture of a picture environment, read by the caller; without one that environment
    // is black.
    std::shared_ptr<const EnvironmentPicture> environment_picture;
};

// The random sources one render owns, both from its seed: Knuth's subtractive generator,
// which jitters the lens points, and the generator that shuffles them and picks each set's
// slice of the pattern.
struct RenderRandom {
    explicit RenderRandom(long seed)
        : subtractive(seed), shuffles(static_cast<std::uint_fast32_t>(seed)) {}
    SubtractiveRandom subtractive;
    std::minstd_rand shuffles;
};

// A seed for a render given none: the clock, to the nanosecond, so that renders started in
// the same second still differ.
long SeedFromClock();

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
    // Work is handed to the threads in pieces: Draft in runs of this many rows of pixel
    // corners, Production in stretches of this many pixels of the Hilbert walk. Neither
    // depends on the number of threads, and neither does the picture.
    static constexpr int kDraftChunkRows = 4;
    static constexpr std::size_t kProductionStretch = 1024;

    // What a render needs of the scene for this camera, taken on the calling thread; the
    // hierarchy is left for the render's own thread to build.
    static PreparedScene Snapshot(const Scene& scene, const RenderCamera& camera);

    // A render of a snapshot: builds its hierarchy and the lens sets. `abort`, when given, is
    // read before every corner, pixel, sample and output; once it is non-zero the loops end.
    RayTracer(PreparedScene scene, const RenderCamera& camera,
              const std::atomic<int>* abort = nullptr, RenderOptions options = {});
    // The same, snapshot included.
    RayTracer(const Scene& scene, const RenderCamera& camera,
              const std::atomic<int>* abort = nullptr, RenderOptions options = {});
    RayTracer(const RayTracer&) = delete;
    RayTracer& operator=(const RayTracer&) = delete;

    // The pixels a render with these options traces: its region within the picture, or the
    // whole picture.
    static PixelRect RegionOf(const RenderCamera& camera, const RenderOptions& options);

    // Traces the region (the whole picture without one) in the camera's quality.
    void Render(PixelSink& sink);
    void RenderDraft(PixelSink& sink);
    void RenderProduction(PixelSink& sink);

    // The seed the render's random sources started from (the given one, or the clock's).
    long Seed() const { return seed_; }
    // The unit direction of the primary ray through a pixel position (pixels from the
    // top-left corner); rays start at the eye.
    Vec3f PrimaryDirection(float x, float y) const;
    Vec3f Eye() const { return eye_; }
    // The colour seen along a ray that travels in a medium of refraction index `medium`.
    ColourRgb Trace(const Vec3f& origin, const Vec3f& direction, int depth, float weight,
                    float medium) const;
    // The colour of one Draft corner: the environment's along the primary ray without
    // candidates, else the primary ray's.
    ColourRgb CornerColour(float x, float y) const;

    // The share (0..1) of light `light` that reaches `point` past whatever lies between, for a
    // ray of this depth. In Production a sphere light (of a radius above 0, with the point
    // outside it) is sampled over the disc it shows the point, adaptively; every other light,
    // and every light in Draft or with one soft-shadow sample, by one ray to its centre (0 or
    // 1). 1 for a light that casts no shadows. A ray of weight w below 1 takes that share of
    // the samples (one: the centre's ray), as occlusion does.
    float LightVisibility(const Vec3f& point, std::size_t light, int depth,
                          float weight = 1.0f) const;
    // What ambient occlusion finds at a point: the unoccluded share of the cosine-weighted
    // hemisphere about the unit `normal` within the occlusion distance, and the environment's
    // light through the unoccluded directions (their colours summed, over all directions).
    // A ray of weight w below 1 (a reflection's or a refraction's) takes that share of the
    // samples, at least one: what it sees counts for no more than w.
    struct Openness {
        float unoccluded = 1.0f;
        ColourRgb environment;
    };
    Openness OpennessAt(const Vec3f& point, const Vec3f& normal, int depth,
                        float weight = 1.0f) const;
    const EnvironmentLookup& Environment() const { return environment_; }

    const PreparedScene& Prepared() const { return prepared_; }
    int HilbertOrder() const { return hilbert_order_; }
    static int HilbertOrderFor(int width, int height);
    // The image's pixels in the order of the Hilbert walk (positions outside the image left
    // out), by the heading-and-turn walk the program has always used. Renders walk with a
    // HilbertCursor, which visits the same pixels in the same order.
    std::vector<std::pair<int, int>> HilbertPixels() const;
    const std::array<Vec3f, kLensSlots>& LensSet(int i) const {
        return lens_sets_[static_cast<std::size_t>(i)];
    }

    // The state a Production pixel carries on to the next: the two jitter counters, the lens
    // set, and the last colour output. Every stretch of the walk starts from its own state
    // (ForStretch), so a render never depends on another one or on how its stretches were
    // shared among threads.
    struct ProductionState {
        int first_pass_counter = 0;
        int refinement_counter = 0;
        int lens_set = 0;
        ColourRgb last;
        // Stretch k starts with its counters and lens set as far along as k stretches of
        // once-sampled pixels would have left them, and with black as the last colour.
        static ProductionState ForStretch(std::size_t k);
    };
    // One Production pixel with Walk sampling; returns its colour and how many samples it
    // took (0, 4 or 20).
    ColourRgb ProductionPixel(int x, int y, ProductionState& state, int& samples) const;
    // One Production pixel with Pixel sampling, refined when brighter than `previous` (the
    // first-pass mean of the pixel before it on the walk); gives its own first-pass mean in
    // `first_pass_mean` and the samples taken in `samples`.
    ColourRgb SeededPixel(int x, int y, const ColourRgb& previous, ColourRgb& first_pass_mean,
                          int& samples) const;
    // The first-pass mean of a pixel with Pixel sampling (black without candidates).
    ColourRgb FirstPassMean(int x, int y) const;

  private:
    bool Aborted() const {
        return abort_ != nullptr && abort_->load(std::memory_order_relaxed) != 0;
    }
    ColourRgb Shade(const Vec3f& point, Vec3f normal, const Vec3f& direction, float u, float v,
                    const Material& material, int depth, float weight, float incident,
                    float transmitted) const;
    void BuildLensSets();
    // One primary sample of a Production pixel: jitter `jitter`, slot `slot` of lens set `lens`.
    ColourRgb LensSample(float x, float y, const JitterPair& jitter, int lens, int slot) const;
    // The four first-pass samples of pixel (x, y) from jitter set `set` and lens set `lens`;
    // gives their sum.
    ColourRgb FirstPass(int x, int y, int set, int lens, ColourRgb (&samples)[4]) const;
    // The sixteen more samples of a refined pixel added to `sum`; gives the mean of all twenty.
    ColourRgb Refinement(int x, int y, int set, int lens, ColourRgb sum) const;
    struct DraftSeam;
    void DraftChunk(int chunk, std::vector<DraftSeam>& seams, PixelBatch& batch) const;
    void WalkStretch(const std::vector<WalkStep>& steps, ProductionState& state,
                     PixelBatch& batch) const;
    void PixelStretch(const std::vector<WalkStep>& steps, PixelBatch& batch) const;
    RenderCamera camera_;
    const std::atomic<int>* abort_;
    RenderOptions options_;
    long seed_;
    PixelRect region_;
    RenderRandom random_;
    int hilbert_order_ = 4;
    Vec3f eye_;
    float coc_[4] = {};  // kx, ky, kxz, kyz
    PreparedScene prepared_;
    // What shading needs of each light (in the order of the prepared scene's lights) that
    // does not change from one point to the next.
    struct LightTerms {
        Vec3f position;
        Vec3f spot_axis;    // where a spot light points
        float spot_cutoff;  // the cosine of its half angle
    };
    std::vector<LightTerms> light_terms_;
    std::unique_ptr<HitFinder> finder_;
    std::vector<std::array<Vec3f, kLensSlots>> lens_sets_;

    // The colour of a pixel without candidates: the environment's through its centre.
    ColourRgb Background(int x, int y) const;
    // LightVisibility with what shading has worked out already: the unit direction `l` to the
    // light's centre and the distance to it.
    float Visibility(const Vec3f& point, std::size_t light, const Vec3f& l, float distance,
                     int depth, float weight) const;
    float SoftVisibility(const Vec3f& point, std::size_t light, const Vec3f& l, float distance,
                         float radius, int depth, int samples) const;
    // The lighting settings in force, within their ranges; the soft features in Production only.
    EnvironmentLookup environment_;
    int shadow_samples_ = 1;  // 1: hard shadows
    bool occlusion_ = false;
    int occlusion_samples_ = SceneLighting::kDefaultOcclusionSamples;
    float occlusion_distance_ = 0.0f;  // 0: nothing occludes
};

}  // namespace kelto
