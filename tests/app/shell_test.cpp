// The application shell's toolkit-free parts: the tips file, the command table and its rules,
// the status bar's clock texts, the about box's facts, the running-render count.
#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "app/command_table.h"
#include "app/running_renders.h"
#include "app/system_info.h"
#include "app/tip_file.h"
#include "model/message_table.h"
#include "platform/headless.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

class TipFileTest : public ::testing::Test {
  protected:
    void Write(const std::string& text, std::time_t mtime = 1000000000) {
        std::ofstream(path_, std::ios::binary) << text;
        const utimbuf times{mtime, mtime};
        ::utime(path_.c_str(), &times);
    }
    std::vector<std::string> Tips(int count) {
        TipFile tips(settings_, path_);
        std::vector<std::string> seen{tips.Tip()};
        for (int i = 1; i < count; ++i) {
            tips.NextTip();
            seen.push_back(tips.Tip());
        }
        return seen;
    }

    test::TemporaryDirectory folder_;
    const std::string path_ = folder_.File("Kelto.tip");
    MemorySettings settings_;
};

TEST_F(TipFileTest, SkipsNotesEmptyAndBinaryLinesCutsLongOnesAndWrapsRound) {
    Write("; a note\nFirst tip.\n\n  indented\n\tTabbed\nSecond tip.\r\n;last note\n");
    EXPECT_EQ(Tips(3), (std::vector<std::string>{"First tip.", "Second tip.", "First tip."}));
    // A long line is cut and its rest is not a tip; a line starting with a zero byte is not a
    // tip, others read as bytes.
    Write(std::string(1500, 'x') + "\n" + std::string("\0\x01\x02\n", 4) + "\xff\xfe tip\n");
    EXPECT_EQ(Tips(2), (std::vector<std::string>{std::string(999, 'x'), "\xff\xfe tip"}));
}

TEST_F(TipFileTest, NextDialogGoesOnWhereTheLastStoppedUntilTheFileChanges) {
    Write("One\nTwo\nThree\n");
    EXPECT_EQ(Tips(2), (std::vector<std::string>{"One", "Two"}));
    EXPECT_EQ(Tips(1), (std::vector<std::string>{"Three"}));
    // A changed file (another time stamp) starts from its beginning.
    Write("Alpha\nBeta\n", 1100000000);
    EXPECT_EQ(Tips(1), (std::vector<std::string>{"Alpha"}));
    // A stored position beyond the end, or negative, leads to the first tip.
    for (int position : {5000, -3}) {
        settings_.WriteInt("Tip", "FilePos", position);
        EXPECT_EQ(Tips(1), (std::vector<std::string>{"Alpha"}));
    }
}

TEST_F(TipFileTest, MissingFileAndFileWithoutTipsSayWhy) {
    {
        TipFile tips(settings_, folder_.File("nothing.tip"));
        EXPECT_FALSE(tips.HasFile());
        EXPECT_EQ(tips.Tip(), "Tips file does not exist in the prescribed directory");
    }
    EXPECT_EQ(settings_.Read("Tip", "FilePos"), std::nullopt);  // nothing to remember
    Write("; only notes\n   \n\n");
    EXPECT_EQ(Tips(1), (std::vector<std::string>{"Trouble reading the tips file"}));
}

TEST_F(TipFileTest, FindsTheFileInTheWorkingFolderFirstThenTheDataFolder) {
    Write("x\n");
    const fs::path before = fs::current_path();
    const fs::path elsewhere = folder_.File("work");
    fs::create_directories(elsewhere);
    fs::current_path(elsewhere);
    EXPECT_EQ(FindTipFile(folder_.Path()), path_);
    EXPECT_EQ(FindTipFile(folder_.File("none")), "");
    std::ofstream("Kelto.tip") << "here\n";
    EXPECT_EQ(FindTipFile(folder_.Path()), "Kelto.tip");
    fs::current_path(before);
}

TEST(CommandTable, IdentifiersAreUniqueAndOnlyInertCommandsRunNothing) {
    std::set<int> ids;
    for (const CommandInfo& command : CommandTable()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        EXPECT_FALSE(command.text.empty() || command.prompt.empty()) << command.id;
        // Every command does what its name says, or is shown disabled.
        EXPECT_EQ(command.run == nullptr, command.rule == CommandRule::Inert) << command.id;
        if (command.rule == CommandRule::LightKind) {
            EXPECT_TRUE(command.kind >= 0 && command.kind < kLightToolCount) << command.id;
        }
    }
    EXPECT_EQ(FindCommand(12345), nullptr);
}

// The commands' states, checked or enabled, as a string of 0 and 1.
std::string States(const CommandContext& context, std::initializer_list<int> ids, bool checked) {
    std::string states;
    for (int id : ids) {
        const CommandState state = EvaluateCommand(*FindCommand(id), context);
        states += (checked ? state.checked : state.enabled) ? '1' : '0';
    }
    return states;
}

TEST(CommandRules, ToolChecksProjectionAndRenderCommands) {
    using namespace command_ids;
    CommandContext context;
    context.tool_mode = ToolMode::InsertPrimitive;
    context.primitive_kind = 3;
    EXPECT_EQ(States(context, {kCone, kCube, kSelectPrimitive, kSelectTool}, true), "1010");
    context.tool_mode = ToolMode::InsertLight;
    context.light_tool = 0;
    EXPECT_EQ(States(context, {kAreaLight, kCone}, true), "10");
    context.tool_mode = ToolMode::Text;
    EXPECT_EQ(States(context, {kTextTool, kRotateTool}, true), "10");
    context.tool_mode = ToolMode::Rotate;
    EXPECT_EQ(States(context, {kTextTool, kRotateTool}, true), "01");

    // Without a document only what needs none is on; the projection views need one.
    EXPECT_EQ(States(context, {kNew, kSave, kFourViews}, false), "100");
    DocumentCore document;
    context.document = &document;
    EXPECT_EQ(States(context, {kDelete, kFourViews}, false), "01");
    document.SelectLight(document.GetScene().Lights()[0].id);    // a light alone can be deleted
    EXPECT_EQ(States(context, {kDelete, kLathe}, false), "10");  // Lathe: not made yet
    // Render needs a modelling view and a render window to open; Stop and Save Image the
    // render window, while it runs and once it has finished.
    const std::initializer_list<int> render{kRender, kStopRendering, kSaveImage};
    context.modelling_view_active = true;
    EXPECT_EQ(States(context, render, false), "000");
    context.render_available = true;
    EXPECT_EQ(States(context, render, false), "100");
    context.render_window_active = true;
    EXPECT_EQ(States(context, {kStopRendering, kSaveImage}, false), "10");
    context.render_finished = true;
    EXPECT_EQ(States(context, {kStopRendering, kSaveImage}, false), "01");
}

TEST(StatusClock, DayAndHourHaveNoLeadingZero) {
    std::tm when{};
    when.tm_year = 124;  // 2024
    when.tm_mon = 2;     // March
    when.tm_mday = 5;
    when.tm_wday = 2;  // Tuesday
    when.tm_hour = 15;
    when.tm_min = 7;
    EXPECT_EQ(StatusDateText(when), "Tue, Mar 5, 24");
    EXPECT_EQ(StatusTimeText(when), "3:07");
    when.tm_hour = 0;
    EXPECT_EQ(StatusTimeText(when), "12:07");
}

TEST(SystemInfo, MemoryAndDiskInKilobytes) {
    EXPECT_GT(PhysicalMemoryKb(), 1024u);
    EXPECT_TRUE(FreeDiskKb(fs::temp_directory_path().string()).has_value());
    EXPECT_EQ(FreeDiskKb("/no/such/folder/anywhere"), std::nullopt);
}

TEST(RunningRenders, TokensCountWhileTheyLiveAndMovesDoNotCountTwice) {
    const int before = RunningRenders::Count();
    {
        RunningRenders::Token first;
        EXPECT_EQ(RunningRenders::Count(), before + 1);
        RunningRenders::Token second = std::move(first);
        EXPECT_EQ(RunningRenders::Count(), before + 1);
        RunningRenders::Token third;
        third.Release();
        third.Release();
        EXPECT_EQ(RunningRenders::Count(), before + 1);
        second = std::move(third);  // the counted one is let go
        EXPECT_EQ(RunningRenders::Count(), before);
    }
    EXPECT_EQ(RunningRenders::Count(), before);
}

}  // namespace
}  // namespace kelto
