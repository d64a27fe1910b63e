// Modelling windows in the main window: the camera bars and lens sliders acting on their own
// window's view, the mouse's navigation, the projection views and the four-view window whose views
// follow each other, and the text tool's prompt, all driven as a user drives them.
#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QWheelEvent>
#include <QtTest>
#include <algorithm>
#include <cmath>

#include "app/cameras_panel.h"
#include "app/child_frame.h"
#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "app/text_dialog.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "model/child_list.h"
#include "platform/program_settings.h"
#include "tests/views/view_rig.h"
#include "views/camera_bars.h"
#include "views/thumb_wheel.h"

using namespace kelto;
using namespace kelto::command_ids;
using namespace kelto::test;

namespace {

// Smaller than usual: these tests read whole pictures back.
struct Rig : MainWindowRig {
    Rig() : MainWindowRig(800, 600) {}
    // Makes `frame`'s view the one focused last.
    bool Focus(CChildFrame& child) {
        frame->DocumentArea()->setActiveSubWindow(&child);
        child.View().setFocus();
        return QTest::qWaitFor([&] { return frame->FocusedModellingView() == &child.View(); });
    }
};

bool Blue(const Rgb& c) {
    return c.b > c.r + 40 && c.b > c.g + 40;
}

QImage Picture(CTalvorView& view) {
    return view.grabFramebuffer().convertToFormat(QImage::Format_RGB32);
}

bool IsBlue(CTalvorView& view, const QPoint& at) {
    return Blue(At(Picture(view), at));
}

int BluePixels(CTalvorView& view) {
    const QImage image = Picture(view);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += Blue(At(image, {x, y})) ? 1 : 0;
    return count;
}

}  // namespace

class ModellingWindowTest : public QObject {
    Q_OBJECT

  private slots:
    // The camera bars and the lens slider of a window act on that window's own view, whichever
    // view took the focus last, and each slider shows its own view's lens.
    void CameraBarsActOnTheirOwnWindowsViewAndTheFileKeepsItsCamera() {
        QTemporaryDir dir;
        const QString path = dir.filePath("cameras.kel");
        ViewEntry moved;
        {
            Rig rig;
            CTalvorDoc* doc = rig.frame->NewDocument();
            doc->Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
            doc->Core().ClearSelection();
            CChildFrame* a = rig.Active();
            rig.frame->NewWindow(*doc);
            CChildFrame* b = rig.Active();
            rig.frame->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
            b->View().SetLens(135);  // as a file's camera would give it
            QCOMPARE(b->TopBar().LensSlider()->value(), 135);
            QCOMPARE(a->TopBar().LensSlider()->value(), 50);
            QVERIFY(rig.Focus(*b));
            QTRY_VERIFY(BluePixels(a->View()) > 100);
            const int at_50 = BluePixels(a->View());
            const ViewEntry a_before = a->View().CurrentView();
            const ViewEntry b_before = b->View().CurrentView();
            // A wider lens on A's slider while B has the focus: A shows less of the sphere.
            a->TopBar().LensSlider()->setValue(24);
            QCOMPARE(a->View().Renderer().FocalLength(), 24.0);
            QCOMPARE(a->TopBar().LensText()->text(), QString("  24 mm "));
            QCOMPARE(b->TopBar().LensSlider()->value(), 135);
            QTRY_VERIFY(BluePixels(a->View()) < at_50 / 3);
            a->TopBar().LensSlider()->setValue(50);
            // Right, then left by the wheel: the turn is undone; one step in along the view;
            // tilted down. B's camera stays where it was.
            a->TopBar().TurnRightButton()->click();
            a->LeftBar().DollyInButton()->click();
            QTest::keyClick(a->LeftBar().TiltWheel(), Qt::Key_Down);
            QTest::keyClick(a->TopBar().TurnWheel(), Qt::Key_Left);
            QCOMPARE(b->View().CurrentView(), b_before);
            const ViewEntry a_after = a->View().CurrentView();
            QVERIFY(Dot(a_after.eye - a_before.eye, a_before.direction) > 0.999);
            QVERIFY(a_after.direction.y > a_before.direction.y);
            QVERIFY(std::abs(a_after.direction.x - a_before.direction.x) < 1e-3);
            // The turn wheel rolled by the mouse: a turn per notch, the same as the arrows.
            CThumbWheel* wheel = a->TopBar().TurnWheel();
            QTest::mousePress(wheel, Qt::LeftButton, {}, QPoint(10, 5));
            QTest::mouseMove(wheel, QPoint(10 + 3 * CThumbWheel::kPixelsPerNotch + 2, 5));
            QTest::mouseRelease(wheel, Qt::LeftButton, {}, QPoint(40, 5));
            for (int i = 0; i < 3; ++i)
                a->TopBar().TurnLeftButton()->click();
            QVERIFY((a->View().CurrentView().direction - a_after.direction).Length() < 1e-12);
            // Every control is named for what it does to the camera.
            for (const char* name :
                 {"Turn the camera left", "Turn the camera right", "Tilt the camera up",
                  "Tilt the camera down", "Dolly in", "Dolly out", "Lens"}) {
                const auto named = a->findChildren<QWidget*>();
                QVERIFY2(std::any_of(named.begin(), named.end(),
                                     [&](QWidget* w) {
                                         return w->accessibleName() == name &&
                                                !w->toolTip().isEmpty();
                                     }),
                         name);
            }
            a->TopBar().LensSlider()->setValue(35);
            QCOMPARE(b->View().Renderer().FocalLength(), 135.0);
            // A camera is not an edit (no step of the history), but a save keeps it.
            moved = a->View().CurrentView();
            QCOMPARE(doc->Core().UndoCount(), std::size_t{1});  // the sphere's insertion
            rig.files.QueueChoice(path.toStdString());
            rig.Act(kSave)->trigger();
        }
        Rig rig;
        QVERIFY(rig.frame->OpenDocumentFile(path) != nullptr);
        const ViewEntry back = rig.Active()->View().CurrentView();
        QVERIFY((back.eye - moved.eye).Length() < 1e-9);
        QVERIFY((back.direction - moved.direction).Length() < 1e-9);
        QCOMPARE(back.lens, 35);
        QCOMPARE(rig.Active()->TopBar().LensSlider()->value(), 35);
    }

    // The mouse reaches the navigation (whose geometry is the navigation's test): a middle-drag
    // orbits, the wheel moves in, Home frames the whole scene; none of it is an edit.
    void MouseNavigationAndFramingMoveTheCameraOnly() {
        Rig rig;
        DocumentCore& core = rig.frame->NewDocument()->Core();
        core.InsertObject(ObjectType::Sphere, {14, 0, -30}, false);
        core.InsertObject(ObjectType::Sphere, {-2, 0, 0}, false);
        CTalvorView& view = rig.Active()->View();
        rig.Active()->showMaximized();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QTRY_VERIFY(view.SizeValid());
        const std::vector<std::uint8_t> file = core.SaveToBytes();
        Drag(view, {100, 100}, {220, 148}, 4, Qt::MiddleButton);
        QVERIFY(view.Renderer().Camera().direction.x > 0.3);  // it went round
        const Vec3 eye = view.Renderer().Camera().eye;
        QWheelEvent wheel(QPointF(200, 150), view.mapToGlobal(QPointF(200, 150)), {}, {0, 240},
                          Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QVERIFY(view.Renderer().Camera().eye != eye);
        view.setFocus();
        QTest::keyClick(&view, Qt::Key_Home);
        for (const SceneNode* node : Children(core.GetScene().Root()))
            QTRY_VERIFY(!IsBackground(At(Picture(view), PixelOf(view, WorldBoxCentre(*node)))));
        QCOMPARE(core.SaveToBytes(), file);
        QCOMPARE(core.UndoCount(), std::size_t{2});
    }

    // "Camera manager palette": the Cameras panel stores the active view's camera, names it,
    // makes a view look through it and keeps the windows' own (reading them back is the
    // document's test).
    void CamerasPanelStoresNamesAndGoesToCameras() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        CTalvorView& view = rig.Active()->View();
        rig.Act(kCameraPalette)->trigger();
        auto* panel = rig.frame->findChild<CamerasPanel*>();
        QVERIFY(panel != nullptr && panel->isVisible());
        QCOMPARE(panel->List()->count(), 1);
        QCOMPARE(panel->List()->item(0)->text(), QString("Camera 1 (window 1)"));
        auto button = [panel](const char* name) {
            for (auto* b : panel->findChildren<QPushButton*>())
                if (b->accessibleName() == name)
                    return b;
            return static_cast<QPushButton*>(nullptr);
        };
        view.DollyIn();
        const ViewEntry stored = view.CurrentView();
        button("Add")->click();
        QCOMPARE(panel->List()->count(), 2);
        QCOMPARE(panel->List()->currentRow(), 1);
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->setTextValue("Overview");
            dialog->accept();
        });
        button("Rename")->click();
        QCOMPARE(panel->List()->item(1)->text(), QString("Overview"));
        for (int i = 0; i < 3; ++i)
            view.DollyOut();
        button("Go to")->click();
        QVERIFY((view.CurrentView().eye - stored.eye).Length() < 1e-9);
        // The window's own camera stays; the stored one goes.
        panel->List()->setCurrentRow(0);
        QVERIFY(!button("Delete")->isEnabled());
        QVERIFY(doc->Core().IsModified());
        // A save keeps the window's camera first and the stored one after it.
        QTemporaryDir dir;
        rig.files.QueueChoice(dir.filePath("cameras.kel").toStdString());
        rig.Act(kSave)->trigger();
        QCOMPARE(doc->Core().Views().size(), std::size_t{2});
        QCOMPARE(doc->Core().ViewName(1), std::string("Overview"));
    }

    void ProjectionCommandsOpenTheirViewsAndToolsWorkInThem() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        Light light = doc->Core().GetScene().Lights()[0];
        light.position = {12, 10, 10};  // high above: views from every side see faces lit
        doc->Core().SetLight(light.id, light);
        for (const auto& [id, projection] :
             {std::pair{kTopView, ViewProjection::Top},
              std::pair{kFrontView, ViewProjection::Front},
              std::pair{kRightSideView, ViewProjection::RightSide},
              std::pair{kPerspectiveView, ViewProjection::Perspective}}) {
            rig.Act(id)->trigger();
            QCOMPARE(rig.Active()->View().Projection(), projection);
        }
        rig.Act(kFourViews)->trigger();
        CChildFrame* four = rig.Active();
        QCOMPARE(four->Views().size(), std::size_t{4});
        const QStringList names{"Top", "Front", "Right", "Perspective"};
        for (int i = 0; i < 4; ++i) {
            CTalvorView* pane = four->Views()[static_cast<std::size_t>(i)];
            QCOMPARE(pane->accessibleName(), names[i]);
            QCOMPARE(pane->findChild<QLabel*>("pane_name")->text(), names[i]);
        }
        QCOMPARE(rig.frame->ActiveModellingView(), &four->View());
        four->showMaximized();
        CTalvorView* top = four->Views()[0];
        QCOMPARE(top->Projection(), ViewProjection::Top);
        QVERIFY(QTest::qWaitForWindowExposed(top));
        QTRY_VERIFY(top->width() > 100 && top->SizeValid());
        // A cube dropped in the top view lands where its x and z say, and every view has it.
        rig.Act(kCube)->trigger();
        Click(*top, CornerOf(*top, {3, 0, -2}));
        const SceneNode& cube = **Children(doc->Core().GetScene().Root()).begin();
        QVERIFY((cube.position - Vec3{3, 1, -2}).Length() < 0.1);
        for (CTalvorView* view : four->Views()) {
            QTRY_VERIFY2(IsBlue(*view, PixelOf(*view, {3, 1.2, -2})),
                         qPrintable(view->accessibleName()));
        }
        // Dragged in the top view, it moves in the others.
        const QPoint from = PixelOf(*top, cube.position);
        Drag(*top, from, from + QPoint(-60, 0), 4);
        QVERIFY(cube.position.x < 2.5);
        CTalvorView* perspective = &four->View();
        QTRY_VERIFY(IsBlue(*perspective, PixelOf(*perspective, WorldBoxCentre(cube))));
        QTRY_VERIFY(!IsBlue(*perspective, PixelOf(*perspective, {3.9, 1.2, -2})));
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
        for (bool ok : {false, true}) {
            QTimer::singleShot(0, [ok] {
                if (auto* dialog = qobject_cast<CTextToolDlg*>(QApplication::activeModalWidget())) {
                    dialog->TextField()->setText("Ke");
                    dialog->Depth()->setValue(30);
                    ok ? dialog->OkButton()->click() : dialog->reject();
                }
            });
            rig.Act(kTextTool)->trigger();
            Click(view, CornerOf(view, {0, 0, 0}));
            QCOMPARE(doc->Core().GetScene().NodeCount(), std::size_t{ok ? 2u : 1u});
            QCOMPARE(doc->IsModified(), ok);
        }
        const SceneNode* text = *Children(doc->Core().GetScene().Root()).begin();
        QCOMPARE(text->type, ObjectType::Text);
        QVERIFY(std::abs(text->box.max.y - text->box.min.y - 0.30) < 1e-4);
        QCOMPARE(ReadTextToolSettings(rig.settings).depth, 30);  // kept for the next time
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<ModellingWindowTest>(argc, argv);
}
#include "modelling_window_test.moc"
