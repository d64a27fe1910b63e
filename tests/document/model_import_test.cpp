// Other programs' model files imported into the document: counts, places, tree and materials
// of small files made here, meshes cut at 16-bit indices, and damaged files refused or read
// sanely with the scene unchanged on refusal.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <sstream>
#include <tuple>

#include "../fuzz/model_samples.h"
#include "../temporary_directory.h"
#include "document/document_core.h"
#include "files/file_io.h"
#include "files/image_files.h"
#include "files/model_import.h"
#include "files/scene_export.h"
#include "model/child_list.h"
#include "model/placement_walk.h"

namespace kelto {
namespace {

namespace samples = model_samples;
using samples::Bytes;

// Every triangle corner of the scene's leaves in world space, in the order of the tree.
std::vector<Vec3f> WorldPoints(const DocumentCore& document) {
    std::vector<Vec3f> points;
    ForEachLeaf(document.GetScene().Root(), Matrix4{}, LeafRule::Childless,
                [&](const Placement& placed) {
                    const Mesh& mesh = placed.node.display_mesh;
                    for (const std::uint16_t i : mesh.indices) {
                        points.push_back(
                            placed.world_from_node.TransformPoint(mesh.vertices[i].Position()));
                    }
                });
    return points;
}

// Every triangle corner of the scene in world space, in thousandths, sorted.
std::vector<std::array<long, 3>> WorldCorners(const DocumentCore& document) {
    std::vector<std::array<long, 3>> corners;
    for (const Vec3f& p : WorldPoints(document))
        corners.push_back(
            {std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)});
    std::sort(corners.begin(), corners.end());
    return corners;
}

std::size_t Triangles(const DocumentCore& document) {
    return WorldCorners(document).size() / 3;
}

void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

// The names of a node's children, groups with their members in brackets.
std::string TreeText(const SceneNode& node) {
    std::string text;
    for (const SceneNode* child : ChildrenOf(node)) {
        text += (text.empty() ? "" : ",") + child->name;
        if (child->type == ObjectType::Group) {
            text += "(" + TreeText(*child) + ")";
        }
    }
    return text;
}

TEST(ModelImport, EachFormatGivesItsTrianglesInOneUndoableStep) {
    const struct {
        const char* name;
        Bytes bytes;
        std::size_t triangles;
    } files[] = {{"a.obj", samples::Obj(), 3},       {"b.stl", samples::AsciiStl(), 2},
                 {"c.stl", samples::BinaryStl(), 3}, {"d.ply", samples::Ply(), 3},
                 {"e.gltf", samples::Gltf(), 2},     {"f.glb", samples::Glb(), 2}};
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        DocumentCore document;
        const auto made = document.ImportModelBytes(file.bytes, file.name);
        ASSERT_TRUE(made.ok()) << made.status().text;
        ASSERT_EQ(made->objects.size(), 1u);
        EXPECT_TRUE(document.Node(made->objects[0])->selected);
        EXPECT_EQ(Triangles(document), file.triangles);
        EXPECT_EQ(document.UndoText(), "Undo Import " + std::string(file.name));
        ASSERT_TRUE(document.Undo().ok());
        EXPECT_EQ(document.GetScene().NodeCount(), 1u);
    }
}

// The glTF sample's node "Body" at (2, 0, 0) shows its triangle raised (Left) and doubled
// (Right); its camera and spot light come along placed by their nodes.
TEST(ModelImport, GltfTreeBecomesGroupsWithPlacesMaterialsCameraAndLight) {
    for (const auto& [name, bytes] :
         {std::pair{"scene.gltf", samples::Gltf()}, std::pair{"scene.glb", samples::Glb()}}) {
        DocumentCore document;
        const auto made = document.ImportModelBytes(bytes, name);
        ASSERT_TRUE(made.ok()) << made.status().text;
        const std::vector<std::array<long, 3>> expected = [] {
            std::vector<std::array<long, 3>> c = {{2000, 1000, 0}, {3000, 1000, 0},
                                                  {2000, 2000, 0}, {2000, 0, 0},
                                                  {4000, 0, 0},    {2000, 2000, 0}};
            std::sort(c.begin(), c.end());
            return c;
        }();
        EXPECT_EQ(WorldCorners(document), expected);
        const SceneNode* left = document.Node(document.NodeNamed("Left"));
        ASSERT_NE(left, nullptr);
        EXPECT_EQ(left->type, ObjectType::Mesh);
        EXPECT_EQ(document.GetScene().ParentOf(*left)->type, ObjectType::Group);
        EXPECT_EQ(left->material.colour, (ColourRgb{1, 0, 0}));
        EXPECT_FLOAT_EQ(left->material.shininess, 0.5f);
        EXPECT_FLOAT_EQ(left->material.reflective_strength, 0.25f);
        ASSERT_EQ(document.Views().size(), 1u);
        EXPECT_NEAR(document.Views()[0].eye.x, 2.0, 1e-6);
        EXPECT_NEAR(document.Views()[0].eye.z, 10.0, 1e-6);
        EXPECT_NEAR(document.Views()[0].direction.z, -1.0, 1e-6);
        const Light& lamp = document.GetScene().Lights().back();
        EXPECT_EQ(lamp.kind, LightKind::Spot);
        EXPECT_NEAR(lamp.position.y, 5.0, 1e-6);
        EXPECT_NEAR(lamp.spot_angle, 0.5 * 180 / 3.141592653589793, 0.01);
    }
}

TEST(ModelImport, ScaleMultipliesEveryCoordinate) {
    DocumentCore document;
    ASSERT_TRUE(document.ImportModelBytes(samples::BinaryStl(), "mm.stl", {.scale = 0.001}).ok());
    const auto corners = WorldCorners(document);
    EXPECT_EQ(corners.back(), (std::array<long, 3>{1, 1, 0}));  // (1, 1, 0) mm in metres
}

// A grid of side × side points with normals, as a binary PLY: its vertices are shared.
Bytes PlyGrid(int side) {
    const std::string header = "ply\nformat binary_little_endian 1.0\nelement vertex " +
                               std::to_string(side * side) +
                               "\nproperty float x\nproperty float y\nproperty float z\n"
                               "property float nx\nproperty float ny\nproperty float nz\n"
                               "element face " +
                               std::to_string(2 * (side - 1) * (side - 1)) +
                               "\nproperty list uchar int vertex_indices\nend_header\n";
    Bytes bytes(header.begin(), header.end());
    const auto put = [&bytes](const auto value) {
        const auto* raw = reinterpret_cast<const std::uint8_t*>(&value);
        bytes.insert(bytes.end(), raw, raw + sizeof value);
    };
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            for (const float f : {float(x), float(y), 0.0f, 0.0f, 0.0f, 1.0f}) {
                put(f);
            }
        }
    }
    for (int y = 0; y + 1 < side; ++y) {
        for (int x = 0; x + 1 < side; ++x) {
            const int at = y * side + x;
            for (const std::array<int, 3>& corners :
                 {std::array{at, at + 1, at + side},
                  std::array{at + 1, at + side + 1, at + side}}) {
                put(std::uint8_t{3});
                for (const int corner : corners) {
                    put(corner);
                }
            }
        }
    }
    return bytes;
}

// 30 000 separate triangles are 90 000 corners: more than one mesh can index. So are the
// 68 121 shared points of a grid, each piece naming its own copies of the points it uses.
// Saved in stretches, the scene's file holds what it holds in memory.
TEST(ModelImport, LargeMeshesAreCutAtSixteenBitIndices) {
    std::vector<samples::Triangle> triangles;
    for (int i = 0; i < 30000; ++i) {
        const auto x = static_cast<float>(i);
        triangles.push_back({x, 0, 0, x + 1, 0, 0, x, 1, 0});
    }
    DocumentCore document;
    const auto made = document.ImportModelBytes(samples::BinaryStl(triangles), "big.stl");
    ASSERT_TRUE(made.ok());
    const SceneNode& top = *document.Node(made->objects[0]);
    EXPECT_EQ(top.type, ObjectType::Group);
    EXPECT_EQ(ChildCount(top), 2u);
    for (const SceneNode* piece : ChildrenOf(top)) {
        EXPECT_LE(piece->display_mesh.vertices.size(), kMaxMeshVertices);
    }
    EXPECT_EQ(Triangles(document), 30000u);

    constexpr int kSide = 261;
    DocumentCore grid;
    const auto grid_made = grid.ImportModelBytes(PlyGrid(kSide), "grid.ply");
    ASSERT_TRUE(grid_made.ok()) << grid_made.status().text;
    const SceneNode& grid_top = *grid.Node(grid_made->objects[0]);
    EXPECT_EQ(ChildCount(grid_top), 2u);  // corners of their own would take seven
    for (const SceneNode* piece : ChildrenOf(grid_top)) {
        EXPECT_LE(piece->display_mesh.vertices.size(), kMaxMeshVertices);
    }
    std::vector<std::array<long, 3>> expected;
    for (int y = 0; y + 1 < kSide; ++y) {
        for (int x = 0; x + 1 < kSide; ++x) {
            for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 0}, {1, 1}, {0, 1}}) {
                expected.push_back({(x + dx) * 1000L, (y + dy) * 1000L, 0});
            }
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(WorldCorners(grid), expected);

    test::TemporaryDirectory folder;
    const std::string path = folder.File("grid.kel");
    ASSERT_TRUE(grid.Save(path).ok());
    const Result<Bytes> saved = ReadWholeFile(path);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(*saved, grid.SaveToBytes());
}

// A binary STL whose header starts with "solid", as many writers' do, is still binary. Read
// from its file a block at a time or from its bytes it is the same scene: two pieces, the
// facet with a broken corner left out, the colour of a Materialise header as the material's.
TEST(ModelImport, BinaryStlIsTheSameSceneFromItsFileOrItsBytes) {
    std::vector<samples::Triangle> triangles;
    for (int i = 0; i < 22000; ++i) {
        const auto x = static_cast<float>(i % 100);
        const auto y = static_cast<float>(i / 100);
        triangles.push_back({x, y, 0, x + 1, y, 0, x, y + 1, 0.5f});
    }
    triangles[5000][4] = std::nanf("");
    Bytes bytes = samples::BinaryStl(triangles);
    const std::string header = "solid part COLOR=";
    std::copy(header.begin(), header.end(), bytes.begin());
    const std::uint8_t colour[] = {255, 0, 0, 255};
    std::copy(std::begin(colour), std::end(colour), bytes.begin() + header.size());
    test::TemporaryDirectory folder;
    const std::string path = folder.File("part.stl");
    Write(path, bytes);

    DocumentCore from_file;
    const auto file_made = from_file.ImportObject(path);
    ASSERT_TRUE(file_made.ok()) << file_made.status().text;
    EXPECT_EQ(file_made->warnings.size(), 1u);
    EXPECT_EQ(Triangles(from_file), 21999u);
    const SceneNode& top = *from_file.Node(file_made->objects[0]);
    ASSERT_EQ(ChildCount(top), 2u);
    EXPECT_EQ(ChildrenOf(top)[0]->material.colour, (ColourRgb{1.0f, 0.0f, 0.0f}));
    DocumentCore from_bytes;
    ASSERT_TRUE(from_bytes.ImportModelBytes(bytes, "part.stl").ok());
    EXPECT_EQ(from_file.SaveToBytes(), from_bytes.SaveToBytes());
}

// An OBJ beside its MTL and picture: materials with their colours, the picture read through
// our readers, and a picture outside the file's folder or missing left out with a warning;
// libraries missing, outside the folder or not files are passed over.
TEST(ModelImport, ObjTakesItsMaterialLibraryAndPicturesFromItsFolderOnly) {
    test::TemporaryDirectory folder;
    std::filesystem::create_directory(folder.File("model"));
    RenderImage picture(4, 2);
    picture.SetPixel(0, 0, 255, 0, 0);
    ASSERT_TRUE(WritePng(picture, folder.File("model/skin.png")).ok());
    ASSERT_TRUE(WritePng(picture, folder.File("outside.png")).ok());
    Write(folder.File("model/m.mtl"),
          samples::FromText("newmtl Skin\nKd 0 1 0\nmap_Kd skin.png\n"
                            "newmtl Far\nKd 0 0 1\nmap_Kd ../outside.png\n"));
    std::filesystem::create_directory(folder.File("model/folder.mtl"));
    Write(folder.File("outside.mtl"), samples::FromText("newmtl Skin\nKd 1 0 0\n"));
    Write(folder.File("model/m.obj"),
          samples::FromText("mtllib missing.mtl folder.mtl\nmtllib m.mtl\nmtllib ../outside.mtl\n"
                            "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
                            "o A\nusemtl Skin\nf 1 2 3\no B\nusemtl Far\nf 1 2 4\n"));
    DocumentCore document;
    const auto made = document.ImportObject(folder.File("model/m.obj"));
    ASSERT_TRUE(made.ok()) << made.status().text;
    const Material& skin = document.Node(document.NodeNamed("A"))->material;
    EXPECT_EQ(skin.colour_source, 1);
    EXPECT_EQ(skin.colour, (ColourRgb{0, 1, 0}));
    ASSERT_TRUE(skin.colour_image);
    EXPECT_EQ(skin.colour_image->width, 4);
    const Material& far = document.Node(document.NodeNamed("B"))->material;
    EXPECT_EQ(far.colour_source, 0);
    EXPECT_EQ(far.colour, (ColourRgb{0, 0, 1}));
    ASSERT_EQ(made->warnings.size(), 1u);
    EXPECT_NE(made->warnings[0].text.find("../outside.png"), std::string::npos);
}

// The sample's parts as they come out: objects and groups as groups or mesh objects named as
// the library named them, each material's faces a mesh, negative indices counted back from the
// points read so far, and the L-shaped hexagon cut into four triangles that face +z and cover
// its area (a fan from its first corner would fold one over).
TEST(ModelImport, ObjReaderTakesObjectsMaterialsPolygonsAndIndicesAsWritten) {
    test::TemporaryDirectory folder;
    Write(folder.File("parts.mtl"),
          samples::FromText("newmtl Red\nKd 1 0 0\nnewmtl Blue\nKd 0 0 1\nd 0.25\n"));
    Write(folder.File("features.obj"), samples::ObjFeatures());
    DocumentCore document;
    const auto made = document.ImportObject(folder.File("features.obj"));
    ASSERT_TRUE(made.ok()) << made.status().text;
    EXPECT_TRUE(made->warnings.empty());
    EXPECT_EQ(Triangles(document), 7u);
    EXPECT_EQ(TreeText(*document.Node(made->objects[0])), "Ell(Ell1,Blue),Left Right,Tip");
    const SceneNode& ell = *document.Node(document.NodeNamed("Ell1"));
    EXPECT_EQ(ell.material.colour, (ColourRgb{1, 0, 0}));
    const Mesh& l_shape = ell.display_mesh;
    ASSERT_EQ(l_shape.TriangleCount(), 4u);
    double area = 0;
    for (std::size_t t = 0; t < l_shape.indices.size(); t += 3) {
        const Vec3f a = l_shape.vertices[l_shape.indices[t]].Position();
        const Vec3f b = l_shape.vertices[l_shape.indices[t + 1]].Position();
        const Vec3f c = l_shape.vertices[l_shape.indices[t + 2]].Position();
        const double facing = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        EXPECT_GT(facing, 0.0);
        area += 0.5 * facing;
    }
    EXPECT_NEAR(area, 3.0, 1e-6);
    const SceneNode& blue = *document.Node(document.NodeNamed("Blue"));
    EXPECT_EQ(blue.material.colour, (ColourRgb{0, 0, 1}));
    EXPECT_FLOAT_EQ(blue.material.transparency, 0.75f);
    EXPECT_EQ(blue.smooth, 1);
    EXPECT_EQ(blue.display_mesh.vertices.size(), 3u);
    const BoundingBox tip = document.Node(document.NodeNamed("Tip"))->display_mesh.Box();
    EXPECT_FLOAT_EQ(tip.max.z - tip.min.z, 1.0f);  // its last corner: the point read just before
}

// Our OBJ reader against the library's, on files both read alike (no concave faces or
// continued lines): the same tree, meshes, materials and corners (points, normals, texture
// coordinates) in the same order, over fewer vertices where the file shares them.
TEST(ModelImport, ObjReaderGivesTheLibrarysScene) {
    test::TemporaryDirectory folder;
    Write(
        folder.File("m.mtl"),
        samples::FromText("newmtl Red\nKa 0.1 0.2 0.3\nKd 1 0 0\nKs 0.5 0.5 0.5\nKe 0 0.2 0\n"
                          "Ns 64\nd 0.5\nNi 1.5\nillum 2\nnewmtl Blue\nKd 0 0 1\nTr 0.25\nPr 0.5\n"
                          "newmtl Last\nKd 0 1 0\n"));
    Write(folder.File("parts.obj"),
          samples::FromText("mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n"
                            "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\nvn 1 1 1\nf 1 2 3\no First\n"
                            "usemtl Red\nf 1 2 3 4\nusemtl Blue\nf 1/1/1 2/2/1 5/3/2\n"
                            "usemtl Red\nf 2 3 5\ng Side\nf 1 3 5\ng Side Two\nusemtl Blue\n"
                            "f -1//2 -2//2 -3//1\ng Side\nf 1 2 5\no First\nf 5 4 3\n"
                            "o Second\nusemtl Nowhere\nf 1/3 2/2 4/1\n"));
    DocumentCore original;
    original.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    original.InsertObject(ObjectType::Cube, {-3, 0, 1}, false);
    ASSERT_TRUE(WriteSceneAs(original.GetScene(), folder.File("kelto.obj")).ok());
    for (const char* name : {"parts.obj", "kelto.obj"}) {
        SCOPED_TRACE(name);
        const Result<ModelScene> ours = ReadModelFile(folder.File(name), {});
        const Result<ModelScene> library = ReadModelFileWithLibrary(folder.File(name), {});
        ASSERT_TRUE(ours.ok()) << ours.status().text;
        ASSERT_TRUE(library.ok()) << library.status().text;
        EXPECT_EQ(ours->triangles, library->triangles);
        const auto tree = [](const ModelScene& scene) {
            std::string text;
            for (const std::size_t child : scene.nodes[0].children) {
                const ModelNode& node = scene.nodes[child];
                text += node.name + "(";
                for (const std::size_t m : node.meshes) {
                    const ModelMesh& mesh = scene.meshes[m];
                    const Material& k = scene.materials[mesh.material];
                    std::ostringstream material;
                    for (const float value :
                         {k.colour.r, k.colour.g, k.colour.b, k.highlight.r, k.highlight.g,
                          k.highlight.b, k.ambient.r, k.ambient.g, k.ambient.b, k.glow.r, k.glow.g,
                          k.glow.b, k.transparency, k.index_of_refraction, k.shininess,
                          k.reflective_strength}) {
                        material << value << ' ';
                    }
                    text +=
                        mesh.name + (mesh.smooth ? " smooth " : " flat ") + material.str() + ";";
                }
                text += ")";
            }
            return text;
        };
        EXPECT_EQ(tree(*ours), tree(*library));
        // Every corner of every triangle, mesh by mesh.
        const auto corners = [](const ModelScene& scene) {
            std::vector<std::array<float, 8>> all;
            for (const ModelMesh& mesh : scene.meshes) {
                for (const Mesh& piece : mesh.pieces) {
                    for (const std::uint16_t i : piece.indices) {
                        const DisplayVertex& v = piece.vertices[i];
                        all.push_back({v.x, v.y, v.z, v.nx, v.ny, v.nz, v.s, v.t});
                    }
                }
            }
            return all;
        };
        const auto ours_corners = corners(*ours), library_corners = corners(*library);
        ASSERT_EQ(ours_corners.size(), library_corners.size());
        for (std::size_t i = 0; i < ours_corners.size(); ++i) {
            for (std::size_t k = 0; k < 8; ++k) {
                ASSERT_NEAR(ours_corners[i][k], library_corners[i][k], 1e-6f) << i << ' ' << k;
            }
        }
        // From memory the reader takes the file in small pieces, so lines cross its blocks.
        const auto bytes = ReadWholeFile(folder.File(name));
        ASSERT_TRUE(bytes.ok());
        const Result<ModelScene> from_memory = ReadModelBytes(*bytes, name, {});
        ASSERT_TRUE(from_memory.ok()) << from_memory.status().text;
        EXPECT_EQ(corners(*from_memory), ours_corners);
        std::size_t ours_vertices = 0, library_vertices = 0;
        for (const auto& mesh : ours->meshes) {
            for (const Mesh& piece : mesh.pieces) {
                ours_vertices += piece.vertices.size();
            }
        }
        for (const auto& mesh : library->meshes) {
            for (const Mesh& piece : mesh.pieces) {
                library_vertices += piece.vertices.size();
            }
        }
        // Kelto writes each vertex once for the faces to share; flat faces share none.
        if (std::string(name) == "kelto.obj") {
            EXPECT_LT(3 * ours_vertices, library_vertices);
        } else {
            EXPECT_EQ(ours_vertices, library_vertices);
        }
    }
}

// Smoothing groups: a corner naming no normal takes its point's within its group (the sum of
// the group's faces there); faces in no group stay flat. A roof whose sides meet at 90 degrees.
TEST(ModelImport, ObjSmoothingGroupsShareNormalsWithinAGroup) {
    const auto roof = [](const std::string& groups) {
        const std::string text = "v -1 0 0\nv -1 0 1\nv 0 1 0\nv 0 1 1\nv 1 0 0\nv 1 0 1\n" +
                                 groups.substr(0, groups.find('|')) + "f 1 2 4 3\n" +
                                 groups.substr(groups.find('|') + 1) + "f 3 4 6 5\n";
        const Result<ModelScene> scene = ReadModelBytes(samples::FromText(text), "roof.obj", {});
        if (!scene.ok() || scene->meshes.size() != 1) {
            ADD_FAILURE() << groups;
            return std::tuple(false, std::size_t{0}, std::size_t{0});
        }
        std::size_t ridge_up = 0;  // vertices at the ridge with the normal straight up
        for (const DisplayVertex& v : scene->meshes[0].pieces.at(0).vertices) {
            ridge_up += v.y == 1 && std::abs(v.ny - 1) < 1e-6f;
        }
        return std::tuple(scene->meshes[0].smooth, scene->meshes[0].pieces[0].vertices.size(),
                          ridge_up);
    };
    EXPECT_EQ(roof("s 1\n|"), std::tuple(true, std::size_t{6}, std::size_t{2}));
    EXPECT_EQ(roof("s 1\n|s 2\n"), std::tuple(true, std::size_t{8}, std::size_t{0}));
    EXPECT_EQ(roof("s 1\n|s off\n"), std::tuple(true, std::size_t{10}, std::size_t{0}));
    EXPECT_EQ(roof("|"), std::tuple(false, std::size_t{12}, std::size_t{0}));
}

// Damaged files: each refused with one message naming the file and the scene unchanged, or
// read with what is sound in it (no message).
TEST(ModelImport, DamagedFilesAreRefusedOrReadSanely) {
    Bytes truncated = samples::BinaryStl();
    truncated.resize(truncated.size() - 20);
    Bytes no_facets = samples::BinaryStl();
    no_facets.resize(84);
    std::fill(no_facets.begin() + 80, no_facets.end(), 0);
    Bytes claims_2gb = samples::BinaryStl();
    claims_2gb.resize(84);
    claims_2gb[83] = 0x02;  // 33 554 432 triangles claimed
    const float nan = std::nanf("");
    const Bytes half_nan =
        samples::BinaryStl({{0, 0, 0, 1, 0, 0, 0, 1, 0}, {nan, 0, 0, 1, 0, 0, 0, 1, 0}});
    const Bytes all_inf = samples::BinaryStl({{INFINITY, 0, 0, 1, 0, 0, 0, 1, 0}});
    std::string many_materials = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int i = 0; i < 100000; ++i) {
        many_materials += "usemtl m" + std::to_string(i) + "\nf 1 2 3\n";
    }
    // A face of 300 corners, and faces of 0, 1 and 2.
    std::string polygons, face = "f";
    for (int i = 0; i < 300; ++i) {
        const double angle = i * 2 * 3.141592653589793 / 300;
        polygons +=
            "v " + std::to_string(std::cos(angle)) + " " + std::to_string(std::sin(angle)) + " 0\n";
        face += " " + std::to_string(i + 1);
    }
    polygons += face + "\nf\nf 1\nf 1 2\n";
    const Bytes long_line = samples::FromText("v 0 0 0\n# " + std::string(3 << 20, 'x') + "\n");
    Bytes junk(4096);
    for (std::size_t i = 0; i < junk.size(); ++i) {
        junk[i] = static_cast<std::uint8_t>(0x80 | (i * 131 % 128));
    }
    // A binary PLY triangle whose last corner is `far`.
    const auto binary_ply = [](std::int32_t far) {
        Bytes bytes = samples::FromText(
            "ply\nformat binary_little_endian 1.0\nelement vertex 3\nproperty float x\n"
            "property float y\nproperty float z\nelement face 1\n"
            "property list uchar int vertex_indices\nend_header\n");
        const float points[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
        const std::int32_t corners[3] = {0, 1, far};
        const auto* p = reinterpret_cast<const std::uint8_t*>(points);
        bytes.insert(bytes.end(), p, p + sizeof points);
        bytes.push_back(3);
        const auto* c = reinterpret_cast<const std::uint8_t*>(corners);
        bytes.insert(bytes.end(), c, c + sizeof corners);
        return bytes;
    };
    EXPECT_TRUE(DocumentCore().ImportModelBytes(binary_ply(2), "good.ply").ok());
    Bytes glb_cut = samples::Glb();
    glb_cut.resize(glb_cut.size() / 2);
    Bytes glb_chunk_claim = samples::Glb();
    glb_chunk_claim[15] = 0xF9;  // the JSON chunk claims 4 GB (the library made room for it)
    const struct {
        const char* name;
        Bytes bytes;
        int message;  // 0: read, with this many triangles
        std::size_t triangles = 0;
    } cases[] = {
        {"cut.stl", truncated, kMsgModelReadFailed},
        {"claim.stl", claims_2gb, kMsgModelReadFailed},
        {"none.stl", no_facets, kMsgModelReadFailed},
        {"half.stl", half_nan, 0, 1},
        {"inf.stl", all_inf, kMsgModelEmpty},
        {"range.obj", samples::FromText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 9\n"),
         kMsgModelReadFailed},
        {"zero.ply",
         samples::FromText("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                           "property float y\nproperty float z\nelement face 2\n"
                           "property list uchar int vertex_indices\nend_header\n"
                           "0 0 0\n1 0 0\n0 1 0\n0\n3 0 1 2\n"),
         0, 1},  // a face without corners
        {"materials.obj", samples::FromText(many_materials), kMsgModelTooLarge},
        // The library makes room for as many vertices as a corner names (12 GB for 100 000 000).
        {"far.ply",
         samples::FromText("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                           "property float y\nproperty float z\nelement face 1\n"
                           "property list uchar int vertex_indices\nend_header\n"
                           "0 0 0\n1 0 0\n0 1 0\n3 0 1 1000\n"),
         kMsgModelReadFailed},
        {"far-binary.ply", binary_ply(-2), kMsgModelReadFailed},
        {"lines.obj", samples::FromText("v 0 0 0\nv 1 0 0\nf 1\nf 1 2\n"), kMsgModelEmpty},
        {"zero.obj", samples::FromText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 1 2\n"),
         kMsgModelReadFailed},
        {"back.obj", samples::FromText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n"),
         kMsgModelReadFailed},
        {"cut.obj", samples::FromText("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2"), kMsgModelEmpty},
        {"values.obj",
         samples::FromText("v nan 0 0\nv 1 0 0\nv 0 1 0\nv 1" + std::string(54, '0') +
                           "e-1 1 1\nv 3e38 -3e38 0\nv 0." + std::string(50, '0') +
                           "1 0 0\nv 1e999 0 0\nf 1 2 3\nf 2 3 4\nf 2 3 5\nf 2 5 3\n"
                           "f 6 2 3\nf 6 3 2\nf 2 3 7\n"),
         0, 4},  // faces with a point beyond a float left out; a point too small for one is 0  //
                 // the faces with a point not finite left out; too small a number is 0
        {"sizes.obj", samples::FromText(polygons), 0, 298},
        {"long.obj", long_line, kMsgModelReadFailed},
        {"junk.obj", junk, kMsgModelEmpty},
        {"many.ply",
         samples::FromText("ply\nformat ascii 1.0\nelement vertex 1000000000\n"
                           "property float x\nend_header\n0\n"),
         kMsgModelReadFailed},
        {"outside.gltf",
         samples::FromText(samples::GltfJson(samples::GltfBufferEntry("../../../etc/passwd"))),
         kMsgModelReadFailed},
        {"base64.gltf",
         samples::FromText(samples::GltfJson(
             samples::GltfBufferEntry("data:application/octet-stream;base64,@@!!"))),
         kMsgModelReadFailed},
        {"cut.glb", glb_cut, kMsgModelReadFailed},
        {"claim.glb", glb_chunk_claim, kMsgModelReadFailed},
        {"ply.glb", samples::FromText("ply\nformat ascii 1.0\nelement vertex 4\nproperty fl"),
         kMsgModelReadFailed},  // another reader's file under this name is not read by it
        {"empty.obj", {}, kMsgModelReadFailed},
        {"plan.dwg", samples::Obj(), kMsgObjectTypeUnknown},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DocumentCore document;
        const auto made = document.ImportModelBytes(c.bytes, c.name);
        if (c.message == 0) {
            ASSERT_TRUE(made.ok()) << made.status().text;
            EXPECT_EQ(Triangles(document), c.triangles);
            EXPECT_EQ(made->warnings.size(), 1u);
            continue;
        }
        ASSERT_FALSE(made.ok());
        EXPECT_EQ(made.status().number, c.message) << made.status().text;
        if (c.message != kMsgObjectTypeUnknown) {
            EXPECT_NE(made.status().text.find(c.name), std::string::npos) << made.status().text;
        }
        EXPECT_EQ(document.GetScene().NodeCount(), 1u);
        EXPECT_FALSE(document.IsModified());
        EXPECT_FALSE(document.CanUndo());
    }
    // Refused by its header, before the library makes room for what the chunk claims.
    const auto claimed = DocumentCore().ImportModelBytes(glb_chunk_claim, "claim.glb");
    EXPECT_NE(claimed.status().text.find("chunk claims"), std::string::npos);
}

// A scene written as glTF (binary and text), STL or OBJ and imported again: the same
// world-space triangles; from glTF and OBJ the same names and colours, from glTF the same
// tree too, under the import's own group.
TEST(ExchangeRoundTrip, EveryExportFormatGivesBackTheScenesTriangles) {
    DocumentCore original;
    const NodeId sphere = original.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
    const NodeId cube = original.InsertObject(ObjectType::Cube, {-3, 0, 1}, false);
    const NodeId cone = original.InsertObject(ObjectType::Cone, {3, 0, -1}, false);
    const NodeId cube_only[] = {cube};
    ASSERT_TRUE(original.SetField(cube_only, NodeField::RotationY, 30).ok());
    ASSERT_TRUE(original.SetField(cube_only, NodeField::ScaleX, 2.5).ok());
    const ColourRgb colours[] = {{0.9f, 0.1f, 0.2f}, {0.1f, 0.8f, 0.3f}, {0.2f, 0.3f, 0.7f}};
    const NodeId made[] = {sphere, cube, cone};
    for (int i = 0; i < 3; ++i) {
        Material material = original.Node(made[i])->material;
        material.colour = colours[i];
        ASSERT_TRUE(original.SetMaterial(made[i], material).ok());
    }
    const NodeId pair[] = {sphere, cube};
    original.SelectExactly(pair, {});
    ASSERT_TRUE(original.Group());
    const std::vector<Vec3f> points = WorldPoints(original);
    test::TemporaryDirectory folder;
    for (const char* name : {"scene.glb", "scene.gltf", "scene.stl", "scene.obj"}) {
        SCOPED_TRACE(name);
        const std::string path = folder.File(name);
        ASSERT_TRUE(WriteSceneAs(original.GetScene(), path).ok());
        DocumentCore back;
        const auto imported = back.ImportObject(path);
        ASSERT_TRUE(imported.ok()) << imported.status().text;
        const std::vector<Vec3f> read = WorldPoints(back);
        ASSERT_EQ(read.size(), points.size());
        float worst = 0.0f;
        for (std::size_t i = 0; i < points.size(); ++i) {
            worst =
                std::max({worst, std::abs(read[i].x - points[i].x),
                          std::abs(read[i].y - points[i].y), std::abs(read[i].z - points[i].z)});
        }
        EXPECT_LT(worst, 1e-5f);
        if (std::string(name).ends_with(".stl")) {
            continue;
        }
        const SceneNode& top = *back.Node(imported->objects[0]);
        if (!std::string(name).ends_with(".obj")) {  // OBJ has no tree
            EXPECT_EQ(TreeText(top), TreeText(original.GetScene().Root()));
        }
        for (int i = 0; i < 3; ++i) {
            const SceneNode* copy = back.GetScene().FindNode(original.Node(made[i])->name);
            ASSERT_NE(copy, nullptr);
            EXPECT_NEAR(copy->material.colour.r, colours[i].r, 1e-3f);
            EXPECT_NEAR(copy->material.colour.g, colours[i].g, 1e-3f);
            EXPECT_NEAR(copy->material.colour.b, colours[i].b, 1e-3f);
        }
    }
}

}  // namespace
}  // namespace kelto
