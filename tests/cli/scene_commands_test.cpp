// kelto-cli build, info and export, driven as a script would drive them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "../files/three_ds_writer.h"
#include "cli/build_operations.h"
#include "cli/commands.h"
#include "document/document_core.h"
#include "files/image_files.h"
#include "run_cli_for_test.h"
#include "tests/temporary_directory.h"

namespace kelto::cli {
namespace {

class SceneCommands : public testing::Test {
  protected:
    std::string Path(const std::string& name) const { return dir_.File(name); }
    // What a command that fails prints; for any other outcome, its exit status.
    static std::string Failure(const std::vector<std::string>& args) {
        const CliResult r = RunCommand(args);
        return r.status == kExitFailed ? r.err : "exit status " + std::to_string(r.status);
    }
    nlohmann::json Info(const std::string& path) {
        const CliResult r = RunCommand({"info", path, "--json"});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return nlohmann::json::parse(r.out);
    }

    test::TemporaryDirectory dir_;
};

TEST_F(SceneCommands, BuildAppliesOperationsThroughTheDocument) {
    const std::string scene = Path("a.kel");
    const CliResult r = RunCommand(
        {"build", scene, "add:sphere@1,2", "add+:cube@-3,0", "group", "light:spot@0,5,0",
         "light:area@1,1,1", "material:Sphere1@colour=1/0.5/0;reflect=0.25;bump=colour",
         "lightset:Light2@aim=0/-1/0;falloff=quadratic;on=0;angle=20", "move:Group1@0,2,0",
         "rotate:Light3@90,0,0", "view:0,5,20@0,0,0@35", "view:10,0,0@0,0,0"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json info = Info(scene);

    ASSERT_EQ(info["lights"].size(), 3u);
    const auto& spot = info["lights"][1];
    EXPECT_EQ(spot["kind"], "spot");
    EXPECT_EQ(spot["falloff"], nlohmann::json({0.0, 0.0, 1.0}));
    EXPECT_EQ(spot["on"], false);
    EXPECT_EQ(spot["spot_angle"], 20.0);
    EXPECT_EQ(info["lights"][2]["kind"], "area");
    // -z turned along the aim: the rotation's third row is the opposite of the aim.
    EXPECT_NEAR(spot["rotation"][9].get<double>(), 1.0, 1e-12);

    ASSERT_EQ(info["nodes"].size(), 3u);
    const auto& group = info["nodes"][0];
    EXPECT_EQ(group["name"], "Group1");
    // Sphere at (1, 1, 2), cube at (-3, 1, 0): the group's centre, then moved up by 2.
    EXPECT_EQ(group["position"], nlohmann::json({-1.0, 3.0, 1.0}));
    EXPECT_EQ(info["nodes"][1]["parent"], "Group1");
    const auto& sphere =
        info["nodes"][1]["name"] == "Sphere1" ? info["nodes"][1] : info["nodes"][2];
    EXPECT_EQ(sphere["material"]["colour"], nlohmann::json({1.0, 0.5, 0.0}));
    EXPECT_EQ(sphere["material"]["reflect"], 0.25);
    EXPECT_EQ(sphere["material"]["bump"], "colour");

    ASSERT_EQ(info["views"].size(), 2u);
    EXPECT_EQ(info["views"][0]["lens"], 35);
    EXPECT_EQ(info["views"][1]["lens"], 50);
    EXPECT_EQ(info["views"][1]["direction"], nlohmann::json({-1.0, 0.0, 0.0}));

    // --from continues a scene.
    const std::string more = Path("b.kel");
    ASSERT_EQ(RunCommand({"build", more, "--from", scene, "add:torus@5,5", "scale:Torus1@2,1,2",
                          "hide:Torus1", "hide:Group1", "show:Group1"})
                  .status,
              kExitOk);
    const nlohmann::json grown = Info(more);
    EXPECT_EQ(grown["nodes"].size(), 4u);
    EXPECT_EQ(grown["nodes"][0]["scale"], nlohmann::json({2.0, 1.0, 2.0}));
    EXPECT_EQ(grown["nodes"][0]["visible"], false);
    EXPECT_EQ(grown["nodes"][1]["visible"], true);
    EXPECT_EQ(grown["views"].size(), 2u);
}

TEST_F(SceneCommands, ABadOperationNamesItselfAndWritesNothing) {
    const std::string scene = Path("bad.kel");
    // Each case's operations, split at spaces; the last is the bad one.
    for (const std::string line :
         {"add:pyramid@0,0", "add:sphere@0", "light:laser@0,0,0",
          "add:sphere@0,0 select:Sphere1,Cube7", "add:sphere@0,0 material:Sphere1@sparkle=1",
          "add:sphere@0,0 material:Sphere1@colour=red", "lightset:Light1@kind=laser",
          "lightset:Sphere1@on=1", "move:Nobody@1,2,3", "view:0,0,0@0,0,0",
          "add:sphere@0,0 material:Sphere1@ior=0", "add:sphere@0,0 material:Sphere1@ior=3.6",
          "add:sphere@0,0 material:Sphere1@reflect=2", "lightset:Light1@angle=-10",
          "lightset:Light1@intensity=-1", "hide:Nobody", "frobnicate"}) {
        std::vector<std::string> args = {"build", scene};
        std::istringstream words(line);
        for (std::string op; words >> op;)
            args.push_back(op);
        const CliResult r = RunCommand(args);
        EXPECT_EQ(r.status, kExitUsage) << line;
        EXPECT_NE(r.err.find("operation '" + args.back() + "'"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(scene));
    }
    EXPECT_EQ(RunCommand({"build"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"build", scene, "--help"}).status, kExitOk);

    // Values outside what the editors allow name the key and its range.
    for (const auto& [op, range] : std::vector<std::pair<std::string, std::string>>{
             {"material:Sphere1@transparency=5", "'transparency' must be from 0 to 1"},
             {"material:Sphere1@transparency=-1", "'transparency' must be from 0 to 1"},
             {"material:Sphere1@ior=-2", "'ior' must be from 1 to 3.5"},
             {"material:Sphere1@bumpmag=0", "'bumpmag' must be from 0.001 to 1"},
             {"lightset:Light1@intensity=-0.5", "'intensity' must be 0 or more"},
             {"lightset:Light1@angle=91", "'angle' must be from 0 to 90"}}) {
        const CliResult r = RunCommand({"build", scene, "add:sphere@0,0", op});
        EXPECT_EQ(r.status, kExitUsage) << op;
        EXPECT_NE(r.err.find(range), std::string::npos) << r.err;
    }
    EXPECT_EQ(RunCommand({"build", scene, "add:sphere@0,0",
                          "material:Sphere1@transparency=1;ior=3.5;bumpmag=0.001"})
                  .status,
              kExitOk);
    std::filesystem::remove(scene);

    // The first argument is the scene to write: an operation, another extension or nothing is
    // refused, and no file appears under any of those names.
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Path());
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"build", "add:sphere@0,0", "add:cube@1,1"},
                                               {"build", "group"},
                                               {"build", "x.png", "add:cube@1,1"},
                                               {"build", "", "add:cube@1,1"},
                                               {"build", "scene", "add:cube@1,1"}}) {
        const CliResult r = RunCommand(args);
        EXPECT_EQ(r.status, kExitUsage) << args[1];
        EXPECT_NE(r.err.find("usage: kelto-cli build"), std::string::npos);
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path()));
    std::filesystem::current_path(cwd);

    const CliResult help = RunCommand({"build", "--help"});
    for (const char* key :
         {"image=FILE", "glowimage=FILE", "ambientimage=FILE", "bump=none|colour|FILE"})
        EXPECT_NE(help.out.find(key), std::string::npos) << key;
}

TEST_F(SceneCommands, SavingOverALinkReplacesWhatItLeadsTo) {
    std::filesystem::create_directory(Path("real"));
    const std::string target = Path("real/scene.kel");
    ASSERT_EQ(RunCommand({"build", target, "add:cube@0,0"}).status, kExitOk);
    std::filesystem::permissions(target, std::filesystem::perms::owner_read |
                                             std::filesystem::perms::owner_write |
                                             std::filesystem::perms::group_read);
    const std::string link = Path("link.kel");
    std::filesystem::create_symlink("real/scene.kel", link);
    ASSERT_EQ(RunCommand({"build", link, "--from", link, "add:sphere@3,0"}).status, kExitOk);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Info(target)["nodes"].size(), 2u);
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    // A link to a file not there yet makes the file.
    std::filesystem::create_symlink("real/new.kel", Path("dangling.kel"));
    ASSERT_EQ(RunCommand({"build", Path("dangling.kel"), "add:torus@0,0"}).status, kExitOk);
    EXPECT_TRUE(std::filesystem::is_symlink(Path("dangling.kel")));
    EXPECT_EQ(Info(Path("real/new.kel"))["nodes"].size(), 1u);
    // Singular and plural in the summary line.
    const CliResult info = RunCommand({"info", Path("real/new.kel")});
    EXPECT_EQ(info.out.substr(0, info.out.find('\n')), "scene: 1 light, 1 object, 0 views");
}

TEST_F(SceneCommands, InfoGivesLatin1NamesAsUtf8) {
    // A name is one Latin-1 byte a character in the file; JSON holds UTF-8 only.
    DocumentCore doc;
    ASSERT_TRUE(doc.Rename(doc.InsertObject(ObjectType::Sphere, {}, false), "Caf\xE9").ok());
    ASSERT_TRUE(doc.Save(Path("cafe.kel")).ok());
    EXPECT_EQ(Info(Path("cafe.kel"))["nodes"][0]["name"], "Caf\xC3\xA9");
}

TEST_F(SceneCommands, FailuresPrintTheSystemMessageWithStatusOne) {
    const std::string junk = Path("junk.kel");
    std::ofstream(junk) << "not a scene at all";
    EXPECT_EQ(Failure({"info", junk}), "Error: File is not a Kelto scene file: " + junk + ".\n");
    EXPECT_EQ(Failure({"build", Path("x.kel"), "--from", junk, "add:cube@0,0"}),
              "Error: File is not a Kelto scene file: " + junk + ".\n");
    EXPECT_FALSE(std::filesystem::exists(Path("x.kel")));
    EXPECT_EQ(Failure({"build", Path("missing-dir/x.kel"), "add:cube@0,0"}),
              "Error: unable to save Kelto scene file: " + Path("missing-dir/x.kel") + ".\n");
    EXPECT_EQ(RunCommand({"export", junk, Path("o.obj")}).status, kExitFailed);
    EXPECT_EQ(RunCommand({"info"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"export", junk}).status, kExitUsage);
}

TEST_F(SceneCommands, PicturesForMaterialsAndImageInfo) {
    RenderImage picture(7, 5);
    picture.SetPixel(3, 2, 255, 0, 0);
    const std::string png = Path("picture.png");
    const std::string tif = Path("bumps.TIF");
    ASSERT_TRUE(WritePng(picture, png));
    ASSERT_TRUE(WriteTiff(picture, tif));

    CliResult r = RunCommand({"image-info", png});
    EXPECT_EQ(r.status, kExitOk);
    EXPECT_EQ(r.out, "7x5 channels=3\n");
    EXPECT_EQ(Failure({"image-info", Path("x.gif")}),
              "Error image type 'gif': No plug-in parser found.\n" + Path("x.gif") + "\n");
    EXPECT_EQ(RunCommand({"image-info"}).status, kExitUsage);

    const std::string scene = Path("pictures.kel");
    r = RunCommand({"build", scene, "add:sphere@0,0",
                    "material:Sphere1@image=" + png + ";glowimage=" + png + ";bump=" + tif});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json material = Info(scene)["nodes"][0]["material"];
    EXPECT_EQ(material["colour_source"], "image");
    EXPECT_EQ(material["colour_image"],
              nlohmann::json({{"width", 7}, {"height", 5}, {"channels", 3}}));
    EXPECT_EQ(material["glow_image"]["width"], 7);
    EXPECT_TRUE(material["ambient_image"].is_null());
    EXPECT_EQ(material["bump"], "image");
    EXPECT_EQ(material["bump_image"]["height"], 5);

    // A picture that cannot be read is a failure with the import's message, and nothing is
    // written.
    const std::string missing = Path("missing.png");
    EXPECT_EQ(
        Failure({"build", Path("no.kel"), "add:sphere@0,0", "material:Sphere1@image=" + missing}),
        "Error: unable to open image file: '" + missing + "'\n");
    EXPECT_FALSE(std::filesystem::exists(Path("no.kel")));
}

TEST_F(SceneCommands, RenderWritesThePictureItsExtensionAsksFor) {
    const std::string scene = Path("r.kel");
    ASSERT_EQ(RunCommand({"build", scene, "add:sphere@0,0", "view:0,2,8@0,1,0@35"}).status,
              kExitOk);
    const std::string png = Path("r.png");
    CliResult r = RunCommand({"render", scene, png, "--size", "24x16", "--threads", "2"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out, "24x16 draft render written to " + png + "\n");
    TextureImage picture;
    ASSERT_TRUE(ReadPng(png, picture).ok());
    EXPECT_EQ(picture.width, 24);
    EXPECT_EQ(picture.height, 16);
    // The sphere fills the middle of the picture; the corners see nothing.
    EXPECT_GT(picture.rgb_rows[8].blue[12], 40);
    EXPECT_EQ(picture.rgb_rows[0].blue[0], 0);

    r = RunCommand({"render", scene, Path("r.bmp"), "--size", "8x8", "--quality", "production",
                    "--seed", "4", "--progress"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.err.find("100%"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(Path("r.bmp")));

    EXPECT_EQ(Failure({"render", scene, Path("r.gif")}),
              "Error image type 'gif': No plug-in parser found.\n");
    EXPECT_EQ(RunCommand({"render", scene, png, "--view", "2"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"render", scene, png, "--size", "0x5"}).status, kExitUsage);
    EXPECT_EQ(RunCommand({"render", scene}).status, kExitUsage);
    const CliResult no_size = RunCommand({"render", scene, png, "--size"});
    EXPECT_EQ(no_size.status, kExitUsage);
    EXPECT_NE(no_size.err.find("--size needs a value"), std::string::npos) << no_size.err;
}

// A cube moved beyond single precision is left out of the picture with a warning that names
// it, in both qualities; the render still succeeds. What is left out is the tracer's test.
TEST_F(SceneCommands, RenderLeavesOutObjectsBeyondRangeWithAWarning) {
    const std::string scene = Path("b.kel");
    ASSERT_EQ(RunCommand({"build", scene, "add:cube@0,0", "move:Cube1@1e300,0,0"}).status, kExitOk);
    for (const char* quality : {"draft", "production"}) {
        const CliResult r = RunCommand({"render", scene, Path("b.png"), "--size", "16x12",
                                        "--quality", quality, "--threads", "1"});
        ASSERT_EQ(r.status, kExitOk) << r.err;
        EXPECT_EQ(r.err,
                  "kelto-cli render: Warning: Cube1 is left out of the render: its position "
                  "or size is out of range.\n")
            << quality;
    }
}

TEST_F(SceneCommands, TextOperationAndFontList) {
    const CliResult fonts = RunCommand({"fonts"});
    EXPECT_EQ(fonts.status, kExitOk);
    EXPECT_NE(fonts.out.find("Liberation Serif\n"), std::string::npos);

    const std::string scene = Path("t.kel");
    CliResult r = RunCommand({"build", scene, "text:Hi there@1,0,2;depth=0.2;weight=700",
                              "text:ok@0,3,0;font=DejaVu Sans;italic=1"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json nodes = Info(scene)["nodes"];
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[1]["name"], "Text1");
    EXPECT_EQ(nodes[1]["type"], 8);
    EXPECT_GT(nodes[1]["triangles"].get<int>(), 100);
    // 0.2 deep, centred on its origin.
    EXPECT_NEAR(nodes[1]["box"]["max"][1].get<double>(), 0.1, 1e-6);

    for (const char* bad : {"text:   @0,0,0", "text:x@1,2", "text:x@0,0,0;depth=3",
                            "text:x@0,0,0;colour=1", "text:x@0,0,0;italic=2"}) {
        r = RunCommand({"build", Path("bad.kel"), bad});
        EXPECT_EQ(r.status, kExitUsage) << bad;
    }
    EXPECT_FALSE(std::filesystem::exists(Path("bad.kel")));

    // Characters the font lacks are left out with a warning; the scene is still written.
    r = RunCommand({"build", Path("warned.kel"),
                    "text:K\x7f"
                    "e@0,0,0"});
    EXPECT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.err,
              "kelto-cli build: warning: These characters are not in the font and are left out "
              "of the text: U+007F.\n");
    EXPECT_TRUE(std::filesystem::exists(Path("warned.kel")));
    // A text with nothing the font can show is refused, and nothing is written.
    r = RunCommand({"build", Path("empty.kel"), "text:\x7f\x7f@0,0,0"});
    EXPECT_EQ(r.status, kExitFailed);
    EXPECT_NE(r.err.find("makes no object"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Path("empty.kel")));
}

// The kernel and the history are the document's tests; here the operations' words, their
// node types in the file, and the refusal's message and status.
TEST_F(SceneCommands, TrimUnionIntersectDeleteUndoAndRedo) {
    const std::string scene = Path("booleans.kel");
    CliResult r = RunCommand({"build", scene, "add:sphere@0,0", "add+:cube@1,0", "union",
                              "add:cone@5,0", "add+:cylinder@5.5,0", "intersect", "add:sphere@-5,0",
                              "add+:cube@-4,0", "trim"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    nlohmann::json nodes = Info(scene)["nodes"];
    ASSERT_EQ(nodes.size(), 9u);
    EXPECT_EQ(nodes[0]["type"], 14);
    EXPECT_EQ(nodes[0]["name"], "Trim1");
    EXPECT_EQ(nodes[1]["parent"], "Trim1");
    EXPECT_EQ(nodes[3]["type"], 18);
    EXPECT_EQ(nodes[6]["type"], 17);
    EXPECT_EQ(nodes[7]["parent"], "Combine1");

    // Undo takes edits back one at a time (the selection is not an edit); redo does them
    // again; delete takes the selection.
    const std::string undone = Path("undone.kel");
    r = RunCommand({"build", undone, "add:sphere@0,0", "add+:cube@1,0", "union", "add:cone@5,0",
                    "add+:cylinder@5.5,0", "intersect", "undo", "undo", "redo", "select:Combine1",
                    "delete", "undo", "undo"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    nodes = Info(undone)["nodes"];
    ASSERT_EQ(nodes.size(), 4u);  // the Combine object, its operands and the cone
    EXPECT_EQ(nodes[0]["name"], "Cone1");
    EXPECT_EQ(nodes[1]["name"], "Combine1");

    // The history starts with the scene read: nothing to undo or redo.
    for (const char* op : {"undo", "redo"}) {
        r = RunCommand({"build", Path("none.kel"), "--from", scene, op});
        EXPECT_EQ(r.status, kExitUsage) << op;
        EXPECT_NE(r.err.find(std::string("nothing to ") + op), std::string::npos) << r.err;
    }
    EXPECT_EQ(Failure({"build", Path("apart.kel"), "add:sphere@0,0", "add+:cube@6,0", "trim"}),
              "Unable to complete the requested boolean operation because the selected objects do "
              "not intersect.\n");
    EXPECT_FALSE(std::filesystem::exists(Path("apart.kel")));
    EXPECT_FALSE(std::filesystem::exists(Path("none.kel")));
    r = RunCommand({"build", "union", "add:sphere@0,0"});  // an operation is not a file name
    EXPECT_EQ(r.status, kExitUsage);
    for (const char* bare : {"union", "intersect", "delete", "undo", "redo"})
        EXPECT_TRUE(LooksLikeBuildOperation(bare)) << bare;
    EXPECT_NE(RunCommand({"build", "--help"}).out.find("  union "), std::string::npos);
}

TEST_F(SceneCommands, Import3dsChecksOrAddsToAScene) {
    const std::string file = Path("Thing.3DS");
    {
        const auto bytes = testing_3ds::Make3ds({testing_3ds::Tetrahedron("Pyramid")}, 2.0f);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    CliResult r = RunCommand({"import-3ds", file});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("master scale 2\n"), std::string::npos);
    EXPECT_NE(r.out.find("material Red_Paint ambient=0,0,0 diffuse=1,0,0"), std::string::npos);
    EXPECT_NE(r.out.find("mesh Pyramid vertices=4 faces=4 smoothing=0 material=Red_Paint"),
              std::string::npos);

    const std::string base = Path("base.kel");
    ASSERT_EQ(RunCommand({"build", base, "add:cube@5,5"}).status, kExitOk);
    const std::string out = Path("out.kel");
    r = RunCommand({"import-3ds", file, "--into", base, "-o", out});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    const nlohmann::json nodes = Info(out)["nodes"];
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0]["type"], 11);
    EXPECT_EQ(nodes[0]["name"], "Pyramid");
    EXPECT_EQ(nodes[0]["triangles"], 4);

    std::ofstream(Path("bad.3ds")) << "MM";
    EXPECT_EQ(Failure({"import-3ds", Path("bad.3ds")}),
              "Error reading identifier in 3ds file: bad.3ds.\n");
    EXPECT_EQ(RunCommand({"import-3ds", Path("x.obj")}).status, kExitFailed);
    EXPECT_EQ(RunCommand({"import-3ds"}).status, kExitUsage);
}

}  // namespace
}  // namespace kelto::cli
