// Shading's soft light: how much of a sphere light reaches a point past what lies between,
// and how open the hemisphere over a point is, for ambient occlusion and the environment's
// light.
#include <algorithm>
#include <cmath>

#include "light_sampling.h"
#include "ray_tracer.h"

namespace kelto {
namespace {

// The share of `samples` a ray of this weight takes: all of them at weight 1 (or a weight that
// is not a number), at least one.
int SamplesForWeight(int samples, float weight) {
    if (!(weight < 1.0f)) {
        return samples;
    }
    const float share = std::ceil(static_cast<float>(samples) * std::max(weight, 0.0f));
    return std::clamp(static_cast<int>(share), 1, samples);
}

}  // namespace

float RayTracer::LightVisibility(const Vec3f& point, std::size_t light, int depth,
                                 float weight) const {
    if (light >= light_terms_.size() || !prepared_.Lights()[light].casts_shadows) {
        return 1.0f;
    }
    const Vec3f to_light = light_terms_[light].position - point;
    const float distance = Length(to_light);
    if (!(distance > 0.0f)) {
        return 1.0f;
    }
    return Visibility(point, light, to_light * (1.0f / distance), distance, depth, weight);
}

float RayTracer::Visibility(const Vec3f& p, std::size_t light, const Vec3f& l, float distance,
                            int depth, float weight) const {
    const Light& source = prepared_.Lights()[light];
    const int samples = SamplesForWeight(shadow_samples_, weight);
    if (samples > 1 && source.kind == LightKind::Sphere && source.size > 0.0f &&
        distance > source.size) {
        return SoftVisibility(p, light, l, distance, source.size, depth, samples);
    }
    return finder_->AnyHitWithin(p + l * 0.001f, l, distance, distance - 0.001f) ? 0.0f : 1.0f;
}

float RayTracer::SoftVisibility(const Vec3f& p, std::size_t light, const Vec3f& l, float distance,
                                float radius, int depth, int samples) const {
    // The disc the sphere shows the point: where the cone of its tangents touches it, at
    // (d^2 - r^2) / d along the way to its centre, of radius r * sqrt(d^2 - r^2) / d. Shadows
    // cast by its edge then start and end where the sphere's would.
    const double d = distance, r = radius;
    const double tangent = std::sqrt((d - r) * (d + r));
    const auto along = static_cast<float>(tangent * tangent / d);
    const auto disc_radius = static_cast<float>(r * tangent / d);
    if (!(along > 0.0f) || !std::isfinite(along) || !std::isfinite(disc_radius)) {
        return finder_->AnyHitWithin(p + l * 0.001f, l, distance, distance - 0.001f) ? 0.0f : 1.0f;
    }
    const TangentFrame frame = FrameAbout(l);
    SampleStream stream(seed_, p, static_cast<std::uint32_t>(light), depth);
    auto reaches = [&](float u, float v) {
        const DiscPoint q = ConcentricDisc(u, v);
        const Vec3f offset =
            l * along + frame.tangent * (q.x * disc_radius) + frame.bitangent * (q.y * disc_radius);
        const float length = Length(offset);
        const Vec3f ray = offset * (1.0f / length);
        return finder_->AnyHitWithin(p + ray * 0.001f, ray, length, length - 0.001f) ? 0 : 1;
    };
    int unblocked = 0;
    if (samples < 4) {
        ForStratifiedPoints(samples, stream, [&](float u, float v) { unblocked += reaches(u, v); });
        return static_cast<float>(unblocked) / static_cast<float>(samples);
    }
    // One ray into each quarter of the disc; where they agree, the point is taken to be wholly
    // lit or wholly in shadow, and only where they differ are the other rays traced.
    for (int quarter = 0; quarter < 4; ++quarter) {
        const float u = (static_cast<float>(quarter & 1) + stream.Next()) * 0.5f;
        const float v = (static_cast<float>(quarter >> 1) + stream.Next()) * 0.5f;
        unblocked += reaches(u, v);
    }
    if (unblocked == 0 || unblocked == 4) {
        return static_cast<float>(unblocked / 4);
    }
    ForStratifiedPoints(samples - 4, stream, [&](float u, float v) { unblocked += reaches(u, v); });
    return static_cast<float>(unblocked) / static_cast<float>(samples);
}

RayTracer::Openness RayTracer::OpennessAt(const Vec3f& p, const Vec3f& normal, int depth,
                                          float weight) const {
    const int samples = SamplesForWeight(occlusion_samples_, weight);
    const TangentFrame frame = FrameAbout(normal);
    SampleStream stream(seed_, p, SampleStream::kOcclusion, depth);
    const bool lit_by_environment = !environment_.IsBlack();
    int open = 0;
    ColourRgb environment;
    ForStratifiedPoints(samples, stream, [&](float u, float v) {
        // Points spread evenly over the disc, lifted onto the hemisphere: directions as dense
        // as the cosine of their angle to the normal.
        const DiscPoint q = ConcentricDisc(u, v);
        const float up = std::sqrt(std::max(0.0f, 1.0f - q.x * q.x - q.y * q.y));
        const Vec3f ray = frame.tangent * q.x + frame.bitangent * q.y + normal * up;
        if (occlusion_distance_ > 0.0f &&
            finder_->AnyHitWithin(p + ray * 0.001f, ray, occlusion_distance_,
                                  occlusion_distance_)) {
            return;
        }
        ++open;
        if (lit_by_environment) {
            const ColourRgb seen = environment_.Seen(ray);
            environment = {environment.r + seen.r, environment.g + seen.g, environment.b + seen.b};
        }
    });
    const float share = 1.0f / static_cast<float>(samples);
    return {static_cast<float>(open) * share,
            {environment.r * share, environment.g * share, environment.b * share}};
}

}  // namespace kelto
