#include "object_type.h"

#include <string>

namespace kelto {

std::optional<ObjectType> PrimitiveFromWord(std::string_view word) {
    for (ObjectType type : kPrimitiveTypes) {
        if (PrimitiveWord(type) == word) {
            return type;
        }
    }
    return std::nullopt;
}

std::string_view PrimitiveWordList() {
    static const std::string list = [] {
        std::string words;
        for (ObjectType type : kPrimitiveTypes) {
            words += ' ';
            words += PrimitiveWord(type);
        }
        return words;
    }();
    return list;
}

}  // namespace kelto
