// What a scene file keeps of its scene, nodes and shapes that nothing else in the program
// reads: read with their records and written back unchanged, so that a file opens and saves
// again byte for byte, also after Copy and Paste, undo and redo. Nodes, shapes and the scene
// hold these records through an opaque member; a record is attached only when a file gives
// values other than the ones written when there is none.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "model/scene.h"

namespace kelto {

// A 32-byte record stored with every node: four 16-bit values, four more 16-bit values and
// four 32-bit values.
struct FaceRecord {
    std::array<std::uint16_t, 4> first{};
    std::array<std::uint16_t, 4> second{};
    std::array<std::uint32_t, 4> third{};
    friend bool operator==(const FaceRecord&, const FaceRecord&) = default;
};

struct StoredNodeFields {
    std::array<FaceRecord, 6> faces{};
    bool flag_a = false;
    bool flag_d = false;
    friend bool operator==(const StoredNodeFields&, const StoredNodeFields&) = default;
};

// The shape record's integers beside the surface's own: the two after the net's size (the
// product construction keeps its last column and row there) and the first and last of the
// three after the step count (the middle one is the cube's CubeShape::surface_mesh).
struct StoredShapeFields {
    std::array<std::int32_t, 2> last_column_and_row{};
    std::array<std::int32_t, 2> step_words{};
    friend bool operator==(const StoredShapeFields&, const StoredShapeFields&) = default;
};

struct StoredSceneFields {
    std::array<std::int32_t, 3> header_words{};  // the stored three of the scene's header words
    std::array<float, 4> colour{0.2f, 0.2f, 0.2f, 1.0f};
    friend bool operator==(const StoredSceneFields&, const StoredSceneFields&) = default;
};

// The fields as the file will write them: the attached record, or what is written without one.
// A shape made in this program writes its product net's last column and row when it was built
// as a product (its equator is its one path), zeros otherwise.
const StoredNodeFields& StoredFieldsOf(const SceneNode& node);
StoredShapeFields StoredFieldsOf(const Shape& shape);
const StoredSceneFields& StoredFieldsOf(const Scene& scene);

// Attaches the fields read from a file, or nothing when they are what the writer writes
// without a record.
void KeepStoredFields(SceneNode& node, const StoredNodeFields& fields);
void KeepStoredFields(Shape& shape, const StoredShapeFields& fields);
void KeepStoredFields(Scene& scene, const StoredSceneFields& fields);

}  // namespace kelto
