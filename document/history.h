// The document's undo history. Each step records what one edit changed, enough to take the
// scene back to the state before the edit and forward again: the placements, meshes,
// materials and names it changed (before and after), the child lists it rearranged (as lists
// of handles), the nodes and lights it added or removed (the removed ones kept whole, so
// that they come back with their handles), and the selection on either side. A step never
// holds a copy of the scene.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "document_changes.h"
#include "document_core.h"
#include "model/scene.h"

namespace kelto {

// The selection as a step keeps it: the selected nodes with their flags as they were (a file
// may store any non-zero value), the selected lights and the summary.
struct SelectedNode {
    NodeId id;
    std::int32_t flag = 1;
};

struct SelectionState {
    std::vector<SelectedNode> nodes;
    std::vector<LightId> lights;
    SelectionSummary summary;
};

enum class StepDirection {
    Back,     // undo: to the state before the edit
    Forward,  // redo: to the state after it
};

// Where a node is and how large: what a move, scale or rotation changes.
struct NodePlacement {
    Vec3 position;
    Matrix4 rotation;
    Vec3 scale;
    BoundingBox box;
    friend bool operator==(const NodePlacement&, const NodePlacement&) = default;
};

struct LightPlacement {
    Vec3 position;
    float size = 0.0f;
    Matrix4 rotation;
    friend bool operator==(const LightPlacement&, const LightPlacement&) = default;
};

class EditStep {
  public:
    explicit EditStep(SelectionState selection_before);
    ~EditStep();
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

    // What the menus call the step ("Move Sphere1").
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    // --- while the edit runs ---
    // Each Touch is called before the change it announces; a second Touch of the same thing
    // keeps the first state. Touches of nodes the edit itself adds are ignored.
    void TouchPlacement(const SceneNode& node);
    void TouchMaterial(const SceneNode& node);
    void TouchName(const SceneNode& node);
    void TouchVisibility(const SceneNode& node);
    void TouchChildren(const SceneNode& parent);
    // `child` was just linked at the head of `parent`'s children, and nothing else changes
    // that list in the edit (a later TouchChildren of it is allowed). Unlike TouchChildren it
    // costs nothing for the rest of the list, so that inserting into a long list stays cheap.
    void ChildLinkedFirst(const SceneNode& parent, const SceneNode& child);
    // The display mesh the node had before the edit replaced it.
    void MeshBefore(const SceneNode& node, Mesh before);
    // The shape the node had before the edit gave it another one.
    void ShapeBefore(const SceneNode& node, std::unique_ptr<Shape> before);
    // A node the edit entered in the scene.
    void Added(const SceneNode& node);
    // A node the edit took out of the scene (already unlinked, released by the scene).
    void Removed(std::unique_ptr<SceneNode> node);
    void TouchLightPlacement(const Light& light);
    void TouchLight(const Scene& scene, const Light& light);
    void LightAdded(const Light& light);
    void LightRemoved(int index, const Light& light);
    // The scene's lighting and environment settings as they were before the edit.
    void TouchLighting(const Scene& scene);

    // Reads the state after the edit. False when the edit changed nothing.
    bool Finish(const Scene& scene, SelectionState selection_after);

    // --- in the history ---
    // Takes the scene to one side of the edit, selection included, and lists what changed.
    // False, with the scene untouched, when the scene does not hold what the step expects.
    bool Apply(Scene& scene, StepDirection direction, std::vector<DocumentChange>& changes);
    const SelectionState& SelectionAt(StepDirection direction) const {
        return direction == StepDirection::Back ? selection_before_ : selection_after_;
    }
    // Everything the step holds, in either direction: its records and the nodes it keeps.
    std::size_t Bytes() const { return bytes_; }

    std::uint64_t serial = 0;  // given by the history

  private:
    template <typename T>
    struct Change {
        NodeId id;
        T before;
        std::optional<T> after;  // none when the node is gone after the edit
    };
    // A parent's children on both sides of the edit. Where the parent exists on both sides
    // only the stretch that changed is kept: the lists share `prefix` children at their start
    // and `suffix` at their end (an insertion into a long list costs one handle, not two
    // copies of the list). An insertion at the head keeps whatever follows it: its suffix is
    // kRestOfList.
    static constexpr std::size_t kRestOfList = static_cast<std::size_t>(-1);
    struct ChildList {
        NodeId parent;
        std::optional<std::vector<NodeId>> before;  // none: the parent did not exist
        std::optional<std::vector<NodeId>> after;
        std::size_t prefix = 0;
        std::size_t suffix = 0;
    };
    // The parent's children on the target side, from its children now.
    static std::optional<std::vector<NodeId>> TargetChildren(const ChildList& list, bool back,
                                                             const std::vector<NodeId>& now);
    struct HeldNode {
        NodeId id;
        std::unique_ptr<SceneNode> node;  // while the node is out of the scene
    };
    // A node's shape on the side of the edit the scene is not on: undo and redo swap it
    // with the node's.
    struct HeldShape {
        NodeId id;
        std::unique_ptr<Shape> other;
    };
    struct LightPlacementChange {
        LightId id;
        LightPlacement before;
        std::optional<LightPlacement> after;
    };
    struct IndexedLight {
        int index = 0;
        Light light;
    };
    struct LightChange {
        LightId id;
        std::optional<IndexedLight> before;  // none: added by the edit
        std::optional<IndexedLight> after;   // none: removed by it
    };
    // What is only needed while the edit runs.
    struct Seen {
        std::unordered_set<NodeId> placements, meshes, shapes, materials, names, children, added,
            visibility;
        std::unordered_set<LightId> light_placements, lights;
        // Children linked at the head of a list not otherwise touched, oldest first.
        std::unordered_map<NodeId, std::vector<NodeId>> linked_first;
    };

    bool Check(const Scene& scene, StepDirection direction) const;
    std::size_t CountBytes() const;

    std::string name_;
    SelectionState selection_before_;
    SelectionState selection_after_;
    std::vector<Change<NodePlacement>> placements_;
    std::vector<Change<Mesh>> meshes_;
    std::vector<HeldShape> shapes_;
    std::vector<Change<Material>> materials_;
    std::vector<Change<std::string>> names_;
    std::vector<Change<std::int32_t>> visibility_;
    std::vector<ChildList> child_lists_;
    std::vector<HeldNode> added_;
    std::vector<HeldNode> removed_;
    std::vector<LightPlacementChange> light_placements_;
    std::vector<LightChange> lights_;
    struct LightingChange {
        SceneLighting before;
        SceneLighting after;
    };
    // Apart from the step: most steps change no lighting, and a step is kept small.
    std::unique_ptr<LightingChange> lighting_;
    std::unique_ptr<Seen> seen_;
    std::size_t added_bytes_ = 0;  // the nodes the edit added, as the step holds them undone
    std::size_t bytes_ = 0;
};

// The steps that can be undone and redone, bounded by count and by the bytes they hold.
class History {
  public:
    static constexpr std::size_t kMaxSteps = 100;
    static constexpr std::size_t kMaxBytes = std::size_t{256} << 20;

    explicit History(std::size_t max_steps = kMaxSteps, std::size_t max_bytes = kMaxBytes);
    ~History();

    // Makes `step` the newest: the redo list goes, then the oldest steps while there are more
    // than the most steps or they hold more than the most bytes (a step larger than that on
    // its own is not kept either).
    void Push(std::unique_ptr<EditStep> step);
    // Keeps at most `max_steps` (at least one) steps to undo from now on, forgetting the oldest
    // beyond that at once.
    void SetMaxSteps(std::size_t max_steps);
    EditStep* NextUndo() const { return undo_.empty() ? nullptr : undo_.back().get(); }
    EditStep* NextRedo() const { return redo_.empty() ? nullptr : redo_.back().get(); }
    // After the next step was undone (or redone): it moves to the other list.
    void Undone();
    void Redone();
    // The state undoing the newest step goes back to; nothing when there is no step to undo.
    std::optional<std::uint64_t> StateBeforeNewest() const;
    // Forgets the step redo would make again.
    void ForgetNextRedo();
    // Forgets every step; the scene's state becomes a new one.
    void Clear();
    // A number naming the state the scene is in: equal states, equal numbers; a state the
    // history can no longer reach never comes back.
    std::uint64_t State() const { return undo_.empty() ? base_ : undo_.back()->serial; }

    std::size_t UndoCount() const { return undo_.size(); }
    std::size_t RedoCount() const { return redo_.size(); }
    std::size_t Bytes() const { return bytes_; }

  private:
    void DropOldest();

    std::size_t max_steps_;
    std::size_t max_bytes_;
    std::deque<std::unique_ptr<EditStep>> undo_;  // oldest first
    std::vector<std::unique_ptr<EditStep>> redo_;
    std::uint64_t base_ = 0;  // the state below the oldest step
    std::uint64_t last_serial_ = 0;
    std::size_t bytes_ = 0;
};

// Bytes a node holds: its record, meshes, shape and material pictures.
std::size_t NodeBytes(const SceneNode& node);

}  // namespace kelto
