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

namespace kelto {
namespace {

namespace fs = std::filesystem;

class TipFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("kelto_tips_" + std::to_string(::getpid()) + "_" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder_);
        path_ = (folder_ / "Kelto.tip").string();
    }
    void TearDown() override { fs::remove_all(folder_); }
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

    fs::path folder_;
    std::string path_;
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
        TipFile tips(settings_, (folder_ / "nothing.tip").string());
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
    const fs::path elsewhere = folder_ / "work";
    fs::create_directories(elsewhere);
    fs::current_path(elsewhere);
    EXPECT_EQ(FindTipFile(folder_.string()), path_);
    EXPECT_EQ(FindTipFile((folder_ / "none").string()), "");
    std::ofstream("Kelto.tip") << "here\n";
    EXPECT_EQ(FindTipFile(folder_.string()), "Kelto.tip");
    fs::current_path(before);
}

TEST(CommandTable, IdentifiersAreUniqueAndToolCommandsCarryTheirKinds) {
    std::set<int> ids;
    for (const CommandInfo& command : CommandTable()) {
        EXPECT_TRUE(ids.insert(command.id).second) << command.id;
        EXPECT_FALSE(command.text.empty());
        EXPECT_FALSE(command.prompt.empty()) << command.id;
        // A command runs a function exactly when it is not one of those that do nothing.
        const bool inert =
            command.rule == CommandRule::Inert || command.rule == CommandRule::InertEnabled;
        EXPECT_EQ(command.run == nullptr, inert) << command.id;
        if (command.rule == CommandRule::PrimitiveKind) {
            EXPECT_GE(command.kind, 0);
            EXPECT_LT(command.kind, kPrimitiveKindCount);
        }
        if (command.rule == CommandRule::LightKind) {
            EXPECT_GE(command.kind, 0);
            EXPECT_LT(command.kind, kLightToolCount);
        }
    }
    using namespace command_ids;
    // Every primitive's tool has its command, which carries the tool's place.
    for (std::size_t tool = 0; tool < kPrimitiveTools.size(); ++tool) {
        const CommandInfo* command = FindCommand(ToolCommandOf(kPrimitiveTools[tool]));
        ASSERT_NE(command, nullptr) << tool;
        EXPECT_EQ(command->kind, static_cast<int>(tool));
    }
    EXPECT_EQ(FindCommand(12345), nullptr);
}

CommandState StateOf(int id, const CommandContext& context) {
    return EvaluateCommand(*FindCommand(id), context);
}

TEST(CommandRules, ToolChecksProjectionAndRenderCommands) {
    using namespace command_ids;
    CommandContext context;
    context.tool_mode = ToolMode::InsertPrimitive;
    context.primitive_kind = 3;
    EXPECT_TRUE(StateOf(kCone, context).checked);
    EXPECT_FALSE(StateOf(kCube, context).checked);
    EXPECT_TRUE(StateOf(kSelectPrimitive, context).checked);
    EXPECT_FALSE(StateOf(kSelectTool, context).checked);
    context.tool_mode = ToolMode::InsertLight;
    context.light_tool = 0;
    EXPECT_TRUE(StateOf(kAreaLight, context).checked);
    EXPECT_FALSE(StateOf(kCone, context).checked);
    context.tool_mode = ToolMode::Text;
    EXPECT_TRUE(StateOf(kTextTool, context).checked);
    context.tool_mode = ToolMode::Rotate;
    EXPECT_TRUE(StateOf(kRotateTool, context).checked);

    // Without a document only what needs none is on; the projection views need one.
    EXPECT_TRUE(StateOf(kNew, context).enabled);
    EXPECT_FALSE(StateOf(kSave, context).enabled);
    EXPECT_FALSE(StateOf(kFourViews, context).enabled);
    DocumentCore document;
    context.document = &document;
    EXPECT_FALSE(StateOf(kDelete, context).enabled);
    document.SelectLight(document.GetScene().Lights()[0].id);
    EXPECT_TRUE(StateOf(kDelete, context).enabled);  // a light alone can be deleted
    EXPECT_FALSE(StateOf(kLathe, context).enabled);  // not made yet
    EXPECT_TRUE(StateOf(kFourViews, context).enabled);
    context.modelling_view_active = true;
    EXPECT_FALSE(StateOf(kRender, context).enabled);  // no render window to open yet
    context.render_available = true;
    EXPECT_TRUE(StateOf(kRender, context).enabled);
    EXPECT_FALSE(StateOf(kStopRendering, context).enabled);
    EXPECT_FALSE(StateOf(kSaveImage, context).enabled);
    context.render_window_active = true;
    EXPECT_TRUE(StateOf(kStopRendering, context).enabled);
    EXPECT_FALSE(StateOf(kSaveImage, context).enabled);
    context.render_finished = true;
    EXPECT_FALSE(StateOf(kStopRendering, context).enabled);
    EXPECT_TRUE(StateOf(kSaveImage, context).enabled);
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
