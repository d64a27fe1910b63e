// Reading other programs' model files (OBJ with MTL, STL, PLY, glTF and GLB, and whatever else
// the Open Asset Import Library reads) into a plain description of what they hold: a tree of
// nodes, triangle meshes already cut to 16-bit indices, materials, cameras and lights. Every
// value that comes back has been checked: finite coordinates, indices inside their mesh,
// whole triangles only, bounded counts, printable names that fit a stored name. OBJ (with its
// MTL) and binary STL are read by our own readers (obj_reader.h, stl_reader.h), which stream
// the file into the meshes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/geometry.h"
#include "model/material.h"
#include "model/mesh.h"
#include "model/status.h"

namespace kelto {

// Files holding more triangles than this are refused before their meshes are built.
inline constexpr std::size_t kMaxImportTriangles = 20'000'000;
// Nor are more meshes, nodes or materials than this taken.
inline constexpr std::size_t kMaxImportParts = 100'000;
// File names (and other names) are cut to this many bytes, leaving room for a number.
inline constexpr std::size_t kMaxImportNameBase = 20;

struct ModelImportOptions {
    // Every coordinate is multiplied by it (0.001 brings a model made in millimetres to metres).
    double scale = 1.0;
};

// One mesh of the file: pieces of at most kMaxMeshVertices vertices each, one material.
struct ModelMesh {
    std::string name;
    std::vector<Mesh> pieces;
    std::size_t material = 0;  // index into ModelScene::materials
    bool smooth = false;       // the file gave vertex normals (else every face is flat)
};

// A node of the file's tree, placed in its parent's frame.
struct ModelNode {
    std::string name;
    Vec3 position;
    Matrix4 rotation;  // pure rotation, for row vectors as our nodes keep it
    Vec3 scale{1, 1, 1};
    std::vector<std::size_t> meshes;    // into ModelScene::meshes
    std::vector<std::size_t> children;  // into ModelScene::nodes
};

struct ModelCamera {
    std::string name;
    Vec3 eye;
    Vec3 target;
    double lens = 50.0;  // focal length in millimetres on a 35 mm frame, from the field of view
};

struct ModelLight {
    enum class Kind { Point, Spot };
    std::string name;
    Kind kind = Kind::Point;
    Vec3 position;
    Vec3 direction{0, 0, -1};  // where a spot light shines, a unit vector
    ColourRgb colour{1, 1, 1};
    float spot_angle = 15.0f;  // cone half-angle in degrees
};

struct ModelScene {
    std::vector<ModelNode> nodes;  // nodes[0] is the file's root
    std::vector<ModelMesh> meshes;
    std::vector<Material> materials;
    std::vector<ModelCamera> cameras;  // in world space
    std::vector<ModelLight> lights;    // in world space
    std::size_t triangles = 0;
    // What was left out or could not be read (pictures, broken faces), each naming the file.
    std::vector<Status> warnings;
};

// The extensions read here, lower-case: obj, stl, ply, gltf, glb, and the Open Asset Import
// Library's other formats.
bool IsModelExtension(const std::string& extension);

// Reads the file at `path`; files it refers to (an OBJ's MTL, a glTF's buffers and pictures)
// are read from its folder only. On failure the status names the file and says why.
Result<ModelScene> ReadModelFile(const std::string& path, const ModelImportOptions& options);

// Reads the file at `path` through the Open Asset Import Library whatever its format, even where
// our own reader would read it (to compare the two), with no checks before the library's.
Result<ModelScene> ReadModelFileWithLibrary(const std::string& path,
                                            const ModelImportOptions& options);

// Reads the bytes of a file called `file_name`, whose extension says the format; nothing else
// is read (a material library or buffer named in it is missing).
Result<ModelScene> ReadModelBytes(std::span<const std::uint8_t> bytes, const std::string& file_name,
                                  const ModelImportOptions& options);

}  // namespace kelto
