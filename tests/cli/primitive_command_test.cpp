#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "run_cli_for_test.h"

namespace kelto::cli {
namespace {

TEST(PrimitiveCommand, PrintsDisplayAndRenderMeshLines) {
    const CliResult r = RunCommand({"primitive", "cube"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out,
              "cube vertices=24 triangles=12 box=-1,-1,-1,1,1,1\n"
              "cube render-vertices=24 render-triangles=12\n");
    EXPECT_TRUE(r.err.empty());
}

TEST(PrimitiveCommand, UnknownTypeListsTheTypesWithStatusTwo) {
    const CliResult r = RunCommand({"primitive", "pyramid"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("sphere torus cube cone cylinder paraboloid hyperboloid superquadric"),
              std::string::npos);
    EXPECT_EQ(RunCommand({"primitive"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"primitive", "cube", "--obj"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"frobnicate"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({}).status, kExitUsage);
}

TEST(PrimitiveCommand, HelpForTheToolAndTheSubcommand) {
    const CliResult tool = RunCommand({"--help"});
    EXPECT_EQ(tool.status, kExitOk);
    EXPECT_NE(tool.out.find("primitive TYPE"), std::string::npos);
    const CliResult sub = RunCommand({"primitive", "--help"});
    EXPECT_EQ(sub.status, kExitOk);
    EXPECT_NE(sub.out.find("--obj FILE"), std::string::npos);
}

TEST(PrimitiveCommand, ObjFileHoldsTheDisplayMesh) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("kelto-cli-test-" + std::to_string(::getpid()) + ".obj");
    const std::string path_text = path.string();
    const CliResult r = RunCommand({"primitive", "torus", "--obj", path_text});
    ASSERT_EQ(r.status, kExitOk);
    std::ifstream file(path);
    std::string line;
    std::size_t vertices = 0, faces = 0;
    while (std::getline(file, line)) {
        vertices += line.starts_with("v ") ? 1 : 0;
        faces += line.starts_with("f ") ? 1 : 0;
    }
    std::filesystem::remove(path);
    EXPECT_NE(
        r.out.find("vertices=" + std::to_string(vertices) + " triangles=" + std::to_string(faces)),
        std::string::npos);

    EXPECT_EQ(RunCommand({"primitive", "torus", "--obj", "/nonexistent-directory/x.obj"}).status,
              kExitFailed);
}

}  // namespace
}  // namespace kelto::cli
