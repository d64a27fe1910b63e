// What the document tells its windows after each operation: which node or light changed and
// how. Listeners hold a Subscription; dropping it (a window closing) ends the calls at once,
// even from inside a call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "model/handles.h"

namespace kelto {

enum class ChangeKind {
    NodeAdded,        // node
    NodeRemoved,      // node (no longer resolves)
    NodeTransformed,  // node: position, scale, rotation or a pending drag transform
    NodeMaterial,     // node
    NodeGeometry,     // node: its meshes (a Trim cuts its operands)
    NodeRenamed,      // node
    TreeChanged,      // node: the container whose members changed (group, ungroup, Trim)
    LightAdded,       // light
    LightRemoved,     // light
    LightChanged,     // light: any field, a pending drag included
    Selection,        // the selected nodes or lights, or the selection summary
    Views,            // the stored view cameras
    SceneReplaced,    // everything: a new or opened document; old handles are gone
    Modified,         // the modified flag went on or off
    NodeShown,        // node: its visible flag
    Lighting,         // the scene's lighting and environment settings
};

struct DocumentChange {
    ChangeKind kind;
    NodeId node;
    LightId light;
    friend bool operator==(const DocumentChange&, const DocumentChange&) = default;
};

// The changes one operation made, in the order made.
struct ChangeSet {
    std::vector<DocumentChange> changes;
    bool Has(ChangeKind kind) const;
    bool Empty() const { return changes.empty(); }
};

using ChangeListener = std::function<void(const ChangeSet&)>;

// The listeners of one document. Kept apart from the document so that a subscription may
// outlive it.
class ChangeHub {
  public:
    std::uint64_t Add(ChangeListener listener);
    void Remove(std::uint64_t id);
    void Dispatch(const ChangeSet& changes);
    std::size_t Count() const;

  private:
    struct Entry {
        std::uint64_t id;
        ChangeListener listener;
    };
    std::vector<Entry> entries_;
    std::uint64_t last_id_ = 0;
    int dispatching_ = 0;
};

// A listener's registration; move-only. Resetting it or destroying it unsubscribes.
class Subscription {
  public:
    Subscription() = default;
    Subscription(std::weak_ptr<ChangeHub> hub, std::uint64_t id) : hub_(std::move(hub)), id_(id) {}
    ~Subscription() { Reset(); }
    Subscription(Subscription&& other) noexcept : hub_(std::move(other.hub_)), id_(other.id_) {
        other.id_ = 0;
    }
    Subscription& operator=(Subscription&& other) noexcept {
        if (this != &other) {
            Reset();
            hub_ = std::move(other.hub_);
            id_ = other.id_;
            other.id_ = 0;
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;

    void Reset();
    bool Active() const { return id_ != 0 && !hub_.expired(); }

  private:
    std::weak_ptr<ChangeHub> hub_;
    std::uint64_t id_ = 0;
};

}  // namespace kelto
