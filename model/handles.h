// Stable names for the nodes and lights of a scene. A handle is given once, when the node or
// light enters the scene, and never again to anything else: a handle kept by a window keeps
// naming the same node while it exists and resolves to nothing once it is deleted, or once the
// document has been cleared or opened anew.
#pragma once

#include <compare>
#include <cstdint>
#include <functional>

namespace kelto {

struct NodeId {
    std::uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend auto operator<=>(const NodeId&, const NodeId&) = default;
};

struct LightId {
    std::uint64_t value = 0;
    explicit operator bool() const { return value != 0; }
    friend auto operator<=>(const LightId&, const LightId&) = default;
};

}  // namespace kelto

template <>
struct std::hash<kelto::NodeId> {
    std::size_t operator()(const kelto::NodeId& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.value);
    }
};
template <>
struct std::hash<kelto::LightId> {
    std::size_t operator()(const kelto::LightId& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.value);
    }
};
