// Reading numbers and lists from kelto-cli's operation texts, and printing them back.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/geometry.h"

namespace kelto::cli {

// A finite number, the whole text and nothing else.
std::optional<double> ParseNumber(std::string_view text);
// A whole number from `low` to `high`, the whole text and nothing else.
std::optional<long> ParseWhole(std::string_view text, long low, long high);
// Exactly `count` numbers separated by `separator`.
std::optional<std::vector<double>> ParseNumbers(std::string_view text, std::size_t count,
                                                char separator);
std::optional<Vec3> ParseVec3(std::string_view text, char separator);
// The pieces of `text` between separators (an empty text gives one empty piece).
std::vector<std::string_view> Split(std::string_view text, char separator);

// Shortest text that reads back as the same number ("1", "0.3", "-2.5e-07").
std::string FormatNumber(double value);
std::string FormatNumber(float value);
std::string FormatTriple(double x, double y, double z);

// A name as the scene file keeps it (one Latin-1 byte a character) in UTF-8, for JSON and the
// terminal.
std::string Latin1ToUtf8(std::string_view latin1);

}  // namespace kelto::cli
