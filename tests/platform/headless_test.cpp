#include <gtest/gtest.h>

#include "platform/headless.h"

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

}  // namespace
}  // namespace kelto
