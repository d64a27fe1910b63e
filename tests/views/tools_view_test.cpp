// The modelling tools as a person uses them: real mouse events on the OpenGL view, the scene
// read back through the document and the picture through the view's framebuffer.
#include <QImage>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

#include "document/document_core.h"
#include "interaction/decorations.h"
#include "interaction/tool_state.h"
#include "model/child_list.h"
#include "pixels.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::test;

namespace {

constexpr int kWidth = 400;
constexpr int kHeight = 300;

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
};

QTEST_MAIN(ToolsViewTest)
#include "tools_view_test.moc"
