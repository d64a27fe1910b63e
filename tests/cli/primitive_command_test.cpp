#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "run_cli_for_test.h"
#include "tests/temporary_directory.h"

namespace kelto::cli {
namespace {

TEST(PrimitiveCommand, PrintsTheMeshesAndWritesTheDisplayMeshAsObj) {
    const CliResult r = RunCommand({"primitive", "cube"});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out,
              "cube vertices=24 triangles=12 box=-1,-1,-1,1,1,1\n"
              "cube render-vertices=24 render-triangles=12\n");
    EXPECT_TRUE(r.err.empty());

    const test::TemporaryDirectory dir;
    const CliResult torus = RunCommand({"primitive", "torus", "--obj", dir.File("t.obj")});
    ASSERT_EQ(torus.status, kExitOk);
    std::ifstream file(dir.File("t.obj"));
    std::size_t vertices = 0, faces = 0;
    for (std::string line; std::getline(file, line);) {
        vertices += line.starts_with("v ") ? 1 : 0;
        faces += line.starts_with("f ") ? 1 : 0;
    }
    EXPECT_NE(torus.out.find("vertices=" + std::to_string(vertices) +
                             " triangles=" + std::to_string(faces)),
              std::string::npos);
    EXPECT_EQ(RunCommand({"primitive", "torus", "--obj", dir.File("no/x.obj")}).status,
              kExitFailed);
}

TEST(PrimitiveCommand, UnknownTypesListTheTypesAndHelpTheOptions) {
    const CliResult r = RunCommand({"primitive", "pyramid"});
    EXPECT_EQ(r.status, kExitUsage);
    EXPECT_NE(r.err.find("sphere torus cube cone cylinder paraboloid hyperboloid superquadric"),
              std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"primitive"}, {"primitive", "cube", "--obj"}, {"frobnicate"}, {}})
        EXPECT_EQ(RunCommand(args).status, kExitUsage) << args.size();
    EXPECT_EQ(RunCommand({"--help"}).status, kExitOk);  // its text is cli.help_lists_subcommands
    const CliResult help = RunCommand({"primitive", "--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("--obj FILE"), std::string::npos);
}

}  // namespace
}  // namespace kelto::cli
