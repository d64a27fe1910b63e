// The main window as a user drives it: commands through their real actions, documents
// opened, changed, saved and closed, the save question, the running-render refusal, titles,
// dropped files, the tip and about dialogs, the settings file and Run Script.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QtTest>
#include <cstdlib>
#include <fstream>
#include <memory>

#if defined(KELTO_WITH_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

#include "app/child_frame.h"
#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/qt_platform.h"
#include "app/running_renders.h"
#include "app/screen_colormap.h"
#include "app/startup.h"
#include "app/talvor_doc.h"
#include "app/tip_dialog.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "model/message_table.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

using Rig = kelto::test::MainWindowRig;

QString SavedScene(const QTemporaryDir& dir, const QString& name, int spheres) {
    DocumentCore core;
    for (int i = 0; i < spheres; ++i)
        core.InsertObject(ObjectType::Sphere, {2.0 * i, 0, 0}, false);
    const QString path = dir.filePath(name);
    if (!core.Save(path.toStdString()).ok())
        qWarning("could not write the test scene");
    return path;
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT

  private slots:
    // One wiring check per edit command; their rules and refusals are the document's tests.
    void EditCommandsReachTheDocumentThroughTheirActions() {
        QGuiApplication::clipboard()->clear();
        Rig rig;
        rig.frame->NewDocument();
        DocumentCore& first = rig.Core();
        const NodeId sphere = first.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        QCOMPARE(rig.Act(kUndo)->text(), QString("&Undo Insert Sphere1"));
        rig.Act(kUndo)->trigger();
        QVERIFY(first.Node(sphere) == nullptr);
        rig.Act(kRedo)->trigger();
        QVERIFY(first.Node(sphere) != nullptr);
        // Copy in one document, paste in another.
        first.SelectNode(sphere, false);
        QVERIFY(!rig.Act(kPaste)->isEnabled());
        rig.Act(kCopy)->trigger();
        QTRY_VERIFY(rig.Act(kPaste)->isEnabled());
        rig.frame->NewDocument();
        DocumentCore& second = rig.Core();
        QVERIFY(&second != &first);
        rig.Act(kPaste)->trigger();
        QVERIFY(second.NodeNamed("Sphere1"));
        // Combine, Intersect (refused for disjoint objects), Group and Cut on the selection.
        second.InsertObject(ObjectType::Cube, {0.5, 0, 0}, true);
        rig.Act(kCombine)->trigger();
        QVERIFY(second.NodeNamed("Combine1"));
        second.InsertObject(ObjectType::Cube, {10, 0, 0}, false);
        second.InsertObject(ObjectType::Cube, {-10, 0, 0}, true);
        rig.Act(kIntersect)->trigger();
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgTrimNoIntersection));
        rig.Act(kGroup)->trigger();
        QVERIFY(second.Selection().is_group);
        rig.Act(kCut)->trigger();
        QCOMPARE(second.GetScene().CountSelected(), 0);
        QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(kObjectsMimeType));
    }

    void EveryActionHasItsTextAndEveryButtonItsName() {
        QGuiApplication::clipboard()->clear();
        Rig rig;
        rig.frame->NewDocument();
        // Icon-only toolbar buttons are still named by their command for screen readers.
        int buttons = 0;
        for (QToolBar* bar : rig.frame->ToolBars()) {
            for (QAction* action : bar->actions()) {
                if (action->isSeparator())
                    continue;
                auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
                QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(button);
                QVERIFY(button != nullptr && accessible != nullptr);
                QCOMPARE(accessible->text(QAccessible::Name),
                         QString(action->text()).remove('&').remove("...").section('\t', 0, 0));
                ++buttons;
            }
        }
        QVERIFY(buttons >= 20);
    }

    // Which button a tool checks is the command rules' test; here the actions and keys reach
    // their commands.
    void ToolCommandsSetTheToolAndKeysReachTheirCommands() {
        Rig rig;
        rig.frame->NewDocument();
        const ToolState& tools = rig.frame->Tools();
        rig.Act(kCylinder)->trigger();
        rig.Act(kCylinder)->trigger();  // choosing the checked button again keeps it checked
        QVERIFY(rig.Act(kCylinder)->isChecked());
        QCOMPARE(PrimitiveKindType(tools.PrimitiveKind()), ObjectType::Cylinder);
        rig.Act(kSpotLight)->trigger();
        QCOMPARE(LightToolKind(tools.LightTool()), LightKind::Spot);
        rig.Act(kSelectPrimitive)->trigger();  // back to the last shape
        QCOMPARE(tools.Mode(), ToolMode::InsertPrimitive);
        QCOMPARE(PrimitiveKindType(tools.PrimitiveKind()), ObjectType::Cylinder);
        for (const auto& [id, mode] :
             {std::pair{kRotateTool, ToolMode::Rotate}, std::pair{kTextTool, ToolMode::Text},
              std::pair{kSelectTool, ToolMode::Select}}) {
            rig.Act(id)->trigger();
            QCOMPARE(tools.Mode(), mode);
        }
        rig.Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        QTest::keyClick(rig.frame->ActiveModellingView(), Qt::Key_Delete);
        QCOMPARE(rig.Core().GetScene().NodeCount(), std::size_t{1});
        QTest::keyClick(rig.frame->ActiveModellingView(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(rig.frame->Documents().size(), std::size_t{2});
    }

    void ClosingAModifiedDocumentOrTheProgramAsksToSaveIt() {
        QTemporaryDir dir;
        const QString path = SavedScene(dir, "one.kel", 1);
        Rig rig;
        CTalvorDoc* doc = rig.frame->OpenDocumentFile(path);
        QVERIFY(doc != nullptr);
        doc->Core().InsertObject(ObjectType::Cube, {3, 0, 0}, false);
        QVERIFY(rig.frame->DocumentArea()->subWindowList().front()->isWindowModified());
        // Cancel keeps it, whether the window or the program is closed.
        rig.messages.QueueAnswer(MessageAnswer::Cancel);
        QVERIFY(!doc->Frames().front()->close());
        QCOMPARE(rig.messages.Shown().back().text, std::string("Save changes to one.kel?"));
        rig.messages.QueueAnswer(MessageAnswer::Cancel);
        QVERIFY(!rig.frame->close());
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgSaveChanges));
        // Yes saves to the file and closes.
        rig.messages.QueueAnswer(MessageAnswer::Yes);
        QVERIFY(doc->Frames().front()->close());
        QCOMPARE(rig.frame->Documents().size(), std::size_t{0});
        DocumentCore reread;
        QVERIFY(reread.Open(path.toStdString()).ok());
        QCOMPARE(reread.GetScene().NodeCount(), std::size_t{3});  // root, sphere, cube
        // No discards.
        doc = rig.frame->OpenDocumentFile(path);
        doc->Core().InsertObject(ObjectType::Torus, {-3, 0, 0}, false);
        rig.messages.QueueAnswer(MessageAnswer::No);
        rig.Act(kClose)->trigger();
        QCOMPARE(rig.frame->Documents().size(), std::size_t{0});
        QVERIFY(reread.Open(path.toStdString()).ok());
        QCOMPARE(reread.GetScene().NodeCount(), std::size_t{3});
    }

    void FailedOpenLeavesTheWindowsFailedSaveKeepsTheChangesAndBadPicturesWarn() {
        QTemporaryDir dir;
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        doc->Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        const QString damaged = dir.filePath("damaged.kel");
        { std::ofstream(damaged.toStdString(), std::ios::binary) << "not a scene at all"; }
        rig.files.QueueChoice(damaged.toStdString());
        rig.Act(kOpen)->trigger();
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgNotSceneFile));
        QCOMPARE(rig.frame->Documents().size(), std::size_t{1});
        QVERIFY(doc->IsModified());
        // Saving into a folder that does not exist fails, says so, and keeps the changes.
        rig.files.QueueChoice(dir.filePath("no/such/folder/x.kel").toStdString());
        rig.Act(kSaveAs)->trigger();
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgSceneSaveFailed));
        QVERIFY(doc->IsModified());
        QVERIFY(doc->PathName().isEmpty());
        // A name without extension gets .kel; the title and the recent files follow the file.
        rig.files.QueueChoice(dir.filePath("named").toStdString());
        rig.Act(kSave)->trigger();
        QVERIFY(!doc->IsModified());
        QCOMPARE(doc->Title(), QString("named.kel"));
        QVERIFY(QFile::exists(dir.filePath("named.kel")));
        QCOMPARE(rig.Act(kRecentFile1)->text(), QString("&1 named.kel"));
        // A scene with an image material whose picture has no pixels opens, warned of once.
        {
            DocumentCore core;
            const NodeId id = core.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
            Material m;
            m.colour_source = 1;
            m.colour_image = SharedImage(TextureImage{});
            QVERIFY(core.SetMaterial(id, m).ok());
            QVERIFY(core.Save(dir.filePath("pictures.kel").toStdString()).ok());
        }
        const std::size_t shown = rig.messages.Shown().size();
        QVERIFY(rig.frame->OpenDocumentFile(dir.filePath("pictures.kel")) != nullptr);
        QCOMPARE(rig.messages.Shown().size(), shown + 1);
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgTextureUnusable));
        QCOMPARE(rig.WindowCount(), 2);
    }

    void TitlesNumberTheWindowsOfADocumentAndTheBarsToggle() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        QMdiSubWindow* first = doc->Frames().front();
        rig.Act(kNewWindow)->trigger();
        QCOMPARE(first->windowTitle(), QString("Kelto1:1[*]"));
        QCOMPARE(doc->Frames()[1]->windowTitle(), QString("Kelto1:2[*]"));
        doc->Core().InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        QVERIFY(doc->Frames()[1]->isWindowModified());
        // Closing one of two windows asks nothing.
        const std::size_t shown = rig.messages.Shown().size();
        QVERIFY(doc->Frames()[1]->close());
        QCOMPARE(rig.messages.Shown().size(), shown);
        QCOMPARE(first->windowTitle(), QString("Kelto1[*]"));
        rig.frame->NewDocument();
        QVERIFY(rig.frame->windowTitle().startsWith("Kelto - Kelto2"));
        // The status bar shows the date and time; it and the toolbar toggle.
        QVERIFY(!rig.frame->DatePane()->text().isEmpty());
        QVERIFY(!rig.frame->TimePane()->text().isEmpty());
        rig.Act(kStatusBar)->trigger();
        QVERIFY(rig.frame->statusBar()->isHidden());
        rig.Act(kToolbar)->trigger();
        QVERIFY(rig.frame->ToolBars().front()->isHidden());
    }

    void DroppedFilesOpen() {
        QTemporaryDir dir;
        const QString a = SavedScene(dir, "a.kel", 1);
        const QString b = SavedScene(dir, "b.kel", 2);
        Rig rig;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(rig.frame.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.frame.get(), &drop);
        QCOMPARE(rig.frame->Documents().size(), std::size_t{2});
        QCOMPARE(rig.frame->Documents()[1]->Core().GetScene().NodeCount(), std::size_t{3});
    }

    void TipDialogShowsTipsAndKeepsItsBox() {
        QTemporaryDir dir;
        const QString path = dir.filePath("Kelto.tip");
        { std::ofstream(path.toStdString()) << "; note\nFirst tip.\nSecond tip.\n"; }
        MemorySettings settings;
        {
            CTipDlg dialog(settings, path.toStdString());
            QCOMPARE(dialog.TipText(), QString("First tip."));
            QVERIFY(dialog.ShowOnStartUp()->isChecked());
            QTest::mouseClick(dialog.NextTipButton(), Qt::LeftButton);
            QCOMPARE(dialog.TipText(), QString("Second tip."));
            dialog.ShowOnStartUp()->setChecked(false);
            dialog.accept();
        }
        CTipDlg again(settings, path.toStdString());
        QCOMPARE(again.TipText(), QString("First tip."));  // wrapped round
        QVERIFY(!again.ShowOnStartUp()->isChecked());
    }

    void SettingsLandInTheConfigFolderAndAnUnwritableOneIsNoticed() {
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(!config.isEmpty());
        QCOMPARE(QString::fromStdString(QtSettingsStore().FileName()), config + "/Vorn/Kelto.conf");
        // A configuration folder that cannot be made (a file stands in its way) is noticed.
        QTemporaryDir dir;
        { std::ofstream(dir.filePath("file").toStdString()) << "x"; }
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           dir.filePath("file/below"));
        QtSettingsStore blocked;
        QVERIFY(!blocked.CanWrite());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
        QVERIFY(QtSettingsStore().CanWrite());
    }

    // "Kelto Settings": Cancel changes nothing; OK keeps the values in the settings and applies
    // them at once (the history's depth to every open scene, the orbit button to the tools).
    void KeltoSettingsCancelChangesNothingAndOkAppliesAtOnce() {
        Rig rig;
        CTalvorDoc* doc = rig.frame->NewDocument();
        for (int i = 0; i < 4; ++i)
            doc->Core().InsertObject(ObjectType::Cube, {3.0 * i, 0, 0}, false);
        for (bool ok : {false, true}) {
            QTimer::singleShot(0, [ok] {
                QWidget* dialog = QApplication::activeModalWidget();
                QVERIFY(dialog != nullptr);
                QCOMPARE(dialog->windowTitle(), QString("Kelto Settings"));
                for (auto* field : dialog->findChildren<QSpinBox*>()) {
                    if (field->accessibleName() == "Undo steps")
                        field->setValue(2);
                    if (field->accessibleName() == "Autosave interval")
                        field->setValue(3);  // below the shortest: the shortest
                }
                for (auto* field : dialog->findChildren<QComboBox*>()) {
                    QCOMPARE(field->accessibleName(), QString("Orbit button"));
                    field->setCurrentIndex(1);  // Alt+left only
                }
                const auto buttons = dialog->findChildren<QPushButton*>();
                for (QPushButton* button : buttons)
                    if (button->text().remove('&') == (ok ? "OK" : "Cancel"))
                        button->click();
            });
            rig.Act(kSettings)->trigger();
            QCOMPARE(doc->Core().UndoCount(), ok ? std::size_t{2} : std::size_t{4});
            QCOMPARE(rig.frame->Tools().Modelling().middle_button_orbits, !ok);
            QCOMPARE(rig.settings.Read("History", "Undo steps").has_value(), ok);
        }
        QCOMPARE(ReadGeneralSettings(rig.settings).undo_steps, 2);
        QCOMPARE(rig.settings.Read("Autosave", "IntervalSeconds"),
                 std::optional<std::string>("10"));
        QCOMPARE(rig.frame->NewDocument()->Core().UndoCount(), std::size_t{0});
    }

    void ViewsRightButtonShowsTheContextMenuAndMissingOpenGLIsToldOnce() {
        Rig rig;
        rig.frame->NewDocument();
        CTalvorView* view = rig.frame->ActiveModellingView();
        QVERIFY(view != nullptr);
        QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                view->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(view, &event);
        QTRY_VERIFY(rig.frame->ViewContextMenu()->isVisible());
        rig.frame->ViewContextMenu()->close();
        rig.frame->ReportMissingOpenGL();
        rig.frame->ReportMissingOpenGL();
        QCOMPARE(rig.messages.Shown().size(), std::size_t{1});
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgNoOpenGL));
    }

    // File > Run Script...: the script's edits are one step; one that raises is told once with
    // its traceback and leaves the scene as Save writes it, with no step; a Document a script
    // kept raises once its run is over.
    void RunScriptIsOneStepAndAFailedScriptLeavesNoTrace() {
#ifndef KELTO_RUNS_SCRIPTS
        QSKIP("built without Python");
#endif
        QTemporaryDir dir;
        const auto script = [&dir](const char* name, const char* text) {
            const std::string path = dir.filePath(name).toStdString();
            std::ofstream(path) << text;
            return path;
        };
        Rig rig;
        QVERIFY(!rig.Act(kRunScript)->isEnabled());
        DocumentCore& core = rig.frame->NewDocument()->Core();
        rig.files.QueueChoice(script("spheres.py", R"(import kelto, sys
assert kelto.active_document() is not None and sys.argv[0].endswith("spheres.py")
for i in range(3):
    doc.add("sphere", (2 * i, 0))
doc.save(sys.argv[0] + ".kel")
try:
    doc.close()
except kelto.Error:
    kelto.kept = doc.objects[0]
)"));
        rig.Act(kRunScript)->trigger();
        for (const RecordedMessage& message : rig.messages.Shown())
            QFAIL(message.text.c_str());
        QVERIFY(core.NodeNamed("Sphere3") && core.IsModified());  // save(path) wrote a copy
        QVERIFY(QFileInfo(dir.filePath("spheres.py.kel")).size() > 0);
        QCOMPARE(rig.Act(kUndo)->text(), QString("&Undo Run Script spheres.py"));
        rig.Act(kUndo)->trigger();
        QVERIFY(!core.NodeNamed("Sphere1") && !core.CanUndo());
        rig.Act(kRedo)->trigger();

        const std::vector<std::uint8_t> before = core.SaveToBytes();
        rig.files.QueueChoice(script("fails.py", R"(import kelto
doc.add("cube", (5, 5))
doc.add_view((9, 9, 9), (0, 0, 0))
try:
    kelto.kept.name
except kelto.Error as stale:
    raise ValueError("kept: " + stale.message)
)"));
        rig.Act(kRunScript)->trigger();
        QCOMPARE(rig.messages.Shown().size(), std::size_t{1});
        const QString shown = QString::fromStdString(rig.messages.Shown().back().text);
        QVERIFY2(shown.contains("Traceback (most recent call last)") &&
                     shown.contains("fails.py\", line 7") &&
                     shown.contains("ValueError: kept: The script that was lent"),
                 qPrintable(shown));
        QVERIFY(core.SaveToBytes() == before);
        QVERIFY(core.IsModified() && !core.CanRedo());
        QCOMPARE(core.UndoText(), std::string("Undo Run Script spheres.py"));
    }

    void CommandLineTakesOneSceneAndItsOptions() {
        CommandLine line = ParseCommandLine({"scene.kel"});
        QCOMPARE(line.scene_file, QString("scene.kel"));
        QVERIFY(line.show_tips);
        line = ParseCommandLine({"--nologo", "--", "-odd.kel"});
        QVERIFY(!line.show_tips);
        QCOMPARE(line.scene_file, QString("-odd.kel"));
        QVERIFY(!ParseCommandLine({"a.kel", "b.kel"}).error.isEmpty());
        QVERIFY(!ParseCommandLine({"--bogus"}).error.isEmpty());
    }

    // On a colormap of their own, xwd -root read a message box over a dialog through the
    // dialog, and showed it black.
    void MessageBoxOverADialogIsOnTheScreensColormap() {
#if defined(KELTO_WITH_XCB) && QT_CONFIG(xcb)
        const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
        if (QGuiApplication::platformName() != "xcb" || x11 == nullptr)
            QSKIP("not on X11");
        UseScreenColormapForTopLevels(*qApp);
        QDialog dialog;
        dialog.resize(400, 300);
        dialog.show();
        QMessageBox box(QMessageBox::Warning, "Kelto", "The picture is damaged.", QMessageBox::Ok,
                        &dialog);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        xcb_connection_t* connection = x11->connection();
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        for (const QWidget* window :
             {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&box)}) {
            const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)>
                attributes(xcb_get_window_attributes_reply(
                               connection, xcb_get_window_attributes(connection, window->winId()),
                               nullptr),
                           &std::free);
            QVERIFY(attributes != nullptr);
            QCOMPARE(attributes->colormap, screen->default_colormap);
        }
#else
        QSKIP("built without X11");
#endif
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<MainFrameTest>(argc, argv);
}

#include "main_frame_test.moc"
