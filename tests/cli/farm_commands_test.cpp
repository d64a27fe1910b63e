// kelto-cli render --region / --tiles and kelto-cli merge, as a farm's jobs drive them: merged
// parts give the whole render's file byte for byte, and every bad command line or part set is
// refused with its exit status and leaves the output as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "files/file_io.h"
#include "run_cli_for_test.h"
#include "tests/temporary_directory.h"

namespace kelto::cli {
namespace {

class FarmCommands : public testing::Test {
  protected:
    void SetUp() override {
        scene_ = Path("scene.kel");
        const CliResult built =
            RunCommand({"build", scene_, "add:sphere@0,0", "add:cube@2.5,0", "add:torus@-2.5,1",
                        "material:Sphere1@reflect=0.5", "material:Cube1@colour=0.9/0.3/0.1",
                        "light:spot@1,6,2", "view:0,4,12@0,0.5,0@35"});
        ASSERT_EQ(built.status, kExitOk) << built.err;
    }
    std::string Path(const std::string& name) const { return dir_.File(name); }
    std::vector<std::uint8_t> Bytes(const std::string& path) const {
        Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
        EXPECT_TRUE(bytes.ok()) << path;
        return bytes.ok() ? std::move(bytes).value() : std::vector<std::uint8_t>{};
    }
    // Renders with the given options after the scene and output.
    CliResult Render(const std::string& out, std::vector<std::string> options) {
        std::vector<std::string> args{"render", scene_, out};
        args.insert(args.end(), options.begin(), options.end());
        return RunCommand(args);
    }
    CliResult Merge(const std::string& out, const std::vector<std::string>& parts) {
        std::vector<std::string> args{"merge", out};
        args.insert(args.end(), parts.begin(), parts.end());
        return RunCommand(args);
    }

    test::TemporaryDirectory dir_;
    std::string scene_;
};

// Cuts of every shape are the region renders' tests; here the options reach the tracer.
TEST_F(FarmCommands, MergedPartsAreTheWholeRenderByteForByte) {
    const std::vector<std::string> common{"--size",     "33x25",  "--quality",
                                          "production", "--seed", "31"};
    const std::string whole = Path("whole.tif");
    std::vector<std::string> whole_options = common;
    whole_options.insert(whole_options.end(), {"--threads", "2"});
    ASSERT_EQ(Render(whole, whole_options).status, kExitOk);
    std::vector<std::string> parts;
    for (int k = 0; k < 6; ++k) {
        std::vector<std::string> options = common;
        options.insert(options.end(), {"--tiles", "3x2", "--tile", std::to_string(k)});
        parts.push_back(Path(std::to_string(k) + ".kpart"));
        const CliResult r = Render(parts.back(), options);
        ASSERT_EQ(r.status, kExitOk) << r.err;
    }
    const std::string merged = Path("merged.tif");
    const CliResult m = Merge(merged, parts);
    ASSERT_EQ(m.status, kExitOk) << m.err;
    EXPECT_EQ(m.out, "33x25 picture merged from 6 parts written to " + merged + "\n");
    EXPECT_EQ(Bytes(merged), Bytes(whole));
}

TEST_F(FarmCommands, BadRegionsAndTilesAreUsageErrorsThatWriteNothing) {
    const std::string out = Path("out.kpart");
    ASSERT_EQ(ReplaceFileContents(out, {1, 2, 3}), FileWrite::Done);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--region", "0,0,700,10"}, "--region 0,0,700,10 lies outside the 640x480 picture"},
        {{"--size", "20x10", "--region", "-1,0,5,5"}, "lies outside the 20x10 picture"},
        {{"--region", "5,5,5,9"}, "is empty or reversed"},
        {{"--region", "9,5,4,9"}, "is empty or reversed"},
        {{"--region", "1,2,3"}, "--region takes X0,Y0,X1,Y1"},
        {{"--tiles", "4", "--tile", "4"}, "--tile 4 is not below the 4 tiles"},
        {{"--tiles", "3x2", "--tile", "6"}, "--tile 6 is not below the 6 tiles"},
        {{"--tiles", "4"}, "--tiles needs --tile K"},
        {{"--tile", "0"}, "--tile K needs --tiles"},
        {{"--tiles", "x", "--tile", "0"}, "--tiles takes N"},
        {{"--size", "20x10", "--tiles", "11", "--tile", "0"}, "into empty tiles"},
        {{"--region", "0,0,5,5", "--tiles", "2", "--tile", "0"}, "do not go together"},
        {{"--quality", "production", "--tiles", "2", "--tile", "0"}, "needs --seed N"},
    };
    for (const auto& [options, message] : cases) {
        const CliResult r = Render(out, options);
        EXPECT_EQ(r.status, kExitUsage) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(Bytes(out), (std::vector<std::uint8_t>{1, 2, 3})) << message;
    }
    // A part needs a part file name; a picture name is refused before anything is rendered.
    const std::string picture = Path("out.png");
    const CliResult r = Render(picture, {"--region", "0,0,5,5"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("OUT is a render part: FILE.kpart"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(picture));
}

TEST_F(FarmCommands, BadPartSetsAreRefusedAndLeaveTheOutputAlone) {
    const std::vector<std::string> common{"--size",     "24x16",  "--quality",
                                          "production", "--seed", "5"};
    std::vector<std::string> parts;
    for (int k = 0; k < 3; ++k) {
        std::vector<std::string> options = common;
        options.insert(options.end(), {"--tiles", "3", "--tile", std::to_string(k)});
        parts.push_back(Path("p" + std::to_string(k) + ".kpart"));
        ASSERT_EQ(Render(parts.back(), options).status, kExitOk);
    }
    // Parts of another seed and scene, each standing in for part 2: what the command line
    // records in a part's header. The merge's own refusals are the part file's tests.
    const auto variant = [&](const std::string& name, const std::string& seed,
                             const std::string& scene, const std::string& view) {
        std::vector<std::string> args{"render",     scene,    Path(name), "--tiles", "3",
                                      "--tile",     "2",      "--size",   "24x16",   "--quality",
                                      "production", "--seed", seed};
        if (!view.empty()) {
            args.insert(args.end(), {"--view", view});
        }
        EXPECT_EQ(RunCommand(args).status, kExitOk);
        return Path(name);
    };
    const std::string other_scene_file = Path("other.kel");
    ASSERT_EQ(RunCommand({"build", other_scene_file, "--from", scene_, "add:cone@0,2"}).status,
              kExitOk);
    const std::string out = Path("merged.png");
    ASSERT_EQ(ReplaceFileContents(out, {7, 7, 7}), FileWrite::Done);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{parts[0], parts[1], variant("seed.kpart", "6", scene_, "")}, "the seed differs"},
        {{parts[0], parts[1], variant("scene.kpart", "5", other_scene_file, "")},
         "the scene file differs"},
        {{parts[0], parts[1], scene_}, scene_ + " is not a Kelto render part file"},
    };
    for (const auto& [set, message] : cases) {
        const CliResult r = Merge(out, set);
        EXPECT_EQ(r.status, kExitFailed) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(Bytes(out), (std::vector<std::uint8_t>{7, 7, 7})) << message;
    }
    // The part of view 1, named, is the part of the default view: it merges.
    EXPECT_EQ(
        Merge(Path("ok.png"), {parts[0], parts[1], variant("view.kpart", "5", scene_, "1")}).status,
        kExitOk);
    // Not understood: no parts, an unknown option.
    EXPECT_EQ(Merge(out, {}).status, kExitUsage);
    EXPECT_EQ(Merge(out, {parts[0], "--fast"}).status, kExitUsage);
    EXPECT_EQ(Bytes(out), (std::vector<std::uint8_t>{7, 7, 7}));
}

}  // namespace
}  // namespace kelto::cli
