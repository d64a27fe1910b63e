#include <gtest/gtest.h>

#include "model/mesh_welder.h"

namespace kelto {
namespace {

DisplayVertex Corner(float s, float t, float nx, float ny, float nz) {
    return {.x = s, .y = t, .nx = nx, .ny = ny, .nz = nz, .normal_valid = 1.0f, .s = s, .t = t};
}

TEST(MeshWelder, SharesEqualParametersWithCloseNormalsAndKeepsCreasesApart) {
    Mesh mesh;
    MeshWelder welder(mesh);
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.25f, 0, 0, 1)));
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.25f, 0.08f, 0, 0.99f)));  // within 0.09: shared
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.25f, 1, 0, 0)));          // a crease: kept apart
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.3f, 0, 0, 1)));           // other parameters
    // The bucket remembers only its first vertex, so the crease vertex is not found again.
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.25f, 1, 0, 0)));
    ASSERT_TRUE(welder.Add(Corner(0.5f, 0.25f, 0, 0, 1)));
    EXPECT_EQ(mesh.vertices.size(), 4u);
    EXPECT_EQ(mesh.indices, (std::vector<std::uint16_t>{0, 0, 1, 2, 3, 0}));
}

TEST(MeshWelder, RefusesTheVertexThatWouldOverflowSixteenBitIndices) {
    Mesh mesh;
    MeshWelder welder(mesh);
    for (std::size_t i = 0; i < kMaxMeshVertices; ++i)
        ASSERT_TRUE(welder.Add(Corner(static_cast<float>(i), 0.0f, 0, 0, 1)));
    EXPECT_FALSE(welder.Add(Corner(-1.0f, 0.0f, 0, 0, 1)));
    EXPECT_EQ(mesh.vertices.size(), kMaxMeshVertices);
    EXPECT_EQ(mesh.indices.size(), kMaxMeshVertices);
    EXPECT_EQ(mesh.indices.back(), 65535);
}

}  // namespace
}  // namespace kelto
