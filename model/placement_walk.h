// The one walk that places the scene's objects in the world: from a node whose placement is
// known, down its threaded child lists in sibling order, each child's placement composed as
// world_from_child = world_from_parent * parent_from_child (the child's ComposeParentFromNode,
// with its pending drag). The export, the render snapshot, picking and the views' drawing all
// place their objects through it.
#pragma once

#include "scene_node.h"

namespace kelto {

// A node as the walk reaches it, with the placements of the nodes above it up to the node
// the walk started from (whose parent is null).
struct Placement {
    const SceneNode& node;
    Matrix4 world_from_node;
    const Placement* parent;
};

// Which nodes the walk goes into and which it hands over. In the scenes the program makes the
// three agree (groups and boolean results have members and no mesh of their own, other
// objects have no members); they differ on what a file may hold besides.
enum class LeafRule {
    // What the views draw and pick: a node with members is its members, any other is a leaf.
    Childless,
    // What the render traces: the root, groups and boolean results are walked into (and are no
    // leaves even without members); every other node is a leaf, whatever it holds below.
    NotContainer,
    // What the export writes: every node, each after the members it has.
    EveryNode,
};

class PlacementVisitor {
  public:
    virtual ~PlacementVisitor() = default;
    // A node handed over by the rule.
    virtual void Visit(const Placement& placed) = 0;
    // The walk goes into the members of `placed`, and has come back out of them.
    virtual void Enter(const Placement& placed) { (void)placed; }
    virtual void Leave(const Placement& placed) { (void)placed; }
};

// Walks the subtree of `start`, placed in the world by `world_from_start` (the identity for the
// scene's root). A hidden node (visible 0) is left out with everything below it, the start
// included, except by EveryNode. It keeps its own stack, so the depth of the tree is not bounded by
// the program's.
void WalkPlacements(const SceneNode& start, const Matrix4& world_from_start, LeafRule rule,
                    PlacementVisitor& visitor);

// The same, handing each node over to `visit(const Placement&)`.
template <typename Fn>
void ForEachLeaf(const SceneNode& start, const Matrix4& world_from_start, LeafRule rule,
                 Fn&& visit) {
    struct Adapter : PlacementVisitor {
        Fn& fn;
        explicit Adapter(Fn& f) : fn(f) {}
        void Visit(const Placement& placed) override { fn(placed); }
    } adapter(visit);
    WalkPlacements(start, world_from_start, rule, adapter);
}

}  // namespace kelto
