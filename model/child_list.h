// The threaded child list of scene nodes: a parent's first child is its newest, each child's
// next pointer leads to the following sibling and the last sibling's next pointer leads back to
// the parent. These helpers are the only code that follows or changes those pointers by hand.
#pragma once

#include <cstddef>
#include <iterator>
#include <vector>

#include "scene_node.h"

namespace kelto {

// The children of a node in sibling order, for range-for loops. A walk ends when it arrives
// back at the parent or at an empty pointer. Changing the list while walking it is not allowed;
// collect the children first (ChildrenOf) for that.
class ChildRange {
  public:
    class Iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = SceneNode*;
        using difference_type = std::ptrdiff_t;
        using pointer = SceneNode**;
        using reference = SceneNode*;

        Iterator() = default;
        Iterator(SceneNode* current, const SceneNode* parent)
            : current_(current), parent_(parent) {}
        SceneNode* operator*() const { return current_; }
        Iterator& operator++() {
            current_ = current_->next == parent_ ? nullptr : current_->next;
            return *this;
        }
        Iterator operator++(int) {
            Iterator old = *this;
            ++*this;
            return old;
        }
        friend bool operator==(const Iterator& a, const Iterator& b) {
            return a.current_ == b.current_;
        }

      private:
        SceneNode* current_ = nullptr;
        const SceneNode* parent_ = nullptr;
    };

    explicit ChildRange(const SceneNode& parent) : parent_(&parent) {}
    Iterator begin() const {
        SceneNode* first = parent_->first_child == parent_ ? nullptr : parent_->first_child;
        return {first, parent_};
    }
    Iterator end() const { return {nullptr, parent_}; }

  private:
    const SceneNode* parent_;
};

inline ChildRange Children(const SceneNode& parent) {
    return ChildRange(parent);
}

// The children as a list, safe to keep while the tree changes.
std::vector<SceneNode*> ChildrenOf(const SceneNode& parent);
// The node and everything below it, each parent before its children.
std::vector<SceneNode*> SubtreeOf(const SceneNode& node);
std::size_t ChildCount(const SceneNode& parent);

// Pushes `child` at the front of `parent`'s children.
void LinkChild(SceneNode& parent, SceneNode& child);
// Makes `children` (in sibling order) the whole child list of `parent`, whatever it held
// before; the nodes it held and `children` do not name are left unlinked from it.
void SetChildren(SceneNode& parent, const std::vector<SceneNode*>& children);
// Takes `child` out of `parent`'s children; false when it is not one of them. The child's next
// pointer is cleared.
bool UnlinkChild(SceneNode& parent, SceneNode& child);

}  // namespace kelto
