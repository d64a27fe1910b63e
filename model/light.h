// Light sources and the scene's camera.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "geometry.h"
#include "handles.h"
#include "scene_object.h"

namespace kelto {

enum class LightKind : std::int32_t {
    Point = 0,
    Spot = 1,
    Sphere = 2,
    Rectangular = 3,
    Cylindrical = 4,
};

struct ColourRgba {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 1.0f;
    friend bool operator==(const ColourRgba&, const ColourRgba&) = default;
};

class Light : public SceneObject {
  public:
    static constexpr int kExponentTableSize = 512;
    struct ExponentEntry {
        float difference = 0.0f;
        float value = 0.0f;
    };

    Light();

    // value k = (k / 511) ^ spot exponent for k >= 1, value 0 = 0, difference k = value k minus
    // value k-1.
    void RebuildExponentTable();

    LightId id;  // given by the scene when the light enters it; copies keep it
    std::array<ExponentEntry, kExponentTableSize> exponent_table{};
    std::int32_t table_end = 0;
    LightKind kind = LightKind::Point;
    ColourRgba diffuse{1, 1, 1, 1};
    ColourRgba ambient{0, 0, 0, 1};    // loaded into OpenGL only
    ColourRgba highlight{1, 1, 1, 1};  // follows the diffuse colour when the dialog is confirmed
    std::array<float, 3> falloff{1.0f, 0.0f, 0.0f};  // constant, linear, quadratic
    std::int32_t on = 1;
    std::string name;
    Vec3 position;
    float size = 0.25f;  // half-extent of the light's icon
    std::int32_t selected = 0;
    std::int32_t moving = 0;
    Vec3 pending_offset;
    std::int32_t casts_shadows = 1;
    double pending_scale = 1.0;
    std::int32_t scaling = 0;
    Vec3 pending_angles;
    Matrix4 rotation;  // a spot light shines along its -z axis after this rotation
    std::int32_t rotating = 0;
    float intensity = 1.0f;
    float spot_exponent = 0.0f;
    float spot_angle = 15.0f;  // cone half-angle in degrees
    float spot_cosine;         // cosine of the spot angle at construction
};

class Camera : public SceneObject {
  public:
    std::string name;
    Vec3 eye{3.0, 8.5, 22.5};
    Vec3 right{1.0, 0.0, 0.0};
    double right_scale = 1.0;  // kept with the camera; nothing reads it
    Vec3 up{0.0, 1.0, 0.0};
    Vec3 target{0.0, 0.0, 0.0};
    double focal_length = 50.0;  // millimetres
    std::int32_t local_viewer = 1;
};

// The light kinds' name bases: "Light" for point, spot and sphere lights, "Rectangular Light"
// and "Cylindrical Light" for the area lights.
const char* LightNameBase(LightKind kind);

// The fields of the "Light Source Properties" dialog.
struct LightDialogFields {
    // "Point", "Sphere", "Spot"; -1 when the light is of a kind the dialog does not offer.
    enum TypeButton { kNoType = -1, kPoint = 0, kSphere = 1, kSpot = 2 };
    // "None", "Linear", "Quadratic" of "Distance Falloff"; -1 when no coefficient is exactly 1.
    enum FalloffButton {
        kNoFalloff = -1,
        kFalloffNone = 0,
        kFalloffLinear = 1,
        kFalloffQuadratic = 2
    };

    int type = kPoint;
    int falloff = kFalloffNone;
    double x = 0.0, y = 0.0, z = 0.0;
    float spot_angle = 15.0f;
    float spot_exponent = 0.0f;
    float intensity = 1.0f;
    ColourRgba colour{1, 1, 1, 1};
    bool casts_shadows = true;
};

// What the dialog shows when it opens on a light.
LightDialogFields LightToDialog(const Light& light);
// What confirming the dialog does to the light: every field copied back (a button left
// unselected changes nothing), the highlight colour set to the diffuse colour and the exponent
// table rebuilt for the new spot exponent.
void ApplyLightDialog(const LightDialogFields& fields, Light& light);

}  // namespace kelto
