// The modelling view's own handling of the mouse and keys: Escape during a drag, and the
// double click with Ctrl held.
#include <QtTest>

#include "view_rig.h"

using namespace kelto;
using namespace kelto::test;

class ToolsViewTest : public QObject {
    Q_OBJECT

  private slots:
    // Where the insertion lands, how a handle drag scales and how the picture follows are the
    // tool controller's and the modelling windows' tests; here the view's own key and clicks.
    void EscapeInTheMiddleOfADragPutsEverythingBackAndCtrlKeepsTheTool() {
        ViewRig rig(400, 300);
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
