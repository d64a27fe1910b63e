// The modelling tools as a person uses them: real mouse events on the OpenGL view, the scene
// read back through the document and the picture through the view's framebuffer.
#include <QImage>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "document/document_core.h"
#include "interaction/decorations.h"
#include "interaction/picking.h"
#include "interaction/tool_state.h"
#include "model/child_list.h"
#include "pixels.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::test;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

bool IsGrid(const Rgb& c) {
    return std::abs(c.r - 179) <= 3 && std::abs(c.g - 179) <= 3 && std::abs(c.b - 179) <= 3;
}

bool IsRed(const Rgb& c) {
    return c.r > c.g + 40 && c.r > c.b + 40;
}

Material Red() {
    Material m;
    m.colour = {1, 0, 0};
    return m;
}

Vec3 WorldOf(const SceneNode& node, const Vec3f& local) {
    const Vec3f w = node.parent_from_node.TransformPoint(local);
    return {w.x, w.y, w.z};
}

struct ViewRig {
    DocumentCore document;
    ToolState tools;
    std::unique_ptr<CTalvorView> view;

    explicit ViewRig(ViewProjection projection = ViewProjection::Perspective) {
        if (projection == ViewProjection::Perspective) {
            view = std::make_unique<CTalvorView>(document, tools, std::nullopt);
        } else {
            view = std::make_unique<CTalvorView>(document, tools, projection);
        }
        view->resize(kWidth, kHeight);
        view->show();
        // The scene's light out of the way of the objects.
        Light light = document.GetScene().Lights()[0];
        light.position = {-6, 7, 7};
        document.SetLight(light.id, light);
    }
    bool Ready() { return QTest::qWaitForWindowExposed(view.get()); }
    QImage Grab() { return view->grabFramebuffer().convertToFormat(QImage::Format_RGB32); }
    WindowPoint Project(const Vec3& world) const {
        WindowPoint p;
        view->Renderer().ProjectToWindow(world, p);
        return p;
    }
    // The pixel the world point is seen in.
    QPoint PixelOf(const Vec3& world) const {
        const WindowPoint p = Project(world);
        return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
    }
    // The pixel corner nearest to it (the floor ray of the insertion tools passes there).
    QPoint CornerOf(const Vec3& world) const {
        const WindowPoint p = Project(world);
        return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
    }
    void Click(const QPoint& at, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(view.get(), Qt::LeftButton, modifiers, at);
        QTest::mouseRelease(view.get(), Qt::LeftButton, modifiers, at);
    }
    // A drag as the mouse makes it: a press, moves with the button held, a release.
    void Drag(const QPoint& from, const QPoint& to, int steps) {
        QTest::mousePress(view.get(), Qt::LeftButton, {}, from);
        for (int i = 1; i <= steps; ++i) {
            QTest::mouseMove(view.get(), from + (to - from) * i / steps);
        }
        QTest::mouseRelease(view.get(), Qt::LeftButton, {}, to);
    }
    // A move with modifier keys held (the test library's moves carry none).
    void MoveWith(const QPoint& at, Qt::KeyboardModifiers modifiers) {
        QMouseEvent move(QEvent::MouseMove, QPointF(at), view->mapToGlobal(QPointF(at)),
                         Qt::NoButton, Qt::LeftButton, modifiers);
        QApplication::sendEvent(view.get(), &move);
    }
};

const SceneNode* Newest(const DocumentCore& document) {
    for (const SceneNode* node : Children(document.GetScene().Root())) {
        return node;
    }
    return nullptr;
}

}  // namespace

class ToolsViewTest : public QObject {
    Q_OBJECT

  private slots:
    void SphereToolClickOnTheFloorMakesSphere1RestingThere() {
        ViewRig rig;
        QVERIFY(rig.Ready());
        rig.tools.ChoosePrimitive(1);
        const QPoint at = rig.CornerOf({2, 0, -1});
        rig.Click(at);
        const SceneNode* sphere = Newest(rig.document);
        QVERIFY(sphere != nullptr);
        QCOMPARE(sphere->name, std::string("Sphere1"));
        QVERIFY(std::abs(sphere->position.x - 2) < 0.05);
        QCOMPARE(sphere->position.y, 1.0);
        QVERIFY(std::abs(sphere->position.z + 1) < 0.05);
        QCOMPARE(rig.tools.Mode(), ToolMode::Select);
        QVERIFY(rig.document.IsModified());
        // Seen where its centre projects; the sky above it stays empty.
        QVERIFY(rig.document.SetMaterial(sphere->id, Red()).ok());
        const QImage image = rig.Grab();
        const QPoint centre = rig.PixelOf({2, 1, -1});
        QVERIFY(IsRed(At(image, centre.x(), centre.y())));
        const QPoint above = rig.PixelOf({2, 3.5, -1});
        QVERIFY(!IsRed(At(image, above.x(), above.y())));
    }

    void XHandleDragScalesOnlyX() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        QVERIFY(rig.document.SetMaterial(id, Red()).ok());
        QVERIFY(rig.Ready());
        const SceneNode& cube = *rig.document.Node(id);
        const Vec3 beyond{1.3, 1.0, 1.0};  // outside the cube's x extent, on its front face
        QVERIFY(!IsRed(At(rig.Grab(), rig.PixelOf(beyond).x(), rig.PixelOf(beyond).y())));
        const Vec3 anchor = WorldOf(cube, BoxCorners(cube.box)[4]);
        const QPoint handle = rig.PixelOf(WorldOf(cube, HandleCentre(cube.box, 0)));
        const QPoint corner = rig.PixelOf(WorldOf(cube, BoxCorners(cube.box)[0]));
        rig.Drag(handle, handle + (handle - corner) * 3, 3);
        QVERIFY2(cube.scale.x > 1.3, qPrintable(QString::number(cube.scale.x)));
        QCOMPARE(cube.scale.y, 1.0);
        QCOMPARE(cube.scale.z, 1.0);
        const Vec3 kept = WorldOf(cube, BoxCorners(cube.box)[4]);
        QVERIFY((kept - anchor).Length() < 1e-5);
        // The picture follows: the cube now reaches past x = 1.3.
        QTRY_VERIFY(IsRed(At(rig.Grab(), rig.PixelOf(beyond).x(), rig.PixelOf(beyond).y())));
        QCOMPARE(rig.view->Renderer().highlight_mode, int(CViewRenderer::kHighlightNormal));
    }

    void RingDragTurnsByItsAngleAboutTheRingsAxis() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        rig.tools.SetMode(ToolMode::Rotate);
        QVERIFY(rig.Ready());
        const SceneNode& cube = *rig.document.Node(id);
        // A point of the y ring (about the vertical axis) at its front left.
        const Matrix4 frame = NodeRingFrame(cube);
        const double a = 315.0 * kDegreesToRadians;
        const Vec3 on_ring = TransformPoint(frame, {std::sin(a), 0, std::cos(a)});
        const QPoint at = rig.PixelOf(on_ring);
        PickOptions rings;
        rings.rings = true;
        const auto hit = Pick(rig.document.GetScene(),
                              rig.view->Renderer().RayAt({at.x() + 0.5, at.y() + 0.5}), rings);
        QVERIFY(hit && hit->code == kRingCodeY);
        QTest::mousePress(rig.view.get(), Qt::LeftButton, {}, at);
        QCOMPARE(rig.document.GrabbedRing(), kRingCodeY);
        WindowPoint g, s0, s1;
        rig.view->Renderer().ProjectToWindow(hit->grab_point, g);
        rig.view->Renderer().ProjectToWindow(hit->segment_start, s0);
        rig.view->Renderer().ProjectToWindow(hit->segment_end, s1);
        const QPoint grab(static_cast<int>(std::round(g.x)), static_cast<int>(std::round(g.y)));
        const QPoint tangent(static_cast<int>(std::round(5 * std::round(s1.x - s0.x))),
                             static_cast<int>(std::round(5 * std::round(s1.y - s0.y))));
        QVERIFY(tangent != QPoint());
        // Three times six tangents along the ring from the grab point: 12 degrees each.
        for (int i = 0; i < 3; ++i) {
            QTest::mouseMove(rig.view.get(), grab + tangent * 6);
        }
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, {}, grab);
        Matrix4 expected;
        expected.Rotate(36.0, {0, 1, 0});
        for (int i = 0; i < 16; ++i) {
            QVERIFY2(std::abs(cube.rotation[i] - expected[i]) < 1e-9,
                     qPrintable(QString::number(i)));
        }
        QCOMPARE(cube.position, (Vec3{0, 1, 0}));
        QVERIFY(rig.document.IsModified());
    }

    void ShiftClicksToggleTheSelection() {
        ViewRig rig;
        const NodeId a = rig.document.InsertObject(ObjectType::Sphere, {-2.5, 0, 0}, false);
        const NodeId b = rig.document.InsertObject(ObjectType::Sphere, {2.5, 0, 0}, false);
        rig.document.ClearSelection();
        QVERIFY(rig.Ready());
        const QPoint pa = rig.PixelOf({-2.5, 1, 0});
        const QPoint pb = rig.PixelOf({2.5, 1, 0});
        rig.Click(pa);
        rig.Click(pb, Qt::ShiftModifier);
        QCOMPARE(rig.document.Selection().selected_count, 2);
        rig.Click(pa, Qt::ShiftModifier);
        QCOMPARE(rig.document.Selection().selected_count, 1);
        QVERIFY(!rig.document.Node(a)->selected && rig.document.Node(b)->selected);
        rig.Click(pb, Qt::ShiftModifier);  // the only one stays
        QCOMPARE(rig.document.Selection().selected_count, 1);
        QVERIFY(rig.document.Node(b)->selected);
        rig.Click({3, 3});
        QCOMPARE(rig.document.GetScene().CountSelected(), 0);
        // Handles are drawn for what is selected only.
        rig.Click(pa);
        const SceneNode& na = *rig.document.Node(a);
        const QPoint handle = rig.PixelOf(WorldOf(na, HandleCentre(na.box, 3)));
        const Rgb seen = At(rig.Grab(), handle.x(), handle.y());
        QVERIFY2(seen.r > seen.b + 60 && seen.g > seen.b + 60,
                 qPrintable(QString("%1,%2,%3").arg(seen.r).arg(seen.g).arg(seen.b)));
    }

    void ALightMovesWithItsIcon() {
        ViewRig rig;
        const LightId id = rig.document.InsertLight(LightKind::Point, {1, 2, 3});
        Light green = *rig.document.FindLight(id);
        green.diffuse = {0, 1, 0, 1};
        QVERIFY(rig.document.SetLight(id, green).ok());
        QVERIFY(rig.Ready());
        const QPoint from = rig.PixelOf({1, 2, 3});
        const QPoint to = from + QPoint(-90, 20);
        rig.Drag(from, to, 6);
        const Light& light = *rig.document.FindLight(id);
        QVERIFY(light.selected);
        QCOMPARE(light.position.y, 2.0);
        QVERIFY((light.position - Vec3{1, 2, 3}).Length() > 0.5);
        const QImage image = rig.Grab();
        auto is_green = [](const Rgb& c) { return c.g > 200 && c.r < 80 && c.b < 80; };
        QVERIFY(Near(image, rig.Project(light.position), 2, is_green));
        QVERIFY(!Near(image, {from.x() + 0.5, from.y() + 0.5}, 2, is_green));
    }

    void EscapeInTheMiddleOfADragPutsEverythingBack() {
        ViewRig rig;
        const NodeId id = rig.document.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        QVERIFY(rig.Ready());
        const std::vector<std::uint8_t> before = rig.document.SaveToBytes();
        const QPoint at = rig.PixelOf({0, 1, 0});
        QTest::mousePress(rig.view.get(), Qt::LeftButton, {}, at);
        QTest::mouseMove(rig.view.get(), at + QPoint(70, 10));
        QVERIFY(rig.document.Node(id)->moving);
        QTest::keyClick(rig.view.get(), Qt::Key_Escape);
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, {}, at + QPoint(70, 10));
        QCOMPARE(rig.document.SaveToBytes(), before);
        QCOMPARE(rig.document.UndoText(), std::string("Undo Insert Sphere1"));
        // A double click (press, release, double click, release) with Ctrl held inserts once:
        // its second press does nothing.
        rig.tools.ChoosePrimitive(0);
        const QPoint floor = rig.CornerOf({3, 0, 3});
        QTest::mousePress(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QTest::mouseDClick(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QCOMPARE(rig.document.GetScene().NodeCount(), std::size_t{3});
        rig.tools.SetMode(ToolMode::Select);
        // Shift held during a move drag lifts the object instead.
        rig.document.ClearSelection();
        const QPoint body = rig.PixelOf({0, 1, 0});
        QTest::mousePress(rig.view.get(), Qt::LeftButton, {}, body);
        rig.MoveWith(body + QPoint(0, -40), Qt::ShiftModifier);
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, {}, body + QPoint(0, -40));
        const SceneNode& sphere = *rig.document.Node(id);
        QCOMPARE(sphere.position.x, 0.0);
        QCOMPARE(sphere.position.z, 0.0);
        QVERIFY(sphere.position.y > 1.3);
    }

    void TopViewShowsTheGridSquareAndObjectsWhereXAndZSay() {
        ViewRig rig(ViewProjection::Top);
        const NodeId id = rig.document.InsertObject(ObjectType::Sphere, {3, 0, 2}, false);
        QVERIFY(rig.document.SetMaterial(id, Red()).ok());
        rig.document.ClearSelection();
        QVERIFY(rig.Ready());
        const QImage image = rig.Grab();
        // Grid lines half a unit apart, as far apart across as down.
        const WindowPoint x0 = rig.Project({-4, 0, -3.25});
        const WindowPoint x1 = rig.Project({-3.5, 0, -3.25});
        const WindowPoint z0 = rig.Project({-4.25, 0, -4});
        const WindowPoint z1 = rig.Project({-4.25, 0, -3.5});
        QVERIFY(std::abs((x1.x - x0.x) - (z1.y - z0.y)) < 1e-9);
        QVERIFY(x1.x - x0.x > 4);
        for (const WindowPoint& p : {x0, x1, z0, z1}) {
            QVERIFY2(IsGrid(At(image, static_cast<int>(p.x), static_cast<int>(p.y))) ||
                         IsGrid(At(image, static_cast<int>(p.x) - 1, static_cast<int>(p.y))) ||
                         IsGrid(At(image, static_cast<int>(p.x), static_cast<int>(p.y) - 1)),
                     "no grid line where the top view should have one");
        }
        // The middle of a cell is empty.
        const WindowPoint cell = rig.Project({-3.75, 0, -3.75});
        QVERIFY(IsBackground(At(image, static_cast<int>(cell.x), static_cast<int>(cell.y))));
        // The sphere at x = 3, z = 2, whatever its height: right of and below the centre.
        const WindowPoint s = rig.Project({3, 50, 2});
        QVERIFY(s.x > kWidth / 2.0 && s.y > kHeight / 2.0);
        QVERIFY(IsRed(At(image, static_cast<int>(s.x), static_cast<int>(s.y))));
        const WindowPoint mirror = rig.Project({-3, 0, 2});
        QVERIFY(!IsRed(At(image, static_cast<int>(mirror.x), static_cast<int>(mirror.y))));
        // Picking and dragging work here too: the sphere slides along x.
        const QPoint at(static_cast<int>(s.x), static_cast<int>(s.y));
        rig.Drag(at, at + QPoint(-60, 0), 3);
        const SceneNode& sphere = *rig.document.Node(id);
        QVERIFY(sphere.position.x < 2.5);
        QVERIFY(std::abs(sphere.position.z - 2.0) < 1e-9);
    }
};

QTEST_MAIN(ToolsViewTest)
#include "tools_view_test.moc"
