// How a scene is lit beyond its lights, and what rays that hit nothing see: soft shadows from
// sphere lights, ambient occlusion and the environment. Kept with the scene, saved with it
// when any value differs from a new scene's, and read by the tracer from its snapshot.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image.h"
#include "status.h"

namespace kelto {

enum class EnvironmentKind : std::int32_t {
    None = 0,      // black, as scenes have always been
    Colour = 1,    // one colour all round: `horizon`
    Gradient = 2,  // `horizon` at and below the horizon, blending to `zenith` straight up
    Picture = 3,   // an equirectangular picture wrapped round the scene
};

struct SceneLighting {
    static constexpr int kDefaultSoftShadowSamples = 16;
    static constexpr int kMaxSoftShadowSamples = 256;
    static constexpr int kDefaultOcclusionSamples = 16;
    static constexpr int kMaxOcclusionSamples = 1024;
    static constexpr float kDefaultOcclusionDistance = 2.5f;
    static constexpr float kMaxOcclusionDistance = 1.0e6f;
    // Bytes of the picture's file name a scene file keeps.
    static constexpr std::size_t kMaxPicturePathLength = 4096;

    // Shadow rays toward a sphere light's disc per shading point in Production (1: a hard
    // shadow from its centre, as in Draft).
    int soft_shadow_samples = kDefaultSoftShadowSamples;
    // Ambient occlusion: the ambient term scaled by the unoccluded share of the hemisphere
    // within `occlusion_distance`.
    bool occlusion = false;
    int occlusion_samples = kDefaultOcclusionSamples;
    float occlusion_distance = kDefaultOcclusionDistance;
    EnvironmentKind environment = EnvironmentKind::None;
    ColourRgb horizon{0.0f, 0.0f, 0.0f};
    ColourRgb zenith{0.0f, 0.0f, 0.0f};
    // The picture's file (Picture) and how far it is turned about the vertical axis, degrees.
    std::string picture_path;
    float picture_rotation = 0.0f;

    bool IsDefault() const { return *this == SceneLighting{}; }
    friend bool operator==(const SceneLighting&, const SceneLighting&) = default;
};

// Whether every value is within its range: sample counts from 1, a positive finite distance,
// colours within 0..1, a known environment kind, a rotation within a turn either way, a
// picture file name a scene file can keep. The failure names the field and its range.
Status CheckLighting(const SceneLighting& lighting);

}  // namespace kelto
