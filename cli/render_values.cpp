#include "render_values.h"

#include <optional>
#include <vector>

#include "text_values.h"

namespace kelto::cli {
namespace {

Status SizeUsage() {
    return Status::Usage("the size is a width and a height, each 1 to " +
                         std::to_string(kLargestRenderSide) + " pixels");
}

}  // namespace

Status ParseRenderQuality(std::string_view word, RenderSettings& settings) {
    if (word == "draft") {
        settings.quality = RenderQuality::Draft;
    } else if (word == "production") {
        settings.quality = RenderQuality::Production;
    } else {
        return Status::Usage("the quality is draft or production");
    }
    return Status::Ok();
}

Status SetRenderSize(long width, long height, RenderSettings& settings) {
    if (width < 1 || height < 1 || width > kLargestRenderSide || height > kLargestRenderSide) {
        return SizeUsage();
    }
    settings.width = static_cast<int>(width);
    settings.height = static_cast<int>(height);
    return Status::Ok();
}

Status ParseRenderSize(std::string_view text, RenderSettings& settings) {
    const std::vector<std::string_view> parts = Split(text, 'x');
    const auto side = [&](std::size_t i) {
        return parts.size() == 2 ? ParseWhole(parts[i], 1, kLargestRenderSide) : std::nullopt;
    };
    const std::optional<long> width = side(0), height = side(1);
    if (!width || !height) {
        return SizeUsage();
    }
    return SetRenderSize(*width, *height, settings);
}

std::string_view RenderQualityWord(RenderQuality quality) {
    return quality == RenderQuality::Draft ? "draft" : "production";
}

}  // namespace kelto::cli
