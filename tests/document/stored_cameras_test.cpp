// The stored cameras the Cameras panel edits: names, the file's trailer, the modified flag.
#include <gtest/gtest.h>

#include "document/document_core.h"
#include "model/message_table.h"

namespace kelto {
namespace {

ViewEntry Looking(double x) {
    return {35, {0, 0, -1}, {x, 1, 10}, {x, 1, 0}};
}

TEST(StoredCameras, NamesAreUniqueSurviveDeletionAndTheFileAndMarkTheSceneChanged) {
    DocumentCore doc;
    doc.AddView(Looking(0));  // a window's: no edit
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.AddStoredView(Looking(1)), 1u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.ViewName(1), "Camera 2");
    EXPECT_EQ(doc.RenameView(1, "Camera 3").number, Status::kOk);
    EXPECT_EQ(doc.AddStoredView(Looking(2)), 2u);
    EXPECT_EQ(doc.ViewName(2), "Camera 4");  // its default was taken
    for (const auto& [name, refusal] :
         {std::pair{std::string(""), kMsgNameEmpty}, std::pair{std::string("   "), kMsgNameEmpty},
          std::pair{std::string(25, 'x'), kMsgNameTooLong},
          std::pair{std::string("Camera 1"), kMsgNameTaken}})
        EXPECT_EQ(doc.RenameView(2, name).number, refusal) << name;
    EXPECT_EQ(doc.RenameView(7, "Far").number, kMsgNoSuchView);
    // Deleting one keeps the names the others show.
    ASSERT_TRUE(doc.RenameView(2, "Wide").ok());
    ASSERT_TRUE(doc.RemoveView(0).ok());
    EXPECT_EQ(doc.ViewName(0), "Camera 3");
    EXPECT_EQ(doc.ViewName(1), "Wide");

    DocumentCore back;
    ASSERT_TRUE(back.OpenFromBytes(doc.SaveToBytes(), "cameras.kel").ok());
    EXPECT_EQ(back.Views(), doc.Views());
    EXPECT_EQ(back.SaveToBytes(), doc.SaveToBytes());
    // A name with no camera before it is damage.
    DocumentCore plain;
    plain.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
    std::vector<std::uint8_t> bytes = plain.SaveToBytes();
    ASSERT_TRUE(back.OpenFromBytes(bytes, "plain.kel").ok());
    bytes.back() = 0xC0;
    bytes.insert(bytes.end(), {'x', 0, 0});
    EXPECT_EQ(back.OpenFromBytes(bytes, "bad.kel").number, kMsgSceneCorrupt);
}

}  // namespace
}  // namespace kelto
