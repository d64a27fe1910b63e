#include "node_fields.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/child_list.h"
#include "model/message_table.h"

namespace kelto {
namespace {

// clang-format off
constexpr FieldInfo kFields[kNodeFieldCount] = {
    {"Position X", -1.0e6, 1.0e6, 3, "Move"},
    {"Position Y", -1.0e6, 1.0e6, 3, "Move"},
    {"Position Z", -1.0e6, 1.0e6, 3, "Move"},
    {"Rotation X", -360.0, 360.0, 2, "Rotate"},
    {"Rotation Y", -360.0, 360.0, 2, "Rotate"},
    {"Rotation Z", -360.0, 360.0, 2, "Rotate"},
    {"Scale X", 0.001, 1000.0, 3, "Scale"},
    {"Scale Y", 0.001, 1000.0, 3, "Scale"},
    {"Scale Z", 0.001, 1000.0, 3, "Scale"},
    {"Reflect", 0.0, 1.0, 3, "Material"},
    {"Transparency", 0.0, 1.0, 3, "Material"},
    {"Index of Refraction", 1.0, 3.5, 3, "Material"},
};
// clang-format on

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

int AxisOf(NodeField field) {
    return static_cast<int>(field) % 3;
}

double& Component(Vec3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

double Component(const Vec3& v, int axis) {
    return axis == 0 ? v.x : axis == 1 ? v.y : v.z;
}

bool Same(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(a));
}

}  // namespace

const FieldInfo& InfoOf(NodeField field) {
    return kFields[static_cast<int>(field)];
}

Status CheckFieldValue(NodeField field, double value) {
    const FieldInfo& info = InfoOf(field);
    if (std::isfinite(value) && value >= info.minimum && value <= info.maximum) {
        return Status::Ok();
    }
    return NotANumber(field, Number(value));
}

Status NotANumber(NodeField field, const std::string& text) {
    const FieldInfo& info = InfoOf(field);
    return Status::Message(kMsgFieldOutOfRange, {std::string(info.name), Number(info.minimum),
                                                 Number(info.maximum), text});
}

Vec3 RotationAngles(const Matrix4& r) {
    // r = Rz * Ry * Rx for row vectors: r[8] = sin y, r[9] = -cos y sin x,
    // r[10] = cos y cos x, r[0] = cos z cos y, r[4] = -sin z cos y.
    const double sin_y = std::clamp(r[8], -1.0, 1.0);
    const double y = std::asin(sin_y);
    double x = 0.0;
    double z = 0.0;
    if (std::fabs(sin_y) < 1.0 - 1e-12) {
        x = std::atan2(-r[9], r[10]);
        z = std::atan2(-r[4], r[0]);
    } else {
        // Turned a quarter about y: only x + z (or x - z) is known; z is taken as 0.
        x = std::atan2(r[6], r[5]);
    }
    const double to_degrees = 1.0 / kDegreesToRadians;
    auto tidy = [](double degrees) { return degrees == 0.0 ? 0.0 : degrees; };  // no -0
    return {tidy(x * to_degrees), tidy(y * to_degrees), tidy(z * to_degrees)};
}

Matrix4 RotationFromAngles(const Vec3& degrees) {
    Matrix4 r;
    r.RotateAboutAxes(degrees);
    return r;
}

double FieldValue(const SceneNode& node, NodeField field) {
    switch (field) {
        case NodeField::PositionX:
        case NodeField::PositionY:
        case NodeField::PositionZ:
            return Component(node.position, AxisOf(field));
        case NodeField::RotationX:
        case NodeField::RotationY:
        case NodeField::RotationZ:
            return Component(RotationAngles(node.rotation), AxisOf(field));
        case NodeField::ScaleX:
        case NodeField::ScaleY:
        case NodeField::ScaleZ:
            return Component(node.scale, AxisOf(field));
        case NodeField::Reflect:
            return node.material.reflective_strength;
        case NodeField::Transparency:
            return node.material.transparency;
        case NodeField::Refraction:
            return node.material.index_of_refraction;
    }
    return 0.0;
}

void SetFieldValue(SceneNode& node, NodeField field, double value) {
    switch (field) {
        case NodeField::PositionX:
        case NodeField::PositionY:
        case NodeField::PositionZ:
            Component(node.position, AxisOf(field)) = value;
            break;
        case NodeField::RotationX:
        case NodeField::RotationY:
        case NodeField::RotationZ: {
            Vec3 angles = RotationAngles(node.rotation);
            Component(angles, AxisOf(field)) = value;
            node.rotation = RotationFromAngles(angles);
            break;
        }
        case NodeField::ScaleX:
        case NodeField::ScaleY:
        case NodeField::ScaleZ:
            Component(node.scale, AxisOf(field)) = value;
            node.UpdateBounds();
            break;
        case NodeField::Reflect:
            node.material.reflective_strength = static_cast<float>(value);
            break;
        case NodeField::Transparency:
            node.material.transparency = static_cast<float>(value);
            break;
        case NodeField::Refraction:
            node.material.index_of_refraction = static_cast<float>(value);
            break;
    }
    node.ComputeParentFromNode();
}

CommonValues CommonValuesOf(std::span<const SceneNode* const> nodes) {
    CommonValues common;
    common.count = static_cast<int>(nodes.size());
    if (nodes.empty()) {
        return common;
    }
    for (int f = 0; f < kNodeFieldCount; ++f) {
        const auto field = static_cast<NodeField>(f);
        const double first = FieldValue(*nodes.front(), field);
        const bool shared = std::all_of(nodes.begin(), nodes.end(), [&](const SceneNode* node) {
            return Same(FieldValue(*node, field), first);
        });
        if (shared) {
            common.values[static_cast<std::size_t>(f)] = first;
        }
    }
    const ColourRgb colour = nodes.front()->material.colour;
    if (std::all_of(nodes.begin(), nodes.end(),
                    [&](const SceneNode* node) { return node->material.colour == colour; })) {
        common.colour = colour;
    }
    if (nodes.size() == 1) {
        common.name = nodes.front()->name;
    }
    return common;
}

Result<std::string> NameFromUtf8(std::string_view utf8) {
    std::string latin1;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 1;
        std::uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        bool valid = lead < 0x80 || length > 1;
        for (int k = 1; k < length; ++k) {
            const std::size_t at = i + static_cast<std::size_t>(k);
            const auto next = at < utf8.size() ? static_cast<unsigned char>(utf8[at]) : 0;
            valid = valid && (next >> 6) == 2;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && !(length == 2 && code < 0x80);  // no second spelling of ASCII
        i += static_cast<std::size_t>(length);
        // Printable Latin-1 only: no control characters, nothing beyond U+00FF.
        if (!valid || code < 0x20 || code > 0xFF || (code >= 0x7F && code < 0xA0)) {
            return Status::Message(kMsgNameNotLatin1, {std::string(utf8)});
        }
        latin1.push_back(static_cast<char>(code));
    }
    return latin1;
}

std::vector<const SceneNode*> SelectedNodes(const Scene& scene) {
    std::vector<const SceneNode*> selected;
    std::vector<const SceneNode*> pending{&scene.Root()};
    while (!pending.empty()) {
        const SceneNode* parent = pending.back();
        pending.pop_back();
        for (const SceneNode* child : Children(*parent)) {
            if (child->selected) {
                selected.push_back(child);
            }
            if (child->first_child != nullptr) {
                pending.push_back(child);
            }
        }
    }
    return selected;
}

}  // namespace kelto
