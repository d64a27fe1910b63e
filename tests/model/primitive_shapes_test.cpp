// Geometric truths about the primitive solids' meshes, in each shape's own coordinates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <set>
#include <tuple>

#include "model/shapes.h"

namespace kelto {
namespace {

struct Built {
    Mesh display;
    Mesh render;
    BoundingBox box;
};

Built Build(ObjectType type) {
    Built built;
    std::unique_ptr<Shape> shape = MakePrimitiveShape(type);
    EXPECT_TRUE(shape->BuildDisplayMesh(built.display, built.box));
    EXPECT_TRUE(shape->BuildRenderMesh(built.render));
    return built;
}

double Radial(const DisplayVertex& v) {
    return std::hypot(v.x, v.y);
}

Vec3 PositionOf(const DisplayVertex& v) {
    return {v.x, v.y, v.z};
}
Vec3 NormalOf(const DisplayVertex& v) {
    return {v.nx, v.ny, v.nz};
}

class EveryPrimitive : public testing::TestWithParam<ObjectType> {};

// One winding for every shape, so that the views and the tracer can rely on it.
TEST_P(EveryPrimitive, MeshIsWellFormedAndWoundCounterClockwiseSeenFromItsNormals) {
    const Built built = Build(GetParam());
    const Mesh& mesh = built.display;
    ASSERT_GT(mesh.TriangleCount(), 0u);
    ASSERT_EQ(mesh.indices.size() % 3, 0u);
    for (std::uint16_t index : mesh.indices)
        ASSERT_LT(index, mesh.vertices.size());
    for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
        const DisplayVertex& a = mesh.vertices[mesh.indices[t]];
        const DisplayVertex& b = mesh.vertices[mesh.indices[t + 1]];
        const DisplayVertex& c = mesh.vertices[mesh.indices[t + 2]];
        EXPECT_FALSE(a.Position() == b.Position() || b.Position() == c.Position() ||
                     a.Position() == c.Position())
            << "triangle " << t / 3;
        const Vec3 face = Cross(PositionOf(b) - PositionOf(a), PositionOf(c) - PositionOf(a));
        EXPECT_GT(Dot(face, NormalOf(a) + NormalOf(b) + NormalOf(c)), 0.0) << "triangle " << t / 3;
    }
    for (const DisplayVertex& v : mesh.vertices) {
        EXPECT_NEAR(NormalOf(v).Length(), 1.0, 1e-5);
        EXPECT_EQ(v.normal_valid, 1.0f);
    }
    // The render mesh is the same tessellation; the box is the box of the vertices.
    EXPECT_EQ(built.render.vertices.size(), mesh.vertices.size());
    EXPECT_EQ(built.render.indices, mesh.indices);
    EXPECT_EQ(built.box, mesh.Box());
}

TEST_P(EveryPrimitive, PlacementRestsTheSolidOnTheFloor) {
    const ObjectType type = GetParam();
    const PrimitivePlacement placement = PlacementOf(type);
    Matrix4 world;
    world.Translate({0, placement.lift, 0});
    world.Rotate(placement.x_rotation_degrees, {1, 0, 0});
    float lowest = 1e9f;
    for (const DisplayVertex& v : Build(type).display.vertices)
        lowest = std::min(lowest, world.TransformPoint(v.Position()).y);
    // The sphere's lowest sample lies 10 degrees above its true bottom.
    const bool lifted = type != ObjectType::Hyperboloid && type != ObjectType::Superquadric;
    EXPECT_NEAR(lowest, lifted ? 0.0f : -1.0f, type == ObjectType::Sphere ? 0.016f : 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Primitives, EveryPrimitive, testing::ValuesIn(kPrimitiveTypes),
                         [](const testing::TestParamInfo<ObjectType>& info) {
                             return std::string(NameBase(info.param));
                         });

TEST(Sphere, WeldingSharesNeighbouringCellsCorners) {
    // 19 x 19 samples, each corner of up to six triangles. Welding makes one vertex of each
    // sample; a sample whose bucket another sample took first is repeated, and with 361
    // samples in 32768 buckets that happens to very few.
    const Mesh mesh = Build(ObjectType::Sphere).display;
    std::set<std::tuple<float, float>> parameters;
    for (const DisplayVertex& v : mesh.vertices)
        parameters.insert({v.s, v.t});
    // Every sample but one at each pole, whose triangles are all degenerate.
    EXPECT_EQ(parameters.size(), 19u * 19u - 2u);
    EXPECT_LE(mesh.vertices.size(), 19u * 19u + 20u);
    // 18 x 18 cells, two triangles each, less the degenerate triangle at each pole cell.
    EXPECT_EQ(mesh.TriangleCount(), 18u * 18u * 2u - 2u * 18u);
}

// Every vertex on its solid's surface: the tube of radius 0.3 round the circle of radius 0.7,
// side walls and flat caps or bases, a rounded body inside the unit cube.
TEST(EveryPrimitive, VerticesLieOnTheirSurface) {
    const auto near = [](double a, double b) { return std::fabs(a - b) < 1e-5; };
    const std::pair<ObjectType, std::function<bool(const DisplayVertex&)>> cases[] = {
        {ObjectType::Sphere,
         [&](const DisplayVertex& v) {
             return near(PositionOf(v).Length(), 1) && Dot(NormalOf(v), PositionOf(v)) > 0.95;
         }},
        {ObjectType::Torus,
         [&](const DisplayVertex& v) {
             const double d = Radial(v) - 0.7;
             const Vec3 centre{v.x * 0.7 / Radial(v), v.y * 0.7 / Radial(v), 0};
             return near(d * d + v.z * v.z, 0.09) && Dot(NormalOf(v), PositionOf(v) - centre) > 0;
         }},
        {ObjectType::Cylinder,
         [&](const DisplayVertex& v) {
             return (near(Radial(v), 1) && std::fabs(v.z) <= 1 + 1e-6) ||
                    (near(std::fabs(v.z), 1) && Radial(v) <= 1 + 1e-6);
         }},
        {ObjectType::Cone,
         [&](const DisplayVertex& v) {
             return near(Radial(v), (1 - v.z) / 2) || (near(v.z, -1) && Radial(v) <= 1 + 1e-6);
         }},
        {ObjectType::Paraboloid,
         [&](const DisplayVertex& v) {
             return near(v.z, 1 - 2 * Radial(v) * Radial(v)) ||
                    (near(v.z, -1) && Radial(v) <= 1 + 1e-6);
         }},
        {ObjectType::Superquadric,
         [](const DisplayVertex& v) {
             const double m = std::max({std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
             return m <= 1 + 1e-6 && std::fabs(v.x) + std::fabs(v.y) + std::fabs(v.z) < 2.9;
         }},
    };
    for (const auto& [type, on_surface] : cases)
        for (const DisplayVertex& v : Build(type).display.vertices)
            ASSERT_TRUE(on_surface(v)) << NameBase(type) << ' ' << v.x << ',' << v.y << ',' << v.z;
    // The cylinder keeps both rims sharp; the hyperboloid's waist is narrower than its rims.
    int rim_vertices = 0;
    for (const DisplayVertex& v : Build(ObjectType::Cylinder).display.vertices)
        rim_vertices += near(Radial(v), 1) && near(std::fabs(v.z), 1) ? 1 : 0;
    EXPECT_GE(rim_vertices, 2 * 19);
    double waist = 10.0, rim = 0.0;
    for (const DisplayVertex& v : Build(ObjectType::Hyperboloid).display.vertices) {
        waist = std::fabs(v.z) < 0.1 ? std::min(waist, Radial(v)) : waist;
        rim = std::fabs(std::fabs(v.z) - 1.0) < 0.05 ? std::max(rim, Radial(v)) : rim;
    }
    EXPECT_LT(waist, 0.8);
    EXPECT_GT(rim, 0.95);
}

TEST(Cube, HasTwelveFlatTrianglesWithSixFaceNormals) {
    const Built cube = Build(ObjectType::Cube);
    EXPECT_EQ(cube.display.TriangleCount(), 12u);
    EXPECT_EQ(cube.display.vertices.size(), 24u);
    std::set<std::tuple<float, float, float>> normals;
    for (std::size_t t = 0; t < cube.display.indices.size(); t += 3) {
        const DisplayVertex& a = cube.display.vertices[cube.display.indices[t]];
        for (int k = 1; k < 3; ++k) {
            const DisplayVertex& other = cube.display.vertices[cube.display.indices[t + k]];
            EXPECT_EQ(NormalOf(other), NormalOf(a));
        }
        // Every corner lies in its face's plane.
        EXPECT_FLOAT_EQ(Dot(PositionOf(a), NormalOf(a)), 1.0f);
        normals.insert({a.nx, a.ny, a.nz});
    }
    EXPECT_EQ(normals.size(), 6u);
    EXPECT_EQ(cube.box.min, (Vec3f{-1, -1, -1}));
    EXPECT_EQ(cube.box.max, (Vec3f{1, 1, 1}));
}

TEST(Cube, SurfaceMeshFlagFallsBackToTheSurfaceTessellation) {
    CubeShape cube;
    cube.cube_surface_mesh = 1;
    Mesh mesh;
    BoundingBox box;
    ASSERT_TRUE(cube.BuildDisplayMesh(mesh, box));
    EXPECT_GT(mesh.TriangleCount(), 12u);
    EXPECT_NEAR(box.max.x, 1.0f, 1e-5f);
    EXPECT_NEAR(box.min.z, -1.0f, 1e-5f);
}

TEST(Shape, SurfaceThatCannotBeEvaluatedGivesEmptyMeshAndBox) {
    SphereShape sphere;
    sphere.surface.net.pop_back();
    Mesh mesh;
    BoundingBox box;
    EXPECT_FALSE(sphere.BuildDisplayMesh(mesh, box));
    EXPECT_TRUE(mesh.vertices.empty());
    EXPECT_TRUE(box.IsEmpty());
    SphereShape too_fine;
    too_fine.steps = 100000;
    EXPECT_FALSE(too_fine.BuildRenderMesh(mesh));
}

}  // namespace
}  // namespace kelto
