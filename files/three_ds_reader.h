// 3D Studio object files: the chunk tree read and checked into tables of materials and
// triangle meshes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/geometry.h"
#include "model/image.h"
#include "model/message_table.h"

namespace kelto {

struct ImportedMaterial {
    std::string name;
    ColourRgb ambient;
    ColourRgb diffuse;
    ColourRgb specular;
    float shininess = 0.0f;     // a fraction
    float transparency = 0.0f;  // a fraction
};

struct ImportedFace {
    std::uint16_t a = 0, b = 0, c = 0;
    std::uint16_t flags = 0;
    const ImportedMaterial* material = nullptr;
};

struct ImportedMesh {
    std::string name;
    std::vector<Vec3f> vertices;  // as stored: world coordinates, z up
    std::vector<ImportedFace> faces;
    std::int32_t smoothing = 0;  // 1 when the file has smoothing groups for it
    Matrix4 local;               // the object's frame; the vertices already include it
};

class Importer {
  public:
    float master_scale = 1.0f;
    // Keyed by cleaned-up name; the first of a name stays. The order lists keep file order.
    std::unordered_map<std::string, std::unique_ptr<ImportedMaterial>> materials;
    std::unordered_map<std::string, std::unique_ptr<ImportedMesh>> meshes;
    std::vector<const ImportedMaterial*> material_order;
    std::vector<const ImportedMesh*> mesh_order;
};

// A material group's name is read up to its zero byte, but no further than this.
inline constexpr std::size_t kMaxMaterialGroupName = 256;

// Of a name's bytes, letters and digits stay, spaces become '_', everything else goes.
std::string CleanUpName(std::string_view name);

// Reads a whole 3DS file (`file_name`, without its folder, goes into the messages). Every
// count and length is checked against its chunk before anything is allocated, and every face
// index against its mesh's vertices. On failure the status says why (or nothing, where the
// file ends quietly) and `importer` is to be discarded.
Status Read3ds(std::span<const std::uint8_t> bytes, const std::string& file_name,
               Importer& importer);

}  // namespace kelto
