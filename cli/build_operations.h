// The operations of `kelto-cli build`, applied through the document's own operations.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document/document_core.h"

namespace kelto::cli {

// Applies one operation ("add:sphere@1,2", "group", ...). An operation that cannot be done
// fails with a usage status (Status::kUsage: an unknown name, kind or key, or a malformed value)
// or with the program's message (an image file that cannot be read). An operation that
// succeeds with a reservation (a text made without characters its font lacks, a picture read
// with the PNG library's warnings) adds the warnings to `warnings` when given.
Status ApplyBuildOperation(DocumentCore& document, std::string_view operation,
                           std::vector<Status>* warnings = nullptr);

// The light kinds the operations name: point, spot, area (a sphere light).
std::optional<LightKind> LightKindFromWord(std::string_view word);
// The word for every light kind (the three above, and rectangular and cylindrical), as `info`
// prints it.
const char* LightKindWord(LightKind kind);

// One KEY=VALUE setting of the `material:` operation applied to `material` (keys colour,
// brightness, ..., preset, image, bump; the ranges the material editor allows). Fails as the
// operation does, with `material` unchanged.
Status ApplyMaterialSetting(Material& material, std::string_view key, std::string_view value,
                            std::vector<Status>* warnings = nullptr);

// The KEY=VALUE[;KEY=VALUE...] settings of the `lightset:` operation applied to `light`.
// Fails as the operation does, with `light` unchanged.
Status ApplyLightSettings(Light& light, std::string_view settings);

// Whether a command-line word is written like an operation ("add:cube@0,0", "group").
bool LooksLikeBuildOperation(std::string_view word);

// The operations' summary for --help.
std::string BuildOperationsHelp();

}  // namespace kelto::cli
