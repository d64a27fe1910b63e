// Snapping to the grid, the modelling settings behind it, and the keys of a modelling view:
// what lands where, and one history step per key press.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "interaction/grid_snap.h"
#include "model/child_list.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "tool_test_rig.h"

namespace kelto {
namespace {

bool Whole(double v) {
    return v == std::round(v);
}

TEST(GridSnap, RoundsToTheStepAndLeavesWhatCannotBeRoundedAsItIs) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    struct Case {
        double value, step, snapped;
    };
    for (const Case& c :
         {Case{2.4, 1, 2}, Case{-2.6, 1, -3}, Case{0.74, 0.5, 0.5}, Case{-0.2, 1, 0},
          Case{7.3, 0, 7.3}, Case{7.3, -1, 7.3}, Case{1e300, 1, 1e300}, Case{-1e300, 0.01, -1e300},
          Case{kInf, 1, kInf}, Case{1e17 + 0.5, 1, 1e17 + 0.5}, Case{3.2, kInf, 3.2}})
        EXPECT_EQ(SnapToStep(c.value, c.step), c.snapped) << c.value << " by " << c.step;
    EXPECT_FALSE(std::signbit(SnapToStep(-0.2, 1)));  // no -0 in a saved position
    EXPECT_TRUE(std::isnan(SnapToStep(std::nan(""), 1)));
}

TEST(ProgramSettings, RoundTripAndValuesOutOfRangeGiveTheDefault) {
    MemorySettings store;
    EXPECT_EQ(ReadModellingSettings(store), ModellingSettings{});
    EXPECT_EQ(ReadGeneralSettings(store), GeneralSettings{});
    const ModellingSettings chosen{true, 0.25, 12.5, false};
    const GeneralSettings general{3, 7, 0};
    WriteModellingSettings(store, chosen);
    WriteGeneralSettings(store, general);
    EXPECT_EQ(store.Read("Modelling", "Snap to grid"), "1");
    EXPECT_EQ(store.Read("History", "Undo steps"), "7");
    EXPECT_EQ(store.Read("Autosave", "IntervalSeconds"), "0");  // 0: off
    EXPECT_EQ(ReadModellingSettings(store), chosen);
    EXPECT_EQ(ReadGeneralSettings(store), general);
    for (const char* bad : {"0", "-1", "1e9", "nan", "inf", "2x", ""}) {
        store.Write("Modelling", "Grid step", bad);
        store.Write("Modelling", "Light height", std::string(bad) == "0" ? "-3" : bad);
        store.Write("Modelling", "Snap to grid", "7");
        store.Write("Modelling", "Orbit button", "7");
        store.Write("Render", "Threads", std::string(bad) == "0" ? "257" : bad);
        store.Write("History", "Undo steps", bad);
        store.Write("Autosave", "IntervalSeconds", std::string(bad) == "0" ? "9" : bad);
        EXPECT_EQ(ReadModellingSettings(store), ModellingSettings{}) << bad;
        EXPECT_EQ(ReadGeneralSettings(store), GeneralSettings{}) << bad;
    }
}

TEST(GridSnap, InsertionsAndFloorMovesLandOnTheGridAndCtrlDoesTheOpposite) {
    ToolRig rig;
    ModellingSettings settings;
    settings.snap_to_grid = true;
    rig.tools.SetModelling(settings);
    rig.tools.ChoosePrimitive(1);  // Sphere
    rig.Click(rig.CornerOf({2.3, 0, -1.4}));
    const SceneNode& sphere = **Children(rig.document.GetScene().Root()).begin();
    EXPECT_EQ(sphere.position, (Vec3{2, 1, -1}));
    rig.tools.ChooseLight(1);
    rig.Click(rig.CornerOf({-3.7, 0, 1.2}));
    EXPECT_EQ(rig.document.GetScene().Lights().back().position, (Vec3{-4, 5, 1}));

    // A drag lands the position on the grid; with Ctrl it goes where the mouse takes it.
    for (bool snapping : {true, false}) {
        rig.tools.SetSnapToGrid(snapping);
        for (unsigned modifiers : {kModifierNone, kModifierControl}) {
            const WindowPoint from = rig.PixelOf(sphere.position);
            rig.Drag(from, {from.x + 37, from.y + 23}, 3, modifiers);
            const bool snapped = snapping != (modifiers == kModifierControl);
            EXPECT_EQ(Whole(sphere.position.x) && Whole(sphere.position.z), snapped)
                << sphere.position.x << ", " << sphere.position.z;
            EXPECT_EQ(sphere.position.y, 1.0);
        }
    }
}

TEST(ToolKeys, ArrowsNudgeTheSelectionOneStepPerPressAndEscapeClearsIt) {
    ToolRig rig;
    const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    const Vec3 start = rig.document.Node(id)->position;
    struct Press {
        ToolKey key;
        unsigned modifiers;
        Vec3 by;
    };
    for (const Press& p : {Press{ToolKey::Right, 0, {1, 0, 0}}, Press{ToolKey::Left, 0, {-1, 0, 0}},
                           Press{ToolKey::Up, 0, {0, 0, -1}}, Press{ToolKey::Down, 0, {0, 0, 1}},
                           Press{ToolKey::Up, kModifierShift, {0, 1, 0}},
                           Press{ToolKey::Down, kModifierShift, {0, -1, 0}}}) {
        const std::vector<std::uint8_t> before = rig.document.SaveToBytes();
        const std::size_t steps = rig.document.UndoCount();
        EXPECT_TRUE(rig.controller.OnKey(p.key, p.modifiers).redraw);
        EXPECT_EQ(rig.document.Node(id)->position, start + p.by);
        EXPECT_EQ(rig.document.UndoCount(), steps + 1);
        EXPECT_EQ(rig.document.UndoText(), "Undo Move Cube1");
        ASSERT_TRUE(rig.document.Undo().ok());
        EXPECT_EQ(rig.document.SaveToBytes(), before);
    }
    // The grid step is the nudge; a light moves with the objects.
    rig.tools.SetModelling({false, 0.5, 5.0});
    const LightId light = rig.document.GetScene().Lights()[0].id;
    rig.document.SelectExactly(std::vector<NodeId>{id}, std::vector<LightId>{light});
    const Vec3 lamp = rig.document.FindLight(light)->position;
    rig.controller.OnKey(ToolKey::Right, 0);
    EXPECT_EQ(rig.document.FindLight(light)->position, lamp + (Vec3{0.5, 0, 0}));
    EXPECT_EQ(rig.document.UndoText(), "Undo Move");

    // While a drag runs the arrows do nothing and Escape cancels it; then Escape clears the
    // selection, and with nothing selected the arrows do nothing.
    const WindowPoint at = rig.PixelOf(WorldBoxCentre(*rig.document.Node(id)));
    rig.Press(at);
    rig.Move({at.x + 40, at.y});
    const std::size_t steps = rig.document.UndoCount();
    rig.controller.OnKey(ToolKey::Left, 0);
    EXPECT_EQ(rig.controller.OnKey(ToolKey::Escape, 0).release_mouse, true);
    EXPECT_EQ(rig.controller.Drag(), DragState::None);
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 1);  // the press selected the cube
    rig.controller.OnKey(ToolKey::Escape, 0);
    EXPECT_EQ(rig.document.GetScene().CountSelected(), 0);
    EXPECT_FALSE(rig.controller.OnKey(ToolKey::Up, 0).redraw);
    EXPECT_EQ(rig.document.UndoCount(), steps);
}

}  // namespace
}  // namespace kelto
