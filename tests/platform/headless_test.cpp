#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <vector>

#include "platform/colour_chooser.h"
#include "platform/headless.h"
#include "platform/program_settings.h"

namespace kelto {
namespace {

TEST(MemorySettings, ValuesRoundTripAndDamagedOnesGiveTheDefault) {
    MemorySettings settings;
    EXPECT_EQ(settings.ReadInt("Tip", "FilePos", 1), 1);
    settings.WriteInt("Tip", "FilePos", -42);
    EXPECT_EQ(settings.ReadInt("Tip", "FilePos", 0), -42);
    settings.Write("Tip", "FilePos", "12abc");
    EXPECT_EQ(settings.ReadInt("Tip", "FilePos", 5), 5);
    // Custom colours: white until written, one key each, each chooser its own section; a
    // damaged value is white again.
    SettingsStore::CustomColours colours = settings.ReadCustomColours("Material Tool");
    EXPECT_EQ(colours[0], 0xFFFFFFu);
    colours[15] = 0x123456;  // 0x00BBGGRR
    settings.WriteCustomColours("Material Tool", colours);
    EXPECT_EQ(settings.Read("Material Tool", "Custom Color 16"), std::to_string(0x123456));
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[15], 0xFFFFFFu);
    settings.Write("Lighting Tool", "Custom Color 2", "blue");
    EXPECT_EQ(settings.ReadCustomColours("Lighting Tool")[1], 0xFFFFFFu);
}

TEST(ColourChooser, CustomColoursComeFromTheSectionAndGoBackOnlyOnOk) {
    MemorySettings settings;
    HeadlessColourChooser chooser;
    settings.WriteInt("Material Tool", "Custom Color 2", 0x123456);
    SettingsStore::CustomColours changed{};
    changed.fill(0x00FF00);
    chooser.QueueChoice(PackRgb(1, 2, 3), changed);
    EXPECT_EQ(ChooseColourWithCustomColours(chooser, settings, "Material Tool", 0xFFABCDEF),
              std::optional<PackedColour>(0x030201));
    EXPECT_EQ(chooser.Requests()[0].initial, 0xABCDEFu);  // only the colour bits
    EXPECT_EQ(chooser.Requests()[0].custom[1], 0x123456u);
    EXPECT_EQ(settings.ReadCustomColours("Material Tool"), changed);
    // Cancel: nothing written, nothing chosen.
    chooser.QueueCancel();
    EXPECT_FALSE(ChooseColourWithCustomColours(chooser, settings, "Lighting Tool", 0));
    EXPECT_FALSE(settings.Read("Lighting Tool", "Custom Color 1"));
    // Components become truncated bytes, clamped, NaN as 0.
    EXPECT_EQ(ComponentToByte(7.0f), 255);
    EXPECT_EQ(ComponentToByte(std::numeric_limits<float>::quiet_NaN()), 0);
}

TEST(RecentFileList, KeepsSixNewestFirstWithoutRepeats) {
    RecentFileList list;
    for (int i = 1; i <= 8; ++i)
        list.Add("/s/" + std::to_string(i) + ".kel");
    list.Add("/s/5.kel");  // opened again: moves up, nothing dropped
    EXPECT_EQ(list.Files(), (std::vector<std::string>{"/s/5.kel", "/s/8.kel", "/s/7.kel",
                                                      "/s/6.kel", "/s/4.kel", "/s/3.kel"}));

    MemorySettings settings;
    list.Remove("/s/3.kel");
    list.Save(settings);
    RecentFileList loaded;
    loaded.Load(settings);
    EXPECT_EQ(loaded.Files(), list.Files());
}

TEST(QueuedWindowThread, RunsWorkFromManyThreadsInOrderPerThreadAndDropsNone) {
    QueuedWindowThread window_thread;
    std::vector<std::vector<int>> seen(4);
    {
        std::vector<std::jthread> threads;
        for (std::vector<int>& mine : seen) {
            threads.emplace_back([&window_thread, &mine] {
                for (int i = 0; i < 500; ++i)
                    window_thread.Post([&mine, i] { mine.push_back(i); });
            });
        }
    }
    EXPECT_EQ(window_thread.RunPending(), 2000);
    for (const std::vector<int>& mine : seen)
        for (std::size_t i = 0; i < mine.size(); ++i)
            ASSERT_EQ(mine[i], static_cast<int>(i));
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
