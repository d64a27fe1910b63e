// kelto-cli's lighting settings: stored by build, printed by info, given to one render, and
// the values a person may get wrong.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/commands.h"
#include "run_cli_for_test.h"
#include "tests/temporary_directory.h"

namespace kelto::cli {
namespace {

TEST(LightingCommands, BuildStoresWhatInfoPrints) {
    test::TemporaryDirectory dir;
    const std::string scene = dir.File("lit.kel");
    const struct {
        std::string operation;
        std::string line;  // what info prints after it
    } cases[] = {
        {"render:softshadows=4;ao=16,2.5;environment=sky.hdr;rotation=90",
         "lighting softshadows=4 ao=16,2.5 environment=sky.hdr rotation=90\n"},
        {"render:ao=off;environment=0.2/0.3/1,0/0/0.5;rotation=0",
         "lighting softshadows=16 ao=off environment=0.2/0.3/1,0/0/0.5\n"},
        {"render:environment=1/1/1", "lighting softshadows=16 ao=off environment=1/1/1\n"},
        {"render:softshadows=16;environment=none", ""},  // a new scene's settings
    };
    for (const auto& c : cases) {
        const CliResult built = RunCommand({"build", scene, "add:cube@0,0", c.operation});
        ASSERT_EQ(built.status, kExitOk) << built.err;
        const CliResult info = RunCommand({"info", scene});
        ASSERT_EQ(info.status, kExitOk);
        EXPECT_TRUE(info.out.ends_with("\n" + c.line)) << c.operation << "\n" << info.out;
        EXPECT_EQ(info.out.find("lighting") != std::string::npos, !c.line.empty());
    }
}

TEST(LightingCommands, BadValuesAreRefusedWithTheirRange) {
    test::TemporaryDirectory dir;
    const std::string scene = dir.File("s.kel"), out = dir.File("s.png");
    ASSERT_EQ(RunCommand({"build", scene, "add:cube@0,0"}).status, kExitOk);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string said;
    } cases[] = {
        {{"render", scene, out, "--soft-shadows", "0"}, kExitFailed, "from 1 to 256; '0'"},
        {{"render", scene, out, "--soft-shadows", "-3"}, kExitFailed, "'-3'"},
        {{"render", scene, out, "--ao", "10000"}, kExitFailed, "from 1 to 1024"},
        {{"render", scene, out, "--ao", "16,0"}, kExitFailed, "Occlusion distance"},
        {{"render", scene, out, "--ao", "16,1e30"}, kExitFailed, "Occlusion distance"},
        {{"render", scene, out, "--ao", "16,nan"}, kExitUsage, "SAMPLES[,DISTANCE]"},
        {{"render", scene, out, "--soft-shadows", "many"}, kExitUsage, "whole number"},
        {{"render", scene, out, "--environment", "2/0/0"}, kExitFailed, "environment colour"},
        {{"render", scene, out, "--environment", dir.File("none.hdr")},
         kExitFailed,
         "none.hdr cannot be found"},
        {{"build", scene, "render:softshadows=300"}, kExitFailed, "from 1 to 256"},
        {{"build", scene, "render:ao=2,-1"}, kExitFailed, "Occlusion distance"},
        {{"build", scene, "render:rotation=400"}, kExitFailed, "Rotation"},
        {{"build", scene, "render:sky=blue"}, kExitUsage, "unknown key 'sky'"},
    };
    for (const auto& c : cases) {
        const CliResult r = RunCommand(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[3] << ": " << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
    }
    // None of the refused builds changed the file.
    EXPECT_EQ(RunCommand({"info", scene}).out.find("lighting"), std::string::npos);
}

TEST(LightingCommands, PartsRenderedWithOtherLightingThanTheirFilesDoNotMerge) {
    test::TemporaryDirectory dir;
    const std::string scene = dir.File("s.kel");
    ASSERT_EQ(RunCommand({"build", scene, "add:cube@0,0", "render:softshadows=4"}).status, kExitOk);
    auto part = [&](int tile, const std::vector<std::string>& lighting) {
        std::vector<std::string> args = {
            "render", scene,    dir.File(std::to_string(tile) + ".kpart"),
            "--size", "8x4",    "--tiles",
            "2",      "--tile", std::to_string(tile)};
        args.insert(args.end(), lighting.begin(), lighting.end());
        ASSERT_EQ(RunCommand(args).status, kExitOk);
    };
    const std::vector<std::string> merge = {"merge", dir.File("m.png"), dir.File("0.kpart"),
                                            dir.File("1.kpart")};
    part(0, {"--soft-shadows", "4"});  // the file's own value: the same render
    part(1, {});
    EXPECT_EQ(RunCommand(merge).status, kExitOk);
    part(1, {"--ao", "8"});
    const CliResult refused = RunCommand(merge);
    EXPECT_EQ(refused.status, kExitFailed);
    EXPECT_NE(refused.err.find("the scene file differs"), std::string::npos) << refused.err;
    part(0, {"--ao", "8"});
    EXPECT_EQ(RunCommand(merge).status, kExitOk);
}

}  // namespace
}  // namespace kelto::cli
