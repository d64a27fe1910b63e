#include "interaction/tool_controller.h"

#include <gtest/gtest.h>

#include "interaction/decorations.h"
#include "model/child_list.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "tool_test_rig.h"

namespace kelto {
namespace {

constexpr double kFloorTolerance = 0.05;  // half a pixel on the floor, seen at a slant

WindowPoint Centre(const WindowPoint& p) {
    return {p.x + 0.5, p.y + 0.5};
}

void ExpectNear(const Vec3& a, const Vec3& b, double tolerance) {
    EXPECT_NEAR((a - b).Length(), 0.0, tolerance) << a.x << ", " << a.y << ", " << a.z;
}

// The node inserted last.
const SceneNode& Newest(const DocumentCore& document) {
    return **Children(document.GetScene().Root()).begin();
}

class FixedPrompt : public TextToolPrompt {
  public:
    std::optional<TextToolChoice> answer;
    int asked = 0;
    std::optional<TextToolChoice> AskForText() override {
        ++asked;
        return answer;
    }
};

TEST(InsertTools, ShapesAndLightsLandWhereTheFloorIsSeenAndOnlyCtrlKeepsTheTool) {
    ToolRig rig;
    const NodeId earlier = rig.document.InsertObject(ObjectType::Cube, {-4, 0, 0}, false);
    rig.tools.ChoosePrimitive(1);  // Sphere
    rig.Click(rig.CornerOf({2, 0, -1}));
    const SceneNode& sphere = Newest(rig.document);
    EXPECT_EQ(sphere.name, "Sphere1");
    // Resting on the floor: lifted by its radius.
    ExpectNear(sphere.position, {2, 1, -1}, kFloorTolerance);
    EXPECT_EQ(sphere.position.y, 1.0);
    EXPECT_TRUE(sphere.selected);
    EXPECT_FALSE(rig.document.Node(earlier)->selected);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
    EXPECT_EQ(rig.document.UndoText(), "Undo Insert Sphere1");
    // A light stands the light height (5 by default) above the clicked floor point, the only
    // selection.
    rig.tools.ChooseLight(2);  // spot
    rig.Click(rig.CornerOf({1, 0, 2}));
    const Scene& scene = rig.document.GetScene();
    ASSERT_EQ(scene.Lights().size(), 2u);
    EXPECT_EQ(scene.Lights()[1].kind, LightKind::Spot);
    ExpectNear(scene.Lights()[1].position, {1, 5, 2}, kFloorTolerance);
    EXPECT_EQ(scene.Lights()[1].position.y, 5.0);
    EXPECT_EQ(scene.CountSelected(), 1);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);

    // Ctrl keeps the tool, and floor points further than 20 units go to the origin.
    rig.camera.SetFocalLength(24.0);  // wide enough to see far along the floor
    rig.tools.ChoosePrimitive(0);     // Cube
    rig.Click(rig.CornerOf({0, 0, -30}), kModifierControl);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::InsertPrimitive);
    EXPECT_EQ(Newest(rig.document).position, (Vec3{0, 1, 0}));
    // With Shift the second joins the selection.
    rig.Click(rig.CornerOf({1, 0, 1}), kModifierControl | kModifierShift);
    EXPECT_EQ(rig.document.Selection().selected_count, 2);
    // Above the horizon nothing is inserted, and without Ctrl the tool still falls back.
    const std::size_t count = rig.document.GetScene().NodeCount();
    rig.Click({400, 0});
    EXPECT_EQ(rig.document.GetScene().NodeCount(), count);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
}

TEST(SelectTool, ShiftClicksToggleAndCountAsTheDocumentSays) {
    ToolRig rig;
    const NodeId a = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
    const NodeId b = rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, false);
    rig.document.ClearSelection();
    const WindowPoint at_a = rig.PixelOf({-3, 1, 0});
    const WindowPoint at_b = rig.PixelOf({3, 1, 0});
    // Each click, and the selection after it.
    struct Step {
        WindowPoint at;
        unsigned modifiers;
        bool a, b;
    };
    for (const Step& step : {Step{at_a, 0, true, false}, Step{at_b, kModifierShift, true, true},
                             Step{at_a, kModifierShift, false, true},  // two selected: A leaves
                             Step{at_b, kModifierShift, false, true},  // the only one stays
                             Step{at_a, 0, true, false}, Step{{5, 5}, 0, false, false}}) {
        rig.Click(step.at, step.modifiers);
        EXPECT_EQ(rig.document.Node(a)->selected != 0, step.a);
        EXPECT_EQ(rig.document.Node(b)->selected != 0, step.b);
        EXPECT_EQ(rig.document.Selection().selected_count, (step.a ? 1 : 0) + (step.b ? 1 : 0));
    }
    EXPECT_EQ(rig.document.UndoCount(), 2u);  // clicks change nothing else
}

TEST(SelectTool, BodiesAndLightIconsKeepTheGrabbedPointUnderTheMouseAsOneStep) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const LightId light = rig.document.GetScene().Lights()[0].id;  // at (4, 2, 6)
    auto position = [&](bool of_light) {
        return of_light ? rig.document.FindLight(light)->position : rig.document.Node(id)->position;
    };
    // The point of the object under a pixel's centre.
    auto grabbed = [&](const WindowPoint& at) {
        const PickRay ray = rig.camera.RayAt(Centre(at));
        const std::optional<PickHit> hit = Pick(rig.document.GetScene(), ray, {});
        EXPECT_TRUE(hit.has_value());
        return ray.origin + ray.direction * (hit->distance / ray.direction.Length());
    };
    // Within a pixel of where the mouse is (across, only for floor moves: a vertical line
    // leans in a perspective view).
    auto expect_under = [&](const Vec3& world, const WindowPoint& mouse, bool across = true) {
        WindowPoint seen;
        ASSERT_TRUE(rig.camera.ProjectToWindow(world, seen));
        EXPECT_NEAR(seen.x, mouse.x + 0.5, across ? 1.0 : 5.0);
        EXPECT_NEAR(seen.y, mouse.y + 0.5, 1.0);
    };
    for (bool of_light : {false, true}) {
        const Vec3 start = position(of_light);
        const WindowPoint from = rig.PixelOf(start);
        const Vec3 grab = grabbed(from);
        const WindowPoint to = of_light ? WindowPoint{from.x - 100, from.y + 10}
                                        : WindowPoint{from.x + 120, from.y + 40};
        rig.Press(from);
        EXPECT_EQ(rig.controller.Drag(), of_light ? DragState::MoveLight : DragState::MoveNode);
        EXPECT_EQ(rig.last.cursor, ToolCursor::Move);  // until the release
        rig.Move({(from.x + to.x) / 2, (from.y + to.y) / 2});
        EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightMoving);
        EXPECT_EQ(position(of_light), start);  // pending until the end
        rig.Move(to);
        EXPECT_EQ(rig.Release(to).cursor, ToolCursor::Arrow);
        EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightNormal);
        // On the horizontal plane through the grabbed point, all the way with the mouse.
        const Vec3 moved = position(of_light) - start;
        EXPECT_EQ(moved.y, 0.0);
        expect_under(grab + moved, to);
    }
    EXPECT_EQ(rig.document.Node(id)->moving, 0);
    EXPECT_EQ(rig.document.UndoCount(), 3u);

    // With Shift the object goes straight up, its grabbed point following the mouse.
    const Vec3 before = position(false);
    const WindowPoint top = rig.PixelOf(before);
    const Vec3 grab = grabbed(top);
    rig.Drag(top, {top.x, top.y - 50}, 5, kModifierShift);
    EXPECT_EQ(position(false).x, before.x);
    EXPECT_EQ(position(false).z, before.z);
    expect_under(grab + (position(false) - before), {top.x, top.y - 50}, false);
}

TEST(SelectTool, HandleDragScalesOnlyItsAxisAndKeepsTheOppositeCorner) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    const SceneNode& node = *rig.document.Node(id);
    const Vec3 anchor = WorldPoint(node, BoxCorners(node.box)[4]);
    const WindowPoint corner = rig.PixelOf(WorldPoint(node, BoxCorners(node.box)[0]));
    const WindowPoint first = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 0)));
    // Outwards along the handle's line on the screen: in small steps, then far out (one step
    // at most doubles), then far in (one step at least divides by ten).
    const double ux = first.x - corner.x;
    const double uy = first.y - corner.y;
    double x = 1.0;
    for (double reach : {4.0, 400.0, -4000.0}) {
        const WindowPoint handle = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 0)));
        const WindowPoint end{handle.x + ux * reach, handle.y + uy * reach};
        rig.Press(handle);
        ASSERT_EQ(rig.controller.Drag(), DragState::ScaleNode);
        EXPECT_EQ(rig.document.GrabbedAxes(), kAxisX);
        const int moves = reach == 4.0 ? 4 : 1;  // each move is a step
        for (int i = 1; i <= moves; ++i) {
            rig.Move({handle.x + (end.x - handle.x) * i / moves,
                      handle.y + (end.y - handle.y) * i / moves});
        }
        EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightScaling);
        rig.Release(end);
        if (reach == 4.0)
            EXPECT_GT(node.scale.x, 1.3);
        else
            EXPECT_NEAR(node.scale.x, (reach > 0 ? 2.0 : 0.1) * x, 1e-12);
        x = node.scale.x;
        EXPECT_EQ(node.scale.y, 1.0);
        EXPECT_EQ(node.scale.z, 1.0);
        ExpectNear(WorldPoint(node, BoxCorners(node.box)[4]), anchor, 1e-5);
    }
    EXPECT_EQ(rig.document.UndoText(), "Undo Scale Cube1");

    // A selected sphere light grows by its x handle.
    const LightId ball = rig.document.InsertLight(LightKind::Sphere, {-2, 2, 2});
    rig.document.SelectLight(ball);
    const Light& sphere = *rig.document.FindLight(ball);
    const Vec3f h = HandleCentre(LightIconBox(sphere), 0);
    const WindowPoint handle = rig.PixelOf(sphere.position + Vec3{h.x, h.y, h.z});
    const WindowPoint centre = rig.PixelOf(sphere.position);
    rig.Press(handle);
    ASSERT_EQ(rig.controller.Drag(), DragState::ScaleLight);
    const WindowPoint out{handle.x + 4 * (handle.x - centre.x),
                          handle.y + 4 * (handle.y - centre.y)};
    rig.Move(out);
    rig.Release(out);
    EXPECT_GT(sphere.size, 0.25f);
    EXPECT_EQ(sphere.scaling, 0);
}

// The pointer's step along one tangent of the ring band under `at`, as the drag measures it.
WindowPoint RingTangent(const ToolRig& rig, const WindowPoint& at) {
    PickOptions rings;
    rings.rings = true;
    const auto hit = Pick(rig.document.GetScene(), rig.camera.RayAt(Centre(at)), rings);
    WindowPoint s0, s1;
    if (!hit || !rig.camera.ProjectToWindow(hit->segment_start, s0) ||
        !rig.camera.ProjectToWindow(hit->segment_end, s1))
        return {};
    return {std::round(5 * std::round(s1.x - s0.x)), std::round(5 * std::round(s1.y - s0.y))};
}

TEST(RotateTool, RingDragsTurnObjectsAndSpotLightsAboutTheRingsAxis) {
    for (bool light : {false, true}) {
        ToolRig rig;
        rig.tools.SetMode(ToolMode::Rotate);
        const SceneNode* node = nullptr;
        const Light* spot = nullptr;
        Vec3 on_ring;
        if (light) {  // the y ring round the icon, at its front left
            spot = rig.document.FindLight(rig.document.InsertLight(LightKind::Spot, {0, 2, 0}));
            rig.document.SelectLight(spot->id);
            const double a = 315.0 * kDegreesToRadians;
            on_ring = TransformPoint(LightRingFrame(*spot), {std::sin(a), 0, std::cos(a)});
        } else {  // the z ring at 45 degrees, where the band is wide
            node = rig.document.Node(rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false));
            on_ring =
                TransformPoint(NodeRingFrame(*node), {0.7071067811865476, 0.7071067811865476, 0});
        }
        const WindowPoint at = rig.PixelOf(on_ring);
        const WindowPoint step = RingTangent(rig, at);
        ASSERT_GT(step.x * step.x + step.y * step.y, 0.0);
        rig.Press(at);
        EXPECT_EQ(rig.controller.Drag(), light ? DragState::RotateLight : DragState::RotateNode);
        EXPECT_EQ(rig.document.GrabbedRing(), light ? kRingCodeY : kRingCodeZ);
        ASSERT_TRUE(rig.last.warp_pointer);
        const WindowPoint grab = *rig.last.warp_pointer;
        // Half a tangent is ignored and the pointer stays; five turn ten degrees and the
        // pointer goes back to where the ring was grabbed.
        rig.Move({grab.x + std::round(step.x / 2), grab.y + std::round(step.y / 2)});
        EXPECT_FALSE(rig.last.warp_pointer);
        rig.Move({grab.x + 5 * step.x, grab.y + 5 * step.y});
        ASSERT_TRUE(rig.last.warp_pointer);
        EXPECT_EQ(rig.last.warp_pointer->x, grab.x);
        EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightRotating);
        rig.Release(grab);
        Matrix4 expected;
        expected.Rotate(10, light ? Vec3{0, 1, 0} : Vec3{0, 0, 1});
        const Matrix4& rotation = light ? spot->rotation : node->rotation;
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(rotation[i], expected[i], 1e-12) << "element " << i;
        EXPECT_EQ(light ? spot->rotating : node->rotating, 0);
        EXPECT_EQ(rig.document.GrabbedRing(), 0);
    }
}

TEST(RotateTool, BodiesSelectAndOnlySpotLightsStaySelected) {
    ToolRig rig;
    const NodeId a = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
    rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, true);
    rig.tools.SetMode(ToolMode::Rotate);
    rig.Click(rig.PixelOf({-3, 1, 0}));
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 1);
    EXPECT_TRUE(rig.document.Node(a)->selected);
    rig.Click(rig.PixelOf(rig.document.GetScene().Lights()[0].position));  // a point light
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 0);
    const LightId spot = rig.document.InsertLight(LightKind::Spot, {0, 3, 3});
    rig.Click(rig.PixelOf({0, 3, 3}));
    EXPECT_TRUE(rig.document.FindLight(spot)->selected);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Rotate);
}

TEST(Drags, EscapeOrALostMouseLeavesTheSceneAsItWas) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    const std::vector<std::uint8_t> before = rig.document.SaveToBytes();
    const std::size_t steps = rig.document.UndoCount();
    const SceneNode& node = *rig.document.Node(id);
    // A move, a handle scale and a ring turn, each cancelled half way.
    const WindowPoint body = rig.PixelOf(WorldBoxCentre(node));
    rig.Press(body);
    rig.Move({body.x + 80, body.y});
    ASSERT_NE(node.pending_offset, Vec3{});
    rig.Send(PointerEventKind::Cancel, {body.x + 80, body.y});
    EXPECT_EQ(rig.controller.Drag(), DragState::None);
    EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightNormal);
    EXPECT_TRUE(rig.last.release_mouse);
    rig.Release({body.x + 80, body.y});  // the release that comes later changes nothing

    const WindowPoint handle = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 7)));
    rig.Press(handle);
    ASSERT_EQ(rig.controller.Drag(), DragState::ScaleNode);
    rig.Move({handle.x + 30, handle.y - 30});
    // Another button during the drag takes the mouse away too.
    rig.Send(PointerEventKind::Press, {handle.x, handle.y}, 0, PointerButton::Right);
    EXPECT_EQ(rig.controller.Drag(), DragState::None);

    rig.tools.SetMode(ToolMode::Rotate);
    const Vec3 on_ring = TransformPoint(NodeRingFrame(node), {0.7071, 0.7071, 0});
    rig.Press(rig.PixelOf(on_ring));
    ASSERT_EQ(rig.controller.Drag(), DragState::RotateNode);
    rig.Move({rig.last.warp_pointer->x + 300, rig.last.warp_pointer->y + 300});
    rig.Send(PointerEventKind::Cancel, {});
    EXPECT_EQ(rig.document.GrabbedRing(), 0);

    rig.document.ClearGrab();
    EXPECT_EQ(rig.document.SaveToBytes(), before);
    EXPECT_EQ(rig.document.UndoCount(), steps);
}

TEST(TextTool, PlacesTheAnsweredTextOnTheFloorAndNothingOnCancelOrBlank) {
    ToolRig rig;
    FixedPrompt prompt;
    rig.controller.SetTextPrompt(&prompt);
    rig.tools.SetMode(ToolMode::Text);
    // Cancelled: nothing, and the tool falls back.
    rig.Click(rig.CornerOf({0, 0, 0}));
    EXPECT_EQ(prompt.asked, 1);
    EXPECT_EQ(rig.document.GetScene().NodeCount(), 1u);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
    // Only spaces: nothing either.
    rig.tools.SetMode(ToolMode::Text);
    prompt.answer = TextToolChoice{"   ", LogFont::TextToolDefault(), 0.45};
    rig.Click(rig.CornerOf({0, 0, 0}), kModifierControl);
    EXPECT_EQ(rig.document.GetScene().NodeCount(), 1u);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Text);  // Ctrl keeps the tool
    prompt.answer->text = "Hi";
    const WindowPoint at = rig.CornerOf({-1, 0, 2});
    EXPECT_TRUE(rig.Press(at).message.ok());
    rig.Release(at);
    ASSERT_EQ(rig.document.GetScene().NodeCount(), 2u);
    const SceneNode& text = Newest(rig.document);
    EXPECT_EQ(text.type, ObjectType::Text);
    // Standing on the floor where the click was: the left end of its bottom there, its
    // depth going back from the click.
    const Vec3 ground = *rig.controller.GroundPoint(at);
    const Vec3 corner = WorldPoint(text, text.box.min);
    EXPECT_NEAR(corner.x, ground.x, 1e-4);
    EXPECT_NEAR(corner.y, 0.0, 1e-4);
    EXPECT_NEAR(corner.z, ground.z, 0.45 + 1e-4);
    // Characters the font lacks are left out, and the warning is for the view to show.
    rig.tools.SetMode(ToolMode::Text);
    prompt.answer->text = "A\x01";
    EXPECT_FALSE(rig.Press(at).message.ok());
    rig.Release(at);
    EXPECT_EQ(rig.document.GetScene().NodeCount(), 3u);
    // Without a dialog the text tool places the font the dialog keeps by default.
    MemorySettings settings;
    EXPECT_EQ(SettingsTextToolPrompt(settings).AskForText()->font.FaceName(), "Times New Roman");
}

TEST(BadInput, NoClickOrDragLeavesANaNAndTheSavedSceneLoadsBack) {
    ToolRig rig;
    // Looking up at the floor from below it.
    rig.camera.LookAt({0, -5, 12}, {0, 0, 0}, {0, 1, 0});
    rig.tools.ChoosePrimitive(1);
    rig.Click({400, 300});
    ASSERT_EQ(rig.document.GetScene().NodeCount(), 2u);
    EXPECT_EQ(Newest(rig.document).position.y, 1.0);
    // Clicks everywhere, and at the horizon (a camera tilted past straight down is the
    // navigation's test).
    rig.camera.LookAt({0, 3, 10}, {0, 3, 0}, {0, 1, 0});  // the horizon across the middle
    for (const WindowPoint& p : {WindowPoint{0, 0}, WindowPoint{799, 599}, WindowPoint{400, 300},
                                 WindowPoint{400, 299}, WindowPoint{-300, 5000}}) {
        rig.tools.ChoosePrimitive(0);
        rig.Click(p);
        rig.Click(p);  // the second half of a double click
    }
    // A zero-size object, dragged by its body, handles and rings, out of the window.
    rig.camera.LookAt({3, 8.5, 22.5}, {0, 0, 0}, {0, 1, 0});
    const NodeId flat = rig.document.InsertObject(ObjectType::Cube, {-2, 0, 0}, false);
    rig.document.GrabNodeHandle(flat, 1, false);
    for (int i = 0; i < 400; ++i)
        rig.document.DragScaleNode(flat, {0.1, 0.1, 0.1}, {});
    rig.document.EndDrag();
    const WindowPoint at = rig.PixelOf(WorldBoxCentre(*rig.document.Node(flat)));
    for (ToolMode mode : {ToolMode::Select, ToolMode::Rotate}) {
        rig.tools.SetMode(mode);
        rig.Drag(at, {-5000, 9000}, 3);
        rig.Drag(at, {at.x + 1, at.y}, 1, kModifierShift);
        rig.Press(at);
        rig.Press({at.x + 5, at.y});  // a press without the release of the last
        rig.Move({1e6, -1e6});
        rig.Release({1e6, -1e6});
    }
    // Every object and light ends where a matrix can say.
    for (const SceneNode* node : Children(rig.document.GetScene().Root())) {
        EXPECT_TRUE(MatrixIsFinite(node->parent_from_node)) << node->name;
        EXPECT_TRUE(std::isfinite(node->position.x + node->position.y + node->position.z));
    }
    const std::vector<std::uint8_t> bytes = rig.document.SaveToBytes();
    DocumentCore reopened;
    ASSERT_TRUE(reopened.OpenFromBytes(bytes, "after.kel").ok());
    EXPECT_EQ(reopened.GetScene().NodeCount(), rig.document.GetScene().NodeCount());
}

TEST(ParallelViews, InsertUnderTheClickOnTheFloorAndMoveInTheViewsPlane) {
    struct Case {
        ViewProjection projection;
        Vec3 click, placed;
    };
    for (const Case& c : {Case{ViewProjection::Top, {3, 0, 2}, {3, 1, 2}},
                          Case{ViewProjection::Front, {2, 3, 0}, {2, 1, 0}},
                          Case{ViewProjection::RightSide, {0, 2, -3}, {0, 1, -3}}}) {
        ToolRig rig(c.projection);
        rig.tools.ChoosePrimitive(1);
        rig.Click(rig.CornerOf(c.click));
        const SceneNode& sphere = Newest(rig.document);
        ExpectNear(sphere.position, c.placed, kFloorTolerance);
        // Right and up on the screen are the camera's; the depth stays.
        const Vec3 start = sphere.position;
        const WindowPoint from = rig.PixelOf(start);
        rig.Drag(from, {from.x + 60, from.y - 80}, 4);
        const Vec3 moved = sphere.position - start;
        EXPECT_GT(Dot(moved, rig.camera.Camera().right), 0.1);
        EXPECT_GT(Dot(moved, rig.camera.Camera().up), 0.1);
        EXPECT_NEAR(Dot(moved, rig.camera.Camera().direction), 0.0, 1e-9);
    }
}

}  // namespace
}  // namespace kelto
