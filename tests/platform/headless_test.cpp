#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>
#include <vector>

#include "platform/colour_chooser.h"
#include "platform/headless.h"
#include "platform/program_settings.h"

namespace kelto {
namespace {

TEST(HeadlessMessages, RecordsMessagesAndAnswersFromTheScriptThenWithTheFirstButton) {
    HeadlessMessages messages;
    messages.QueueAnswer(MessageAnswer::No);
    EXPECT_EQ(messages.Show(7, "Save changes?", MessageIcon::Question, MessageButtons::YesNo),
              MessageAnswer::No);
    EXPECT_EQ(messages.Show(8, "Again?", MessageIcon::Question, MessageButtons::YesNoCancel),
              MessageAnswer::Yes);
    EXPECT_EQ(messages.Show(9, "Done.", MessageIcon::Information, MessageButtons::Ok),
              MessageAnswer::Ok);
    ASSERT_EQ(messages.Shown().size(), 3u);
    EXPECT_EQ(messages.Shown()[0].number, 7);
    EXPECT_EQ(messages.Shown()[2].text, "Done.");
    EXPECT_EQ(messages.Shown()[2].icon, MessageIcon::Information);
}

TEST(MemorySettings, IntegersRoundTripAndBadTextGivesTheDefault) {
    MemorySettings settings;
    EXPECT_EQ(settings.ReadInt("Tip", "StartUp", 1), 1);
    settings.WriteInt("Tip", "StartUp", 0);
    EXPECT_EQ(settings.ReadInt("Tip", "StartUp", 1), 0);
    settings.WriteInt("Tip", "FilePos", -42);
    EXPECT_EQ(settings.ReadInt("Tip", "FilePos", 0), -42);
    settings.Write("Tip", "FilePos", "12abc");
    EXPECT_EQ(settings.ReadInt("Tip", "FilePos", 5), 5);
    EXPECT_EQ(settings.ReadInt("Other", "FilePos", 3), 3);
}

TEST(ColourChooser, CustomColoursComeFromTheSectionAndGoBackOnlyOnOk) {
    MemorySettings settings;
    HeadlessColourChooser chooser;
    settings.WriteInt("Material Tool", "Custom Color 2", 0x123456);
    settings.WriteInt("Lighting Tool", "Custom Color 2", 0x654321);
    SettingsStore::CustomColours changed{};
    changed.fill(0x00FF00);
    chooser.QueueChoice(PackRgb(1, 2, 3), changed);
    EXPECT_EQ(ChooseColourWithCustomColours(chooser, settings, "Material Tool", 0xFFABCDEF),
              std::optional<PackedColour>(0x030201));
    ASSERT_EQ(chooser.Requests().size(), 1u);
    EXPECT_EQ(chooser.Requests()[0].initial, 0xABCDEFu);  // only the colour bits
    EXPECT_EQ(chooser.Requests()[0].custom[0], 0xFFFFFFu);
    EXPECT_EQ(chooser.Requests()[0].custom[1], 0x123456u);
    EXPECT_EQ(settings.ReadCustomColours("Material Tool"), changed);
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[1], 0x654321u);
    // Cancel: nothing written, nothing chosen.
    chooser.QueueCancel();
    EXPECT_FALSE(ChooseColourWithCustomColours(chooser, settings, "Lighting Tool", 0));
    EXPECT_FALSE(settings.Read("Lighting Tool", "Custom Color 1"));
    EXPECT_EQ(chooser.Requests()[1].custom[1], 0x654321u);
}

TEST(ColourChooser, ComponentsBecomeTruncatedBytesAndBack) {
    EXPECT_EQ(ComponentToByte(0.3f), 76);  // 76.5 truncated
    EXPECT_EQ(ComponentToByte(0.9f * 0.5f), 114);
    EXPECT_EQ(ComponentToByte(1.0f), 255);
    EXPECT_EQ(ComponentToByte(7.0f), 255);
    EXPECT_EQ(ComponentToByte(-1.0f), 0);
    EXPECT_EQ(ComponentToByte(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_FLOAT_EQ(ByteToComponent(255), 1.0f);
    EXPECT_EQ(ByteToComponent(51), 51 * 0.003921569f);
    EXPECT_EQ(PackRgb(0x11, 0x22, 0x33), 0x332211u);
    EXPECT_EQ(RedOf(0x332211), 0x11);
    EXPECT_EQ(GreenOf(0x332211), 0x22);
    EXPECT_EQ(BlueOf(0x332211), 0x33);
}

TEST(FileChooser, ImportImageAsksForEveryPictureTypeWithAPreview) {
    const FileDialogRequest request = ImportImageRequest();
    EXPECT_EQ(request.title, "Import Image...");
    EXPECT_TRUE(request.image_preview);
    ASSERT_EQ(request.filters.size(), 5u);
    EXPECT_EQ(request.filters[0].patterns,
              (std::vector<std::string>{"*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff"}));
    EXPECT_EQ(request.filters.back().text, "All Files (*.*)");
    EXPECT_FALSE(FileDialogRequest().image_preview);
}

TEST(HeadlessMessages, ShowsAStatusInItsBoxAndGivesWordsToOneWithoutText) {
    HeadlessMessages messages;
    Status status = Status::WithText(61473, "Error: File is not a Kelto scene file: a.kel.");
    status.icon = MessageIcon::Error;
    EXPECT_EQ(messages.Show(status), MessageAnswer::Ok);
    messages.Show(Status::Silent());
    ASSERT_EQ(messages.Shown().size(), 2u);
    EXPECT_EQ(messages.Shown()[0].number, 61473);
    EXPECT_EQ(messages.Shown()[0].icon, MessageIcon::Error);
    EXPECT_EQ(messages.Shown()[0].buttons, MessageButtons::Ok);
    EXPECT_FALSE(messages.Shown()[1].text.empty());
}

TEST(MemorySettings, StringsAndCustomColoursKeepTheirDefaultsUntilWritten) {
    MemorySettings settings;
    EXPECT_EQ(settings.ReadString("Tip", "TimeStamp", "none"), "none");
    SettingsStore::CustomColours colours = settings.ReadCustomColours("Material Tool");
    for (std::uint32_t colour : colours) {
        EXPECT_EQ(colour, 0xFFFFFFu);
    }
    colours[0] = 0x0000FF;   // red
    colours[15] = 0x123456;  // 0x00BBGGRR
    settings.WriteCustomColours("Material Tool", colours);
    EXPECT_EQ(settings.Read("Material Tool", "Custom Color 1"), "255");
    EXPECT_EQ(settings.Read("Material Tool", "Custom Color 16"), std::to_string(0x123456));
    EXPECT_EQ(settings.ReadCustomColours("Material Tool"), colours);
    // The other chooser keeps its own.
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[0], 0xFFFFFFu);
    // A damaged value is white again; stray high bits are dropped.
    settings.Write("Lighting Tool", "Custom Color 2", "blue");
    settings.WriteInt("Lighting Tool", "Custom Color 3", -1);
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[1], 0xFFFFFFu);
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[2], 0xFFFFFFu);
}

TEST(ProgramSettings, TextToolDefaultsAndRoundTrip) {
    MemorySettings settings;
    const TextToolSettings defaults = ReadTextToolSettings(settings);
    EXPECT_EQ(defaults.face_name, "Times New Roman");
    EXPECT_EQ(defaults.weight, 400);
    EXPECT_EQ(defaults.italic, 0);
    EXPECT_EQ(defaults.depth, 45);
    WriteTextToolSettings(settings, {"DejaVu Sans", 700, 1, 80});
    EXPECT_EQ(settings.Read("Text Tool", "Face Name"), "DejaVu Sans");
    EXPECT_EQ(settings.Read("Text Tool", "eStyle"), "1");
    EXPECT_EQ(ReadTextToolSettings(settings), (TextToolSettings{"DejaVu Sans", 700, 1, 80}));
}

TEST(RecentFileList, KeepsSixNewestFirstWithoutRepeats) {
    RecentFileList list;
    for (int i = 1; i <= 8; ++i) {
        list.Add("/s/" + std::to_string(i) + ".kel");
    }
    ASSERT_EQ(list.Files().size(), 6u);
    EXPECT_EQ(list.Files().front(), "/s/8.kel");
    EXPECT_EQ(list.Files().back(), "/s/3.kel");
    list.Add("/s/5.kel");  // opened again: moves up, nothing dropped
    EXPECT_EQ(list.Files().front(), "/s/5.kel");
    EXPECT_EQ(list.Files().size(), 6u);
    EXPECT_EQ(list.Files()[4], "/s/4.kel");

    MemorySettings settings;
    list.Remove("/s/3.kel");
    list.Save(settings);
    EXPECT_EQ(settings.Read("Recent File List", "File1"), "/s/5.kel");
    EXPECT_EQ(settings.Read("Recent File List", "File6"), "");
    RecentFileList loaded;
    loaded.Load(settings);
    EXPECT_EQ(loaded.Files(), list.Files());
}

TEST(HeadlessFileChooser, AnswersFromItsScriptThenCancels) {
    HeadlessFileChooser chooser;
    chooser.QueueChoice("/tmp/a.3ds", 0);
    chooser.QueueCancel();
    FileDialogRequest request{"Import Object...", ImportObjectFilters(), "*.3ds", 0, ""};
    EXPECT_EQ(chooser.ChooseFileToOpen(request), (FileChoice{"/tmp/a.3ds", 0}));
    EXPECT_EQ(chooser.ChooseFileToSave(request), std::nullopt);
    EXPECT_EQ(chooser.ChooseFileToOpen(request), std::nullopt);
    ASSERT_EQ(chooser.Requests().size(), 3u);
    EXPECT_EQ(chooser.Requests()[0].filters[0].text, "3D Studio Objects (*.3ds)");
}

TEST(FileFilters, SaveImageEntriesMatchTheirExtensions) {
    const std::vector<FileFilter> filters = SaveImageFilters();
    ASSERT_EQ(filters.size(), 6u);
    EXPECT_EQ(filters[0].patterns.size(), 5u);
    const char* expected[] = {"*.bmp", "*.dib", "*.jpg", "*.png", "*.tif"};
    for (int i = 1; i < 6; ++i) {
        ASSERT_EQ(filters[static_cast<std::size_t>(i)].patterns.size(), 1u);
        EXPECT_EQ(filters[static_cast<std::size_t>(i)].patterns[0], expected[i - 1]);
        EXPECT_NE(filters[static_cast<std::size_t>(i)].text.find(expected[i - 1]),
                  std::string::npos);
    }
    EXPECT_EQ(SceneFileFilters()[0].text, "Kelto Files (*.kel)");
}

TEST(QueuedWindowThread, RunsWorkFromManyThreadsInOrderPerThreadAndDropsNone) {
    QueuedWindowThread window_thread;
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::vector<std::vector<int>> seen(kThreads);
    {
        std::vector<std::jthread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&window_thread, &seen, t] {
                for (int i = 0; i < kEach; ++i) {
                    window_thread.Post(
                        [&seen, t, i] { seen[static_cast<std::size_t>(t)].push_back(i); });
                }
            });
        }
    }
    EXPECT_EQ(window_thread.PendingCount(), static_cast<std::size_t>(kThreads * kEach));
    EXPECT_EQ(window_thread.RunPending(), kThreads * kEach);
    for (const std::vector<int>& one : seen) {
        ASSERT_EQ(one.size(), static_cast<std::size_t>(kEach));
        for (int i = 0; i < kEach; ++i) {
            EXPECT_EQ(one[static_cast<std::size_t>(i)], i);
        }
    }
    // Work posted by work runs on the next call, not inside this one.
    int runs = 0;
    window_thread.Post([&] {
        ++runs;
        window_thread.Post([&] { ++runs; });
    });
    EXPECT_EQ(window_thread.RunPending(), 1);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(window_thread.RunPending(), 1);
    EXPECT_EQ(runs, 2);
}

}  // namespace
}  // namespace kelto
