#include "text_values.h"

#include <charconv>
#include <cmath>

namespace kelto::cli {

std::optional<double> ParseNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<long> ParseWhole(std::string_view text, long low, long high) {
    const std::optional<double> value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || *value < low || *value > high) {
        return std::nullopt;
    }
    return static_cast<long>(*value);
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    for (;;) {
        const std::size_t at = text.find(separator);
        pieces.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return pieces;
        }
        text.remove_prefix(at + 1);
    }
}

std::optional<std::vector<double>> ParseNumbers(std::string_view text, std::size_t count,
                                                char separator) {
    const std::vector<std::string_view> pieces = Split(text, separator);
    if (pieces.size() != count) {
        return std::nullopt;
    }
    std::vector<double> values;
    for (std::string_view piece : pieces) {
        const std::optional<double> v = ParseNumber(piece);
        if (!v) {
            return std::nullopt;
        }
        values.push_back(*v);
    }
    return values;
}

std::optional<Vec3> ParseVec3(std::string_view text, char separator) {
    const auto values = ParseNumbers(text, 3, separator);
    if (!values) {
        return std::nullopt;
    }
    return Vec3{(*values)[0], (*values)[1], (*values)[2]};
}

std::string FormatNumber(double value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("nan");
}

std::string FormatNumber(float value) {
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("nan");
}

std::string FormatTriple(double x, double y, double z) {
    return FormatNumber(x) + ',' + FormatNumber(y) + ',' + FormatNumber(z);
}

std::string Latin1ToUtf8(std::string_view latin1) {
    std::string utf8;
    utf8.reserve(latin1.size());
    for (const char c : latin1) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | byte >> 6);
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

}  // namespace kelto::cli
