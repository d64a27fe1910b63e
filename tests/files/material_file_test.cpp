// The user's material library: every ready material comes back from its file byte for byte;
// a folder with damaged and foreign files loses only those, each named in one message; names
// are checked and a name stored again replaces its file.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "files/material_file.h"
#include "model/material_library.h"
#include "model/message_table.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

void Put(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TEST(MaterialFile, EveryReadyMaterialComesBackWhole) {
    for (const LibraryMaterial& entry : MaterialLibrary()) {
        SCOPED_TRACE(entry.name);
        const std::vector<std::uint8_t> bytes =
            EncodeMaterialFile(std::string(entry.name), entry.make());
        const Result<NamedMaterial> read = DecodeMaterialFile(bytes, "x.kmat");
        ASSERT_TRUE(read.ok()) << read.status().text;
        EXPECT_EQ(read->name, entry.name);
        EXPECT_EQ(EncodeMaterialFile(read->name, read->material), bytes);
    }
}

TEST(MaterialFolder, DamagedAndForeignFilesAreLeftOutWithOneMessageEach) {
    const test::TemporaryDirectory folder;
    ASSERT_TRUE(SaveUserMaterial(folder.Path(), "My gold", *LibraryMaterialNamed("gold")).ok());
    ASSERT_TRUE(SaveUserMaterial(folder.Path(), "Bricks", *LibraryMaterialNamed("brick")).ok());
    const std::vector<std::uint8_t> good = EncodeMaterialFile("x", Material());
    Material nan_material;
    nan_material.transparency = std::nanf("");
    std::vector<std::uint8_t> trailing = good;
    trailing.push_back(0);
    std::vector<std::uint8_t> bad_channels = EncodeMaterialFile("x", *LibraryMaterialNamed("wood"));
    bad_channels[8 + 1 + 2 + 128 + 4 + 1] = 2;  // the colour picture's channel count
    const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> hostile = {
        {"empty.kmat", {}},
        {"cut.kmat", std::vector<std::uint8_t>(good.begin(), good.end() - 3)},
        {"picture.kmat", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13}},
        {"nan.kmat", EncodeMaterialFile("x", nan_material)},
        {"trailing.kmat", trailing},
        {"unnamed.kmat", EncodeMaterialFile("", Material())},
        {"channels.kmat", bad_channels},
    };
    for (const auto& [name, bytes] : hostile)
        Put(folder.File(name), bytes);
    std::filesystem::create_directory(folder.File("folder.kmat"));
    Put(folder.File("notes.txt"), {'h', 'i'});  // not a material file: not the library's

    const UserMaterials library = LoadUserMaterials(folder.Path());
    ASSERT_EQ(library.materials.size(), 2u);
    EXPECT_EQ(library.materials[0].name, "Bricks");
    EXPECT_EQ(library.materials[1].name, "My gold");
    EXPECT_EQ(EncodeMaterialFile("g", library.materials[1].material),
              EncodeMaterialFile("g", *LibraryMaterialNamed("gold")));
    ASSERT_EQ(library.skipped.size(), hostile.size() + 1);
    std::vector<std::string> named;
    for (const Status& message : library.skipped) {
        EXPECT_EQ(message.number, kMsgMaterialFileDamaged);
        named.push_back(message.arguments.at(0));
    }
    EXPECT_EQ(named, (std::vector<std::string>{"channels.kmat", "cut.kmat", "empty.kmat",
                                               "folder.kmat", "nan.kmat", "picture.kmat",
                                               "trailing.kmat", "unnamed.kmat"}));
}

TEST(MaterialFolder, NamesAreCheckedAndAStoredNameIsReplacedOnlyWhole) {
    const test::TemporaryDirectory parent;
    const std::string folder = parent.File("kelto/materials");  // made by the first save
    const Material gold = *LibraryMaterialNamed("gold");
    EXPECT_EQ(SaveUserMaterial(folder, "", gold).number, kMsgNameEmpty);
    EXPECT_EQ(SaveUserMaterial(folder, "   ", gold).number, kMsgNameEmpty);
    EXPECT_EQ(SaveUserMaterial(folder, std::string(25, 'a'), gold).number, kMsgNameTooLong);
    EXPECT_TRUE(LoadUserMaterials(folder).materials.empty());  // no folder: an empty library

    // Names that make the same file name keep files of their own; a name stored again
    // replaces its material.
    ASSERT_TRUE(SaveUserMaterial(folder, "a b", gold).ok());
    ASSERT_TRUE(SaveUserMaterial(folder, "a_b", gold).ok());
    ASSERT_TRUE(SaveUserMaterial(folder, "Łódź/..", gold).ok());
    ASSERT_TRUE(SaveUserMaterial(folder, "a b", *LibraryMaterialNamed("water")).ok());
    // A full disk: the save fails with its message and the stored material stays whole.
    EXPECT_EQ(
        test::WithFileSizeLimit(
            64, [&] { return SaveUserMaterial(folder, "a b", *LibraryMaterialNamed("wood")); })
            .number,
        kMsgMaterialSaveFailed);
    const UserMaterials library = LoadUserMaterials(folder);
    EXPECT_TRUE(library.skipped.empty());
    ASSERT_EQ(library.materials.size(), 3u);
    EXPECT_EQ(library.materials[0].name, "a b");
    EXPECT_FLOAT_EQ(library.materials[0].material.index_of_refraction, 1.33f);
    EXPECT_EQ(library.materials[2].name, "Łódź/..");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              3);

    EXPECT_EQ(UserMaterialFolder("/x/data", "/home/u"), "/x/data/kelto/materials");
    EXPECT_EQ(UserMaterialFolder("", "/home/u"), "/home/u/.local/share/kelto/materials");
    EXPECT_EQ(UserMaterialFolder(nullptr, "/home/u"), "/home/u/.local/share/kelto/materials");
}

}  // namespace
}  // namespace kelto
