#include <gtest/gtest.h>

#include <cmath>

#include "interaction/tool_state.h"
#include "interaction/view_renderer.h"

namespace kelto {
namespace {

// The camera without drawing.
class CameraOnly : public CViewRenderer {
  public:
    using CViewRenderer::CViewRenderer;
    void BeginFrame() override {}
    void EndFrame() override {}
    void SetLighting(const std::array<float, 4>&, const std::vector<Light>&, bool) override {}
    void DrawGrid() override {}
    void DrawNodeTree(const SceneNode&, bool, int) override {}
    void DrawLights(const std::vector<Light>&, bool, int) override {}
    void LightingOff() override {}
    int camera_changes = 0;

  protected:
    void CameraChanged() override { ++camera_changes; }
};

CameraOnly DefaultView() {
    return CameraOnly(800, 600, {3, 8.5, 22.5}, {0, 0, 0}, {0, 1, 0}, 50.0);
}

TEST(ViewRenderer, TargetProjectsToTheWindowCentreAndRaysComeBackThroughTheirPoint) {
    CameraOnly view = DefaultView();
    WindowPoint centre;
    ASSERT_TRUE(view.ProjectToWindow({0, 0, 0}, centre));
    EXPECT_NEAR(centre.x, 400.0, 1e-9);
    EXPECT_NEAR(centre.y, 300.0, 1e-9);
    // A point up and to the right of the target lands up and to the right on the window.
    WindowPoint p;
    ASSERT_TRUE(view.ProjectToWindow({1, 1, 0}, p));
    EXPECT_GT(p.x, 400.0);
    EXPECT_LT(p.y, 300.0);
    // The ray through that pixel passes through the point.
    const Vec3 ray = view.RayThrough(p);
    const Vec3 to_point = Vec3{1, 1, 0} - view.Camera().eye;
    const Vec3 cross = Cross(ray, to_point);
    EXPECT_LT(cross.Length() / (ray.Length() * to_point.Length()), 1e-9);
    // Behind the eye nothing projects.
    EXPECT_FALSE(view.ProjectToWindow(view.Camera().eye * 2.0, p));
}

TEST(ViewRenderer, SameSizeLeavesTheProjectionAloneAndNoHeightIsRefused) {
    CameraOnly view = DefaultView();
    const Matrix4 projection = view.Camera().projection;
    const int changes = view.camera_changes;
    EXPECT_TRUE(view.Resize(800, 600));
    EXPECT_EQ(view.camera_changes, changes);
    EXPECT_FALSE(view.Resize(800, 0));
    EXPECT_FALSE(view.Resize(800, -5));
    EXPECT_EQ(view.Camera().projection, projection);
    EXPECT_EQ(view.Height(), 600);
    EXPECT_TRUE(view.Resize(400, 600));
    EXPECT_NE(view.Camera().projection, projection);
    EXPECT_EQ(view.Camera().viewport_width, 400);
}

TEST(ViewRenderer, LensSetsTheFieldOfViewAsTheArctangentOfTheFrame) {
    CameraOnly view = DefaultView();
    const double fovy = std::atan(43.26 / 100.0);  // 50 mm, radians
    EXPECT_NEAR(view.Camera().frustum_top, 0.25 * std::tan(fovy / 2), 1e-12);
    EXPECT_NEAR(view.Camera().frustum_right, view.Camera().frustum_top * 800.0 / 600.0, 1e-12);
    const double top_50 = view.Camera().frustum_top;
    view.SetFocalLength(24.0);  // wider
    EXPECT_GT(view.Camera().frustum_top, top_50);
    const int changes = view.camera_changes;
    view.SetFocalLength(24.0);
    EXPECT_EQ(view.camera_changes, changes);
}

TEST(ViewRenderer, DollyMovesEyeAndTargetTogetherAndTurnsKeepTheEye) {
    CameraOnly view = DefaultView();
    const Vec3 eye = view.Camera().eye;
    const Vec3 direction = view.Camera().direction;
    view.DollyIn(1.0);
    EXPECT_NEAR((view.Camera().eye - (eye + direction)).Length(), 0.0, 1e-12);
    EXPECT_NEAR((view.Camera().target - (Vec3{} + direction)).Length(), 0.0, 1e-12);
    view.DollyOut(1.0);
    EXPECT_NEAR((view.Camera().eye - eye).Length(), 0.0, 1e-12);

    view.TurnCamera(90.0);
    EXPECT_NEAR((view.Camera().eye - eye).Length(), 0.0, 1e-12);
    // A quarter turn about y: the horizontal part of the direction turns by 90 degrees.
    const Vec3 d = view.Camera().direction;
    EXPECT_NEAR(d.x * direction.x + d.z * direction.z, 0.0, 1e-12);
    EXPECT_NEAR(d.y, direction.y, 1e-12);
    view.TurnCamera(-90.0);
    view.TiltCamera(10.0);
    EXPECT_NEAR(view.Camera().direction.x, direction.x, 1e-12);  // tilt keeps x
    EXPECT_NEAR(view.Camera().up.Length(), 1.0, 1e-12);
    EXPECT_NEAR(Dot(view.Camera().up, view.Camera().direction), 0.0, 1e-12);
}

TEST(ViewRenderer, StoredCameraComesBackAsItWasSet) {
    CameraOnly view = DefaultView();
    Vec3 direction = Vec3{0, 0, 0} - Vec3{10, 5, 0};
    direction.Normalise();
    view.SetCamera(direction, {10, 5, 0}, {0, 0, 0}, 35.0);
    EXPECT_EQ(view.FocalLength(), 35.0);
    EXPECT_EQ(view.Camera().eye, (Vec3{10, 5, 0}));
    EXPECT_NEAR((view.Camera().direction - direction).Length(), 0.0, 1e-12);
}

TEST(ToolState, ShapeAndLightCommandsSetTheModeAndKindAndTellTheListener) {
    ToolState tools;
    int changes = 0;
    tools.SetListener([&] { ++changes; });
    EXPECT_EQ(tools.Mode(), ToolMode::Select);
    tools.ChoosePrimitive(1);
    EXPECT_EQ(tools.Mode(), ToolMode::InsertPrimitive);
    EXPECT_EQ(PrimitiveKindType(tools.PrimitiveKind()), ObjectType::Sphere);
    tools.ChoosePrimitive(1);  // no change, no call
    tools.ChoosePrimitive(9);  // not a kind
    EXPECT_EQ(changes, 1);
    tools.ChooseLight(0);
    EXPECT_EQ(tools.Mode(), ToolMode::InsertLight);
    EXPECT_EQ(LightToolKind(tools.LightTool()), LightKind::Sphere);
    EXPECT_EQ(LightToolKind(1), LightKind::Point);
    EXPECT_EQ(LightToolKind(2), LightKind::Spot);
    tools.SetMode(ToolMode::Rotate);
    EXPECT_EQ(changes, 3);
    // The kinds stay when the mode moves on.
    EXPECT_EQ(tools.PrimitiveKind(), 1);
    EXPECT_EQ(tools.LightTool(), 0);
    const ObjectType expected[] = {ObjectType::Cube,        ObjectType::Sphere,
                                   ObjectType::Torus,       ObjectType::Cone,
                                   ObjectType::Cylinder,    ObjectType::Paraboloid,
                                   ObjectType::Hyperboloid, ObjectType::Superquadric};
    for (int kind = 0; kind < kPrimitiveKindCount; ++kind) {
        EXPECT_EQ(PrimitiveKindType(kind), expected[kind]);
    }
}

}  // namespace
}  // namespace kelto
