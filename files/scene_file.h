// The .kel scene file: header, scene settings, lights, the node tree with materials, shapes
// and curves, and the name of the root's first child. The view trailer that follows is the
// document's (document/).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "byte_stream.h"
#include "model/message_table.h"
#include "model/scene.h"

namespace kelto {

inline constexpr std::uint8_t kSceneMagic[4] = {0x4D, 0x0C, 0x03, 0x16};
inline constexpr std::uint8_t kSceneVersion = 1;
inline constexpr std::size_t kMaxStoredNameLength = 24;

// Writes the scene, items 1 to 11 of the file.
void WriteScene(const Scene& scene, ByteWriter& out);
// Writes the same items for a scene that holds only `top_level` (nodes of `scene`, each with
// everything below it, in this order at the top) and no lights: what Copy puts on the
// clipboard.
void WriteSceneOf(const Scene& scene, const std::vector<const SceneNode*>& top_level,
                  ByteWriter& out);

// One node's material record as the scene file holds it (the user's material library keeps
// materials in the same form). The reader fails on a short or damaged record.
void WriteMaterialRecord(const Material& material, ByteWriter& out);
void ReadMaterialRecord(ByteReader& in, Material& material);

// The grid samples the scene's surfaces would take beyond their own records were it saved and
// read back: what it draws from the tessellation limit (tessellation_limit.h).
std::size_t TessellationExcess(const Scene& scene);

// Reads items 1 to 11 into `scene`, which should be empty (as after Scene::Reset). On failure
// the status carries the message to show (with `file_name` in it), links that lead nowhere
// included; the scene is then left in whatever state the reading reached and the caller
// resets it.
// `make_text_shape` makes the shape a text node's stored record is read into (a plain mesh
// shape when not given).
Status ReadScene(ByteReader& in, Scene& scene, const std::string& file_name,
                 const std::function<std::unique_ptr<Shape>()>& make_text_shape = {});

}  // namespace kelto
