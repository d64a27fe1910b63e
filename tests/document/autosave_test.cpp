// The autosave folder without a window: whose autosaves a start may offer, and what their
// names and headers say.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "document/autosave_recovery.h"
#include "files/file_io.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

namespace fs = std::filesystem;

TEST(AutosaveFiles, NamesSayWhoseTheyAreAndOnlyWholeAutosavesCount) {
    const AutosaveOwner owner{4711, 1717171717123};
    const std::string name = AutosaveFileName("my scene-2.kel", owner, 3);
    EXPECT_EQ(name, "my_scene-2-4711-1717171717123-3.kelauto");
    EXPECT_EQ(OwnerOfAutosaveName(name), owner);
    EXPECT_EQ(AutosaveFileName("../x", owner, 1).substr(0, 5), "_.._x");
    for (const std::string& other :
         std::vector<std::string>{name + ".Ab12Cd", "scene.kel", "x-1-2.kelauto", "-0-5-1.kelauto",
                                  "x-1-2-3-.kelauto"}) {
        EXPECT_EQ(OwnerOfAutosaveName(other), std::nullopt) << other;
    }
    const std::vector<std::uint8_t> scene{1, 2, 3};
    const std::vector<std::uint8_t> bytes = AutosaveBytes({"/home/a/b.kel", "b.kel"}, scene);
    const Result<AutosaveContents> read = ReadAutosaveBytes(bytes, name);
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read->header.path, "/home/a/b.kel");
    EXPECT_EQ(std::vector<std::uint8_t>(read->scene.begin(), read->scene.end()), scene);
    const Result<AutosaveContents> cut = ReadAutosaveBytes(std::span(bytes).first(12), name);
    EXPECT_EQ(cut.status().text, FormatMessage(kMsgSceneCorrupt, name));
}

// Autosaves of a running owner (its lock held) are never offered; those of an owner whose
// process is gone, or whose process id now belongs to another process, are, and only to one
// of two processes starting at once. Writes cut short are cleared away.
TEST(AutosaveRecovery, OffersOnlyWhatGoneOwnersLeftAndOnlyOnce) {
    test::TemporaryDirectory folder;
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(0);
    }
    ::waitpid(child, nullptr, 0);  // its id is free now
    const AutosaveOwner running{::getpid(), 10};
    const AutosaveOwner gone{child, 20};
    const AutosaveOwner reused{::getpid(), 30};  // our id, another start, no lock
    std::optional<OwnerLock> running_lock = OwnerLock::Acquire(folder.Path(), running);
    ASSERT_TRUE(running_lock);
    DocumentCore source;
    source.InsertObject(ObjectType::Cone, {}, false);
    const std::vector<std::uint8_t> scene = source.SaveToBytes();
    for (const AutosaveOwner& owner : {running, gone, reused}) {
        ReplaceFileContents(folder.File(AutosaveFileName("a.kel", owner, 1)),
                            AutosaveBytes({"/x/a.kel", "a.kel"}, scene));
    }
    const std::string unfinished = folder.File(AutosaveFileName("b", gone, 2) + ".Xy12Zq");
    std::ofstream(unfinished) << "half";

    AutosaveRecovery first = AutosaveRecovery::Scan(folder.Path(), AutosaveOwner{1, 1});
    ASSERT_EQ(first.Documents().size(), 2u);
    for (RecoverableDocument& document : first.Documents()) {
        EXPECT_NE(document.entry.owner, running);
        ASSERT_TRUE(document.core);
        EXPECT_TRUE(document.core->IsModified());
        EXPECT_TRUE(static_cast<bool>(document.core->NodeNamed("Cone1")));
        EXPECT_EQ(document.header.path, "/x/a.kel");
    }
    EXPECT_FALSE(fs::exists(unfinished));
    EXPECT_TRUE(AutosaveRecovery::Scan(folder.Path(), AutosaveOwner{2, 2}).Empty());

    first.Delete();
    EXPECT_FALSE(fs::exists(OwnerLockPath(folder.Path(), gone)));
    // The running owner's autosave and lock are all that is left.
    EXPECT_EQ(folder.EntryCount(), 2u);
    running_lock.reset();
    EXPECT_EQ(AutosaveRecovery::Scan(folder.Path(), AutosaveOwner{1, 1}).Documents().size(), 1u);
}

}  // namespace
}  // namespace kelto
