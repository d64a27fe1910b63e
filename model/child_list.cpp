#include "child_list.h"

#include <vector>

namespace kelto {

std::vector<SceneNode*> ChildrenOf(const SceneNode& parent) {
    std::vector<SceneNode*> children;
    for (SceneNode* child : Children(parent)) {
        children.push_back(child);
    }
    return children;
}

std::vector<SceneNode*> SubtreeOf(const SceneNode& node) {
    std::vector<SceneNode*> nodes{const_cast<SceneNode*>(&node)};  // as ChildrenOf gives them
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        for (SceneNode* child : Children(*nodes[i])) {
            nodes.push_back(child);
        }
    }
    return nodes;
}

std::size_t ChildCount(const SceneNode& parent) {
    std::size_t count = 0;
    for ([[maybe_unused]] SceneNode* child : Children(parent)) {
        ++count;
    }
    return count;
}

void LinkChild(SceneNode& parent, SceneNode& child) {
    child.next = parent.first_child == nullptr ? &parent : parent.first_child;
    parent.first_child = &child;
}

void SetChildren(SceneNode& parent, const std::vector<SceneNode*>& children) {
    parent.first_child = children.empty() ? nullptr : children.front();
    for (std::size_t i = 0; i < children.size(); ++i) {
        children[i]->next = i + 1 < children.size() ? children[i + 1] : &parent;
    }
}

bool UnlinkChild(SceneNode& parent, SceneNode& child) {
    SceneNode* previous = nullptr;
    for (SceneNode* node : Children(parent)) {
        if (node == &child) {
            SceneNode* following = child.next == &parent ? nullptr : child.next;
            if (previous == nullptr) {
                parent.first_child = following;
            } else {
                previous->next = following == nullptr ? &parent : following;
            }
            child.next = nullptr;
            return true;
        }
        previous = node;
    }
    return false;
}

}  // namespace kelto
