// What a Text object is made of (its characters, font and depth) and the record its shape
// keeps them in, so that a saved, pasted or undone Text object can be edited again. The record
// is one entry of the shape's profile list, which a text shape has no other use for: the
// scene file stores it as it stores any profile, and a file without it still reads.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "font_record.h"
#include "model/nurbs_patch.h"
#include "model/shapes.h"

namespace kelto {

struct TextSettings {
    std::string text;
    LogFont font = LogFont::TextToolDefault();
    double depth = 0.45;
    friend bool operator==(const TextSettings&, const TextSettings&) = default;
};

// The kind mark of the record ('T', 'X', 'T', '1').
inline constexpr std::int32_t kTextSettingsKind = 0x54585431;

// The record: the depth and the font's numbers as its first knots, the text's bytes, a zero
// and the face name's bytes as its second knots.
NurbsPatch TextSettingsRecord(const TextSettings& settings);

// The settings the shape's record holds; nothing when it holds none (a Text object from a file
// of an earlier Kelto) or the record is not one this program wrote.
std::optional<TextSettings> StoredTextSettings(const Shape& shape);

}  // namespace kelto
