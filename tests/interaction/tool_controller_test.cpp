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

Vec3 RayPlaneY(const PickRay& ray, double y) {
    const double t = (y - ray.origin.y) / ray.direction.y;
    return ray.origin + ray.direction * t;
}

WindowPoint Centre(const WindowPoint& p) {
    return {p.x + 0.5, p.y + 0.5};
}

bool Inside(const WindowPoint& p) {
    return p.x >= 0 && p.y >= 0 && p.x < ToolRig::kWidth && p.y < ToolRig::kHeight;
}

void ExpectNear(const Vec3& a, const Vec3& b, double tolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

void ExpectMatrixNear(const Matrix4& a, const Matrix4& b, double tolerance) {
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
    }
}

const SceneNode& OnlyNode(const DocumentCore& document) {
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

TEST(InsertTools, SphereToolDropsSphere1WhereTheFloorIsSeenAndFallsBackToSelect) {
    ToolRig rig;
    rig.tools.ChoosePrimitive(1);  // Sphere
    rig.Click(rig.CornerOf({2, 0, -1}));
    ASSERT_EQ(rig.document.GetScene().NodeCount(), 2u);  // the root and the sphere
    const SceneNode& sphere = OnlyNode(rig.document);
    EXPECT_EQ(sphere.name, "Sphere1");
    EXPECT_EQ(sphere.type, ObjectType::Sphere);
    // Resting on the floor: lifted by its radius.
    ExpectNear(sphere.position, {2, 1, -1}, kFloorTolerance);
    EXPECT_EQ(sphere.position.y, 1.0);
    EXPECT_TRUE(sphere.selected);
    EXPECT_EQ(rig.document.Selection().selected_count, 1);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
    EXPECT_TRUE(rig.document.IsModified());
    EXPECT_EQ(rig.document.UndoText(), "Undo Insert Sphere1");
}

TEST(InsertTools, ControlKeepsTheToolAndFarFloorPointsGoToTheOrigin) {
    ToolRig rig;
    rig.camera.SetFocalLength(24.0);  // wide enough to see far along the floor
    rig.tools.ChoosePrimitive(0);     // Cube
    const WindowPoint far = rig.CornerOf({0, 0, -30});
    ASSERT_TRUE(Inside(far));
    rig.Click(far, kModifierControl);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::InsertPrimitive);
    const SceneNode& cube = OnlyNode(rig.document);
    EXPECT_EQ(cube.name, "Cube1");
    EXPECT_EQ(cube.position, (Vec3{0, 1, 0}));
    // With Shift the second joins the selection.
    rig.Click(rig.CornerOf({1, 0, 1}), kModifierControl | kModifierShift);
    EXPECT_EQ(rig.document.Selection().selected_count, 2);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::InsertPrimitive);
    // Above the horizon nothing is inserted, and without Ctrl the tool still falls back.
    const std::size_t count = rig.document.GetScene().NodeCount();
    rig.Click({400, 0});
    EXPECT_EQ(rig.document.GetScene().NodeCount(), count);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
}

TEST(InsertTools, LightToolPlacesTheLightOnTheFloorAsTheOnlySelection) {
    ToolRig rig;
    const NodeId sphere = rig.document.InsertObject(ObjectType::Sphere, {-4, 0, 0}, false);
    rig.tools.ChooseLight(2);  // spot
    rig.Click(rig.CornerOf({1, 0, 2}));
    const Scene& scene = rig.document.GetScene();
    ASSERT_EQ(scene.Lights().size(), 2u);
    const Light& light = scene.Lights()[1];
    EXPECT_EQ(light.name, "Light2");
    EXPECT_EQ(light.kind, LightKind::Spot);
    ExpectNear(light.position, {1, 0, 2}, kFloorTolerance);
    EXPECT_TRUE(light.selected);
    EXPECT_FALSE(rig.document.Node(sphere)->selected);
    EXPECT_EQ(scene.CountSelected(), 1);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
}

TEST(SelectTool, ShiftClicksToggleAndCountAsTheDocumentSays) {
    ToolRig rig;
    const NodeId a = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
    const NodeId b = rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, false);
    rig.document.ClearSelection();
    const WindowPoint at_a = rig.PixelOf({-3, 1, 0});
    const WindowPoint at_b = rig.PixelOf({3, 1, 0});
    rig.Click(at_a);
    EXPECT_TRUE(rig.document.Node(a)->selected);
    EXPECT_EQ(rig.document.Selection().selected_count, 1);
    rig.Click(at_b, kModifierShift);
    EXPECT_TRUE(rig.document.Node(a)->selected && rig.document.Node(b)->selected);
    EXPECT_EQ(rig.document.Selection().selected_count, 2);
    rig.Click(at_a, kModifierShift);  // two selected: A leaves
    EXPECT_FALSE(rig.document.Node(a)->selected);
    EXPECT_EQ(rig.document.Selection().selected_count, 1);
    rig.Click(at_b, kModifierShift);  // the only selection stays
    EXPECT_TRUE(rig.document.Node(b)->selected);
    EXPECT_EQ(rig.document.Selection().selected_count, 1);
    rig.Click(at_a);  // without Shift: the only one
    EXPECT_TRUE(rig.document.Node(a)->selected);
    EXPECT_FALSE(rig.document.Node(b)->selected);
    // A click on nothing clears the selection; clicks change nothing else.
    rig.Click({5, 5});
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 0);
    EXPECT_EQ(rig.document.Selection().selected_count, 0);
    EXPECT_EQ(rig.document.UndoCount(), 2u);  // the two insertions
}

TEST(SelectTool, MoveDragSlidesHalfTheFloorDistanceAndCommitsAsOneStep) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const WindowPoint from = rig.PixelOf({0, 1, 0});
    const WindowPoint to{from.x + 120, from.y + 40};
    rig.Press(from);
    EXPECT_EQ(rig.controller.Drag(), DragState::MoveNode);
    EXPECT_EQ(rig.controller.CurrentCursor(), ToolCursor::Move);
    rig.Move({from.x + 60, from.y + 20});
    EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightMoving);
    EXPECT_EQ(rig.document.Node(id)->position, (Vec3{0, 1, 0}));  // pending until the end
    rig.Move(to);
    rig.Release(to);
    EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightNormal);
    EXPECT_EQ(rig.controller.CurrentCursor(), ToolCursor::Arrow);
    // On the plane through the sphere's centre (y = 1), half of what the mouse covered.
    const Vec3 start = RayPlaneY(rig.camera.RayAt(Centre(from)), 1.0);
    const Vec3 end = RayPlaneY(rig.camera.RayAt(Centre(to)), 1.0);
    const SceneNode& node = *rig.document.Node(id);
    ExpectNear(node.position, Vec3{0, 1, 0} + (end - start) * 0.5, 1e-9);
    EXPECT_EQ(node.position.y, 1.0);
    EXPECT_EQ(node.moving, 0);
    EXPECT_EQ(node.pending_offset, Vec3{});
    EXPECT_EQ(rig.document.UndoText(), "Undo Move Sphere1");
    EXPECT_EQ(rig.document.UndoCount(), 2u);

    // With Shift the object goes straight up, by the mouse's motion along the y axis's image.
    const Vec3 before = node.position;
    const WindowPoint top = rig.PixelOf(WorldBoxCentre(node));
    rig.Drag(top, {top.x, top.y - 50}, 5, kModifierShift);
    EXPECT_EQ(node.position.x, before.x);
    EXPECT_EQ(node.position.z, before.z);
    EXPECT_GT(node.position.y, before.y + 0.5);
}

TEST(SelectTool, HandleDragScalesOnlyItsAxisAndKeepsTheOppositeCorner) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    const SceneNode& node = *rig.document.Node(id);
    const Vec3 anchor = WorldPoint(node, BoxCorners(node.box)[4]);
    const WindowPoint handle = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 0)));
    const WindowPoint corner = rig.PixelOf(WorldPoint(node, BoxCorners(node.box)[0]));
    rig.Press(handle);
    EXPECT_EQ(rig.controller.Drag(), DragState::ScaleNode);
    EXPECT_EQ(rig.controller.CurrentCursor(), ToolCursor::Scale);
    EXPECT_EQ(rig.document.GrabbedCorner(), 0);
    EXPECT_EQ(rig.document.GrabbedAxes(), kAxisX);
    // Outwards along the handle's line on the screen, in small steps.
    const double ux = handle.x - corner.x;
    const double uy = handle.y - corner.y;
    for (int i = 1; i <= 4; ++i) {
        rig.Move({handle.x + ux * i, handle.y + uy * i});
    }
    EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightScaling);
    rig.Release({handle.x + ux * 4, handle.y + uy * 4});
    EXPECT_GT(node.scale.x, 1.3);
    EXPECT_EQ(node.scale.y, 1.0);
    EXPECT_EQ(node.scale.z, 1.0);
    ExpectNear(WorldPoint(node, BoxCorners(node.box)[4]), anchor, 1e-5);
    EXPECT_EQ(rig.document.UndoText(), "Undo Scale Cube1");

    // One step can at most double and at least divide by ten.
    const double x = node.scale.x;
    const WindowPoint again = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 0)));
    rig.Press(again);
    ASSERT_EQ(rig.controller.Drag(), DragState::ScaleNode);
    rig.Move({again.x + ux * 400, again.y + uy * 400});
    rig.Release({again.x + ux * 400, again.y + uy * 400});
    EXPECT_NEAR(node.scale.x, 2 * x, 1e-12);
    const WindowPoint third = rig.PixelOf(WorldPoint(node, HandleCentre(node.box, 0)));
    rig.Press(third);
    ASSERT_EQ(rig.controller.Drag(), DragState::ScaleNode);
    rig.Move({third.x - ux * 4000, third.y - uy * 4000});
    rig.Release({third.x - ux * 4000, third.y - uy * 4000});
    EXPECT_NEAR(node.scale.x, 0.2 * x, 1e-12);
    ExpectNear(WorldPoint(node, BoxCorners(node.box)[4]), anchor, 1e-5);
}

TEST(RotateTool, RingDragTurnsByTheRingsUnitsAboutItsAxis) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    rig.tools.SetMode(ToolMode::Rotate);
    const SceneNode& node = *rig.document.Node(id);
    const Matrix4 frame = NodeRingFrame(node);
    const double a = 0.7853981633974483;
    const Vec3 on_ring = TransformPoint(frame, {std::cos(a), std::sin(a), 0});
    const WindowPoint pixel = rig.PixelOf(on_ring);
    PickOptions rings;
    rings.rings = true;
    const auto hit = Pick(rig.document.GetScene(), rig.camera.RayAt(Centre(pixel)), rings);
    ASSERT_TRUE(hit);
    ASSERT_EQ(hit->code, kRingCodeZ);

    rig.Press(pixel);
    EXPECT_EQ(rig.controller.Drag(), DragState::RotateNode);
    EXPECT_EQ(rig.controller.CurrentCursor(), ToolCursor::Rotate);
    EXPECT_EQ(rig.document.GrabbedRing(), kRingCodeZ);
    ASSERT_TRUE(rig.last.warp_pointer);
    const WindowPoint grab = *rig.last.warp_pointer;
    WindowPoint s0, s1;
    ASSERT_TRUE(rig.camera.ProjectToWindow(hit->segment_start, s0));
    ASSERT_TRUE(rig.camera.ProjectToWindow(hit->segment_end, s1));
    const double tx = std::round(5 * std::round(s1.x - s0.x));
    const double ty = std::round(5 * std::round(s1.y - s0.y));
    ASSERT_GT(tx * tx + ty * ty, 0.0);
    // Half the tangent: a = 1, ignored, and the pointer stays where it is.
    rig.Move({grab.x + std::round(tx / 2), grab.y + std::round(ty / 2)});
    EXPECT_FALSE(rig.last.warp_pointer);
    EXPECT_EQ(node.pending_angles, Vec3{});
    // Five tangents along the ring: a = 10, ten degrees, and the pointer goes back.
    rig.Move({grab.x + 5 * tx, grab.y + 5 * ty});
    ASSERT_TRUE(rig.last.warp_pointer);
    EXPECT_EQ(rig.last.warp_pointer->x, grab.x);
    EXPECT_EQ(node.pending_angles, (Vec3{0, 0, 10}));
    EXPECT_EQ(rig.camera.highlight_mode, CViewRenderer::kHighlightRotating);
    // Back the other way from the grab point: -10 again.
    rig.Move({grab.x - 5 * tx, grab.y - 5 * ty});
    rig.Move({grab.x - 5 * tx, grab.y - 5 * ty});  // measured from the grab point again
    rig.Release(grab);
    Matrix4 expected;
    expected.Rotate(-10, {0, 0, 1});
    ExpectMatrixNear(node.rotation, expected, 1e-12);
    EXPECT_EQ(rig.document.GrabbedRing(), 0);
    EXPECT_EQ(node.rotating, 0);
    // The grabbed point moved the way the mouse went: positive angles follow increasing
    // station angle, which the band's centre line points along.
    EXPECT_EQ(rig.document.UndoText(), "Undo Rotate Cube1");
}

TEST(RotateTool, BodiesSelectAndOnlySpotLightsStaySelected) {
    ToolRig rig;
    const NodeId a = rig.document.InsertObject(ObjectType::Sphere, {-3, 0, 0}, false);
    rig.document.InsertObject(ObjectType::Sphere, {3, 0, 0}, true);
    rig.tools.SetMode(ToolMode::Rotate);
    rig.Click(rig.PixelOf({-3, 1, 0}));
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 1);
    EXPECT_TRUE(rig.document.Node(a)->selected);
    const Light& point_light = rig.document.GetScene().Lights()[0];
    rig.Click(rig.PixelOf(point_light.position));
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 0);
    const LightId spot = rig.document.InsertLight(LightKind::Spot, {0, 3, 3});
    rig.Click(rig.PixelOf({0, 3, 3}));
    EXPECT_TRUE(rig.document.FindLight(spot)->selected);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Rotate);
}

TEST(RotateTool, ASpotLightTurnsByItsRings) {
    ToolRig rig;
    const LightId spot = rig.document.InsertLight(LightKind::Spot, {0, 2, 0});
    rig.document.SelectLight(spot);
    rig.tools.SetMode(ToolMode::Rotate);
    const Light& light = *rig.document.FindLight(spot);
    // The y ring round the icon, at its front left.
    const double a = 315.0 * kDegreesToRadians;
    const Vec3 on_ring = TransformPoint(LightRingFrame(light), {std::sin(a), 0, std::cos(a)});
    rig.Press(rig.PixelOf(on_ring));
    ASSERT_EQ(rig.controller.Drag(), DragState::RotateLight);
    EXPECT_EQ(rig.document.GrabbedRing(), kRingCodeY);
    const WindowPoint grab = *rig.last.warp_pointer;
    PickOptions rings;
    rings.rings = true;
    const auto hit =
        Pick(rig.document.GetScene(), rig.camera.RayAt(Centre(rig.PixelOf(on_ring))), rings);
    ASSERT_TRUE(hit);
    WindowPoint s0, s1;
    rig.camera.ProjectToWindow(hit->segment_start, s0);
    rig.camera.ProjectToWindow(hit->segment_end, s1);
    const double tx = std::round(5 * std::round(s1.x - s0.x));
    const double ty = std::round(5 * std::round(s1.y - s0.y));
    rig.Move({grab.x + 10 * tx, grab.y + 10 * ty});
    EXPECT_EQ(light.pending_angles, (Vec3{0, 20, 0}));
    rig.Release(grab);
    Matrix4 expected;
    expected.Rotate(20, {0, 1, 0});
    ExpectMatrixNear(light.rotation, expected, 1e-12);
    EXPECT_EQ(light.rotating, 0);
}

TEST(SelectTool, LightsMoveWithTheirIconsAndScaleByTheirHandles) {
    ToolRig rig;
    const LightId id = rig.document.GetScene().Lights()[0].id;
    const Vec3 start_position = rig.document.FindLight(id)->position;  // (4, 2, 6)
    const WindowPoint from = rig.PixelOf(start_position);
    const WindowPoint to{from.x - 100, from.y + 10};
    rig.Press(from);
    EXPECT_EQ(rig.controller.Drag(), DragState::MoveLight);
    EXPECT_TRUE(rig.document.FindLight(id)->selected);
    rig.Move({from.x - 50, from.y + 5});
    rig.Move(to);
    rig.Release(to);
    const Vec3 a = RayPlaneY(rig.camera.RayAt(Centre(from)), start_position.y);
    const Vec3 b = RayPlaneY(rig.camera.RayAt(Centre(to)), start_position.y);
    const Light& light = *rig.document.FindLight(id);
    ExpectNear(light.position, start_position + (b - a) * 0.5, 1e-9);
    EXPECT_EQ(light.moving, 0);

    // A sphere light grows by its x handle.
    const LightId ball = rig.document.InsertLight(LightKind::Sphere, {-2, 2, 2});
    rig.document.SelectLight(ball);
    const Light& sphere = *rig.document.FindLight(ball);
    const BoundingBox icon = LightIconBox(sphere);
    const Vec3f h = HandleCentre(icon, 0);
    const Vec3f c = BoxCorners(icon)[0];
    const WindowPoint handle = rig.PixelOf(sphere.position + Vec3{h.x, h.y, h.z});
    const WindowPoint corner = rig.PixelOf(sphere.position + Vec3{c.x, c.y, c.z});
    rig.Press(handle);
    ASSERT_EQ(rig.controller.Drag(), DragState::ScaleLight);
    rig.Move({handle.x + 4 * (handle.x - corner.x), handle.y + 4 * (handle.y - corner.y)});
    rig.Release({handle.x, handle.y});
    EXPECT_GT(rig.document.FindLight(ball)->size, 0.25f);
    EXPECT_EQ(rig.document.FindLight(ball)->scaling, 0);
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
    EXPECT_TRUE(MatrixIsFinite(node.parent_from_node));
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
    const SceneNode& text = OnlyNode(rig.document);
    EXPECT_EQ(text.name, "Text1");
    EXPECT_EQ(text.type, ObjectType::Text);
    EXPECT_TRUE(text.selected);
    // Standing on the floor where the click was: the left end of its bottom there, its
    // depth going back from the click.
    const Vec3 ground = *rig.controller.GroundPoint(at);
    const Vec3 corner = WorldPoint(text, text.box.min);
    EXPECT_NEAR(corner.x, ground.x, 1e-4);
    EXPECT_NEAR(corner.y, 0.0, 1e-4);
    EXPECT_NEAR(corner.z, ground.z, 0.45 + 1e-4);
    EXPECT_EQ(rig.tools.Mode(), ToolMode::Select);
    // Characters the font lacks are left out, and the warning is for the view to show.
    rig.tools.SetMode(ToolMode::Text);
    prompt.answer->text = "A\x01";
    EXPECT_FALSE(rig.Press(at).message.ok());
    rig.Release(at);
    EXPECT_EQ(rig.document.GetScene().NodeCount(), 3u);
}

TEST(TextTool, SettingsGiveTheFontAndTheDepthTheDialogKeptLast) {
    MemorySettings settings;
    SettingsTextToolPrompt prompt(settings);
    std::optional<TextToolChoice> choice = prompt.AskForText();
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->text, "Text");
    EXPECT_EQ(choice->font.FaceName(), "Times New Roman");
    EXPECT_EQ(choice->font.weight, 400);
    EXPECT_EQ(choice->font.italic, 0);
    EXPECT_EQ(choice->font.height, 32);
    EXPECT_DOUBLE_EQ(choice->depth, 0.45);
    TextToolSettings kept;
    kept.face_name = "DejaVu Sans";
    kept.weight = 700;
    kept.italic = 1;
    kept.depth = 400;  // beyond the slider: clamped
    WriteTextToolSettings(settings, kept);
    choice = prompt.AskForText();
    EXPECT_EQ(choice->font.FaceName(), "DejaVu Sans");
    EXPECT_EQ(choice->font.weight, 700);
    EXPECT_EQ(choice->font.italic, 1);
    EXPECT_DOUBLE_EQ(choice->depth, 1.5);
}

TEST(Cursors, EachToolHasItsOwnAndDragsShowTheirsUntilTheRelease) {
    ToolRig rig;
    EXPECT_EQ(ToolController::HoverCursor(ToolMode::Text), ToolCursor::IBeam);
    rig.tools.ChoosePrimitive(1);
    rig.Move({10, 10});
    EXPECT_EQ(rig.last.cursor, ToolCursor::Cross);
    rig.Click(rig.CornerOf({0, 0, 0}));
    rig.Move({11, 10});
    EXPECT_EQ(rig.last.cursor, ToolCursor::Arrow);
    const WindowPoint body = rig.PixelOf({0, 1, 0});
    EXPECT_EQ(rig.Press(body).cursor, ToolCursor::Move);
    EXPECT_EQ(rig.Release(body).cursor, ToolCursor::Arrow);
    // A release with no press before it (the second half of a double click) is harmless.
    EXPECT_EQ(rig.Release(body).cursor, ToolCursor::Arrow);
}

TEST(BadInput, NoClickOrDragLeavesANaNAndTheSavedSceneLoadsBack) {
    ToolRig rig;
    // Looking up at the floor from below it.
    rig.camera.LookAt({0, -5, 12}, {0, 0, 0}, {0, 1, 0});
    rig.tools.ChoosePrimitive(1);
    rig.Click({400, 300});
    ASSERT_EQ(rig.document.GetScene().NodeCount(), 2u);
    EXPECT_EQ(OnlyNode(rig.document).position.y, 1.0);
    // Tilted until it looks straight down and past it, then clicks everywhere, and at the
    // horizon.
    rig.camera.LookAt({3, 8.5, 22.5}, {0, 0, 0}, {0, 1, 0});
    for (int i = 0; i < 200; ++i) {
        rig.camera.TiltCamera(-1.0);
        ASSERT_TRUE(MatrixIsFinite(rig.camera.Camera().view_from_world)) << i;
    }
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
    for (int i = 0; i < 400; ++i) {
        rig.document.DragScaleNode(flat, {0.1, 0.1, 0.1}, {});
    }
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

TEST(ParallelViews, TopViewInsertsAndMovesWhereXAndZSay) {
    ToolRig rig(ViewProjection::Top);
    rig.tools.ChoosePrimitive(1);
    rig.Click(rig.CornerOf({3, 0, 2}));
    const SceneNode& sphere = OnlyNode(rig.document);
    ExpectNear(sphere.position, {3, 1, 2}, 0.05);
    // Seen from above, a move follows the mouse on the floor (at half its pace).
    const WindowPoint from = rig.PixelOf({3, 1, 2});
    const WindowPoint to{from.x + 100, from.y + 50};
    const Vec3 start = sphere.position;
    rig.Drag(from, to, 5);
    const Vec3 a = RayPlaneY(rig.camera.RayAt(Centre(from)), 1.0);
    const Vec3 b = RayPlaneY(rig.camera.RayAt(Centre(to)), 1.0);
    ExpectNear(sphere.position, start + (b - a) * 0.5, 1e-9);
    EXPECT_GT(b.x, a.x);  // right on the screen is +x
    EXPECT_GT(b.z, a.z);  // down on the screen is +z
}

TEST(ParallelViews, FrontAndSideViewsInsertOnTheFloorAndMoveInTheirPlane) {
    ToolRig front(ViewProjection::Front);
    front.tools.ChoosePrimitive(0);
    front.Click(front.CornerOf({2, 3, 0}));
    const SceneNode& cube = OnlyNode(front.document);
    ExpectNear(cube.position, {2, 1, 0}, 0.05);  // under the click, on the floor
    const WindowPoint from = front.PixelOf(WorldBoxCentre(cube));
    const WindowPoint to{from.x - 60, from.y - 80};
    const Vec3 start = cube.position;
    front.Drag(from, to, 4);
    EXPECT_LT(cube.position.x, start.x - 0.1);
    EXPECT_GT(cube.position.y, start.y + 0.1);
    EXPECT_EQ(cube.position.z, start.z);

    ToolRig side(ViewProjection::RightSide);
    side.tools.ChoosePrimitive(1);
    side.Click(side.CornerOf({0, 2, -3}));
    ExpectNear(OnlyNode(side.document).position, {0, 1, -3}, 0.05);
}

}  // namespace
}  // namespace kelto
