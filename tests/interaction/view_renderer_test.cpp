#include <gtest/gtest.h>

#include <cmath>

#include "interaction/tool_state.h"
#include "interaction/view_renderer.h"

namespace kelto {
namespace {

// The camera without drawing, counting the times it changes.
class CameraOnly : public HeadlessViewRenderer {
  public:
    using HeadlessViewRenderer::HeadlessViewRenderer;
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
    const Matrix4 projection = view.Camera().clip_from_view;
    const int changes = view.camera_changes;
    EXPECT_TRUE(view.Resize(800, 600));
    EXPECT_EQ(view.camera_changes, changes);
    EXPECT_FALSE(view.Resize(800, 0));
    EXPECT_FALSE(view.Resize(800, -5));
    EXPECT_EQ(view.Camera().clip_from_view, projection);
    EXPECT_EQ(view.Height(), 600);
    EXPECT_TRUE(view.Resize(400, 600));
    EXPECT_NE(view.Camera().clip_from_view, projection);
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

bool Finite(const Matrix4& m) {
    for (double v : m.m) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

TEST(ViewRenderer, LookingAlongUpKeepsAUsableCamera) {
    CameraOnly view = DefaultView();
    const Vec3 right = view.Camera().right;
    view.LookAt({0, 10, 0}, {0, 0, 0}, {0, 1, 0});  // straight down
    EXPECT_TRUE(Finite(view.Camera().view_from_world));
    EXPECT_NEAR(Dot(view.Camera().right, view.Camera().direction), 0.0, 1e-12);
    EXPECT_NEAR(view.Camera().right.Length(), 1.0, 1e-12);
    EXPECT_GT(Dot(view.Camera().right, right), 0.9);  // the right vector it had
    // An eye on its target keeps the direction it had.
    const Vec3 direction = view.Camera().direction;
    view.LookAt({1, 1, 1}, {1, 1, 1}, {0, 1, 0});
    EXPECT_TRUE(Finite(view.Camera().view_from_world));
    EXPECT_EQ(view.Camera().direction, direction);
    // Tilting over the top never gives a NaN either.
    for (int i = 0; i < 400; ++i) {
        view.TiltCamera(1.0);
        ASSERT_TRUE(Finite(view.Camera().view_from_world));
    }
    // Lenses of no length are refused.
    view.SetFocalLength(0.0);
    view.SetFocalLength(-5.0);
    EXPECT_EQ(view.FocalLength(), 50.0);
}

TEST(ParallelView, TopViewPutsTheFloorSquareOnTheWindowWithXRightAndZDown) {
    CameraOnly top(800, 600, ViewProjection::Top);
    EXPECT_TRUE(top.IsOrthographic());
    EXPECT_TRUE(top.Camera().orthographic);
    WindowPoint o, x, z;
    ASSERT_TRUE(top.ProjectToWindow({0, 0, 0}, o));
    ASSERT_TRUE(top.ProjectToWindow({1, 0, 0}, x));
    ASSERT_TRUE(top.ProjectToWindow({0, 0, 1}, z));
    EXPECT_NEAR(o.x, 400.0, 1e-9);
    EXPECT_NEAR(o.y, 300.0, 1e-9);
    EXPECT_GT(x.x - o.x, 10.0);
    EXPECT_NEAR(x.y, o.y, 1e-9);
    EXPECT_NEAR(z.x, o.x, 1e-9);
    EXPECT_NEAR(z.y - o.y, x.x - o.x, 1e-9);  // square cells
    // Height does not move a point: the projection is parallel.
    WindowPoint high;
    ASSERT_TRUE(top.ProjectToWindow({1, 50, 0}, high));
    EXPECT_NEAR(high.x, x.x, 1e-9);
    EXPECT_NEAR(high.y, x.y, 1e-9);
    // The whole grid (8 units each way) shows at the default lens.
    WindowPoint corner;
    ASSERT_TRUE(top.ProjectToWindow({8, 0, 8}, corner));
    EXPECT_LT(corner.y, 600.0);
    // Rays go straight down, from above the point they pass.
    const PickRay ray = top.RayAt(x);
    EXPECT_NEAR(ray.direction.x, 0.0, 1e-12);
    EXPECT_NEAR(ray.direction.y, -1.0, 1e-12);
    EXPECT_NEAR(ray.origin.x, 1.0, 1e-9);
    EXPECT_NEAR(ray.origin.z, 0.0, 1e-9);
    EXPECT_GT(ray.origin.y, 100.0);
}

TEST(ParallelView, CameraControlsZoomAndSlideLikeThePerspectiveOnes) {
    CameraOnly front(800, 600, ViewProjection::Front);
    WindowPoint before, after;
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, before));
    // Closer shows less: a point moves away from the centre.
    front.DollyIn(10.0);
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, after));
    EXPECT_GT(after.x, before.x);
    front.DollyOut(10.0);
    // A longer lens shows less as well.
    front.SetFocalLength(100.0);
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, after));
    EXPECT_GT(after.x - 400.0, (before.x - 400.0) * 1.9);  // nearly twice at twice the lens
    front.SetFocalLength(50.0);
    // Turning right moves the picture right, as the perspective camera's turn does; tilting
    // (+1) moves it down. The view keeps looking along -z.
    CameraOnly perspective = DefaultView();
    WindowPoint p0, p1;
    perspective.ProjectToWindow({0, 0, 0}, p0);
    perspective.TurnCamera(1.0);
    perspective.TiltCamera(1.0);
    perspective.ProjectToWindow({0, 0, 0}, p1);
    front.TurnCamera(1.0);
    front.TiltCamera(1.0);
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, after));
    EXPECT_EQ(after.x > before.x, p1.x > p0.x);
    EXPECT_EQ(after.y > before.y, p1.y > p0.y);
    EXPECT_NEAR(front.Camera().direction.z, -1.0, 1e-12);
    // The right side view looks along -x with -z to the right.
    CameraOnly side(800, 600, ViewProjection::RightSide);
    WindowPoint s;
    ASSERT_TRUE(side.ProjectToWindow({0, 0, -1}, s));
    EXPECT_GT(s.x, 400.0);
    // A stored perspective camera does not turn a parallel view.
    side.SetCamera({0, 0, -1}, {0, 0, 10}, {0, 0, 0}, 35.0);
    EXPECT_NEAR(side.Camera().direction.x, -1.0, 1e-12);
    EXPECT_EQ(side.FocalLength(), 35.0);
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
}

}  // namespace
}  // namespace kelto
