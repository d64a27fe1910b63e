#include "placement_walk.h"

#include <deque>

#include "child_list.h"

namespace kelto {
namespace {

bool HasMembers(const SceneNode& node) {
    return node.first_child != nullptr && node.first_child != &node;
}

bool GoesInto(LeafRule rule, const SceneNode& node) {
    if (rule == LeafRule::NotContainer) {
        return node.type == ObjectType::Root || node.IsContainer();
    }
    return HasMembers(node);
}

}  // namespace

void WalkPlacements(const SceneNode& start, const Matrix4& world_from_start, LeafRule rule,
                    PlacementVisitor& visitor) {
    const bool skip_hidden = rule != LeafRule::EveryNode;
    if (skip_hidden && start.visible == 0 && start.type != ObjectType::Root) {
        return;
    }
    if (!GoesInto(rule, start)) {
        visitor.Visit({start, world_from_start, nullptr});  // no stack for a lone leaf
        return;
    }
    struct Open {
        Placement placed;
        ChildRange::Iterator next_member;
    };
    // A deque keeps the open placements where they are while it grows, so that the members'
    // parent pointers stay valid.
    std::deque<Open> open;
    auto reach = [&](const SceneNode& node, const Matrix4& world_from_node,
                     const Placement* parent) {
        if (!GoesInto(rule, node)) {
            visitor.Visit({node, world_from_node, parent});
            return;
        }
        open.push_back({{node, world_from_node, parent}, Children(node).begin()});
        visitor.Enter(open.back().placed);
    };
    reach(start, world_from_start, nullptr);
    while (!open.empty()) {
        Open& top = open.back();
        if (top.next_member == ChildRange::Iterator{}) {
            visitor.Leave(top.placed);
            if (rule == LeafRule::EveryNode) {
                visitor.Visit(top.placed);
            }
            open.pop_back();
            continue;
        }
        const SceneNode& member = **top.next_member;
        ++top.next_member;
        if (skip_hidden && member.visible == 0) {
            continue;
        }
        Matrix4 world_from_member = top.placed.world_from_node;
        world_from_member.Multiply(member.ComposeParentFromNode());
        reach(member, world_from_member, &top.placed);
    }
}

}  // namespace kelto
