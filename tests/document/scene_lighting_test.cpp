// The scene's lighting settings in its file and the environment picture a render reads.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "document/document_core.h"
#include "document/render_request.h"
#include "model/child_list.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

using Bytes = std::vector<std::uint8_t>;

SceneLighting EveryFieldChanged() {
    SceneLighting l;
    l.soft_shadow_samples = 7;
    l.occlusion = true;
    l.occlusion_samples = 33;
    l.occlusion_distance = 4.25f;
    l.environment = EnvironmentKind::Picture;
    l.horizon = {0.1f, 0.2f, 0.3f};
    l.zenith = {0.4f, 0.5f, 0.6f};
    l.picture_path = "skies/noon.hdr";
    l.picture_rotation = -90.5f;
    return l;
}

Bytes SceneBytes(const SceneLighting& lighting) {
    DocumentCore doc;
    doc.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    EXPECT_TRUE(doc.SetLighting(lighting).ok());
    return doc.SaveToBytes();
}

TEST(SceneLightingFile, RoundTripsAndLeavesDefaultScenesAsBefore) {
    const Bytes plain = SceneBytes({});
    const Bytes lit = SceneBytes(EveryFieldChanged());
    // The record sits between the views and the end tag: the rest of the file is unchanged.
    ASSERT_GT(lit.size(), plain.size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end() - 1, lit.begin()));
    EXPECT_EQ(lit[plain.size() - 1], 0xC1);

    DocumentCore opened;
    ASSERT_TRUE(opened.OpenFromBytes(lit, "lit.kel").ok());
    EXPECT_EQ(opened.Lighting(), EveryFieldChanged());
    EXPECT_FALSE(opened.IsModified());
    ASSERT_TRUE(opened.OpenFromBytes(plain, "plain.kel").ok());
    EXPECT_TRUE(opened.Lighting().IsDefault());
}

TEST(SceneLightingFile, DamagedRecordIsRefusedWhole) {
    const Bytes plain = SceneBytes({});
    const Bytes lit = SceneBytes(EveryFieldChanged());
    const std::size_t record = plain.size() - 1;  // where the tag is
    const std::string corrupt = FormatMessage(kMsgSceneCorrupt, "bad.kel");
    auto refused = [&](const Bytes& bytes) {
        DocumentCore doc;
        const Status status = doc.OpenFromBytes(bytes, "bad.kel");
        return status.text == corrupt && doc.Lighting().IsDefault() &&
               ChildCount(doc.GetScene().Root()) == 0;
    };
    for (std::size_t cut = record + 1; cut < lit.size(); ++cut) {
        EXPECT_TRUE(refused(Bytes(lit.begin(), lit.begin() + static_cast<long>(cut))))
            << "cut at " << cut;
    }
    // The byte count, the flag, the environment kind and the string's end: any flipped bit
    // makes a record that does not hold together or holds values out of range.
    const std::size_t length = record + 1, flag = length + 8, kind = flag + 9;
    const std::size_t string_end = lit.size() - 6;
    std::vector<std::pair<std::size_t, int>> flips;
    for (int bit = 0; bit < 32; ++bit)
        flips.emplace_back(length + bit / 8, bit % 8);
    for (int bit = 1; bit < 8; ++bit)
        flips.emplace_back(flag, bit);
    for (int bit = 2; bit < 32; ++bit)
        flips.emplace_back(kind + bit / 8, bit % 8);
    for (int bit = 0; bit < 8; ++bit)
        flips.emplace_back(string_end, bit);
    for (const auto& [at, bit] : flips) {
        Bytes flipped = lit;
        flipped[at] ^= static_cast<std::uint8_t>(1 << bit);
        EXPECT_TRUE(refused(flipped)) << "byte " << at << " bit " << bit;
    }
    Bytes twice = lit;  // a second record after the first
    twice.insert(twice.end() - 1, lit.begin() + static_cast<long>(record), lit.end() - 1);
    EXPECT_TRUE(refused(twice));
}

TEST(EnvironmentLoad, ReadsThePictureBesideTheSceneOnceUntilItChanges) {
    test::TemporaryDirectory dir;
    // Files of different lengths: a rewrite within the clock's tick is still seen.
    auto write_sky = [&](int value) {
        std::ofstream(dir.File("sky.hdr"), std::ios::binary)
            << "#?RADIANCE\n"
            << std::string(static_cast<std::size_t>(value), '#')
            << "\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n"
            << static_cast<char>(value) << '\x40' << '\x40' << '\x81';
    };
    write_sky(0x40);
    DocumentCore doc;
    SceneLighting lighting;
    lighting.environment = EnvironmentKind::Picture;
    lighting.picture_path = "sky.hdr";
    ASSERT_TRUE(doc.SetLighting(lighting).ok());
    const std::string scene = dir.File("scene.kel");

    RenderSettings first, again, changed, black;
    ASSERT_TRUE(LoadRenderEnvironment(doc, scene, first).ok());
    ASSERT_TRUE(LoadRenderEnvironment(doc, scene, again).ok());
    EXPECT_EQ(doc.EnvironmentPictures().Reads(), 1u);
    EXPECT_EQ(first.environment_picture, again.environment_picture);
    EXPECT_FLOAT_EQ(first.environment_picture->rgb[0], 64.5f / 128.0f);
    write_sky(0x20);
    ASSERT_TRUE(LoadRenderEnvironment(doc, scene, changed).ok());
    EXPECT_FLOAT_EQ(changed.environment_picture->rgb[0], 32.5f / 128.0f);

    black.lighting = SceneLighting{};  // an override without a picture reads nothing
    ASSERT_TRUE(LoadRenderEnvironment(doc, scene, black).ok());
    EXPECT_EQ(black.environment_picture, nullptr);
    RenderSettings elsewhere;  // beside another scene file there is no such picture
    EXPECT_EQ(LoadRenderEnvironment(doc, "/nonexistent/scene.kel", elsewhere).number,
              kMsgEnvironmentMissing);
}

}  // namespace
}  // namespace kelto
