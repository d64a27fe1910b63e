// The kinds of scene node.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelto {

enum class ObjectType : std::int32_t {
    Sphere = 0,
    Torus = 1,
    Cube = 2,
    Cone = 3,
    Cylinder = 4,
    Paraboloid = 5,
    Hyperboloid = 6,
    Superquadric = 7,
    Text = 8,
    Mesh = 11,
    Group = 12,
    Trim = 14,
    Root = 16,
    Combine = 17,    // the union of its two operands
    Intersect = 18,  // the intersection of its two operands
};

// The eight primitive solids, in type-code order.
inline constexpr ObjectType kPrimitiveTypes[] = {ObjectType::Sphere,      ObjectType::Torus,
                                                 ObjectType::Cube,        ObjectType::Cone,
                                                 ObjectType::Cylinder,    ObjectType::Paraboloid,
                                                 ObjectType::Hyperboloid, ObjectType::Superquadric};

constexpr bool IsPrimitive(ObjectType type) {
    const auto code = static_cast<std::int32_t>(type);
    return code >= 0 && code <= 7;
}

// The base a node's default name is made from ("Sphere", "Mesh:", ...); empty where the code
// has none.
std::string_view NameBase(ObjectType type);

// The lower-case word the command line uses for a primitive ("sphere", "torus", ...), and back.
std::string_view PrimitiveWord(ObjectType type);
std::optional<ObjectType> PrimitiveFromWord(std::string_view word);

}  // namespace kelto
