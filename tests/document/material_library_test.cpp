// The ready materials: every one valid, under a name of its own, traced by the preview tracer
// into a picture that no other material gives; and the panel's pictures traced once, then read
// back from the cache.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "document/material_preview.h"
#include "document/material_swatches.h"
#include "model/material_library.h"
#include "tests/document/waiting_window_thread.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

std::vector<std::uint8_t> Pixels(const RenderImage& picture) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(picture.Width()) * 3);
    std::vector<std::uint8_t> all;
    for (int y = 0; y < picture.Height(); ++y) {
        picture.InterleaveRow(y, bytes.data());
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

TEST(MaterialLibrary, EveryReadyMaterialIsValidAndLooksItsOwn) {
    ASSERT_GE(MaterialLibrary().size(), 24u);
    MaterialPreviewScene scene;
    std::set<std::string_view> names;
    std::set<std::vector<std::uint8_t>> pictures;
    for (const LibraryMaterial& entry : MaterialLibrary()) {
        SCOPED_TRACE(entry.name);
        EXPECT_TRUE(names.insert(entry.name).second);
        EXPECT_EQ(entry.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz-"),
                  std::string_view::npos);
        const Material material = entry.make();
        // Finite, in range, pictures present: nothing the tracer could turn into NaN.
        EXPECT_TRUE(MaterialFieldsValid(material));
        ASSERT_TRUE(LibraryMaterialNamed(entry.name).has_value());
        EXPECT_TRUE(pictures.insert(Pixels(scene.Render(material, nullptr, 32))).second)
            << "traces exactly like another ready material";
    }
    EXPECT_FALSE(LibraryMaterialNamed("unobtanium").has_value());
    EXPECT_FALSE(LibraryMaterialNamed("Gold").has_value());
}

using test::WaitingWindowThread;

TEST(MaterialSwatches, TracedOnceThenReadFromTheCache) {
    const test::TemporaryDirectory cache;
    const std::string folder = cache.Path();
    const std::vector<Material> materials = {*LibraryMaterialNamed("gold"),
                                             *LibraryMaterialNamed("brick")};
    std::map<std::size_t, std::vector<std::uint8_t>> traced;
    WaitingWindowThread window_thread;
    {
        MaterialSwatches swatches(window_thread, folder, "1.0", 24,
                                  [&](std::size_t index, const RenderImage& picture) {
                                      traced[index] = Pixels(picture);
                                  });
        EXPECT_EQ(swatches.Add(materials), 0u);
        EXPECT_EQ(swatches.FromCache(), 0u);
        while (swatches.Traced() < 2)
            ASSERT_TRUE(window_thread.RunNext());
    }
    ASSERT_EQ(traced.size(), 2u);
    EXPECT_NE(traced[0], traced[1]);

    // Another run: both come from the cache within Add, the very pixels traced before.
    std::map<std::size_t, std::vector<std::uint8_t>> cached;
    MaterialSwatches again(
        window_thread, folder, "1.0", 24,
        [&](std::size_t index, const RenderImage& picture) { cached[index] = Pixels(picture); });
    again.Add(materials);
    EXPECT_EQ(again.FromCache(), 2u);
    EXPECT_EQ(cached, traced);

    // Another version, another size or a changed material is another picture; a damaged
    // cache file is traced again, not shown.
    EXPECT_NE(SwatchFileName(materials[0], 24, "1.0"), SwatchFileName(materials[0], 24, "1.1"));
    EXPECT_NE(SwatchFileName(materials[0], 24, "1.0"), SwatchFileName(materials[0], 32, "1.0"));
    Material changed = materials[0];
    changed.shininess = 0.5f;
    EXPECT_NE(SwatchFileName(materials[0], 24, "1.0"), SwatchFileName(changed, 24, "1.0"));
    const std::string file = cache.File(SwatchFileName(materials[0], 24, "1.0"));
    EXPECT_FALSE(ReadSwatchFile(file, 23).has_value());
    std::filesystem::resize_file(file, std::filesystem::file_size(file) - 1);
    EXPECT_FALSE(ReadSwatchFile(file, 24).has_value());
}

}  // namespace
}  // namespace kelto
