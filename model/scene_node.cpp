#include "scene_node.h"

namespace kelto {

SceneNode::SceneNode() : owner(this) {}

void SceneNode::RebuildMeshes() {
    const auto code = static_cast<std::int32_t>(type);
    if (code < 0 || code > 9 || !shape) {
        return;
    }
    shape->BuildDisplayMesh(display_mesh, box);
    if (shape->RenderMeshIsDisplayMesh()) {
        render_mesh = display_mesh;
    } else {
        shape->BuildRenderMesh(render_mesh);
    }
}

void SceneNode::UpdateBounds() {
    const BoundingSphere sphere = ScaledBoxSphere(box, scale);
    sphere_centre = sphere.centre;
    sphere_radius = sphere.radius;
}

Matrix4 SceneNode::ComposeParentFromNode() const {
    Matrix4 m;
    m.Translate(moving ? position + pending_offset : position);
    m.Multiply(rotation);
    if (scaling) {
        m.Scale({scale.x * pending_scale.x, scale.y * pending_scale.y, scale.z * pending_scale.z});
    } else {
        if (rotating) {
            m.RotateAboutAxes(pending_angles);
        }
        m.Scale(scale);
    }
    return m;
}

void SceneNode::CommitScale() {
    if (!scaling) {
        return;
    }
    scale = {scale.x * pending_scale.x, scale.y * pending_scale.y, scale.z * pending_scale.z};
    pending_scale = {1, 1, 1};
    scaling = 0;
    UpdateBounds();
}

void SceneNode::CommitRotate() {
    if (!rotating) {
        return;
    }
    rotating = 0;
    rotation.RotateAboutAxes(pending_angles);
    pending_angles = {};
}

}  // namespace kelto
