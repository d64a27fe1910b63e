// The document's scene: the node tree under its root, the name map that owns every node, the
// lights and the camera, and the defaults new objects are made with.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "geometry.h"
#include "light.h"
#include "object_type.h"
#include "scene_lighting.h"
#include "scene_node.h"
#include "scene_object.h"
#include "shapes.h"
#include "status.h"

namespace kelto {

struct StoredSceneFields;

inline constexpr char kSceneRootName[] = "__VORN_SCENE_ROOT__";

class Scene : public SceneObject {
  public:
    Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // --- nodes ---
    bool IsNameUsed(const std::string& name) const;
    // The type's name base followed by the first free number (Sphere1, Group2); "Mesh:" is
    // used bare while no node has that name.
    std::string MakeDefaultName(ObjectType type) const;
    // A new primitive (types 0-7) at `point`, lifted to rest on y = 0, turned upright, with its
    // meshes, box and bounding sphere, linked first under the root. Null for other types.
    SceneNode* CreateNode(ObjectType type, const Vec3& point);
    // A new empty node of any type, entered in the name map but not linked anywhere; for
    // groups, Trim nodes and the file reader. Fails with the name-taken message when the name
    // is taken: names are unique.
    Result<SceneNode*> AddNode(ObjectType type, const std::string& name);
    // Enters a node made elsewhere (the file reader) in the name map under its name; fails as
    // AddNode does, the node discarded. Every node entering the scene gets a handle of its own.
    Result<SceneNode*> AdoptNode(std::unique_ptr<SceneNode> node);
    SceneNode* FindNode(const std::string& name);
    const SceneNode* FindNode(const std::string& name) const;
    SceneNode* FindNode(NodeId id);
    const SceneNode* FindNode(NodeId id) const;
    // The node whose children hold `node`; null for the root and for nodes not linked.
    SceneNode* ParentOf(const SceneNode& node);
    const SceneNode* ParentOf(const SceneNode& node) const;
    // Unlinks the node from its parent and deletes it with everything below it.
    void DeleteNode(SceneNode& node);
    // Takes one node out of the name map and the handle table and hands it over, links and
    // handle untouched (the document's history keeps nodes this way). The caller unlinks it.
    std::unique_ptr<SceneNode> ReleaseNode(SceneNode& node);
    // Whether a released node may come back: its handle and its name are free.
    bool CanRestoreNode(const SceneNode& node) const;
    // Enters a released node again under its own handle and name; the caller links it. Fails,
    // the node discarded, when CanRestoreNode says no: with the name-taken message when the
    // name is the reason.
    Result<SceneNode*> RestoreNode(std::unique_ptr<SceneNode> node);
    // Gives the node another name; fails with the name-taken message when the name is taken.
    Status RenameNode(SceneNode& node, const std::string& name);
    SceneNode& Root() { return *root_; }
    const SceneNode& Root() const { return *root_; }
    std::size_t NodeCount() const { return nodes_.size(); }
    // Deletes every node, the root included, with its shape, and empties the name map; then
    // gives the scene a new empty root so that it stays usable.
    void DeleteAll();
    // Back to the state of a new scene: an empty tree, the first light and a new camera, the
    // stored settings at their defaults.
    void Reset();

    // --- selection of nodes and lights ---
    SceneNode* FirstSelectedTopLevel() const;
    std::vector<SceneNode*> SelectedTopLevel() const;
    int CountSelectedNodes() const;
    int CountSelected() const;  // nodes and lights
    void SelectOnly(SceneNode& node);
    void AddToSelection(SceneNode& node) { SetSelected(node, 1); }
    void RemoveFromSelection(SceneNode& node) { node.selected = 0; }
    // Gives a node of the scene its selection flag (a file may store any non-zero value).
    // Nodes are selected through here, or enter the scene selected, never otherwise: the
    // scene keeps a note of them so that clearing the selection visits only those.
    void SetSelected(SceneNode& node, std::int32_t flag);
    void ClearSelection();
    // The selected nodes, each once, in no particular order.
    std::vector<const SceneNode*> SelectedNodes() const;

    // Groups the selected top-level nodes under a new group node placed at the centre of their
    // box (nothing moves in the world); the group becomes the selection. Needs two or more
    // selected top-level nodes, otherwise nothing happens and the result is null.
    SceneNode* GroupSelected() { return GatherSelected(ObjectType::Group); }
    // The same gathering for any container type (Trim uses it).
    SceneNode* GatherSelected(ObjectType container_type);

    // Commits every pending move, scale and rotation of the lights and of the top-level nodes.
    void EndPendingTransforms();

    // --- lights ---
    std::string MakeLightName(LightKind kind) const;
    // Appends a default light of that kind, named and placed; returns its index.
    int InsertLight(LightKind kind, const Vec3& position);
    // Appends a light as it is (the file reader) with a handle of its own; returns its index.
    int AddLight(Light light);
    void RemoveLight(int index);
    // Puts a light back at `index` (clamped to the list) with the handle it carries.
    void RestoreLight(int index, Light light);
    // The index of the light with this handle, or -1.
    int LightIndex(LightId id) const;
    Light* FindLight(LightId id);
    const Light* FindLight(LightId id) const;
    void SelectOnlyLight(int index);
    int FirstSelectedLight() const;
    int CountSelectedLights() const;
    void DeselectAllLights();
    void BeginLightRotate(int index);
    void BeginLightMove(int index);
    void BeginLightScale(int index);
    std::vector<Light>& Lights() { return lights_; }
    const std::vector<Light>& Lights() const { return lights_; }

    // --- camera ---
    Camera& CurrentCamera() { return *current_camera_; }
    const Camera& CurrentCamera() const { return *current_camera_; }

    // What the scene file keeps of the scene for itself alone (files/stored_fields.h).
    std::shared_ptr<const StoredSceneFields> stored_fields;
    std::int32_t drag_mode = 0;
    PrimitiveDefaults defaults;
    std::array<float, 4> ambient_light{0.2f, 0.2f, 0.2f, 0.0f};
    SceneLighting lighting;

  private:
    void MakeRoot();
    Camera& AddCamera();

    std::unordered_map<std::string, std::unique_ptr<Camera>> cameras_;
    std::unordered_map<std::string, std::unique_ptr<SceneNode>> nodes_;
    std::unordered_map<NodeId, SceneNode*> by_id_;
    // Every node selected since the selection was last cleared (some may be gone or no longer
    // selected, some listed twice).
    std::vector<NodeId> maybe_selected_;
    // For each name base, a number below which every default name is taken; forgotten when a
    // name leaves the scene. Only a hint: MakeDefaultName still looks from there.
    mutable std::unordered_map<std::string, int> taken_below_;
    // The meshes of the last new primitive of each kind and the defaults it was made from: a
    // new primitive of that kind made from the same defaults is the same, so CreateNode copies
    // them instead of tessellating its surfaces again.
    struct BuiltPrimitive {
        PrimitiveDefaults defaults;
        Mesh display;
        Mesh render;
        BoundingBox box;
    };
    std::unordered_map<ObjectType, BuiltPrimitive> built_primitives_;
    // The last handle given; never reset, so no handle is ever given twice.
    std::uint64_t last_id_ = 0;
    SceneNode* root_ = nullptr;
    std::vector<Light> lights_;
    Camera* current_camera_ = nullptr;
    std::int32_t camera_counter_ = 1;
};

// The corners of a node's local box placed by its matrix (a top-level node's: in the world),
// grown into `box`.
void GrowByPlacedBox(BoundingBox& box, const SceneNode& node);

}  // namespace kelto
