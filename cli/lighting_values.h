// The scene's lighting settings as kelto-cli writes them: `render --soft-shadows N --ao
// SAMPLES[,DISTANCE]|off --environment none|R/G/B|R/G/B,R/G/B|FILE` and the build operation
// `render:softshadows=N;ao=...;environment=...;rotation=DEG`, and as `info` prints them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/scene_lighting.h"
#include "model/status.h"

namespace kelto::cli {

// Each sets its part of `lighting` from a value as written after its flag or key; a value that
// is not written that way fails with a usage status saying what is expected. Numbers out of
// range are taken as written: CheckLighting then names the range.
Status ParseSoftShadows(std::string_view text, SceneLighting& lighting);
// "off", or SAMPLES and, optionally, ",DISTANCE" (occlusion on).
Status ParseOcclusion(std::string_view text, SceneLighting& lighting);
// "none", a colour "R/G/B", a gradient "HORIZON,ZENITH" (two colours), or a picture's file.
Status ParseEnvironment(std::string_view text, SceneLighting& lighting);
Status ParseRotation(std::string_view text, SceneLighting& lighting);

// The settings of a build operation's `render:` argument, KEY=VALUE separated by ';' (keys
// softshadows, ao, environment, rotation), applied over `lighting` and checked.
Status ParseRenderOperation(std::string_view settings, SceneLighting& lighting);

// "softshadows=16 ao=16,2.5 environment=sky.hdr rotation=90", as the operation writes them.
std::string DescribeLighting(const SceneLighting& lighting);

}  // namespace kelto::cli
