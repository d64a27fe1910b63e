// Light as it falls: soft shadows from sphere lights, ambient occlusion and the environment,
// checked against the geometry that decides them, and seeded pictures that do not depend on
// how the work was shared.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "raytracer/environment_lookup.h"
#include "raytracer/ray_tracer.h"
#include "tracer_test_scenes.h"

namespace kelto {
namespace {

using tracer_test::Camera;
using tracer_test::CollectingSink;
using tracer_test::ExpectSamePicture;

// A box of half-sides `half` centred at `centre`.
SceneNode* AddBox(Scene& scene, Vec3 centre, Vec3 half) {
    SceneNode* box = scene.CreateNode(ObjectType::Cube, centre);
    box->position = centre;  // not lifted to stand on the ground
    box->scale = half;
    box->UpdateBounds();
    box->ComputeParentFromNode();
    return box;
}

// A floor whose top is the plane y = 0, and no lights.
void MakeFloorScene(Scene& scene) {
    scene.Lights().clear();
    AddBox(scene, {0, -1, 0}, {30, 1, 30});
}

// How much of light 0 reaches the floor along the line x = `x`, z in -0.5..0.5: the mean of
// 50 points, so that each point's sampling noise averages out as it does in a picture.
float StripVisibility(const RayTracer& tracer, double x) {
    float sum = 0;
    for (int i = 0; i < 50; ++i)
        sum += tracer.LightVisibility({static_cast<float>(x), 0, -0.5f + 0.02f * i}, 0, 0);
    return sum / 50;
}

// Where, going out from x = 0 along the floor, the light first reaches it at all and first
// reaches it whole.
std::pair<double, double> ShadowEdges(const RayTracer& tracer) {
    double umbra = -1, penumbra = -1;
    for (double x = 0; x < 6 && penumbra < 0; x += 0.01) {
        const float seen = StripVisibility(tracer, x);
        if (umbra < 0 && seen > 0)
            umbra = x;
        if (seen == 1)
            penumbra = x;
    }
    return {umbra, penumbra};
}

TEST(SoftShadow, ASquaresShadowUnderASphereLightEndsWhereTheTangentsSay) {
    // A thin square of half-side a at height h under a sphere light of radius R at height H.
    // Along the x axis a floor point is in full shadow while the light's centre lies more than
    // R inside the line from the point over the square's near edge, and wholly lit once it lies
    // R outside it: the signed distance is (x (H - h) - a H) / |(x - a, -h)|.
    const double a = 2, h = 2, radius = 1, height = 8;
    auto edge = [&](double signed_distance) {
        double lo = 0, hi = 10;
        for (int i = 0; i < 60; ++i) {
            const double x = (lo + hi) / 2;
            const double s = (x * (height - h) - a * height) / std::hypot(x - a, h);
            (s < signed_distance ? lo : hi) = x;
        }
        return lo;
    };
    Scene scene;
    MakeFloorScene(scene);
    AddBox(scene, {0, h, 0}, {a, 0.002, a});
    scene.InsertLight(LightKind::Sphere, {0, height, 0});
    scene.Lights()[0].size = static_cast<float>(radius);
    const RenderCamera camera = Camera(16, 16, RenderQuality::Production);
    RenderOptions options;
    options.seed = 3;
    const auto [umbra, penumbra] = ShadowEdges(RayTracer(scene, camera, nullptr, options));
    EXPECT_NEAR(umbra, edge(-radius), 0.05 * edge(-radius));
    EXPECT_NEAR(penumbra, edge(radius), 0.05 * edge(radius));
    // In between the light is graded: about half of it is seen halfway.
    const RayTracer tracer(scene, camera, nullptr, options);
    const auto middle = static_cast<float>((edge(-radius) + edge(radius)) / 2);
    EXPECT_NEAR(StripVisibility(tracer, middle), 0.5f, 0.1f);
}

TEST(AmbientOcclusion, AnOpenFloorIsOpenAndAWallHidesTheShareItSubtends) {
    // A wall filling x < 0 above the floor. Seen from a floor point x away, the wall takes the
    // cosine-weighted directions whose component toward it is above x / D (nearer than the
    // occlusion distance D): a segment of the unit disc, (acos c - c sqrt(1 - c^2)) / pi.
    Scene scene;
    MakeFloorScene(scene);
    AddBox(scene, {-10, 10, 0}, {10, 10, 20});
    SceneLighting lighting;
    lighting.occlusion = true;
    lighting.occlusion_samples = SceneLighting::kMaxOcclusionSamples;
    lighting.environment = EnvironmentKind::Colour;
    lighting.horizon = {0.5f, 0.25f, 1.0f};
    RenderOptions options;
    options.seed = 11;
    options.lighting = lighting;
    const RayTracer tracer(scene, Camera(16, 16, RenderQuality::Production), nullptr, options);
    const Vec3f up{0, 1, 0};
    EXPECT_EQ(tracer.OpennessAt({25, 0, 3}, up, 0).unoccluded, 1.0f);
    for (const double x : {0.002, 0.5, 1.0, 2.0}) {
        const double c = x / lighting.occlusion_distance;
        const double hidden = (std::acos(c) - c * std::sqrt(1 - c * c)) / std::numbers::pi;
        const RayTracer::Openness open = tracer.OpennessAt({static_cast<float>(x), 0, 1.5f}, up, 0);
        EXPECT_NEAR(open.unoccluded, 1 - hidden, 0.05 * (1 - hidden)) << x;
        // The environment lights the point through the open directions only.
        EXPECT_NEAR(open.environment.b, open.unoccluded * lighting.horizon.b, 1e-4f) << x;
        EXPECT_NEAR(open.environment.g, open.unoccluded * lighting.horizon.g, 1e-4f) << x;
    }
    // Hostile settings from a caller: counts held in range, a distance that is not above zero
    // occludes nothing, a huge one reaches the whole wall.
    for (const auto& [samples, distance, expected] : std::vector<std::tuple<int, float, float>>{
             {0, std::numeric_limits<float>::quiet_NaN(), 1.0f},
             {-5, 0.0f, 1.0f},
             {10000, -3.0f, 1.0f},
             {1, 1e30f, 0.0f},  // one direction, toward the wall
         }) {
        lighting.occlusion_samples = samples;
        lighting.occlusion_distance = distance;
        options.lighting = lighting;
        const RayTracer hostile(scene, Camera(16, 16, RenderQuality::Production), nullptr, options);
        EXPECT_EQ(hostile.OpennessAt({0.5f, 1, 0}, {-1, 0, 0}, 0).unoccluded, expected) << samples;
    }
}

EnvironmentPicture NumberedPicture(int width, int height) {
    EnvironmentPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.rgb.insert(picture.rgb.end(),
                               {0.1f * static_cast<float>(x), 0.2f * static_cast<float>(y), 0.7f});
    return picture;
}

TEST(Environment, DirectionsSeeTheGradientsEndsAndThePicturesTexels) {
    SceneLighting lighting;
    lighting.environment = EnvironmentKind::Gradient;
    lighting.horizon = {0.9f, 0.3f, 0.1f};
    lighting.zenith = {0.1f, 0.35f, 0.8f};
    const EnvironmentLookup gradient(lighting, nullptr);
    EXPECT_EQ(gradient.Seen({0, 1, 0}), lighting.zenith);
    EXPECT_EQ(gradient.Seen({1, 0, 0}), lighting.horizon);
    EXPECT_EQ(gradient.Seen({0, -1, 0}), lighting.horizon);
    EXPECT_NEAR(gradient.Seen(Normalised({0, 1, 1})).b, 0.1f + 0.7f * std::sqrt(0.5f), 1e-6f);

    // Column c of a w-wide picture is seen at longitude (c + 0.5) / w turns from +z toward +x,
    // row r at (r + 0.5) / h of the way down from the zenith; turned by 90 degrees, column c
    // is seen a quarter turn further on. The picture's centre column looks along -z.
    lighting.environment = EnvironmentKind::Picture;
    const auto picture = std::make_shared<EnvironmentPicture>(NumberedPicture(8, 5));
    for (const float rotation : {0.0f, 90.0f, -270.0f}) {
        lighting.picture_rotation = rotation;
        const EnvironmentLookup lookup(lighting, picture);
        const int shift = rotation == 0.0f ? 0 : 2;
        for (int y = 0; y < 5; ++y) {
            for (int x = 0; x < 8; ++x) {
                const double turns = (x + shift + 0.5) / 8 * 2 * std::numbers::pi;
                const double polar = (y + 0.5) / 5 * std::numbers::pi;
                const Vec3f d{static_cast<float>(std::sin(polar) * std::sin(turns)),
                              static_cast<float>(std::cos(polar)),
                              static_cast<float>(std::sin(polar) * std::cos(turns))};
                ASSERT_EQ(lookup.Seen(d), picture->Texel(x, y)) << x << "," << y << " " << rotation;
            }
        }
    }
    lighting.picture_rotation = 0;
    const auto odd = std::make_shared<EnvironmentPicture>(NumberedPicture(9, 5));
    EXPECT_EQ(EnvironmentLookup(lighting, odd).Seen({0, 0, -1}), odd->Texel(4, 2));
    // A single texel is seen all round; no picture, or an empty one, is black.
    const auto one = std::make_shared<EnvironmentPicture>(NumberedPicture(1, 1));
    EXPECT_EQ(EnvironmentLookup(lighting, one).Seen(Normalised({0.3f, -0.9f, 0.1f})),
              one->Texel(0, 0));
    EXPECT_TRUE(EnvironmentLookup(lighting, nullptr).IsBlack());
    EXPECT_TRUE(EnvironmentLookup(lighting, std::make_shared<EnvironmentPicture>()).IsBlack());
}

TEST(Environment, RaysThatHitNothingAndMirrorsShowIt) {
    // A mirror ball, unlit, before nothing: in a gradient its top shows more of the zenith
    // than its bottom; pixels that miss it show the environment of their own direction.
    Scene scene;
    scene.Lights().clear();
    scene.ambient_light = {0, 0, 0, 0};
    SceneNode* ball = scene.CreateNode(ObjectType::Sphere, {0, 0, 0});
    ball->position = {0, 0, 0};
    ball->ComputeParentFromNode();
    ball->material.reflective_strength = 1.0f;
    ball->material.ambient = {0, 0, 0};
    SceneLighting lighting;
    lighting.environment = EnvironmentKind::Gradient;
    lighting.horizon = {1.0f, 0.5f, 0.0f};
    lighting.zenith = {0.0f, 0.5f, 1.0f};
    RenderOptions options;
    options.seed = 4;
    options.sampling = ProductionSampling::Pixel;
    options.lighting = lighting;
    for (const RenderQuality quality : {RenderQuality::Draft, RenderQuality::Production}) {
        const RenderCamera camera = Camera(40, 40, quality, {0, 0, 8});
        RayTracer tracer(scene, camera, nullptr, options);
        CollectingSink sink(40, 40);
        tracer.Render(sink);
        const auto top = sink.image.Pixel(20, 16), bottom = sink.image.Pixel(20, 24);
        EXPECT_GT(top[2], bottom[2] + 40);
        EXPECT_LT(top[0] + 40, bottom[0]);
        // A corner pixel has no candidates: in Production it has exactly the colour of its
        // centre's direction, in Draft the mean of its corners' (within a step of it here).
        const std::uint32_t packed =
            PackColour(tracer.Environment().Seen(tracer.PrimaryDirection(1.5f, 0.5f)));
        const auto pixel = sink.image.Pixel(1, 0);
        const int slack = quality == RenderQuality::Draft ? 1 : 0;
        EXPECT_NEAR(pixel[0], packed & 0xFF, slack);
        EXPECT_NEAR(pixel[2], (packed >> 16) & 0xFF, slack);
    }
}

// Renders the picture, or only `rect` of it.
RenderImage RenderPart(const Scene& scene, const RenderCamera& camera, RenderOptions options,
                       std::optional<PixelRect> rect = std::nullopt) {
    options.region = rect;
    RayTracer tracer(scene, camera, nullptr, options);
    CollectingSink sink(camera.width, camera.height);
    tracer.Render(sink);
    return sink.image;
}

TEST(SoftLightRender, HardWhenAskedAndTheSameHoweverTheWorkIsShared) {
    // A sphere light acts as a point light with one sample, a radius of 0, a radius that holds
    // the whole scene, and in Draft.
    Scene scene;
    tracer_test::AddStillLife(scene);
    AddBox(scene, {0, -1.2, 0}, {8, 0.2, 8});
    scene.InsertLight(LightKind::Point, {-2, 6, 4});
    RenderOptions options;
    options.seed = 9;
    options.sampling = ProductionSampling::Pixel;
    const RenderCamera production = Camera(24, 18, RenderQuality::Production);
    const RenderImage point = RenderPart(scene, production, options);
    const RenderImage point_draft = RenderPart(scene, Camera(24, 18), options);
    scene.Lights().back().kind = LightKind::Sphere;
    for (const auto& [samples, radius] :
         std::vector<std::pair<int, float>>{{1, 0.8f}, {16, 0.0f}, {16, 1e7f}, {0, 0.8f}}) {
        scene.Lights().back().size = radius;
        scene.lighting.soft_shadow_samples = samples;
        ExpectSamePicture(RenderPart(scene, production, options), point,
                          std::to_string(samples) + " samples, radius " + std::to_string(radius));
    }
    scene.Lights().back().size = 1.5f;
    scene.lighting.soft_shadow_samples = 16;
    ExpectSamePicture(RenderPart(scene, Camera(24, 18), options), point_draft, "draft");

    // With soft shadows, occlusion and a sky: one picture for 1, 2 and 3 threads and for a
    // render put together from regions.
    scene.lighting.occlusion = true;
    scene.lighting.occlusion_samples = 8;
    scene.lighting.environment = EnvironmentKind::Gradient;
    scene.lighting.horizon = {0.8f, 0.8f, 0.7f};
    scene.lighting.zenith = {0.2f, 0.4f, 0.9f};
    const RenderImage whole = RenderPart(scene, production, options);
    EXPECT_FALSE(whole.Row(12) == point.Row(12));
    for (const int threads : {2, 3}) {
        options.threads = threads;
        ExpectSamePicture(RenderPart(scene, production, options), whole, "threads");
        RenderImage assembled(24, 18);
        for (const PixelRect& r : {PixelRect{0, 0, 24, 5}, {0, 5, 9, 18}, {9, 5, 24, 18}}) {
            const RenderImage part = RenderPart(scene, production, options, r);
            for (int y = r.y0; y < r.y1; ++y)
                for (int x = r.x0; x < r.x1; ++x) {
                    const auto p = part.Pixel(x, y);
                    assembled.SetPixel(x, y, p[0], p[1], p[2]);
                }
        }
        ExpectSamePicture(assembled, whole, "regions");
    }
}

}  // namespace
}  // namespace kelto
