#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "model/bounds.h"
#include "model/mesh.h"

namespace kelto {
namespace {

double Distance(const Vec3f& a, const Vec3f& b) {
    const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// A node's sphere is the Ritter sphere of its scaled box's corners; an empty box's sentinel
// corners give a huge one.
TEST(RitterSphere, NodeSphereUsesScaledBoxCornersAndAnEmptyBoxsSentinels) {
    const BoundingBox empty = Mesh().Box();
    EXPECT_TRUE(empty.IsEmpty());
    const BoundingSphere huge = ScaledBoxSphere(empty, {1, 1, 1});
    EXPECT_EQ(huge.centre, (Vec3f{0, 0, 0}));
    EXPECT_NEAR(huge.radius, std::sqrt(3.0) * 1e6, 1.0);
    BoundingBox box;
    box.Grow({-1, -1, -1});
    box.Grow({1, 1, 1});
    const BoundingSphere sphere = ScaledBoxSphere(box, {2, 1, 1});
    EXPECT_EQ(sphere.centre, (Vec3f{0, 0, 0}));
    EXPECT_NEAR(sphere.radius, std::sqrt(6.0), 1e-6);
}

TEST(RitterSphere, ContainsEveryPointOfRandomCloudsAndTiesFavourXThenTheEarlierPair) {
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    for (int cloud = 0; cloud < 200; ++cloud) {
        std::vector<Vec3f> points(1 + cloud % 37);
        for (Vec3f& p : points)
            p = {coordinate(random), coordinate(random) * 0.1f, coordinate(random)};
        const BoundingSphere sphere = RitterSphere(points);
        for (const Vec3f& p : points)
            EXPECT_LE(Distance(sphere.centre, p), sphere.radius * (1 + 1e-5) + 1e-5)
                << "cloud " << cloud;
    }
    // Extremes 2 apart on both x and y: the x pair starts the sphere.
    const Vec3f square[] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}};
    const BoundingSphere sphere = RitterSphere(square);
    EXPECT_EQ(sphere.centre, (Vec3f{0, 0, 0}));
    EXPECT_FLOAT_EQ(sphere.radius, 1.0f);

    // A longer z extent wins.
    const Vec3f tall[] = {{-1, 0, 0}, {1, 0, 0}, {0, 0, -3}, {0, 0, 3}};
    EXPECT_FLOAT_EQ(RitterSphere(tall).radius, 3.0f);

    // Two points: the sphere through both with its centre halfway.
    const Vec3f pair[] = {{0, 0, 0}, {2, 2, 1}};
    const BoundingSphere two = RitterSphere(pair);
    EXPECT_EQ(two.centre, (Vec3f{1, 1, 0.5f}));
    EXPECT_FLOAT_EQ(two.radius, 1.5f);
}

}  // namespace
}  // namespace kelto
