// The numbers of an object that can be typed: where it is, how it is turned and how large,
// and three numbers of its material. Their names, ranges and the verbs of the steps that
// change them; the values the selected objects share; and the object's turn as three angles.
//
// The turn is kept as a matrix, and the rotate drags turn it by angles about x, then y, then
// z (each multiplied in before the matrix). The angles shown are the ones that turn an
// unturned object to the matrix in that way, so that a drag about one ring of an object
// turned about that axis alone adds to the angle shown. Typing one angle keeps the other two
// as shown and makes the matrix again from the three.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/geometry.h"
#include "model/scene.h"
#include "model/status.h"

namespace kelto {

enum class NodeField {
    PositionX,
    PositionY,
    PositionZ,
    RotationX,
    RotationY,
    RotationZ,
    ScaleX,
    ScaleY,
    ScaleZ,
    Reflect,
    Transparency,
    Refraction,
};
inline constexpr int kNodeFieldCount = 12;

// A value for one field.
struct FieldSetting {
    NodeField field;
    double value;
};

struct FieldInfo {
    std::string_view name;  // "Position X": what the field is called on the screen
    double minimum;
    double maximum;
    int decimals;           // what the field shows
    std::string_view verb;  // the step's name: "Move Sphere1"
};
const FieldInfo& InfoOf(NodeField field);

// Ok, or the message that names the field and its range (a value not finite, or outside).
Status CheckFieldValue(NodeField field, double value);
// The message for text that is not a number at all.
Status NotANumber(NodeField field, const std::string& text);

// The field's value for one node (positions and scales relative to its parent).
double FieldValue(const SceneNode& node, NodeField field);
// Sets the field of the node; the caller checks the value first.
void SetFieldValue(SceneNode& node, NodeField field, double value);

// The angles (degrees) that turn an unturned object to `rotation` as the rotate drags turn;
// the y angle lies within -90..90.
Vec3 RotationAngles(const Matrix4& rotation);
Matrix4 RotationFromAngles(const Vec3& degrees);

// What the selected nodes share: a value per field, none where they differ (or nothing is
// selected), and the name when one node is selected.
struct CommonValues {
    int count = 0;
    std::array<std::optional<double>, kNodeFieldCount> values;
    std::optional<std::string> name;
    std::optional<ColourRgb> colour;
    const std::optional<double>& operator[](NodeField f) const {
        return values[static_cast<std::size_t>(f)];
    }
};
CommonValues CommonValuesOf(std::span<const SceneNode* const> nodes);

// A name typed in UTF-8 as the scene file keeps it, one Latin-1 byte a character. Characters
// beyond Latin-1, control characters and bytes that are not UTF-8 are refused with a message.
Result<std::string> NameFromUtf8(std::string_view utf8);

// Every selected node of the scene at any depth, parents first.
std::vector<const SceneNode*> SelectedNodes(const Scene& scene);

}  // namespace kelto
