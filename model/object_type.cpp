#include "object_type.h"

namespace kelto {

std::string_view NameBase(ObjectType type) {
    switch (type) {
        case ObjectType::Sphere:
            return "Sphere";
        case ObjectType::Torus:
            return "Torus";
        case ObjectType::Cube:
            return "Cube";
        case ObjectType::Cone:
            return "Cone";
        case ObjectType::Cylinder:
            return "Cylinder";
        case ObjectType::Paraboloid:
            return "Paraboloid";
        case ObjectType::Hyperboloid:
            return "Hyperboloid";
        case ObjectType::Superquadric:
            return "Superquadric";
        case ObjectType::Text:
            return "Text";
        case ObjectType::Mesh:
            return "Mesh:";
        case ObjectType::Group:
            return "Group";
        case ObjectType::Trim:
            return "Trim";
        case ObjectType::Combine:
            return "Combine";
        case ObjectType::Intersect:
            return "Intersect";
        case ObjectType::Root:
            return "";
    }
    return "";
}

std::string_view PrimitiveWord(ObjectType type) {
    switch (type) {
        case ObjectType::Sphere:
            return "sphere";
        case ObjectType::Torus:
            return "torus";
        case ObjectType::Cube:
            return "cube";
        case ObjectType::Cone:
            return "cone";
        case ObjectType::Cylinder:
            return "cylinder";
        case ObjectType::Paraboloid:
            return "paraboloid";
        case ObjectType::Hyperboloid:
            return "hyperboloid";
        case ObjectType::Superquadric:
            return "superquadric";
        default:
            return "";
    }
}

std::optional<ObjectType> PrimitiveFromWord(std::string_view word) {
    for (ObjectType type : kPrimitiveTypes) {
        if (PrimitiveWord(type) == word) {
            return type;
        }
    }
    return std::nullopt;
}

}  // namespace kelto
