#include <gtest/gtest.h>

#include <cmath>

#include "interaction/camera_navigation.h"
#include "model/child_list.h"
#include "tool_test_rig.h"

namespace kelto {
namespace {

constexpr unsigned kAlt = kModifierAlt;

// The window point of a world point, unrounded.
WindowPoint Projected(const CViewRenderer& view, const Vec3& world) {
    WindowPoint p{-1e9, -1e9};
    view.ProjectToWindow(world, p);
    return p;
}

// A camera any later move can build on: finite, eye off the target, a right-handed unit basis.
void ExpectValid(const ViewCamera& c) {
    for (const Vec3& v : {c.eye, c.target, c.direction, c.right, c.up})
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    EXPECT_GT((c.target - c.eye).Length(), 0.0);
    EXPECT_NEAR(c.direction.Length(), 1.0, 1e-9);
    EXPECT_NEAR(Dot(c.direction, c.up), 0.0, 1e-9);
    EXPECT_NEAR(Dot(c.direction, c.right), 0.0, 1e-9);
    EXPECT_GT(c.frustum_right, 0.0);
    EXPECT_GT(c.frustum_top, 0.0);
}

void ExpectNear(const WindowPoint& a, const WindowPoint& b, double within) {
    EXPECT_NEAR(a.x, b.x, within);
    EXPECT_NEAR(a.y, b.y, within);
}

TEST(Navigation, AnOrbitKeepsThePivotsPixelAndDistanceInEveryProjection) {
    for (ViewProjection projection : {ViewProjection::Perspective, ViewProjection::Top,
                                      ViewProjection::Front, ViewProjection::RightSide}) {
        SCOPED_TRACE(static_cast<int>(projection));
        ToolRig rig(projection);
        const NodeId cube = rig.document.InsertObject(ObjectType::Cube, {2, 0, -1}, false);
        const Vec3 pivot = WorldPoint(*rig.document.Node(cube), {0, 0, 0});
        const WindowPoint before = Projected(rig.camera, pivot);
        const std::vector<std::uint8_t> file = rig.document.SaveToBytes();
        const double distance = (rig.camera.Camera().eye - pivot).Length();
        // Middle-drag, then Alt+left-drag, far enough to hit the straight-down stop.
        rig.Send(PointerEventKind::Press, {400, 300}, 0, PointerButton::Middle);
        rig.Move({530, 470});
        rig.Move({100, 900});
        rig.Send(PointerEventKind::Release, {100, 900}, 0, PointerButton::Middle);
        rig.Drag({300, 300}, {250, -600}, 3, kAlt);
        ExpectValid(rig.camera.Camera());
        ExpectNear(Projected(rig.camera, pivot), before, 1.0);
        EXPECT_NEAR((rig.camera.Camera().eye - pivot).Length(), distance, 1e-6 * distance);
        // Navigation is no edit.
        EXPECT_EQ(rig.document.SaveToBytes(), file);
        EXPECT_EQ(rig.document.UndoCount(), 1u);
    }
}

TEST(Navigation, WheelAndZoomDragsKeepThePointUnderTheCursor) {
    for (ViewProjection projection : {ViewProjection::Perspective, ViewProjection::Front}) {
        SCOPED_TRACE(static_cast<int>(projection));
        ToolRig rig(projection);
        rig.document.InsertObject(ObjectType::Sphere, {1, 0, 0}, false);
        // On the sphere, and on empty space (held at the target's depth).
        for (const WindowPoint& cursor : {rig.PixelOf({1, 0, 1}), WindowPoint{700, 80}}) {
            const Vec3 held = rig.controller.Navigation().HeldPointAt(cursor);
            for (double notches : {3.0, -5.0, 0.5}) {
                PointerEvent wheel;
                wheel.kind = PointerEventKind::Wheel;
                wheel.point = cursor;
                wheel.wheel_notches = notches;
                EXPECT_TRUE(rig.controller.OnPointer(wheel).camera_moved);
                ExpectNear(Projected(rig.camera, held), {cursor.x + 0.5, cursor.y + 0.5}, 1.0);
            }
        }
        const WindowPoint grab{200, 150};
        const Vec3 held = rig.controller.Navigation().HeldPointAt(grab);
        rig.Drag(grab, {200, 40}, 4, kModifierControl | kAlt);  // Ctrl+Alt: zoom drag
        ExpectNear(Projected(rig.camera, held), {grab.x + 0.5, grab.y + 0.5}, 1.0);
        // A pan drags the held point along with the mouse.
        const Vec3 panned = rig.controller.Navigation().HeldPointAt(grab);
        rig.Drag(grab, {420, 333}, 4, kModifierShift | kAlt);
        ExpectNear(Projected(rig.camera, panned), {420.5, 333.5}, 1.0);
    }
}

TEST(Navigation, NoMoveMakesTheCameraInvalid) {
    for (ViewProjection projection : {ViewProjection::Perspective, ViewProjection::Top}) {
        ToolRig rig(projection);
        rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        CViewRenderer& view = rig.camera;
        for (int i = 0; i < 200; ++i)  // zoomed in and out far past every limit
            view.ZoomAbout({0, 0, 0}, 10.0);
        ExpectValid(view.Camera());
        for (int i = 0; i < 400; ++i)
            view.ZoomAbout({0, 0, 0}, 0.1);
        ExpectValid(view.Camera());
        view.Orbit({0, -3, 0}, 30, 500);         // from under the floor, past straight down
        view.Orbit(view.Camera().eye, 10, -10);  // about the eye itself
        view.Orbit({NAN, 0, 0}, 1, 1);
        view.Pan({0, 0, 0}, {0, 0}, {1e300, -1e300});
        view.ZoomAbout({INFINITY, 0, 0}, 2.0);
        view.ZoomAbout(view.Camera().eye, 2.0);
        view.Frame({1e6, 1e6, -1e6}, 0.0);
        ExpectValid(view.Camera());
        view.Frame({0, 0, 0}, NAN);
        ExpectValid(view.Camera());
        // Looking straight down, tilting over the top, lenses of no length, an eye on its target.
        view.LookAt({0, 10, 0}, {0, 0, 0}, {0, 1, 0});
        ExpectValid(view.Camera());
        for (int i = 0; i < 400; ++i)
            view.TiltCamera(1.0);
        ExpectValid(view.Camera());
        const double lens = view.FocalLength();
        view.SetFocalLength(0.0);
        view.SetFocalLength(-5.0);
        EXPECT_EQ(view.FocalLength(), lens);
        const Vec3 direction = view.Camera().direction;
        view.LookAt({1, 1, 1}, {1, 1, 1}, {0, 1, 0});
        EXPECT_EQ(view.Camera().direction, direction);
    }
}

TEST(Navigation, FramingFitsTheSelectionOrTheWholeScene) {
    ToolRig rig;
    rig.document.InsertObject(ObjectType::Cube, {-15, 0, 4}, false);
    rig.document.InsertObject(ObjectType::Torus, {12, 3, -9}, false);
    const LightId light = rig.document.InsertLight(LightKind::Point, {0, 20, 0});  // not framed
    const Scene& scene = rig.document.GetScene();
    const FramingSphere all = SceneSphere(scene);
    rig.camera.Frame(all.centre, all.radius);
    for (const SceneNode* node : Children(scene.Root())) {
        for (int corner = 0; corner < 8; ++corner) {
            const Vec3f local{corner & 1 ? node->box.max.x : node->box.min.x,
                              corner & 2 ? node->box.max.y : node->box.min.y,
                              corner & 4 ? node->box.max.z : node->box.min.z};
            const WindowPoint p = Projected(rig.camera, WorldPoint(*node, local));
            EXPECT_TRUE(p.x >= 0 && p.x <= ToolRig::kWidth && p.y >= 0 && p.y <= ToolRig::kHeight)
                << p.x << ", " << p.y;
        }
    }
    EXPECT_GE(rig.camera.FarDistance(),
              (rig.camera.Camera().eye - all.centre).Length() + all.radius);
    // A light alone (no size to speak of) is framed at its place; a scene without objects
    // frames the grid's centre.
    rig.document.SelectExactly({}, std::vector<LightId>{light});
    const std::optional<FramingSphere> selected = SelectionSphere(scene);
    ASSERT_TRUE(selected);
    rig.camera.Frame(selected->centre, selected->radius);
    ExpectNear(Projected(rig.camera, {0, 20, 0}), {400, 300}, 1.0);
    EXPECT_FALSE(SelectionSphere(DocumentCore().GetScene()));
    EXPECT_EQ(SceneSphere(DocumentCore().GetScene()).centre, Vec3(0, 0, 0));
}

}  // namespace
}  // namespace kelto
