// A modelling view on a document of its own, shown, driven with real mouse events, and its
// pictures read back: a pixel's colour, the background's grey, a colour near a point.
// World points of a node come from the tool rig.
#pragma once

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "document/document_core.h"
#include "interaction/view_renderer.h"
#include "tests/interaction/tool_test_rig.h"
#include "views/talvor_view.h"

namespace kelto::test {

inline constexpr int kBackground = 128;  // grey 0.5

struct Rgb {
    int r, g, b;
};

// Clamped to the picture.
inline Rgb At(const QImage& image, const QPoint& at) {
    const QRgb p = image.pixel(std::clamp(at.x(), 0, image.width() - 1),
                               std::clamp(at.y(), 0, image.height() - 1));
    return {qRed(p), qGreen(p), qBlue(p)};
}

inline bool IsBackground(const Rgb& c) {
    return std::abs(c.r - kBackground) <= 1 && std::abs(c.g - kBackground) <= 1 &&
           std::abs(c.b - kBackground) <= 1;
}

// The pixel a world point is seen in.
inline QPoint PixelOf(const CTalvorView& view, const Vec3& world) {
    WindowPoint p;
    view.Renderer().ProjectToWindow(world, p);
    return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

// The pixel corner nearest to it (the floor ray of the insertion tools passes there).
inline QPoint CornerOf(const CTalvorView& view, const Vec3& world) {
    WindowPoint p;
    view.Renderer().ProjectToWindow(world, p);
    return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

// A pixel within `reach` of the pixel `at` that passes `test`.
template <typename Test>
bool Near(const QImage& image, const QPoint& at, int reach, Test test) {
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx)
            if (test(At(image, at + QPoint(dx, dy))))
                return true;
    }
    return false;
}

inline void Click(CTalvorView& view, const QPoint& at, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(&view, Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(&view, Qt::LeftButton, modifiers, at);
}

// A drag as the mouse makes it: a press, moves with the button held, a release.
inline void Drag(CTalvorView& view, const QPoint& from, const QPoint& to, int steps,
                 Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(&view, button, {}, from);
    for (int i = 1; i <= steps; ++i)
        QTest::mouseMove(&view, from + (to - from) * i / steps);
    QTest::mouseRelease(&view, button, {}, to);
}

struct ViewRig {
    DocumentCore document;
    ToolState tools;
    std::unique_ptr<CTalvorView> view;

    ViewRig(int width, int height) {
        view = std::make_unique<CTalvorView>(document, tools, std::nullopt);
        view->resize(width, height);
        view->show();
        // The scene's light out of the way of the objects.
        Light light = document.GetScene().Lights()[0];
        light.position = {-6, 7, 7};
        document.SetLight(light.id, light);
    }
    bool Ready() { return QTest::qWaitForWindowExposed(view.get()); }
    QImage Grab() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
    QPoint PixelOf(const Vec3& world) const { return test::PixelOf(*view, world); }
    QPoint CornerOf(const Vec3& world) const { return test::CornerOf(*view, world); }
};

}  // namespace kelto::test
