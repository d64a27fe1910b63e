// A small writer of JSON text, for the files we export: objects and arrays opened and closed in
// order, commas placed by the writer, strings escaped, numbers in their shortest exact form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelto {

class JsonWriter {
  public:
    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the open object.
    void Key(std::string_view name);

    void String(std::string_view value);
    // Numbers that are not finite are written as 0: JSON has no other way to hold them.
    void Number(double value);
    void Number(float value);
    void Integer(std::int64_t value);
    void Bool(bool value);
    // A value already written as JSON (by another writer) put in as it is.
    void Raw(std::string_view json);

    // A member and its value in one call.
    template <typename T>
    void Field(std::string_view name, const T& value) {
        Key(name);
        Value(value);
    }
    void Value(std::string_view value) { String(value); }
    void Value(const std::string& value) { String(value); }
    void Value(const char* value) { String(value); }
    void Value(double value) { Number(value); }
    void Value(float value) { Number(value); }
    void Value(int value) { Integer(value); }
    void Value(std::int64_t value) { Integer(value); }
    void Value(std::size_t value) { Integer(static_cast<std::int64_t>(value)); }
    void Value(bool value) { Bool(value); }

    const std::string& Text() const { return text_; }

  private:
    void BeforeValue();

    std::string text_;
    std::vector<bool> first_in_level_;
    bool after_key_ = false;
};

}  // namespace kelto
