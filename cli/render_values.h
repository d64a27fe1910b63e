// The picture's size and quality of a render as kelto-cli's render command and the Python
// module's Document.render take them, with the same words for what is wrong.
#pragma once

#include <string_view>

#include "document/render_request.h"
#include "model/status.h"

namespace kelto::cli {

inline constexpr long kLargestRenderSide = 16384;

// "draft" or "production".
Status ParseRenderQuality(std::string_view word, RenderSettings& settings);
// A width and a height, each 1 to kLargestRenderSide pixels.
Status SetRenderSize(long width, long height, RenderSettings& settings);
// The same written "WIDTHxHEIGHT".
Status ParseRenderSize(std::string_view text, RenderSettings& settings);

// The quality's word, as ParseRenderQuality reads it.
std::string_view RenderQualityWord(RenderQuality quality);

}  // namespace kelto::cli
