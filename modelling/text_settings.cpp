#include "text_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace kelto {
namespace {

constexpr double kRecordVersion = 1.0;
constexpr std::size_t kNumberCount = 15;  // version, depth, 13 font numbers

bool IsInteger(double v, double low, double high) {
    return std::isfinite(v) && v == std::floor(v) && v >= low && v <= high;
}

}  // namespace

NurbsPatch TextSettingsRecord(const TextSettings& settings) {
    const LogFont& f = settings.font;
    NurbsPatch record;
    record.kind = kTextSettingsKind;
    record.knots_u = {kRecordVersion,           settings.depth,       double(f.height),
                      double(f.width),          double(f.escapement), double(f.orientation),
                      double(f.weight),         double(f.italic),     double(f.underline),
                      double(f.strike_out),     double(f.char_set),   double(f.out_precision),
                      double(f.clip_precision), double(f.quality),    double(f.pitch_and_family)};
    for (const char c : settings.text) {
        record.knots_v.push_back(static_cast<unsigned char>(c));
    }
    record.knots_v.push_back(0.0);
    for (const char c : f.FaceName()) {
        record.knots_v.push_back(static_cast<unsigned char>(c));
    }
    return record;
}

std::optional<TextSettings> StoredTextSettings(const Shape& shape) {
    const auto found =
        std::find_if(shape.profiles.begin(), shape.profiles.end(),
                     [](const NurbsPatch& p) { return p.kind == kTextSettingsKind; });
    if (found == shape.profiles.end()) {
        return std::nullopt;
    }
    const std::vector<double>& numbers = found->knots_u;
    const std::vector<double>& bytes = found->knots_v;
    if (numbers.size() != kNumberCount || numbers[0] != kRecordVersion ||
        !std::isfinite(numbers[1]) || numbers[1] <= 0.0) {
        return std::nullopt;
    }
    constexpr double kIntLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kIntHigh = std::numeric_limits<std::int32_t>::max();
    for (std::size_t i = 2; i < kNumberCount; ++i) {
        if (!IsInteger(numbers[i], i < 7 ? kIntLow : 0.0, i < 7 ? kIntHigh : 255.0)) {
            return std::nullopt;
        }
    }
    TextSettings settings;
    settings.depth = numbers[1];
    LogFont& f = settings.font;
    f.height = static_cast<std::int32_t>(numbers[2]);
    f.width = static_cast<std::int32_t>(numbers[3]);
    f.escapement = static_cast<std::int32_t>(numbers[4]);
    f.orientation = static_cast<std::int32_t>(numbers[5]);
    f.weight = static_cast<std::int32_t>(numbers[6]);
    std::uint8_t* small[] = {&f.italic,   &f.underline,       &f.strike_out,
                             &f.char_set, &f.out_precision,   &f.clip_precision,
                             &f.quality,  &f.pitch_and_family};
    for (std::size_t i = 0; i < std::size(small); ++i) {
        *small[i] = static_cast<std::uint8_t>(numbers[7 + i]);
    }
    // The text's bytes, a zero, the face name's bytes: each a byte value.
    std::string face;
    bool in_face = false;
    for (const double b : bytes) {
        if (!IsInteger(b, 0.0, 255.0) || (in_face && b == 0.0)) {
            return std::nullopt;
        }
        if (b == 0.0) {
            in_face = true;
        } else {
            (in_face ? face : settings.text).push_back(static_cast<char>(static_cast<int>(b)));
        }
    }
    if (!in_face || face.size() >= LogFont::kFaceNameSize) {
        return std::nullopt;
    }
    f.SetFaceName(face);
    return settings;
}

}  // namespace kelto
