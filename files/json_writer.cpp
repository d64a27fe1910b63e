#include "json_writer.h"

#include <charconv>
#include <cmath>

namespace kelto {

void JsonWriter::BeforeValue() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!first_in_level_.empty()) {
        if (!first_in_level_.back()) {
            text_ += ',';
        }
        first_in_level_.back() = false;
    }
}

void JsonWriter::BeginObject() {
    BeforeValue();
    text_ += '{';
    first_in_level_.push_back(true);
}

void JsonWriter::EndObject() {
    text_ += '}';
    first_in_level_.pop_back();
}

void JsonWriter::BeginArray() {
    BeforeValue();
    text_ += '[';
    first_in_level_.push_back(true);
}

void JsonWriter::EndArray() {
    text_ += ']';
    first_in_level_.pop_back();
}

void JsonWriter::Key(std::string_view name) {
    String(name);
    text_ += ':';
    after_key_ = true;
}

void JsonWriter::String(std::string_view value) {
    BeforeValue();
    text_ += '"';
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text_ += '\\';
            text_ += c;
        } else if (byte < 0x20) {
            static constexpr char kHex[] = "0123456789abcdef";
            text_ += "\\u00";
            text_ += kHex[byte >> 4];
            text_ += kHex[byte & 15];
        } else {
            text_ += c;
        }
    }
    text_ += '"';
}

namespace {

template <typename T>
void AppendNumber(std::string& text, T value) {
    if (!std::isfinite(value)) {
        value = 0;
    }
    if (value == 0) {
        value = 0;  // no "-0"
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, result.ptr);
}

}  // namespace

void JsonWriter::Number(double value) {
    BeforeValue();
    AppendNumber(text_, value);
}

void JsonWriter::Number(float value) {
    BeforeValue();
    AppendNumber(text_, value);
}

void JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    AppendNumber(text_, value);
}

void JsonWriter::Bool(bool value) {
    BeforeValue();
    text_ += value ? "true" : "false";
}

void JsonWriter::Raw(std::string_view json) {
    BeforeValue();
    text_ += json;
}

}  // namespace kelto
