#include <gtest/gtest.h>

#include <cmath>

#include "interaction/tool_state.h"
#include "interaction/view_renderer.h"
#include "tool_test_rig.h"

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

TEST(ViewRenderer, ProjectsTheTargetToTheCentreAndDollyAndTurnMoveTheCamera) {
    CameraOnly view = DefaultView();
    WindowPoint centre;
    ASSERT_TRUE(view.ProjectToWindow({0, 0, 0}, centre));
    EXPECT_NEAR(std::hypot(centre.x - 400.0, centre.y - 300.0), 0.0, 1e-9);
    // A point up and to the right of the target lands up and to the right on the window.
    WindowPoint p;
    ASSERT_TRUE(view.ProjectToWindow({1, 1, 0}, p));
    EXPECT_GT(p.x, 400.0);
    EXPECT_LT(p.y, 300.0);
    // Behind the eye nothing projects.
    EXPECT_FALSE(view.ProjectToWindow(view.Camera().eye * 2.0, p));
    // The same size changes nothing; no height is refused.
    const Matrix4 projection = view.Camera().clip_from_view;
    const int changes = view.camera_changes;
    EXPECT_TRUE(view.Resize(800, 600));
    EXPECT_FALSE(view.Resize(800, 0));
    EXPECT_EQ(view.camera_changes, changes);
    EXPECT_EQ(view.Camera().clip_from_view, projection);
    // A dolly moves the eye and the target together along the view.
    const Vec3 eye = view.Camera().eye;
    const Vec3 target = view.Camera().target;
    view.DollyIn(1.0);
    EXPECT_NEAR((view.Camera().eye - eye - view.Camera().direction).Length(), 0.0, 1e-12);
    EXPECT_NEAR((view.Camera().target - target - view.Camera().direction).Length(), 0.0, 1e-12);
    // A quarter turn keeps the eye and turns the horizontal part of the view by 90 degrees.
    const Vec3 d = view.Camera().direction;
    view.TurnCamera(90.0);
    EXPECT_NEAR((view.Camera().eye - eye - d).Length(), 0.0, 1e-12);
    EXPECT_NEAR(view.Camera().direction.x * d.x + view.Camera().direction.z * d.z, 0.0, 1e-12);
    EXPECT_NEAR(view.Camera().direction.y, d.y, 1e-12);
}

TEST(ParallelView, TopViewPutsTheFloorSquareOnTheWindowAndCameraControlsZoomAndSlide) {
    CameraOnly top(800, 600, ViewProjection::Top);
    EXPECT_TRUE(top.Camera().orthographic);
    WindowPoint o, x, z, high;
    ASSERT_TRUE(top.ProjectToWindow({0, 0, 0}, o));
    ASSERT_TRUE(top.ProjectToWindow({1, 0, 0}, x));
    ASSERT_TRUE(top.ProjectToWindow({0, 0, 1}, z));
    EXPECT_NEAR(std::hypot(o.x - 400.0, o.y - 300.0), 0.0, 1e-9);
    EXPECT_GT(x.x - o.x, 10.0);
    EXPECT_NEAR(x.y, o.y, 1e-9);
    EXPECT_NEAR(z.y - o.y, x.x - o.x, 1e-9);  // square cells
    // Height does not move a point: the projection is parallel.
    ASSERT_TRUE(top.ProjectToWindow({1, 50, 0}, high));
    EXPECT_NEAR(std::hypot(high.x - x.x, high.y - x.y), 0.0, 1e-9);
    // Rays go straight down, from above the point they pass.
    const PickRay ray = top.RayAt(x);
    EXPECT_NEAR(ray.direction.y, -1.0, 1e-12);
    EXPECT_NEAR(ray.origin.x, 1.0, 1e-9);
    EXPECT_GT(ray.origin.y, 100.0);
    CameraOnly front(800, 600, ViewProjection::Front);
    WindowPoint before, after;
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, before));
    // Closer shows less: a point moves away from the centre; so does a longer lens.
    front.DollyIn(10.0);
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, after));
    EXPECT_GT(after.x, before.x);
    front.DollyOut(10.0);
    front.SetFocalLength(100.0);
    ASSERT_TRUE(front.ProjectToWindow({1, 1, 0}, after));
    EXPECT_GT(after.x - 400.0, (before.x - 400.0) * 1.9);  // nearly twice at twice the lens
    front.SetFocalLength(50.0);
    // Turning slides instead: the view keeps looking along -z.
    front.TurnCamera(1.0);
    front.TiltCamera(1.0);
    EXPECT_NEAR(front.Camera().direction.z, -1.0, 1e-12);
    // A stored perspective camera does not turn a parallel view.
    CameraOnly side(800, 600, ViewProjection::RightSide);
    side.SetCamera({0, 0, -1}, {0, 0, 10}, {0, 0, 0}, 35.0);
    EXPECT_NEAR(side.Camera().direction.x, -1.0, 1e-12);
    EXPECT_EQ(side.FocalLength(), 35.0);
}

// Which mode and kind a command sets is the main window's test, through the actions.
TEST(ToolState, ChangesAndOnlyChangesTellTheListener) {
    ToolState tools;
    int changes = 0;
    tools.SetListener([&] { ++changes; });
    tools.ChoosePrimitive(1);
    tools.ChoosePrimitive(1);  // no change, no call
    tools.ChoosePrimitive(9);  // not a kind
    EXPECT_EQ(changes, 1);
    tools.ChooseLight(2);
    tools.SetMode(ToolMode::Rotate);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(tools.PrimitiveKind(), 1);  // the kinds stay when the mode moves on
}

}  // namespace
}  // namespace kelto
