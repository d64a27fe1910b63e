#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "files/obj_writer.h"
#include "model/shapes.h"

namespace kelto {
namespace {

// Reads back what WriteObj wrote: vertex positions and the faces' position indices.
struct ParsedObj {
    std::vector<Vec3> positions;
    std::size_t normals = 0, texture_coordinates = 0;
    std::vector<std::vector<int>> faces;
};

ParsedObj Parse(const std::string& text) {
    ParsedObj obj;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        if (tag == "v") {
            Vec3 p;
            fields >> p.x >> p.y >> p.z;
            obj.positions.push_back(p);
        } else if (tag == "vn") {
            ++obj.normals;
        } else if (tag == "vt") {
            ++obj.texture_coordinates;
        } else if (tag == "f") {
            std::vector<int> face;
            std::string corner;
            while (fields >> corner)
                face.push_back(std::stoi(corner.substr(0, corner.find('/'))));
            obj.faces.push_back(face);
        }
    }
    return obj;
}

TEST(ObjWriter, WritesEveryVertexAndCounterClockwiseOneBasedFacesOrSaysWhyNot) {
    CubeShape cube;
    Mesh mesh;
    BoundingBox box;
    cube.BuildDisplayMesh(mesh, box);
    std::ostringstream out;
    WriteObj(mesh, out);
    const ParsedObj obj = Parse(out.str());

    ASSERT_EQ(obj.positions.size(), mesh.vertices.size());
    EXPECT_EQ(obj.normals, mesh.vertices.size());
    EXPECT_EQ(obj.texture_coordinates, mesh.vertices.size());
    ASSERT_EQ(obj.faces.size(), mesh.TriangleCount());
    for (std::size_t f = 0; f < obj.faces.size(); ++f) {
        const std::vector<int>& face = obj.faces[f];
        ASSERT_EQ(face.size(), 3u);
        for (int index : face) {
            ASSERT_GE(index, 1);
            ASSERT_LE(index, static_cast<int>(obj.positions.size()));
        }
        // Counter-clockwise seen from outside the cube: the face normal points away from
        // the centre.
        const Vec3 a = obj.positions[static_cast<std::size_t>(face[0] - 1)];
        const Vec3 b = obj.positions[static_cast<std::size_t>(face[1] - 1)];
        const Vec3 c = obj.positions[static_cast<std::size_t>(face[2] - 1)];
        EXPECT_GT(Dot(Cross(b - a, c - a), a), 0.0) << "face " << f;
    }
    EXPECT_EQ(WriteObjFile(Mesh{}, "/nonexistent-directory/out.obj").text,
              "cannot write /nonexistent-directory/out.obj");
}

}  // namespace
}  // namespace kelto
