// kelto-cli build's ready materials: `preset=gold` stores exactly the library's gold, later
// keys change it, and a name the library lacks fails the build with the list of names.
#include <gtest/gtest.h>

#include <filesystem>

#include "document/document_core.h"
#include "files/byte_stream.h"
#include "files/scene_file.h"
#include "model/material_library.h"
#include "run_cli_for_test.h"
#include "tests/temporary_directory.h"

namespace kelto::cli {
namespace {

std::vector<std::uint8_t> Record(const Material& material) {
    ByteWriter out;
    WriteMaterialRecord(material, out);
    return out.Take();
}

TEST(MaterialPreset, BuildStoresTheLibrarysMaterialOrRefusesAnUnknownName) {
    const test::TemporaryDirectory dir;
    const std::string scene = dir.File("a.kel");
    const CliResult built =
        RunCommand({"build", scene, "add:sphere@0,0", "add:cube@3,0", "add:torus@-3,0",
                    "material:Sphere1@preset=gold", "material:Cube1@preset=brick",
                    "material:Torus1@preset=clear-glass;ior=1.7"});
    ASSERT_EQ(built.status, kExitOk) << built.err;
    DocumentCore doc;
    ASSERT_TRUE(doc.Open(scene).ok());
    EXPECT_EQ(Record(doc.Node(doc.NodeNamed("Sphere1"))->material),
              Record(*LibraryMaterialNamed("gold")));
    EXPECT_EQ(Record(doc.Node(doc.NodeNamed("Cube1"))->material),
              Record(*LibraryMaterialNamed("brick")));
    Material glass = *LibraryMaterialNamed("clear-glass");
    glass.index_of_refraction = 1.7f;
    EXPECT_EQ(Record(doc.Node(doc.NodeNamed("Torus1"))->material), Record(glass));

    const std::string refused = dir.File("b.kel");
    const CliResult unknown =
        RunCommand({"build", refused, "add:sphere@0,0", "material:Sphere1@preset=unobtanium"});
    EXPECT_NE(unknown.status, kExitOk);
    EXPECT_NE(unknown.err.find("no ready material named 'unobtanium'"), std::string::npos)
        << unknown.err;
    EXPECT_NE(unknown.err.find("gold"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(refused));
}

}  // namespace
}  // namespace kelto::cli
