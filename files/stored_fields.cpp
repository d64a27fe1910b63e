#include "stored_fields.h"

namespace kelto {
namespace {

StoredShapeFields UnstoredFieldsOf(const Shape& shape) {
    StoredShapeFields fields;
    if (!shape.paths.empty()) {
        fields.last_column_and_row = {shape.surface.columns - 1, shape.surface.rows - 1};
    }
    return fields;
}

template <typename Fields>
std::shared_ptr<const Fields> KeptUnless(const Fields& fields, const Fields& unstored) {
    return fields == unstored ? nullptr : std::make_shared<const Fields>(fields);
}

}  // namespace

const StoredNodeFields& StoredFieldsOf(const SceneNode& node) {
    static const StoredNodeFields kUnstored;
    return node.stored_fields ? *node.stored_fields : kUnstored;
}

StoredShapeFields StoredFieldsOf(const Shape& shape) {
    return shape.stored_fields ? *shape.stored_fields : UnstoredFieldsOf(shape);
}

const StoredSceneFields& StoredFieldsOf(const Scene& scene) {
    static const StoredSceneFields kUnstored;
    return scene.stored_fields ? *scene.stored_fields : kUnstored;
}

void KeepStoredFields(SceneNode& node, const StoredNodeFields& fields) {
    node.stored_fields = KeptUnless(fields, StoredNodeFields{});
}

void KeepStoredFields(Shape& shape, const StoredShapeFields& fields) {
    shape.stored_fields = KeptUnless(fields, UnstoredFieldsOf(shape));
}

void KeepStoredFields(Scene& scene, const StoredSceneFields& fields) {
    scene.stored_fields = KeptUnless(fields, StoredSceneFields{});
}

}  // namespace kelto
