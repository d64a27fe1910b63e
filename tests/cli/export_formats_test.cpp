// STL and glTF exports: closed solids that a slicer takes as closed shells facing outwards, in
// the chosen unit, and open ones named; the glTF's tree, placements, materials, cameras and
// wide meshes as the scene has them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>

#include "../temporary_directory.h"
#include "document/document_core.h"
#include "files/file_io.h"
#include "files/scene_export.h"
#include "files/stl_writer.h"
#include "model/child_list.h"

namespace kelto {
namespace {

struct StlFile {
    std::vector<std::array<std::uint32_t, 3>> facets;
    std::vector<std::array<float, 3>> points;
};

// Reads a binary STL, its corners at the same position made one, as a slicer does.
StlFile ReadStl(const std::string& path) {
    const std::vector<std::uint8_t> bytes = *ReadWholeFile(path);
    std::uint32_t count = 0;
    std::memcpy(&count, bytes.data() + 80, 4);
    EXPECT_EQ(bytes.size(), 84 + 50 * std::size_t{count});
    StlFile file;
    std::map<std::array<float, 3>, std::uint32_t> index;
    for (std::size_t f = 0; f < count; ++f) {
        std::array<std::uint32_t, 3> facet{};
        for (std::size_t c = 0; c < 3; ++c) {
            std::array<float, 3> p{};
            std::memcpy(p.data(), bytes.data() + 84 + 50 * f + 12 + 12 * c, 12);
            const auto [at, added] =
                index.emplace(p, static_cast<std::uint32_t>(file.points.size()));
            if (added) {
                file.points.push_back(p);
            }
            facet[c] = at->second;
        }
        file.facets.push_back(facet);
    }
    return file;
}

// Positive for a closed shell whose facets face outwards.
double Volume(const StlFile& file) {
    double six_volumes = 0.0;
    for (const auto& f : file.facets) {
        const auto& a = file.points[f[0]];
        const auto& b = file.points[f[1]];
        const auto& c = file.points[f[2]];
        six_volumes += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                       a[2] * (b[0] * c[1] - b[1] * c[0]);
    }
    return six_volumes / 6.0;
}

// A cube spans [-1, 1] x [0, 2] x [-1, 1]: 8 cubic units.
TEST(StlExport, SolidsAreClosedShellsFacingOutwardsInTheChosenUnit) {
    test::TemporaryDirectory dir;
    struct Case {
        const char* name;
        ObjectType type;
        Vec3 scale;
        ExportUnit unit;
        double volume;  // 0: only its sign is known
    };
    const Case cases[] = {
        {"cube", ObjectType::Cube, {1, 1, 1}, ExportUnit::Millimetre, 8.0},
        {"cube in metres", ObjectType::Cube, {1, 1, 1}, ExportUnit::Metre, 8e9},
        {"mirrored cube", ObjectType::Cube, {-1, 2, 1}, ExportUnit::Millimetre, 16.0},
        {"sphere", ObjectType::Sphere, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"torus", ObjectType::Torus, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"cone", ObjectType::Cone, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"cylinder", ObjectType::Cylinder, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"paraboloid", ObjectType::Paraboloid, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"hyperboloid", ObjectType::Hyperboloid, {1, 1, 1}, ExportUnit::Millimetre, 0},
        {"superquadric", ObjectType::Superquadric, {1, 1, 1}, ExportUnit::Millimetre, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        SceneNode* node = scene.CreateNode(c.type, {0, 0, 0});
        node->scale = c.scale;
        node->ComputeParentFromNode();
        ExportOptions options;
        options.unit = c.unit;
        const Result<ExportReport> report = WriteSceneAs(scene, dir.File("solid.stl"), options);
        ASSERT_TRUE(report.ok());
        EXPECT_TRUE(report->warnings.empty());
        const StlFile file = ReadStl(dir.File("solid.stl"));
        EXPECT_TRUE(IsClosedShell(file.facets));
        EXPECT_GT(Volume(file), 0.0);
        if (c.volume > 0) {
            EXPECT_NEAR(Volume(file), c.volume, c.volume * 1e-6);
        }
    }
}

// A cube with a corner cut away by another cube (8 - 1.2^3), and by a ball, whose cut edges
// on the cube's faces stop short of the ball's: its operands make one closed solid either way.
TEST(StlExport, TrimResultsAreOneClosedSolid) {
    for (const auto& [cutter, volume] :
         {std::pair{ObjectType::Cube, 8.0 - 1.2 * 1.2 * 1.2}, std::pair{ObjectType::Sphere, 0.0}}) {
        SCOPED_TRACE(static_cast<int>(cutter));
        test::TemporaryDirectory dir;
        DocumentCore doc;
        doc.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        const NodeId cutter_id = doc.InsertObject(cutter, {0, 0, 0}, true);
        doc.DragMoveNode(cutter_id, {0.8, 0.8, 0.8});
        doc.EndDrag();
        ASSERT_TRUE(doc.Trim().ok());
        const Result<ExportReport> report = WriteSceneAs(doc.GetScene(), dir.File("trim.stl"));
        ASSERT_TRUE(report.ok());
        EXPECT_EQ(report->objects, 1);
        EXPECT_TRUE(report->warnings.empty());
        const StlFile file = ReadStl(dir.File("trim.stl"));
        EXPECT_TRUE(IsClosedShell(file.facets));
        if (volume > 0) {
            EXPECT_NEAR(Volume(file), volume, 1e-4);
        } else {
            // The ball cuts away less than itself and more than an eighth of itself.
            EXPECT_GT(Volume(file), 8.0 - 4.0 * M_PI / 3.0);
            EXPECT_LT(Volume(file), 8.0 - M_PI / 6.0);
        }
    }
}

TEST(StlExport, OpenSurfacesAreNamedAndStillWritten) {
    test::TemporaryDirectory dir;
    Scene scene;
    scene.CreateNode(ObjectType::Sphere, {4, 0, 0});
    SceneNode* open = scene.CreateNode(ObjectType::Cube, {0, 0, 0});
    open->display_mesh.indices.resize(open->display_mesh.indices.size() - 3);
    const Result<ExportReport> report = WriteSceneAs(scene, dir.File("open.stl"));
    ASSERT_TRUE(report.ok());
    ASSERT_EQ(report->warnings.size(), 1u);
    EXPECT_NE(report->warnings[0].text.find("Cube1"), std::string::npos);
    EXPECT_EQ(report->warnings[0].text.find("Sphere1"), std::string::npos);
    EXPECT_FALSE(IsClosedShell(ReadStl(dir.File("open.stl")).facets));
}

const nlohmann::json& Named(const nlohmann::json& list, const std::string& name) {
    for (const nlohmann::json& item : list) {
        if (item.value("name", "") == name) {
            return item;
        }
    }
    ADD_FAILURE() << "nothing named " << name;
    return list[0];
}

Vec3 Translation(const nlohmann::json& node) {
    const auto t = node.value("translation", std::vector<double>{0, 0, 0});
    return {t[0], t[1], t[2]};
}

// A group of a sphere with a name beyond ASCII and a shiny glass cube, a camera and a mesh too wide
// for 16-bit indices.
TEST(GltfExport, KeepsTreePlacementsMaterialsCamerasAndWideMeshes) {
    test::TemporaryDirectory dir;
    Scene scene;
    SceneNode* sphere = scene.CreateNode(ObjectType::Sphere, {3, 0, 1});
    ASSERT_TRUE(scene.RenameNode(*sphere, "Sph\xe8re").ok());  // Latin-1, as the scene keeps it
    SceneNode* cube = scene.CreateNode(ObjectType::Cube, {-2, 0, 0});
    cube->material.colour = {0.5f, 0.25f, 1.0f};
    cube->material.brightness = 0.5f;
    cube->material.shininess = 0.75f;
    cube->material.reflective_strength = 0.25f;
    cube->material.transparency = 0.5f;
    cube->material.index_of_refraction = 1.33f;
    scene.SelectOnly(*sphere);
    scene.AddToSelection(*cube);
    ASSERT_NE(scene.GroupSelected(), nullptr);
    SceneNode* wide = *scene.AddNode(ObjectType::Sphere, "Wide");
    for (std::size_t i = 0; i < kMaxMeshVertices; ++i) {
        wide->display_mesh.vertices.push_back(
            {static_cast<float>(i % 256), static_cast<float>(i / 256), 0, 0, 0, 1, 1, 0, 0});
    }
    for (std::uint16_t i : {0, 1, 256, 65279, 65535, 65534}) {
        wide->display_mesh.indices.push_back(i);
    }
    LinkChild(scene.Root(), *wide);
    ExportOptions options;
    options.cameras.push_back({"Front", {0, 0, 10}, {0, 0, 0}, 35.0});

    ASSERT_TRUE(WriteSceneAs(scene, dir.File("scene.gltf"), options).ok());
    const nlohmann::json gltf = nlohmann::json::parse(*ReadWholeFile(dir.File("scene.gltf")));
    const std::vector<std::uint8_t> bin = *ReadWholeFile(dir.File("scene.bin"));
    EXPECT_EQ(gltf["buffers"][0]["byteLength"], bin.size());
    const nlohmann::json& nodes = gltf["nodes"];

    const nlohmann::json& group = Named(nodes, "Group1");
    ASSERT_EQ(group["children"].size(), 2u);
    for (const auto& [member, utf8_name] :
         {std::pair{sphere, "Sph\xc3\xa8re"}, std::pair{cube, "Cube1"}}) {
        const nlohmann::json& node = Named(nodes, utf8_name);
        const Vec3 world = Translation(group) + Translation(node);
        Matrix4 world_from_member = scene.FindNode("Group1")->ComposeParentFromNode();
        world_from_member.Multiply(member->ComposeParentFromNode());
        EXPECT_NEAR(world.x, world_from_member[12], 1e-6);
        EXPECT_NEAR(world.y, world_from_member[13], 1e-6);
        EXPECT_NEAR(world.z, world_from_member[14], 1e-6);
        const nlohmann::json& primitive = gltf["meshes"][node["mesh"].get<int>()]["primitives"][0];
        EXPECT_EQ(gltf["accessors"][primitive["attributes"]["POSITION"].get<int>()]["count"],
                  member->display_mesh.vertices.size());
    }

    const nlohmann::json& glass =
        gltf["materials"]
            [gltf["meshes"][Named(nodes, "Cube1")["mesh"].get<int>()]["primitives"][0]["material"]
                 .get<int>()];
    const auto base = glass["pbrMetallicRoughness"]["baseColorFactor"].get<std::vector<double>>();
    EXPECT_EQ(base, (std::vector<double>{0.25, 0.125, 0.5, 1.0}));
    EXPECT_DOUBLE_EQ(glass["pbrMetallicRoughness"]["roughnessFactor"], 0.25);
    EXPECT_DOUBLE_EQ(glass["pbrMetallicRoughness"]["metallicFactor"], 0.25);
    EXPECT_DOUBLE_EQ(glass["extensions"]["KHR_materials_transmission"]["transmissionFactor"], 0.5);
    EXPECT_NEAR(glass["extensions"]["KHR_materials_ior"]["ior"].get<double>(), 1.33, 1e-6);

    const nlohmann::json& camera = gltf["cameras"][Named(nodes, "Front")["camera"].get<int>()];
    EXPECT_NEAR(camera["perspective"]["yfov"].get<double>(), std::atan(43.26 / 70.0), 1e-12);

    const nlohmann::json& indices =
        gltf["accessors"]
            [gltf["meshes"][Named(nodes, "Wide")["mesh"].get<int>()]["primitives"][0]["indices"]
                 .get<int>()];
    ASSERT_EQ(indices["componentType"], 5125);  // 32-bit: 65535 is no index in 16 bits
    const nlohmann::json& view = gltf["bufferViews"][indices["bufferView"].get<int>()];
    std::array<std::uint32_t, 6> written{};
    std::memcpy(written.data(), bin.data() + view.value("byteOffset", 0), sizeof written);
    EXPECT_EQ(written, (std::array<std::uint32_t, 6>{0, 1, 256, 65279, 65535, 65534}));
}

}  // namespace
}  // namespace kelto
