#include "ray_tracer.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "model/shared_work.h"
#include "sampling_tables.h"
#include "triangle_intersection.h"

namespace kelto {
namespace {

constexpr float kFarAway = 100000.0f;

// The eye-space point's screen position (x, y), by the camera's projection and viewport.
std::pair<double, double> ScreenOf(const RenderCamera& camera, double x, double y, double z) {
    const WindowPoint p =
        WindowOf(camera).FromClip(MultiplyPoint(camera.clip_from_view, {x, y, z, 1.0}));
    return {p.x, p.y - 1.0};
}

std::array<float, 4> CircleOfConfusion(const RenderCamera& camera) {
    const auto a = ScreenOf(camera, 0, 0, 1);
    const auto b = ScreenOf(camera, 1, 1, 1);
    const auto kx = static_cast<float>((b.first - a.first) * RayTracer::kLensScale);
    const auto ky = static_cast<float>((b.second - a.second) * RayTracer::kLensScale);
    return {kx, ky, -kx / RayTracer::kFocalDistance, -ky / RayTracer::kFocalDistance};
}

ColourRgb operator+(const ColourRgb& a, const ColourRgb& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
ColourRgb operator*(const ColourRgb& a, float s) {
    return {a.r * s, a.g * s, a.b * s};
}
ColourRgb operator*(const ColourRgb& a, const ColourRgb& b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
float Channel(const ColourRgb& c, int i) {
    return i == 0 ? c.r : i == 1 ? c.g : c.b;
}

// Not-a-number (from values out of range in a material or a light) counts as black.
float Clamp01(float v) {
    return !(v > 0.0f) ? 0.0f : (v > 1.0f ? 1.0f : v);
}

// Grey of one pixel of a height image: luminance for RGB, the byte for grey.
float HeightAt(const TextureImage& image, int x, int y) {
    if (image.IsGrey()) {
        return static_cast<float>(image.GreyAt(x, y));
    }
    const ColourRgb c = image.RgbBilinear(x, y, 0.0, 0.0);
    return 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
}

// The normal tilted by the material's bump image (or its colour image).
Vec3f Bump(const Material& m, Vec3f n, float u, float v) {
    const TextureImage* image = nullptr;
    if (m.bump_mode == BumpMode::UseColourMap && m.colour_source == 1 && m.colour_image) {
        image = m.colour_image.get();
    } else if (m.bump_mode == BumpMode::Image && m.bump_image) {
        image = m.bump_image.get();
    }
    if (image == nullptr || !image->HasPixels()) {
        return n;
    }
    const float magnitude = m.bump_magnitude * 4.0f;
    const int w = image->width, h = image->height;
    const int x0 = static_cast<int>((w - 1) * u);
    const int y0 = h - static_cast<int>((h - 1) * v) - 1;
    int xl = x0 - 1;
    if (xl < 0)
        xl = w - 1;
    const int xr = std::min(xl + 2, w - 1);
    const int y1 = std::min(y0 + 1, h - 1);
    const float h0 = HeightAt(*image, x0, y0);
    const float h1 = HeightAt(*image, xl, y1);
    const float h2 = HeightAt(*image, xr, y1);
    const Vec3f local = Normalised({-magnitude * (h2 - h1), 1.0f, magnitude * (h0 - h1)});

    Vec3f tangent = Cross(n, {0.0f, 1.0f, 0.0f});
    if (Length(tangent) < 1e-6f) {
        tangent = {1.0f, 0.0f, 0.0f};
        n = std::fabs(n.y - 1.0f) >= 0.001f ? Vec3f{0.0f, -1.0f, 0.0f} : Vec3f{0.0f, 1.0f, 0.0f};
    } else {
        tangent = Normalised(tangent);
    }
    const Vec3f binormal = Normalised(Cross(tangent, n));
    return tangent * local.x + n * local.y + binormal * local.z;
}

ColourRgb SurfaceColour(const Material& m, float u, float v) {
    if (m.colour_source == 1 && m.colour_image) {
        return m.colour_image->SampleColour(u, 1.0 - v);
    }
    return m.colour * m.brightness;
}

}  // namespace

long SeedFromClock() {
    return static_cast<long>(std::chrono::system_clock::now().time_since_epoch().count() %
                             1000000000);
}

std::uint32_t PackColour(const ColourRgb& c) {
    auto byte = [](float v) {
        return static_cast<std::uint32_t>(static_cast<int>(v * 255.0f + 0.5f) & 255);
    };
    return byte(c.r) | (byte(c.g) << 8) | (byte(c.b) << 16);
}

int RayTracer::HilbertOrderFor(int width, int height) {
    const int side = std::max(width, height);
    int order = 4;
    while ((1 << order) < side && order < 30) {
        ++order;
    }
    return order;
}

PixelRect RayTracer::RegionOf(const RenderCamera& camera, const RenderOptions& options) {
    const PixelRect picture{0, 0, std::max(camera.width, 0), std::max(camera.height, 0)};
    return options.region ? Intersection(*options.region, picture) : Intersection(picture, picture);
}

PreparedScene RayTracer::Snapshot(const Scene& scene, const RenderCamera& camera) {
    const auto coc = CircleOfConfusion(camera);
    return PreparedScene(scene, camera, coc[0], coc[1], coc[2], coc[3],
                         PreparedScene::Hierarchy::Later);
}

RayTracer::RayTracer(const Scene& scene, const RenderCamera& camera, const std::atomic<int>* abort,
                     RenderOptions options)
    : RayTracer(Snapshot(scene, camera), camera, abort, options) {}

RayTracer::RayTracer(PreparedScene scene, const RenderCamera& camera, const std::atomic<int>* abort,
                     RenderOptions options)
    : camera_(camera),
      abort_(abort),
      options_(options),
      seed_(options.seed ? *options.seed : SeedFromClock()),
      region_(RegionOf(camera, options)),
      random_(seed_),
      hilbert_order_(HilbertOrderFor(camera.width, camera.height)),
      eye_(ToFloat(camera.eye)),
      prepared_(std::move(scene)) {
    if (options_.reference_walk) {
        finder_ = std::make_unique<ReferenceHitFinder>(prepared_);
    } else {
        prepared_.BuildHierarchy(std::max(1, options_.threads));
        finder_ = std::make_unique<HierarchyHitFinder>(prepared_);
    }
    for (const Light& light : prepared_.Lights()) {
        LightTerms terms;
        terms.position = ToFloat(light.position);
        terms.spot_axis = Normalised({static_cast<float>(-light.rotation[8]),
                                      static_cast<float>(-light.rotation[9]),
                                      static_cast<float>(-light.rotation[10])});
        terms.spot_cutoff = static_cast<float>(std::cos(light.spot_angle * kDegreesToRadians));
        light_terms_.push_back(terms);
    }
    // The lighting settings may come from a caller that did not check them: counts are held
    // within their ranges, and a distance that is not above 0 occludes nothing.
    const SceneLighting lighting = options_.lighting.value_or(prepared_.Lighting());
    environment_ = EnvironmentLookup(lighting, options_.environment_picture);
    if (camera_.quality == RenderQuality::Production) {
        shadow_samples_ =
            std::clamp(lighting.soft_shadow_samples, 1, SceneLighting::kMaxSoftShadowSamples);
        occlusion_ = lighting.occlusion;
        occlusion_samples_ =
            std::clamp(lighting.occlusion_samples, 1, SceneLighting::kMaxOcclusionSamples);
        occlusion_distance_ = lighting.occlusion_distance > 0.0f
                                  ? std::min(lighting.occlusion_distance, kFarAway)
                                  : 0.0f;
    }
    random_.subtractive.Next();  // the generator is drawn from once as the render starts
    const auto coc = CircleOfConfusion(camera);
    std::copy(coc.begin(), coc.end(), coc_);
    BuildLensSets();
}

Vec3f RayTracer::PrimaryDirection(float x, float y) const {
    const double u = x / camera_.half_width - 1.0;
    const double v = y / camera_.half_height - 1.0;
    const double a = 4.0 * u * camera_.horizontal_ray_scale;
    const double b = 4.0 * v * camera_.vertical_ray_scale;
    Vec3 d = camera_.forward + camera_.right * a + camera_.up * b;
    d.Normalise();
    return ToFloat(d);
}

void RayTracer::BuildLensSets() {
    // The lens frame turns the lens plane (facing -z) towards the centre of the image and
    // moves it to the eye.
    const Vec3f centre = PrimaryDirection(camera_.width * 0.5f, camera_.height * 0.5f);
    Matrix4 frame;
    frame.Translate(camera_.eye);
    const Vec3f forward{0.0f, 0.0f, -1.0f};
    const Vec3f axis = Cross(forward, centre);
    const float cosine = std::clamp(Dot(forward, centre), -1.0f, 1.0f);
    if (Length(axis) > 1e-7f) {
        frame.Rotate(std::acos(cosine) / kDegreesToRadians, {axis.x, axis.y, axis.z});
    } else if (cosine < 0.0f) {
        frame.Rotate(180.0, {0.0, 1.0, 0.0});
    }
    static constexpr float kPattern[19][2] = {
        {0.75f, 0.433f},    {0.0f, 0.866f},   {-0.75f, 0.433f}, {-0.75f, -0.433f},
        {0.0f, -0.866f},    {0.75f, -0.433f}, {0.0f, 0.0f},     {0.75f, 0.0f},
        {0.375f, 0.65f},    {-0.375f, 0.65f}, {-0.75f, 0.0f},   {-0.375f, -0.65f},
        {0.375f, -0.65f},   {0.375f, 0.216f}, {0.0f, 0.433f},   {-0.375f, 0.217f},
        {-0.375f, -0.216f}, {0.0f, -0.433f},  {0.375f, -0.217f}};
    auto draw = [this](int n) { return static_cast<int>(random_.shuffles() % n); };
    auto shuffle = [&draw](Vec3f* first, int count) {
        for (int i = count - 1; i > 0; --i) {
            std::swap(first[i], first[draw(i + 1)]);
        }
    };
    lens_sets_.clear();
    for (int s = 0; s < kLensSets; ++s) {
        Vec3f points[19];
        for (int i = 0; i < 19; ++i) {
            const auto x = static_cast<float>(kPattern[i][0] + 0.075 * random_.subtractive.Next());
            const auto y = static_cast<float>(kPattern[i][1] + 0.075 * random_.subtractive.Next());
            points[i] = {x * kLensScale, y * kLensScale, 0.0f};
        }
        shuffle(points, 5);
        shuffle(points + 7, 12);
        std::array<Vec3f, kLensSlots> set;
        for (int i = 0; i < 4; ++i) {
            set[static_cast<std::size_t>(i)] = frame.TransformPoint(points[i]);
        }
        const int k = draw(3);
        for (int i = 4; i < kLensSlots; ++i) {
            set[static_cast<std::size_t>(i)] = frame.TransformPoint(points[i + k]);
        }
        lens_sets_.push_back(set);
    }
}

ColourRgb RayTracer::Trace(const Vec3f& origin, const Vec3f& direction, int depth, float weight,
                           float medium) const {
    if (options_.statistics != nullptr) {
        options_.statistics->rays.fetch_add(1, std::memory_order_relaxed);
        int deepest = options_.statistics->deepest.load(std::memory_order_relaxed);
        while (depth > deepest &&
               !options_.statistics->deepest.compare_exchange_weak(deepest, depth)) {
        }
    }
    const TraceHit hit = finder_->Nearest(origin, direction, kFarAway);
    if (!hit.Found()) {
        if (environment_.IsBlack()) {
            return {};
        }
        const ColourRgb seen = environment_.Seen(direction);
        return {Clamp01(seen.r), Clamp01(seen.g), Clamp01(seen.b)};
    }
    const PreparedNode& object = prepared_.Nodes()[static_cast<std::size_t>(hit.node)];
    const SurfacePoint3 s =
        CompleteHit(object.mesh.Triangle(static_cast<std::size_t>(hit.triangle)), origin, direction,
                    hit.distance);
    const Material& material = prepared_.MaterialOf(object);
    Vec3f normal = s.normal;
    float incident = medium;
    float transmitted = material.index_of_refraction;
    if (Dot(direction, normal) > 0.0f) {
        // The back of the surface: the ray leaves the material into air.
        incident = material.index_of_refraction;
        transmitted = 1.0f;
        normal = -normal;
    }
    normal = Bump(material, normal, s.u, s.v);
    return Shade(s.point, normal, direction, s.u, s.v, material, depth, weight, incident,
                 transmitted);
}

ColourRgb RayTracer::Shade(const Vec3f& p, Vec3f n, const Vec3f& d, float u, float v,
                           const Material& m, int depth, float weight, float incident,
                           float transmitted) const {
    const ColourRgb surface = SurfaceColour(m, u, v);
    const ColourRgb ambient = m.ambient * m.ambient_strength;
    const ColourRgb glow = m.glow * m.glow_strength;
    const ColourRgb highlight = m.highlight * m.highlight_strength;
    ColourRgb c;

    const float p_length = Length(p);
    const Vec3f view = p_length > 1e-6f ? p * (1.0f / p_length) : p;
    const std::vector<Light>& lights = prepared_.Lights();
    for (std::size_t k = 0; k < lights.size(); ++k) {
        const Light& light = lights[k];
        if (!light.on) {
            continue;
        }
        const LightTerms& terms = light_terms_[k];
        const Vec3f to_light = terms.position - p;
        const float distance = Length(to_light);
        if (!(distance > 0.0f)) {
            continue;  // a light at the point itself has no direction
        }
        const auto& f = light.falloff;
        const float attenuation = (f[0] > 1e-5f || f[1] > 1e-5f || f[2] > 1e-5f)
                                      ? 1.0f / ((f[2] * distance + f[1]) * distance + f[0])
                                      : 0.0f;
        const Vec3f l = to_light * (1.0f / distance);
        const float ndl = Dot(n, l);
        if (!(ndl > 0.0f && attenuation > 0.0f && light.intensity > 0.0f)) {
            continue;
        }
        float spot = 1.0f;
        if (light.kind == LightKind::Spot) {
            const float cs = Dot(-l, terms.spot_axis);
            if (!(cs > 0.0f && cs >= terms.spot_cutoff)) {
                continue;
            }
            spot = std::pow(cs, light.spot_exponent);
        }
        const float shadow =
            light.casts_shadows ? Visibility(p, k, l, distance, depth, weight) : 1.0f;
        if (shadow == 0.0f) {
            continue;
        }
        // The highlight last: the lights that give none above have cost no power of it.
        const Vec3f h = to_light - view;
        const float nh = Dot(n, h);
        const float specular = nh >= 0.0f ? std::pow(nh / Length(h), m.shininess * 128.0f) : 0.0f;
        const ColourRgb light_highlight{light.highlight.r, light.highlight.g, light.highlight.b};
        const ColourRgb light_diffuse{light.diffuse.r, light.diffuse.g, light.diffuse.b};
        const float scale = spot * light.intensity * attenuation * shadow;
        c = c + (light_highlight * highlight * specular + light_diffuse * surface * ndl) * scale;
    }
    if (occlusion_) {
        const Openness open = OpennessAt(p, n, depth, weight);
        c = c + prepared_.AmbientLight() * ambient * open.unoccluded + surface * open.environment +
            glow;
    } else {
        c = c + prepared_.AmbientLight() * ambient + glow;
    }

    if (depth + 1 < kMaxDepth) {
        const float reflected_weight = weight * m.reflective_strength;
        if (reflected_weight > kMinWeight) {
            const Vec3f r = d - n * (2.0f * Dot(d, n));
            c = c + Trace(p + r * 0.0001f, r, depth + 1, reflected_weight, incident) *
                        m.reflective_strength;
        }
        const float transmitted_weight = weight * m.transparency;
        if (transmitted_weight > kMinWeight) {
            const float eta = incident / transmitted;
            const float ci = -Dot(d, n);
            const float q = 1.0f - (1.0f - ci * ci) * eta * eta;
            if (q >= 0.0f) {
                const Vec3f t = d * eta + n * (eta * ci - std::sqrt(q));
                c = c + Trace(p + t * 0.0001f, t, depth + 1, transmitted_weight, transmitted) *
                            m.transparency;
            }
        }
    }
    return {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
}

ColourRgb RayTracer::Background(int x, int y) const {
    if (environment_.IsBlack()) {
        return {};
    }
    const ColourRgb seen = environment_.Seen(
        PrimaryDirection(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f));
    return {Clamp01(seen.r), Clamp01(seen.g), Clamp01(seen.b)};
}

ColourRgb RayTracer::CornerColour(float x, float y) const {
    if (!prepared_.HasCandidates(x, y)) {
        if (environment_.IsBlack()) {
            return {};
        }
        const ColourRgb seen = environment_.Seen(PrimaryDirection(x, y));
        return {Clamp01(seen.r), Clamp01(seen.g), Clamp01(seen.b)};
    }
    return Trace(eye_, PrimaryDirection(x, y), 0, 1.0f, 1.0f);
}

// Where two runs of corner rows meet: the last corner row of the run above and the first of
// the run below. Whichever run finishes its side second outputs the row of pixels between.
struct RayTracer::DraftSeam {
    std::vector<ColourRgb> above;
    std::vector<ColourRgb> below;
    std::atomic<int> sides{0};
};

void RayTracer::DraftChunk(int chunk, std::vector<DraftSeam>& seams, PixelBatch& batch) const {
    // Corners x0..x1 of rows y0..y1 of the region: the corners of its pixels.
    const int x0 = region_.x0;
    const int width = region_.Width();
    const int first_row = region_.y0 + chunk * kDraftChunkRows;
    const int end_row = std::min(first_row + kDraftChunkRows, region_.y1 + 1);
    // The pixel row between the two corner rows of a seam, once both are there.
    auto seam_done = [&](DraftSeam& seam, int pixel_row) {
        if (seam.sides.fetch_add(1, std::memory_order_acq_rel) != 1) {
            return;  // the other side is not there yet: it outputs the row
        }
        for (int i = 1; i <= width; ++i) {
            const auto c = static_cast<std::size_t>(i);
            const ColourRgb mean =
                (seam.below[c] + seam.below[c - 1] + seam.above[c] + seam.above[c - 1]) * 0.25f;
            batch.Add(x0 + i - 1, pixel_row, PackColour(mean));
        }
        // Given back, not only emptied: a tall picture has thousands of seams.
        std::vector<ColourRgb>().swap(seam.above);
        std::vector<ColourRgb>().swap(seam.below);
    };
    std::vector<ColourRgb> previous(static_cast<std::size_t>(width + 1));
    std::vector<ColourRgb> current(static_cast<std::size_t>(width + 1));
    for (int cy = first_row; cy < end_row; ++cy) {
        if (Aborted()) {
            return;
        }
        for (int i = 0; i <= width; ++i) {
            if (Aborted()) {
                return;
            }
            const auto c = static_cast<std::size_t>(i);
            current[c] = CornerColour(static_cast<float>(x0 + i), static_cast<float>(cy));
            if (i >= 1 && cy > first_row) {
                const ColourRgb mean =
                    (current[c] + current[c - 1] + previous[c] + previous[c - 1]) * 0.25f;
                batch.Add(x0 + i - 1, cy - 1, PackColour(mean));
            }
        }
        if (cy == first_row && chunk > 0) {
            DraftSeam& seam = seams[static_cast<std::size_t>(chunk)];
            seam.below = current;
            seam_done(seam, cy - 1);
        }
        if (cy == end_row - 1 && end_row <= region_.y1) {
            DraftSeam& seam = seams[static_cast<std::size_t>(chunk + 1)];
            seam.above = current;
            seam_done(seam, cy);
        }
        std::swap(previous, current);
    }
}

void RayTracer::RenderDraft(PixelSink& sink) {
    // Runs of corner rows go to whichever thread is free. Every corner is traced once and
    // every pixel is the mean of the same four corners whatever the number of threads, and
    // whatever region of the picture is traced, so the picture is bit-identical for any
    // number of threads and any cut into regions.
    if (region_.Empty()) {
        return;
    }
    const int chunks = (region_.Height() + 1 + kDraftChunkRows - 1) / kDraftChunkRows;
    std::vector<DraftSeam> seams(static_cast<std::size_t>(chunks) + 1);
    std::atomic<int> next{0};
    RunOnThreads(std::clamp(options_.threads, 1, chunks), [&] {
        PixelBatch batch(sink, 8);
        for (int chunk = next.fetch_add(1); chunk < chunks && !Aborted();
             chunk = next.fetch_add(1)) {
            DraftChunk(chunk, seams, batch);
        }
        batch.Send();
    });
}

std::vector<std::pair<int, int>> RayTracer::HilbertPixels() const {
    std::vector<std::pair<int, int>> pixels;
    pixels.reserve(static_cast<std::size_t>(camera_.width) *
                   static_cast<std::size_t>(std::max(camera_.height, 0)));
    int x = 0, y = 0, heading = 0;
    auto visit = [&] {
        if (x < camera_.width && y < camera_.height) {
            pixels.emplace_back(x, y);
        }
    };
    auto move = [&] {
        switch (((heading % 360) + 360) % 360) {
            case 0:
                ++x;
                break;
            case 90:
                ++y;
                break;
            case 180:
                --x;
                break;
            default:
                --y;
                break;
        }
        visit();
    };
    auto step = [&](auto&& self, int turn, int level) -> void {
        if (level == 0) {
            return;
        }
        heading += 90 * turn;
        self(self, -turn, level - 1);
        move();
        heading -= 90 * turn;
        self(self, turn, level - 1);
        move();
        self(self, turn, level - 1);
        heading -= 90 * turn;
        move();
        self(self, -turn, level - 1);
        heading += 90 * turn;
    };
    visit();
    step(step, 1, hilbert_order_);
    return pixels;
}

ColourRgb RayTracer::LensSample(float x, float y, const JitterPair& jitter, int lens,
                                int slot) const {
    const Vec3f d = PrimaryDirection(x + jitter.x, y + jitter.y);
    const Vec3f focal = eye_ + d * kFocalDistance;
    const Vec3f origin = lens_sets_[static_cast<std::size_t>(lens)][static_cast<std::size_t>(slot)];
    return Trace(origin, Normalised(focal - origin), 0, 1.0f, 1.0f);
}

ColourRgb RayTracer::FirstPass(int x, int y, int set, int lens, ColourRgb (&samples)[4]) const {
    const float px = static_cast<float>(x), py = static_cast<float>(y);
    ColourRgb sum;
    for (int i = 0; i < 4; ++i) {
        if (Aborted()) {
            break;
        }
        samples[i] = LensSample(px, py, FirstPassJitter(set, i), lens, i);
        sum = sum + samples[i];
    }
    return sum;
}

ColourRgb RayTracer::Refinement(int x, int y, int set, int lens, ColourRgb sum) const {
    const float px = static_cast<float>(x), py = static_cast<float>(y);
    for (int j = 0; j < 16; ++j) {
        if (Aborted()) {
            break;
        }
        sum = sum + LensSample(px, py, RefinementJitter(set, j), lens, j);
    }
    return sum * 0.05f;
}

namespace {

// Whether a pixel whose four first samples have this mean is refined: when it is brighter, in
// any channel, than `last`, or when any sample is brighter than the mean. Both differences are
// signed and relative; a zero divisor makes any brightening count (and 0 / 0 nothing).
bool NeedsRefinement(const ColourRgb& mean, const ColourRgb& last, const ColourRgb (&samples)[4]) {
    for (int c = 0; c < 3; ++c) {
        if ((Channel(mean, c) - Channel(last, c)) / Channel(last, c) >
            RayTracer::kRefineThreshold) {
            return true;
        }
        for (const ColourRgb& sample : samples) {
            if ((Channel(sample, c) - Channel(mean, c)) / Channel(mean, c) >
                RayTracer::kRefineThreshold) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

ColourRgb RayTracer::ProductionPixel(int x, int y, ProductionState& state, int& samples) const {
    samples = 0;
    const float px = static_cast<float>(x), py = static_cast<float>(y);
    if (!prepared_.HasCandidates(px + 0.5f, py + 0.5f)) {
        return Background(x, y);
    }
    state.first_pass_counter = (state.first_pass_counter + 1) % kJitterSets;
    state.lens_set = (state.lens_set + 1) % kLensSets;
    ColourRgb first[4];
    const ColourRgb sum = FirstPass(x, y, state.first_pass_counter, state.lens_set, first);
    samples = 4;
    const ColourRgb mean = sum * 0.25f;
    if (Aborted() || !NeedsRefinement(mean, state.last, first)) {
        return mean;
    }
    state.refinement_counter = (state.refinement_counter + 1) % kJitterSets;
    state.lens_set = (state.lens_set + 1) % kLensSets;
    samples = 20;
    return Refinement(x, y, state.refinement_counter, state.lens_set, sum);
}

ColourRgb RayTracer::SeededPixel(int x, int y, const ColourRgb& previous,
                                 ColourRgb& first_pass_mean, int& samples) const {
    samples = 0;
    first_pass_mean = {};
    if (!prepared_.HasCandidates(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f)) {
        first_pass_mean = Background(x, y);
        return first_pass_mean;
    }
    const PixelDraws draws = PixelDrawsFor(seed_, x, y, kLensSets);
    ColourRgb first[4];
    const ColourRgb sum = FirstPass(x, y, draws.first_pass_set, draws.first_pass_lens, first);
    samples = 4;
    first_pass_mean = sum * 0.25f;
    if (Aborted() || !NeedsRefinement(first_pass_mean, previous, first)) {
        return first_pass_mean;
    }
    samples = 20;
    return Refinement(x, y, draws.refinement_set, draws.refinement_lens, sum);
}

ColourRgb RayTracer::FirstPassMean(int x, int y) const {
    if (!prepared_.HasCandidates(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f)) {
        return Background(x, y);
    }
    const PixelDraws draws = PixelDrawsFor(seed_, x, y, kLensSets);
    ColourRgb first[4];
    return FirstPass(x, y, draws.first_pass_set, draws.first_pass_lens, first) * 0.25f;
}

RayTracer::ProductionState RayTracer::ProductionState::ForStretch(std::size_t k) {
    ProductionState state;
    const std::size_t advanced = k * kProductionStretch;
    state.first_pass_counter = static_cast<int>(advanced % kJitterSets);
    state.refinement_counter = static_cast<int>(advanced % kJitterSets);
    state.lens_set = static_cast<int>(advanced % kLensSets);
    return state;
}

void RayTracer::WalkStretch(const std::vector<WalkStep>& steps, ProductionState& state,
                            PixelBatch& batch) const {
    for (const WalkStep& step : steps) {
        if (Aborted()) {
            return;
        }
        int samples = 0;
        const ColourRgb colour = ProductionPixel(step.x, step.y, state, samples);
        state.last = colour;
        if (!Aborted()) {
            batch.Add(step.x, step.y, PackColour(colour));
        }
    }
}

void RayTracer::PixelStretch(const std::vector<WalkStep>& steps, PixelBatch& batch) const {
    // The first-pass mean of the step traced last, which is usually the walk's previous pixel
    // of the next one: only where the walk has been outside the stretch or the region is the
    // previous pixel's first pass traced again.
    std::optional<std::uint64_t> last_index;
    ColourRgb last_mean;
    for (const WalkStep& step : steps) {
        if (Aborted()) {
            return;
        }
        ColourRgb previous;
        if (last_index && *last_index + 1 == step.index) {
            previous = last_mean;
        } else if (const auto before = PreviousInPicture(hilbert_order_, camera_.width,
                                                         camera_.height, step.index)) {
            if (last_index && *before == *last_index) {
                previous = last_mean;
            } else {
                const auto [bx, by] = HilbertPosition(hilbert_order_, *before);
                previous = FirstPassMean(bx, by);
            }
        }
        int samples = 0;
        const ColourRgb colour = SeededPixel(step.x, step.y, previous, last_mean, samples);
        last_index = step.index;
        if (!Aborted()) {
            batch.Add(step.x, step.y, PackColour(colour));
        }
    }
}

void RayTracer::RenderProduction(PixelSink& sink) {
    // Stretches of the walk over the region go to whichever thread is free, in the order of
    // the walk; each starts from its own state (Walk sampling) or needs none (Pixel
    // sampling), so the picture is the same for any number of threads.
    const std::size_t stretches = (region_.Area() + kProductionStretch - 1) / kProductionStretch;
    if (stretches == 0) {
        return;
    }
    HilbertCursor cursor(hilbert_order_, region_);
    std::mutex cursor_lock;
    std::size_t next = 0;
    const int threads = static_cast<int>(std::clamp<std::size_t>(
        static_cast<std::size_t>(std::max(options_.threads, 1)), 1, stretches));
    RunOnThreads(threads, [&] {
        PixelBatch batch(sink);
        std::vector<WalkStep> steps;
        steps.reserve(kProductionStretch);
        while (!Aborted()) {
            std::size_t k = 0;
            {
                std::lock_guard guard(cursor_lock);
                if (!cursor.Next(kProductionStretch, steps)) {
                    break;
                }
                k = next++;
            }
            if (options_.sampling == ProductionSampling::Pixel) {
                PixelStretch(steps, batch);
            } else {
                ProductionState state = ProductionState::ForStretch(k);
                WalkStretch(steps, state, batch);
            }
        }
        batch.Send();
    });
}

void RayTracer::Render(PixelSink& sink) {
    if (camera_.width <= 0 || camera_.height <= 0) {
        return;
    }
    if (camera_.quality == RenderQuality::Production) {
        RenderProduction(sink);
    } else {
        RenderDraft(sink);
    }
}

}  // namespace kelto
