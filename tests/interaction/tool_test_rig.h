// A modelling view without a window: a document, the main frame's tool, a camera and the
// tools, driven with the mouse events a view would send.
#pragma once

#include <cmath>

#include "document/document_core.h"
#include "interaction/tool_controller.h"
#include "interaction/tool_state.h"
#include "interaction/view_renderer.h"

namespace kelto {

struct ToolRig {
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    DocumentCore document;
    ToolState tools;
    HeadlessViewRenderer camera;
    ToolController controller{document, tools, camera};
    ToolResponse last;

    // The scene's own camera.
    ToolRig() : camera(kWidth, kHeight, {3, 8.5, 22.5}, {0, 0, 0}, {0, 1, 0}, 50.0) {}
    explicit ToolRig(ViewProjection projection) : camera(kWidth, kHeight, projection) {}

    // The pixel whose centre the world point projects into.
    WindowPoint PixelOf(const Vec3& world) const {
        WindowPoint p;
        camera.ProjectToWindow(world, p);
        return {std::floor(p.x), std::floor(p.y)};
    }
    // The pixel whose corner is nearest the world point (the insertion tools' ray passes
    // through the corner of a pixel).
    WindowPoint CornerOf(const Vec3& world) const {
        WindowPoint p;
        camera.ProjectToWindow(world, p);
        return {std::round(p.x), std::round(p.y)};
    }
    ToolResponse Send(PointerEventKind kind, const WindowPoint& at, unsigned modifiers = 0,
                      PointerButton button = PointerButton::Left) {
        PointerEvent event;
        event.kind = kind;
        event.button = kind == PointerEventKind::Move ? PointerButton::None : button;
        event.modifiers = modifiers;
        event.point = at;
        last = controller.OnPointer(event);
        return last;
    }
    ToolResponse Press(const WindowPoint& at, unsigned modifiers = 0) {
        return Send(PointerEventKind::Press, at, modifiers);
    }
    ToolResponse Move(const WindowPoint& at, unsigned modifiers = 0) {
        return Send(PointerEventKind::Move, at, modifiers);
    }
    ToolResponse Release(const WindowPoint& at, unsigned modifiers = 0) {
        return Send(PointerEventKind::Release, at, modifiers);
    }
    void Click(const WindowPoint& at, unsigned modifiers = 0) {
        Press(at, modifiers);
        Release(at, modifiers);
    }
    // Press, the moves in between in `steps` equal steps, release.
    void Drag(const WindowPoint& from, const WindowPoint& to, int steps = 4,
              unsigned modifiers = 0) {
        Press(from, modifiers);
        for (int i = 1; i <= steps; ++i) {
            Move({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps},
                 modifiers);
        }
        Release(to, modifiers);
    }
};

inline Vec3 WorldPoint(const SceneNode& node, const Vec3f& local) {
    const Vec3f w = node.parent_from_node.TransformPoint(local);
    return {w.x, w.y, w.z};
}

inline Vec3 WorldBoxCentre(const SceneNode& node) {
    return WorldPoint(node,
                      {(node.box.min.x + node.box.max.x) / 2, (node.box.min.y + node.box.max.y) / 2,
                       (node.box.min.z + node.box.max.z) / 2});
}

inline bool MatrixIsFinite(const Matrix4& m) {
    for (double v : m.m)
        if (!std::isfinite(v))
            return false;
    return true;
}

}  // namespace kelto
