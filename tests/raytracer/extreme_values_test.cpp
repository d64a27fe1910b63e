// Placements beyond what single precision holds: the tracer leaves such objects out, names
// them, and renders everything else as if they were not there.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "raytracer/ray_tracer.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

using tracer_test::Camera;
using tracer_test::CollectingSink;
using tracer_test::ExpectSamePicture;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

RenderImage Render(const Scene& scene, RenderQuality quality, std::vector<std::string>* left_out,
                   const Vec3& eye = {3, 8.5, 22.5}) {
    RenderOptions options;
    options.seed = 5;
    RayTracer tracer(scene, Camera(32, 24, quality, eye), nullptr, options);
    if (left_out != nullptr)
        *left_out = tracer.Prepared().LeftOut();
    CollectingSink sink(32, 24);
    tracer.Render(sink);
    EXPECT_EQ(sink.outputs, 32 * 24);
    return sink.image;
}

TEST(ExtremeValues, UntraceableObjectsAreLeftOutAndNamedAndAnEyeBeyondRangeSeesNothing) {
    Scene plain;
    tracer_test::AddStillLife(plain);
    Scene extreme;
    tracer_test::AddStillLife(extreme);
    std::vector<std::string> expected;
    auto add = [&](Vec3 position, Vec3 scale, bool left_out) {
        SceneNode* cube = extreme.CreateNode(ObjectType::Cube, {0, 0, 0});
        cube->position = position;
        cube->scale = scale;
        cube->ComputeParentFromNode();
        if (left_out)
            expected.insert(expected.begin(), cube->name);  // newer nodes come first
    };
    add({1e300, 0, 0}, {1, 1, 1}, true);              // beyond single precision: infinite corners
    add({0, 0, 0}, {1e200, 1, 1}, true);              // the same by its size
    add({1e30, 0, 0}, {1, 1, 1}, true);               // a number, but its squares are not
    add({kNaN, 0, 0}, {1, 1, 1}, true);               // not a number at all
    add({0, 0, 0}, {1, kNaN, 1}, true);               //
    add({0, 0, 0}, {1e-200, 1e-200, 1e-200}, false);  // a point: traceable, never hit
    add({1e17, 0, 0}, {1, 1, 1}, false);              // far, but within range
    // Lights that far give no light.
    extreme.InsertLight(LightKind::Point, {1e300, 5, 5});
    extreme.InsertLight(LightKind::Point, {5, kNaN, 5});

    std::vector<std::string> left_out;
    const RenderImage expected_picture = Render(plain, RenderQuality::Draft, nullptr);
    ExpectSamePicture(Render(extreme, RenderQuality::Draft, &left_out), expected_picture);
    EXPECT_EQ(left_out, expected);

    // Production keeps its state from one render to the next, so only the finished picture
    // is asked for here.
    Render(extreme, RenderQuality::Production, &left_out);
    EXPECT_EQ(left_out, expected);
    Scene scene;
    tracer_test::AddStillLife(scene);
    for (RenderQuality quality : {RenderQuality::Draft, RenderQuality::Production}) {
        const RenderImage picture = Render(scene, quality, nullptr, {1e300, 8.5, 22.5});
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x)
                ASSERT_EQ(picture.Pixel(x, y), (std::array<std::uint8_t, 3>{0, 0, 0}));
    }
}

}  // namespace
}  // namespace kelto
