// Modelling windows in the main window: several windows on one document following each
// other, the camera bars acting on the view focused last, the lens slider, the projection
// views and the four-view window, and the text tool's prompt, all driven as a user drives them.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cmath>

#include "app/child_frame.h"
#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "app/text_dialog.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "model/child_list.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "views/camera_bars.h"
#include "views/talvor_view.h"
#include "views/thumb_wheel.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

// Smaller than usual: these tests read whole pictures back.
struct Rig : kelto::test::MainWindowRig {
    Rig() : MainWindowRig(800, 600) {}
};

QPoint PixelOf(const CTalvorView& view, const Vec3& world) {
    WindowPoint p;
    view.Renderer().ProjectToWindow(world, p);
    return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

QPoint CornerOf(const CTalvorView& view, const Vec3& world) {
    WindowPoint p;
    view.Renderer().ProjectToWindow(world, p);
    return {static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))};
}

bool IsBlue(CTalvorView& view, const QPoint& at) {
    const QImage image = view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    const QRgb c = image.pixel(std::clamp(at.x(), 0, image.width() - 1),
                               std::clamp(at.y(), 0, image.height() - 1));
    return qBlue(c) > qRed(c) + 40 && qBlue(c) > qGreen(c) + 40;
}

int BluePixels(CTalvorView& view) {
    const QImage image = view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = row[x];
            count += qBlue(c) > qRed(c) + 40 && qBlue(c) > qGreen(c) + 40 ? 1 : 0;
        }
    }
    return count;
}

Vec3 WorldOfCentre(const SceneNode& node) {
    const Vec3f c{(node.box.min.x + node.box.max.x) / 2, (node.box.min.y + node.box.max.y) / 2,
                  (node.box.min.z + node.box.max.z) / 2};
    const Vec3f w = node.parent_from_node.TransformPoint(c);
    return {w.x, w.y, w.z};
}

// A light high above, so that views from every side see their faces lit.
void LightFromAbove(DocumentCore& document) {
    Light light = document.GetScene().Lights()[0];
    light.position = {12, 10, 10};
    document.SetLight(light.id, light);
}

void Click(CTalvorView& view, const QPoint& at) {
    QTest::mousePress(&view, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&view, Qt::LeftButton, {}, at);
}

}  // namespace

class ModellingWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void TwoWindowsOnOneDocumentBothShowEveryChange() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        CTalvorView& first = rig.Active()->View();
        rig.frame->NewWindow(*doc);
        CTalvorView& second = rig.Active()->View();
        QVERIFY(&first != &second);
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        // A sphere dropped in the first window...
        rig.Act(kSphere)->trigger();
        Click(first, CornerOf(first, {2, 0, -1}));
        QCOMPARE(doc->Core().GetScene().NodeCount(), std::size_t{2});
        QVERIFY(doc->IsModified());
        QVERIFY(rig.Active()->windowTitle().contains("*") || rig.Active()->isWindowModified());
        // ...shows in both.
        QTRY_VERIFY(IsBlue(first, PixelOf(first, {2, 1, -1})));
        QTRY_VERIFY(IsBlue(second, PixelOf(second, {2, 1, -1})));
        // Dragged in the second, it moves in the first.
        const QPoint from = PixelOf(second, {2, 1, -1});
        QTest::mousePress(&second, Qt::LeftButton, {}, from);
        for (int i = 1; i <= 4; ++i) {
            QTest::mouseMove(&second, from + QPoint(-40 * i, 0));
        }
        QTest::mouseRelease(&second, Qt::LeftButton, {}, from + QPoint(-160, 0));
        const SceneNode& sphere = **Children(doc->Core().GetScene().Root()).begin();
        QVERIFY(sphere.position.x < 0.5);
        QTRY_VERIFY(IsBlue(first, PixelOf(first, WorldOfCentre(sphere))));
        QTRY_VERIFY(!IsBlue(first, PixelOf(first, {2, 1.6, -1})));
    }

    void LensSliderShowsItsMillimetresAndSetsTheProjection() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        doc->Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        doc->Core().ClearSelection();
        CChildFrame* frame = rig.Active();
        CTalvorView& view = frame->View();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSlider* lens = frame->TopBar().LensSlider();
        QCOMPARE(frame->TopBar().LensText()->text(), QString("  50 mm "));
        QTRY_VERIFY(BluePixels(view) > 100);
        const int at_50 = BluePixels(view);
        const double top_50 = view.Renderer().Camera().frustum_top;
        lens->setValue(24);  // the widest the slider goes
        QCOMPARE(frame->TopBar().LensText()->text(), QString("  24 mm "));
        QCOMPARE(view.Renderer().FocalLength(), 24.0);
        QVERIFY(view.Renderer().Camera().frustum_top > 1.8 * top_50);
        QTRY_VERIFY(BluePixels(view) < at_50 / 3);
        lens->setValue(300);
        QCOMPARE(frame->TopBar().LensText()->text(), QString(" 300 mm "));
        QTRY_VERIFY(BluePixels(view) > 10 * at_50);
        // The lens is the camera's, not the scene's: no step of the history.
        QCOMPARE(doc->Core().UndoCount(), std::size_t{1});
    }

    void LensSlidersShowTheLensOfTheViewTheyActOn() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        CChildFrame* a = rig.Active();
        rig.frame->NewWindow(*doc);
        CChildFrame* b = rig.Active();
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        b->View().SetLens(135);  // as a file's camera would give it
        rig.frame->DocumentArea()->setActiveSubWindow(a);
        a->View().setFocus();
        QTRY_COMPARE(rig.frame->FocusedModellingView(), &a->View());
        b->TopBar().LensSlider()->setValue(28);  // acts on a, and every slider shows it
        QCOMPARE(a->View().Renderer().FocalLength(), 28.0);
        QCOMPARE(b->View().Renderer().FocalLength(), 135.0);
        QCOMPARE(a->TopBar().LensSlider()->value(), 28);
        QCOMPARE(a->TopBar().LensText()->text(), QString("  28 mm "));
        rig.frame->DocumentArea()->setActiveSubWindow(b);
        b->View().setFocus();
        QTRY_COMPARE(rig.frame->FocusedModellingView(), &b->View());
        QCOMPARE(a->TopBar().LensSlider()->value(), 135);
        QCOMPARE(b->TopBar().LensText()->text(), QString(" 135 mm "));
        QCOMPARE(b->View().Renderer().FocalLength(), 135.0);  // showing it changes nothing
        QCOMPARE(a->View().Renderer().FocalLength(), 28.0);
    }

    void CameraBarsMoveTheViewFocusedLastAndTheFileKeepsItsCamera() {
        QTemporaryDir dir;
        const QString path = dir.filePath("cameras.kel");
        ViewEntry moved;
        {
            Rig rig;
            CTalvorDoc* doc = rig.frame->NewDocument();
            CChildFrame* a = rig.Active();
            rig.frame->NewWindow(*doc);
            CChildFrame* b = rig.Active();
            rig.frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
            rig.frame->DocumentArea()->setActiveSubWindow(a);
            a->View().setFocus();
            QTRY_COMPARE(rig.frame->FocusedModellingView(), &a->View());
            const ViewEntry a_before = a->View().CurrentView();
            const ViewEntry b_before = b->View().CurrentView();
            // The other window's controls act on the focused view, not their own.
            b->TopBar().TurnRightButton()->click();
            b->LeftBar().DollyInButton()->click();
            QTest::keyClick(b->LeftBar().TiltWheel(), Qt::Key_Down);
            QTest::keyClick(b->TopBar().TurnWheel(), Qt::Key_Left);
            QCOMPARE(b->LeftBar().TiltWheel()->Position(), 1);
            QCOMPARE(b->View().CurrentView(), b_before);
            const ViewEntry a_after = a->View().CurrentView();
            QVERIFY(!(a_after == a_before));
            // Right, then left: the turn is undone; one step in along the view; tilted down.
            const Vec3 step = a_after.eye - a_before.eye;
            QVERIFY(std::abs(step.Length() - 1.0) < 1e-9);
            QVERIFY(Dot(step, a_before.direction) > 0.999);
            QVERIFY(a_after.direction.y > a_before.direction.y);
            QVERIFY(std::abs(a_after.direction.x - a_before.direction.x) < 1e-3);
            // The turn wheel rolled by the mouse: a turn per notch, the same as the arrows.
            const ViewEntry before_roll = a->View().CurrentView();
            CThumbWheel* wheel = b->TopBar().TurnWheel();
            QTest::mousePress(wheel, Qt::LeftButton, {}, QPoint(10, 5));
            QTest::mouseMove(wheel, QPoint(10 + 3 * CThumbWheel::kPixelsPerNotch + 2, 5));
            QTest::mouseRelease(wheel, Qt::LeftButton, {}, QPoint(40, 5));
            QCOMPARE(wheel->Position(), 2);  // one notch back by the key, three forward
            for (int i = 0; i < 3; ++i) {
                b->TopBar().TurnLeftButton()->click();
            }
            QVERIFY((a->View().CurrentView().direction - before_roll.direction).Length() < 1e-12);
            // The dolly wheel rolled down dollies out, back where it started.
            QTest::keyClick(b->LeftBar().DollyWheel(), Qt::Key_Down);
            QVERIFY((a->View().CurrentView().eye - a_before.eye).Length() < 0.1);
            b->LeftBar().DollyInButton()->click();
            b->TopBar().LensSlider()->setValue(35);
            moved = a->View().CurrentView();
            // A camera is not an edit: nothing to save for it, but a save keeps it.
            QVERIFY(!doc->IsModified());
            rig.files.QueueChoice(path.toStdString());
            rig.Act(kSave)->trigger();
            QCOMPARE(doc->Core().Views().size(), std::size_t{2});
        }
        Rig rig;
        CTalvorDoc* doc = rig.frame->OpenDocumentFile(path);
        QVERIFY(doc != nullptr);
        const ViewEntry back = rig.Active()->View().CurrentView();
        QVERIFY((back.eye - moved.eye).Length() < 1e-9);
        QVERIFY((back.direction - moved.direction).Length() < 1e-9);
        QCOMPARE(back.lens, 35);
    }

    void ProjectionCommandsOpenTheirViewsAndToolsWorkInThem() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        LightFromAbove(doc->Core());
        for (int id : {kTopView, kFrontView, kRightSideView, kPerspectiveView, kFourViews}) {
            QVERIFY(rig.Act(id)->isEnabled());
        }
        rig.Act(kTopView)->trigger();
        QCOMPARE(rig.Active()->Layout(), FrameLayout::Top);
        QCOMPARE(rig.Active()->View().Projection(), ViewProjection::Top);
        QVERIFY(rig.Active()->windowTitle().contains("Top"));
        QVERIFY(rig.Active()->PerspectiveView() == nullptr);
        QVERIFY(rig.frame->ActiveModellingView() == nullptr);  // nothing to render from here
        rig.Act(kFrontView)->trigger();
        QCOMPARE(rig.Active()->View().Projection(), ViewProjection::Front);
        rig.Act(kRightSideView)->trigger();
        QCOMPARE(rig.Active()->View().Projection(), ViewProjection::RightSide);
        rig.Act(kPerspectiveView)->trigger();
        QCOMPARE(rig.Active()->View().Projection(), ViewProjection::Perspective);
        rig.Act(kFourViews)->trigger();
        CChildFrame* four = rig.Active();
        QCOMPARE(four->Layout(), FrameLayout::FourViews);
        QCOMPARE(four->Views().size(), std::size_t{4});
        QCOMPARE(four->View().Projection(), ViewProjection::Perspective);
        QCOMPARE(rig.frame->ActiveModellingView(), &four->View());
        QCOMPARE(doc->ModellingViews().size(), std::size_t{9});
        QCOMPARE(doc->PerspectiveViews().size(), std::size_t{3});
        rig.frame->DocumentArea()->setActiveSubWindow(four);
        four->showMaximized();
        CTalvorView* top = four->Views()[0];
        QCOMPARE(top->Projection(), ViewProjection::Top);
        QVERIFY(QTest::qWaitForWindowExposed(top));
        QTRY_VERIFY(top->width() > 100 && top->SizeValid());
        // A cube dropped in the top view lands where its x and z say, and every view has it.
        rig.Act(kCube)->trigger();
        Click(*top, CornerOf(*top, {3, 0, -2}));
        const SceneNode& cube = **Children(doc->Core().GetScene().Root()).begin();
        QCOMPARE(cube.name, std::string("Cube1"));
        QVERIFY((cube.position - Vec3{3, 1, -2}).Length() < 0.1);
        for (CTalvorView* view : four->Views()) {
            QTRY_VERIFY2(IsBlue(*view, PixelOf(*view, {3, 1.2, -2})),
                         qPrintable(view->accessibleName()));
        }
        // The file keeps the perspective views' cameras only.
        QTemporaryDir dir;
        rig.files.QueueChoice(dir.filePath("four.kel").toStdString());
        rig.Act(kSave)->trigger();
        QCOMPARE(doc->Core().Views().size(), std::size_t{3});
    }

    void TextToolClickAsksWithTheTextDialogAndCancelPlacesNothing() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        CTalvorView& view = rig.Active()->View();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        rig.frame->SetTextToolPrompt(
            std::make_unique<DialogTextToolPrompt>(rig.settings, rig.frame.get()));
        const auto answer = [](const QString& text, int depth, bool ok) {
            QTimer::singleShot(0, [=] {
                auto* dialog = qobject_cast<CTextToolDlg*>(QApplication::activeModalWidget());
                if (dialog == nullptr) {
                    qWarning("the text dialog is not shown");
                    return;
                }
                dialog->TextField()->setText(text);
                dialog->Depth()->setValue(depth);
                ok ? dialog->OkButton()->click() : dialog->reject();
            });
        };
        answer("Ke", 30, false);
        rig.Act(kTextTool)->trigger();
        Click(view, CornerOf(view, {0, 0, 0}));
        QCOMPARE(doc->Core().GetScene().NodeCount(), std::size_t{1});  // the root alone
        QVERIFY(!doc->IsModified());

        answer("Ke", 30, true);
        rig.Act(kTextTool)->trigger();
        Click(view, CornerOf(view, {0, 0, 0}));
        QCOMPARE(doc->Core().GetScene().NodeCount(), std::size_t{2});
        const SceneNode* text = *Children(doc->Core().GetScene().Root()).begin();
        QCOMPARE(text->type, ObjectType::Text);
        QVERIFY(std::abs(text->box.max.y - text->box.min.y - 0.30) < 1e-4);
        QCOMPARE(ReadTextToolSettings(rig.settings).depth, 30);  // kept for the next time
        QVERIFY(doc->IsModified());
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<ModellingWindowTest>(argc, argv);
}
#include "modelling_window_test.moc"
