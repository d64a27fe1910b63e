#include <gtest/gtest.h>

#include <cmath>

#include "model/light.h"
#include "model/scene.h"

namespace kelto {
namespace {

TEST(Light, SceneNamesLightsPerKindBase) {
    Scene scene;
    ASSERT_EQ(scene.Lights().size(), 1u);
    EXPECT_EQ(scene.Lights()[scene.InsertLight(LightKind::Spot, {1, 2, 3})].name, "Light2");
    EXPECT_EQ(scene.Lights()[scene.InsertLight(LightKind::Rectangular, {})].name,
              "Rectangular Light1");
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

    // Coefficients no button stands for select none, and come back as they were.
    light.falloff = {0.5f, 0.5f, 0.0f};
    EXPECT_EQ(LightToDialog(light).falloff, LightDialogFields::kNoFalloff);
    ApplyLightDialog(LightToDialog(light), light);
    EXPECT_EQ(light.falloff, (std::array<float, 3>{0.5f, 0.5f, 0.0f}));

    // An area light keeps its kind through the dialog, which offers no button for it.
    light.kind = LightKind::Rectangular;
    ApplyLightDialog(LightToDialog(light), light);
    EXPECT_EQ(light.kind, LightKind::Rectangular);
}

}  // namespace
}  // namespace kelto
