// glTF 2.0 export. The scene's tree becomes the node tree (groups and Trim results as nodes
// with their transforms and their members as children; objects with a mesh as mesh nodes),
// each mesh with positions, unit normals and texture coordinates; each object's material
// becomes a metallic-roughness material; the modelling windows' cameras become perspective
// cameras and the lights KHR_lights_punctual lights. One scene unit is one metre.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/scene.h"
#include "scene_export.h"

namespace kelto {

enum class GltfLayout {
    Binary,  // .glb: the JSON, the buffer and the pictures in one file
    Text,    // .gltf: the JSON naming a .bin buffer and picture files beside it
};

// A glTF document made in memory: the JSON, the binary buffer, and (text layout) the picture
// files the JSON names, each with its file name.
struct GltfDocument {
    struct File {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    std::string json;
    std::vector<std::uint8_t> buffer;
    std::string buffer_name;     // text layout: the .bin file's name
    std::vector<File> pictures;  // text layout
    int objects = 0;             // nodes with a mesh
};

// `stem`: the file name without its extension, which the text layout's .bin and picture file
// names start from.
GltfDocument BuildGltf(const Scene& scene, const ExportOptions& options, GltfLayout layout,
                       const std::string& stem);

// The .glb file of a document built with the binary layout.
std::vector<std::uint8_t> GlbBytes(const GltfDocument& document);

}  // namespace kelto
