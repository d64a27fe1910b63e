// The kinds of scene node, and the one table that says everything the program knows per kind:
// its default name, its command-line word, the tool that inserts it, how its shape is built
// and how the file keeps it. Adding a primitive means a row here, its builder in shapes.cpp and
// its picture in app/command_icons.cpp.
#pragma once

#include <algorithm>
#include <array>
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

struct PrimitiveDefaults;
struct NewPrimitive;

// The builders of the primitives' shapes and placements (shapes.cpp).
NewPrimitive BuildSphere(const PrimitiveDefaults& defaults);
NewPrimitive BuildTorus(const PrimitiveDefaults& defaults);
NewPrimitive BuildCube(const PrimitiveDefaults& defaults);
NewPrimitive BuildCone(const PrimitiveDefaults& defaults);
NewPrimitive BuildCylinder(const PrimitiveDefaults& defaults);
NewPrimitive BuildParaboloid(const PrimitiveDefaults& defaults);
NewPrimitive BuildHyperboloid(const PrimitiveDefaults& defaults);
NewPrimitive BuildSuperquadric(const PrimitiveDefaults& defaults);

// What a scene file keeps of a node's geometry after its type code.
enum class StoredShape : std::uint8_t {
    None,              // nothing: a container (group, boolean result) or the root
    Surface,           // the shape record; the meshes are rebuilt from it on reading
    SurfaceAndMeshes,  // the shape record and both meshes as they are
};

// What a kind's children are.
enum class Container : std::uint8_t {
    No,       // it has none (the root's are the top level, and it is no object)
    Group,    // members placed with it
    Boolean,  // the operands whose meshes the boolean kernel has cut
};

struct ObjectKind {
    ObjectType type;
    std::string_view name_base = {};  // default names are the base and a number ("Sphere1")
    std::string_view word = {};       // what kelto-cli calls it ("add:sphere@0,0"); empty for none
    // A primitive solid: built by `build`, inserted with one click of its tool. Only the
    // primitives have a tool, which is what marks them (a function's address is no constant
    // to compare in every build: the sanitizers' builds refuse it).
    NewPrimitive (*build)(const PrimitiveDefaults&) = nullptr;
    int tool = -1;               // the tool's place on the Shapes toolbar and menu, from 0
    int command_id = 0;          // the command that chooses the tool
    std::string_view icon = {};  // the name of the tool's picture
    StoredShape stored = StoredShape::None;
    bool readable = false;  // the reader accepts the type code
    Container container = Container::No;
};

// clang-format off
inline constexpr ObjectKind kObjectKinds[] = {
    // type                     name base       word            builder             tool command
    //   icon                   file keeps                        reader accepts, children
    {ObjectType::Sphere,        "Sphere",       "sphere",       BuildSphere,         1, 32778,
     "sphere",               StoredShape::Surface,             true, Container::No},
    {ObjectType::Torus,         "Torus",        "torus",        BuildTorus,          2, 32774,
     "torus",                StoredShape::Surface,             true, Container::No},
    {ObjectType::Cube,          "Cube",         "cube",         BuildCube,           0, 32777,
     "cube",                 StoredShape::Surface,             true, Container::No},
    {ObjectType::Cone,          "Cone",         "cone",         BuildCone,           3, 32779,
     "cone",                 StoredShape::Surface,             true, Container::No},
    {ObjectType::Cylinder,      "Cylinder",     "cylinder",     BuildCylinder,       4, 32785,
     "cylinder",             StoredShape::Surface,             true, Container::No},
    {ObjectType::Paraboloid,    "Paraboloid",   "paraboloid",   BuildParaboloid,     5, 32839,
     "paraboloid",           StoredShape::Surface,             true, Container::No},
    {ObjectType::Hyperboloid,   "Hyperboloid",  "hyperboloid",  BuildHyperboloid,    6, 32840,
     "hyperboloid",          StoredShape::Surface,             true, Container::No},
    {ObjectType::Superquadric,  "Superquadric", "superquadric", BuildSuperquadric,   7, 32874,
     "superquadric",         StoredShape::Surface,             true, Container::No},
    // Text keeps its meshes: rebuilding them would need its font.
    {ObjectType::Text,          "Text",         "",             nullptr,            -1,     0,
     "",                     StoredShape::SurfaceAndMeshes,    true, Container::No},
    {ObjectType::Mesh,          "Mesh:",        "",             nullptr,            -1,     0,
     "",                     StoredShape::SurfaceAndMeshes,    true, Container::No},
    {ObjectType::Group,         "Group",        "",             nullptr,            -1,     0,
     "",                     StoredShape::None,                true, Container::Group},
    {ObjectType::Trim,          "Trim",         "",             nullptr,            -1,     0,
     "",                     StoredShape::None,                true, Container::Boolean},
    // The root is no node of the file: the reader refuses its code.
    {ObjectType::Root,          "",             "",             nullptr,            -1,     0,
     "",                     StoredShape::None,                false, Container::No},
    {ObjectType::Combine,       "Combine",      "",             nullptr,            -1,     0,
     "",                     StoredShape::None,                true, Container::Boolean},
    {ObjectType::Intersect,     "Intersect",    "",             nullptr,            -1,     0,
     "",                     StoredShape::None,                true, Container::Boolean},
};
// clang-format on

inline constexpr std::int32_t kLargestTypeCode = [] {
    std::int32_t largest = 0;
    for (const ObjectKind& kind : kObjectKinds) {
        largest = std::max(largest, static_cast<std::int32_t>(kind.type));
    }
    return largest;
}();

// The row of each type code from 0 to the largest, -1 for a code that is no kind.
inline constexpr auto kKindRows = [] {
    std::array<std::int8_t, static_cast<std::size_t>(kLargestTypeCode) + 1> rows{};
    rows.fill(-1);
    for (std::size_t i = 0; i < std::size(kObjectKinds); ++i) {
        rows.at(static_cast<std::size_t>(kObjectKinds[i].type)) = static_cast<std::int8_t>(i);
    }
    return rows;
}();

// The row of a type code in kObjectKinds; -1 for a code that is no kind. (Rows are found by
// their index rather than compared by address, which the sanitizers' builds do not allow in
// constant expressions.)
constexpr int KindRow(std::int32_t code) {
    if (code < 0 || code >= static_cast<std::int32_t>(kKindRows.size())) {
        return -1;
    }
    return kKindRows[static_cast<std::size_t>(code)];
}

// Every type code has one row.
static_assert([] {
    for (std::size_t i = 0; i < std::size(kObjectKinds); ++i) {
        if (KindRow(static_cast<std::int32_t>(kObjectKinds[i].type)) != static_cast<int>(i)) {
            return false;
        }
    }
    return true;
}());

// The row of a value that is no kind: no name, no shape, not in the file.
inline constexpr ObjectKind kNoKind{.type = static_cast<ObjectType>(-1)};

constexpr const ObjectKind& KindOf(ObjectType type) {
    const int row = KindRow(static_cast<std::int32_t>(type));
    return row < 0 ? kNoKind : kObjectKinds[static_cast<std::size_t>(row)];
}

// The row of a type code; null for a code that is no kind.
inline const ObjectKind* FindKind(std::int32_t code) {
    const int row = KindRow(code);
    return row < 0 ? nullptr : &kObjectKinds[static_cast<std::size_t>(row)];
}

constexpr bool IsPrimitive(ObjectType type) {
    return KindOf(type).tool >= 0;
}

inline constexpr std::size_t kPrimitiveCount =
    static_cast<std::size_t>(std::count_if(std::begin(kObjectKinds), std::end(kObjectKinds),
                                           [](const ObjectKind& k) { return k.tool >= 0; }));

// The primitive solids in type-code order.
inline constexpr std::array<ObjectType, kPrimitiveCount> kPrimitiveTypes = [] {
    std::array<ObjectType, kPrimitiveCount> types{};
    std::size_t n = 0;
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.tool >= 0) {
            types[n++] = kind.type;
        }
    }
    return types;
}();

// The primitive solids in the order of their tools: tool k inserts kPrimitiveTools[k].
inline constexpr std::array<ObjectType, kPrimitiveCount> kPrimitiveTools = [] {
    std::array<ObjectType, kPrimitiveCount> types{};
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.tool >= 0) {
            types.at(static_cast<std::size_t>(kind.tool)) = kind.type;
        }
    }
    return types;
}();

// Every tool has one place and one command.
static_assert([] {
    for (const ObjectKind& kind : kObjectKinds) {
        for (const ObjectKind& other : kObjectKinds) {
            if (kind.tool >= 0 && other.type != kind.type &&
                (other.tool == kind.tool || other.command_id == kind.command_id)) {
                return false;
            }
        }
    }
    return true;
}());

// The primitive that a tool command inserts; null for any other command.
inline const ObjectKind* FindToolCommand(int command_id) {
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.tool >= 0 && kind.command_id == command_id) {
            return &kind;
        }
    }
    return nullptr;
}

// The tool place of the primitive that a tool command inserts; -1 for any other command.
constexpr int ToolOfCommand(int command_id) {
    for (const ObjectKind& kind : kObjectKinds) {
        if (kind.tool >= 0 && kind.command_id == command_id) {
            return kind.tool;
        }
    }
    return -1;
}

constexpr int ToolCommandOf(ObjectType type) {
    return KindOf(type).command_id;
}

// The base a node's default name is made from ("Sphere", "Mesh:", ...); empty where the code
// has none.
constexpr std::string_view NameBase(ObjectType type) {
    return KindOf(type).name_base;
}

// The lower-case word the command line uses for a primitive ("sphere", "torus", ...), and back.
constexpr std::string_view PrimitiveWord(ObjectType type) {
    return KindOf(type).word;
}
std::optional<ObjectType> PrimitiveFromWord(std::string_view word);

// The primitives' words in type-code order, each after a space (" sphere torus ...").
std::string_view PrimitiveWordList();

}  // namespace kelto
