// The modelling tools as a person uses them: real mouse events on the OpenGL view, the scene
// read back through the document and the picture through the view's framebuffer.
#include <QImage>
#include <QtTest>
#include <cmath>

#include "interaction/decorations.h"
#include "model/child_list.h"
#include "view_rig.h"

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

}  // namespace

class ToolsViewTest : public QObject {
    Q_OBJECT

  private slots:
    void SphereToolClickOnTheFloorMakesSphere1RestingThere() {
        ViewRig rig(kWidth, kHeight);
        QVERIFY(rig.Ready());
        rig.tools.ChoosePrimitive(1);
        Click(*rig.view, rig.CornerOf({2, 0, -1}));
        const SceneNode* sphere = *Children(rig.document.GetScene().Root()).begin();
        QVERIFY(sphere != nullptr);
        QCOMPARE(sphere->name, std::string("Sphere1"));
        QVERIFY((sphere->position - Vec3{2, 1, -1}).Length() < 0.05);
        // Seen where its centre projects; the sky above it stays empty.
        QVERIFY(rig.document.SetMaterial(sphere->id, Red()).ok());
        const QImage image = rig.Grab();
        QVERIFY(IsRed(At(image, rig.PixelOf({2, 1, -1}))));
        QVERIFY(!IsRed(At(image, rig.PixelOf({2, 3.5, -1}))));
    }

    void XHandleDragStretchesTheCubeOnTheScreen() {
        ViewRig rig(kWidth, kHeight);
        const NodeId id = rig.document.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        QVERIFY(rig.document.SetMaterial(id, Red()).ok());
        QVERIFY(rig.Ready());
        const SceneNode& cube = *rig.document.Node(id);
        const QPoint beyond = rig.PixelOf({1.3, 1.0, 1.0});  // past the cube's x, on its front
        QVERIFY(!IsRed(At(rig.Grab(), beyond)));
        const QPoint handle = rig.PixelOf(WorldOf(cube, HandleCentre(cube.box, 0)));
        const QPoint corner = rig.PixelOf(WorldOf(cube, BoxCorners(cube.box)[0]));
        Drag(*rig.view, handle, handle + (handle - corner) * 3, 3);
        QVERIFY2(cube.scale.x > 1.3, qPrintable(QString::number(cube.scale.x)));
        QCOMPARE(cube.scale.y, 1.0);
        QTRY_VERIFY(IsRed(At(rig.Grab(), beyond)));
        QCOMPARE(rig.view->Renderer().highlight_mode, int(CViewRenderer::kHighlightNormal));
    }

    void EscapeInTheMiddleOfADragPutsEverythingBackAndCtrlKeepsTheTool() {
        ViewRig rig(kWidth, kHeight);
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
        // A double click (press, release, double click, release) with Ctrl held inserts once:
        // its second press does nothing.
        rig.tools.ChoosePrimitive(0);
        const QPoint floor = rig.CornerOf({3, 0, 3});
        Click(*rig.view, floor, Qt::ControlModifier);
        QTest::mouseDClick(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QTest::mouseRelease(rig.view.get(), Qt::LeftButton, Qt::ControlModifier, floor);
        QCOMPARE(rig.document.GetScene().NodeCount(), std::size_t{3});
    }
};

QTEST_MAIN(ToolsViewTest)
#include "tools_view_test.moc"
