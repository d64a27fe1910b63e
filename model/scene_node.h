// One object of the scene tree: its kind, name, transform, material, geometry and meshes,
// bounds, selection and drag state, and its place in the threaded child list. What a render
// prepares from a node lives in the render's own snapshot, not here.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "bounds.h"
#include "geometry.h"
#include "handles.h"
#include "material.h"
#include "mesh.h"
#include "object_type.h"
#include "scene_object.h"
#include "shapes.h"

namespace kelto {

struct StoredNodeFields;

class SceneNode : public SceneObject {
  public:
    SceneNode();
    SceneNode(const SceneNode&) = delete;
    SceneNode& operator=(const SceneNode&) = delete;

    // For shapes of types 0-9: the shape's two mesh operations fill the display mesh with its
    // box and the render mesh. Nodes of other types, or without a shape, keep their meshes.
    void RebuildMeshes();
    // The bounding sphere of the box corners multiplied by the scale.
    void UpdateBounds();
    // Composes the matrix from the node's frame to its parent's from position (plus the pending
    // offset while moving), rotation, and scale (times the pending scale while scaling) or the
    // pending angles while rotating: p' = p * S * Rz * Ry * Rx * R * T for row vectors. A
    // top-level node's parent is the root, whose frame is the world.
    void ComputeParentFromNode() { parent_from_node = ComposeParentFromNode(); }
    Matrix4 ComposeParentFromNode() const;
    // Multiplies the pending scale into the scale when the scaling flag is set.
    void CommitScale();
    // Turns the rotation by the pending angles (x, then y, then z; zero angles skipped) when
    // the rotating flag is set.
    void CommitRotate();

    bool IsContainer() const { return KindOf(type).container != Container::No; }
    // Trim, Combine and Intersect objects: their children are operands whose meshes the
    // boolean kernel has cut.
    bool IsBooleanResult() const { return KindOf(type).container == Container::Boolean; }
    bool MarksGroupSelection() const { return honours_group_flag != 0 && group_flag != 0; }

    NodeId id;  // given by the scene when the node enters it
    Matrix4 parent_from_node;
    SceneNode* owner;           // the node itself
    std::int32_t selected = 0;  // set through Scene::SetSelected once the node is in a scene
    std::int32_t smooth = 0;
    Vec3 position;
    Matrix4 rotation;
    Vec3 scale{1, 1, 1};
    Vec3 pending_scale{1, 1, 1};
    Vec3 pending_offset;
    Vec3 pending_angles;  // degrees about the world x, y and z axes
    Material material;
    ObjectType type = ObjectType::Sphere;
    std::unique_ptr<Shape> shape;
    std::string name;
    std::int32_t visible = 1;
    Mesh display_mesh;
    Mesh render_mesh;
    BoundingBox box;
    float sphere_radius = 0.0f;
    Vec3f sphere_centre;
    std::int32_t scaling = 0;
    std::int32_t moving = 0;
    std::int32_t rotating = 0;
    // A group selected alone counts as a group (the Group command then ungroups it) when it
    // has the group flag and honours it; the file keeps both.
    std::int32_t honours_group_flag = 1;
    std::int32_t group_flag = 0;
    // What the scene file keeps of the node for itself alone (files/stored_fields.h).
    std::shared_ptr<const StoredNodeFields> stored_fields;
    // The threaded child list: the newest child first, each child's next leads to the
    // following sibling, the last sibling's next back to the parent. Not owning.
    SceneNode* first_child = nullptr;
    SceneNode* next = nullptr;
};

}  // namespace kelto
