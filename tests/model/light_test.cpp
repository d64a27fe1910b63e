#include <gtest/gtest.h>

#include <cmath>

#include "model/light.h"
#include "model/scene.h"

namespace kelto {
namespace {

TEST(Light, ExponentTable) {
    Light light;
    // Spot exponent 0: value 0 at k = 0 and 1 for every k >= 1.
    EXPECT_EQ(light.exponent_table[0].value, 0.0f);
    for (int k = 1; k < Light::kExponentTableSize; ++k) {
        EXPECT_EQ(light.exponent_table[k].value, 1.0f) << k;
    }
    EXPECT_EQ(light.exponent_table[1].difference, 1.0f);
    EXPECT_EQ(light.exponent_table[2].difference, 0.0f);

    light.spot_exponent = 2.0f;
    light.RebuildExponentTable();
    EXPECT_FLOAT_EQ(light.exponent_table[511].value, 1.0f);
    EXPECT_FLOAT_EQ(light.exponent_table[255].value, static_cast<float>(std::pow(255 / 511.0, 2)));
    EXPECT_FLOAT_EQ(light.exponent_table[300].difference,
                    light.exponent_table[300].value - light.exponent_table[299].value);
}

TEST(Light, SceneNamesLightsPerKindBase) {
    Scene scene;
    ASSERT_EQ(scene.Lights().size(), 1u);
    EXPECT_EQ(scene.Lights()[0].name, "Light1");
    EXPECT_EQ(scene.Lights()[0].position, (Vec3{4, 2, 6}));
    EXPECT_EQ(scene.CurrentCamera().name, "Camera 2");
    EXPECT_EQ(scene.CurrentCamera().eye, (Vec3{3.0, 8.5, 22.5}));

    const int spot = scene.InsertLight(LightKind::Spot, {1, 2, 3});
    EXPECT_EQ(scene.Lights()[spot].name, "Light2");
    EXPECT_EQ(scene.Lights()[spot].kind, LightKind::Spot);
    const int area = scene.InsertLight(LightKind::Rectangular, {});
    EXPECT_EQ(scene.Lights()[area].name, "Rectangular Light1");
    EXPECT_EQ(scene.Lights()[scene.InsertLight(LightKind::Cylindrical, {})].name,
              "Cylindrical Light1");
    // A freed number is taken again.
    scene.Lights().erase(scene.Lights().begin());
    EXPECT_EQ(scene.MakeLightName(LightKind::Sphere), "Light1");
}

TEST(LightDialog, MapsTypeButtonsFalloffAndColour) {
    Light light;
    light.kind = LightKind::Sphere;
    light.falloff = {0.0f, 1.0f, 0.0f};
    LightDialogFields fields = LightToDialog(light);
    EXPECT_EQ(fields.type, LightDialogFields::kSphere);
    EXPECT_EQ(fields.falloff, LightDialogFields::kFalloffLinear);

    fields.type = LightDialogFields::kSpot;
    fields.falloff = LightDialogFields::kFalloffQuadratic;
    fields.colour = {0.5f, 0.25f, 1.0f, 1.0f};
    fields.spot_exponent = 3.0f;
    fields.casts_shadows = false;
    fields.x = 7;
    ApplyLightDialog(fields, light);
    EXPECT_EQ(light.kind, LightKind::Spot);
    EXPECT_EQ(light.falloff, (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(light.diffuse, fields.colour);
    EXPECT_EQ(light.highlight, fields.colour);  // the highlight follows the colour
    EXPECT_EQ(light.casts_shadows, 0);
    EXPECT_EQ(light.position.x, 7.0);
    EXPECT_FLOAT_EQ(light.exponent_table[255].value, static_cast<float>(std::pow(255 / 511.0, 3)));
}

TEST(LightDialog, UnsetFalloffButtonLeavesTheCoefficientsAlone) {
    Light light;
    light.falloff = {0.5f, 0.5f, 0.0f};
    const LightDialogFields fields = LightToDialog(light);
    EXPECT_EQ(fields.falloff, LightDialogFields::kNoFalloff);
    ApplyLightDialog(fields, light);
    EXPECT_EQ(light.falloff, (std::array<float, 3>{0.5f, 0.5f, 0.0f}));

    // An area light keeps its kind through the dialog, which offers no button for it.
    light.kind = LightKind::Rectangular;
    ApplyLightDialog(LightToDialog(light), light);
    EXPECT_EQ(light.kind, LightKind::Rectangular);
}

}  // namespace
}  // namespace kelto
