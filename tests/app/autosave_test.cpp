// Autosave and recovery in the program: a process killed after an edit and an interval leaves
// an autosave that the next start offers and recovers; autosaves leave the user's file, the
// modified flag and the path alone; a damaged autosave is offered with the reader's message;
// a folder that cannot be written is told once.
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/autosave_timer.h"
#include "app/recover_dialog.h"
#include "document/autosave_recovery.h"
#include "files/file_io.h"
#include "model/message_table.h"
#include "tests/app/app_test_main.h"
#include "tests/app/main_window_rig.h"
#include "views/talvor_view.h"

namespace kelto {

using test::MainWindowRig;

namespace {

constexpr char kChildOption[] = "--edit-and-wait";

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString SavedScene(const QTemporaryDir& dir) {
    DocumentCore core;
    core.InsertObject(ObjectType::Sphere, {}, false);
    const QString path = dir.filePath("scene.kel");
    if (!core.Save(path.toStdString()).ok())
        qWarning("could not write the test scene");
    return path;
}

// A saved scene in a temporary folder, its bytes, and the autosave folder beside it.
struct SceneAndFolder {
    QTemporaryDir dir;
    QString scene = SavedScene(dir);
    QByteArray original = FileBytes(scene);
    QString folder = dir.filePath("autosave");
};

// The autosave files in a folder.
std::vector<AutosaveEntry> Autosaves(const QString& folder) {
    return ScanAutosaveFolder(folder.toStdString()).autosaves;
}

void Click(RecoverDialog& dialog, RecoveryChoice choice) {
    const char* names[] = {"Recover", "Discard", "Later"};
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        if (button->accessibleName() == names[static_cast<int>(choice)])
            button->click();
}

// The killed process: the program's window with autosave (its interval from the environment),
// the scene opened and edited; once the timer has written the autosave it says so and waits
// to be killed.
int EditAndWait(int argc, char** argv) {
    QApplication application(argc, argv);
    MainWindowRig rig;
    auto* autosave = new AutosaveTimer(*rig.frame, rig.messages, argv[2], ThisProcessOwner());
    CTalvorDoc* doc = rig.frame->OpenDocumentFile(argv[3]);
    if (doc == nullptr || autosave->IntervalSeconds() != 1)
        return 3;
    QSignalSpy written(autosave, &AutosaveTimer::Written);
    doc->Core().InsertObject(ObjectType::Cone, {4, 0, 0}, false);
    if (!written.wait(20000) || !written.front().at(1).toBool())
        return 4;
    std::printf("autosaved\n");
    std::fflush(stdout);
    return QApplication::exec();
}

}  // namespace

class AutosaveTest : public QObject {
    Q_OBJECT

  private slots:
    void KilledProcessLeavesAnAutosaveTheNextStartRecovers() {
        const SceneAndFolder files;
        const QString& scene = files.scene;
        const QString& folder = files.folder;
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(kAutosaveOverrideVariable, "1");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {kChildOption, folder, scene});
        QVERIFY(child.waitForStarted());
        QByteArray said;
        QTRY_VERIFY_WITH_TIMEOUT((said += child.readAllStandardOutput()).contains("autosaved") ||
                                     child.state() == QProcess::NotRunning,
                                 30000);
        QVERIFY2(said.contains("autosaved"),
                 qPrintable(QString("child exit %1").arg(child.exitCode())));
        ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished());
        QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        QCOMPARE(FileBytes(scene), files.original);

        MainWindowRig rig;
        auto* autosave =
            new AutosaveTimer(*rig.frame, rig.messages, folder.toStdString(), ThisProcessOwner());
        AutosaveRecovery recovery =
            AutosaveRecovery::Scan(folder.toStdString(), ThisProcessOwner());
        WhenShown<RecoverDialog>([](RecoverDialog& dialog) {
            QCOMPARE(dialog.windowTitle(), QString("Recover Documents"));
            QCOMPARE(dialog.List()->topLevelItemCount(), 1);
            QCOMPARE(dialog.List()->topLevelItem(0)->text(0), QString("scene.kel"));
            QCOMPARE(dialog.List()->topLevelItem(0)->text(3), QString("Can be recovered"));
        });
        QCOMPARE(OfferRecovery(*rig.frame, *autosave, recovery), RecoveryChoice::Later);
        QCOMPARE(Autosaves(folder).size(), std::size_t{1});  // kept for the next start

        recovery = AutosaveRecovery();  // lets go of what it claimed
        recovery = AutosaveRecovery::Scan(folder.toStdString(), ThisProcessOwner());
        WhenShown<RecoverDialog>(
            [](RecoverDialog& dialog) { Click(dialog, RecoveryChoice::Recover); });
        QCOMPARE(OfferRecovery(*rig.frame, *autosave, recovery), RecoveryChoice::Recover);
        CTalvorDoc* doc = rig.Doc();
        QVERIFY(doc != nullptr);
        QCOMPARE(doc->PathName(), scene);
        QVERIFY(doc->IsModified());
        QVERIFY(static_cast<bool>(doc->Core().NodeNamed("Cone1")));
        QCOMPARE(rig.frame->windowTitle(), QString("Kelto - scene.kel[*]"));
        // The autosave is this process's now, and Save writes where the scene belonged.
        const std::vector<AutosaveEntry> left = Autosaves(folder);
        QCOMPARE(left.size(), std::size_t{1});
        QCOMPARE(left.front().owner, ThisProcessOwner());
        QVERIFY(doc->DoSave(false));
        autosave->WaitForWriter();
        QVERIFY(Autosaves(folder).empty());
        DocumentCore reread;
        QVERIFY(reread.Open(scene.toStdString()).ok());
        QVERIFY(static_cast<bool>(reread.NodeNamed("Cone1")));
    }

    void AutosaveLeavesTheFileTheFlagAndThePathAloneAndGoesWithSaveAndClose() {
        const SceneAndFolder files;
        const QString& scene = files.scene;
        const QString& folder = files.folder;
        MainWindowRig rig;
        auto* autosave =
            new AutosaveTimer(*rig.frame, rig.messages, folder.toStdString(), ThisProcessOwner());
        QSignalSpy written(autosave, &AutosaveTimer::Written);
        CTalvorDoc* doc = rig.frame->OpenDocumentFile(scene);
        autosave->AutosaveNow();  // nothing changed: nothing written
        doc->Core().InsertObject(ObjectType::Cube, {3, 0, 0}, false);
        // The window's camera moved since the file was opened: the autosave keeps where it
        // looks now, without storing it in the document.
        CTalvorView* view = doc->PerspectiveViews().front();
        view->DollyIn();
        const ViewEntry moved = view->CurrentView();
        const std::vector<ViewEntry> stored = doc->Core().Views();
        const std::size_t steps = doc->Core().UndoCount();
        autosave->AutosaveNow();
        QVERIFY(written.wait());
        QCOMPARE(FileBytes(scene), files.original);
        QVERIFY(doc->IsModified());
        QCOMPARE(doc->PathName(), scene);
        QVERIFY(doc->Core().Views() == stored);
        QCOMPARE(doc->Core().UndoCount(), steps);
        const std::string file = autosave->FileOf(doc);
        const Result<std::vector<std::uint8_t>> bytes =
            ReadWholeFile(folder.toStdString() + "/" + file);
        QVERIFY(bytes.ok());
        const Result<AutosaveContents> contents = ReadAutosaveBytes(*bytes, file);
        QCOMPARE(contents->header.path, scene.toStdString());
        DocumentCore recovered;
        QVERIFY(recovered.OpenFromBytes(contents->scene, file).ok());
        QVERIFY(!recovered.Views().empty() && recovered.Views().front() == moved);
        // Undone back to the file: the autosave goes.
        QVERIFY(doc->Core().Undo().ok());
        autosave->AutosaveNow();
        autosave->WaitForWriter();
        QVERIFY(Autosaves(folder).empty());
        // Closed on purpose without saving: it goes too.
        QVERIFY(doc->Core().Redo().ok());
        autosave->AutosaveNow();
        QVERIFY(written.wait());
        QCOMPARE(Autosaves(folder).size(), std::size_t{1});
        rig.messages.QueueAnswer(MessageAnswer::No);
        QVERIFY(rig.frame->CloseDocument(*doc));
        autosave->WaitForWriter();
        QVERIFY(Autosaves(folder).empty());
        QCOMPARE(written.size(), 2);
    }

    void DamagedAutosaveIsOfferedWithTheReadersMessageUntilDiscarded() {
        QTemporaryDir dir;
        const std::string folder = dir.filePath("autosave").toStdString();
        std::filesystem::create_directories(folder);
        DocumentCore source;
        source.InsertObject(ObjectType::Torus, {}, false);
        std::vector<std::uint8_t> scene = source.SaveToBytes();
        scene.resize(scene.size() / 2);
        // Left by a process whose id this one has now.
        const std::string name = AutosaveFileName("cut.kel", {::getpid(), 1}, 1);
        ReplaceFileContents(folder + "/" + name, AutosaveBytes({"/x/cut.kel", "cut.kel"}, scene));

        MainWindowRig rig;
        auto* autosave = new AutosaveTimer(*rig.frame, rig.messages, folder, ThisProcessOwner());
        for (RecoveryChoice choice : {RecoveryChoice::Recover, RecoveryChoice::Discard}) {
            AutosaveRecovery recovery = AutosaveRecovery::Scan(folder, ThisProcessOwner());
            QCOMPARE(recovery.Documents().size(), std::size_t{1});
            WhenShown<RecoverDialog>([&name, choice](RecoverDialog& dialog) {
                const QTreeWidgetItem* row = dialog.List()->topLevelItem(0);
                QCOMPARE(row->text(0), QString("cut.kel"));
                QCOMPARE(row->text(3).toStdString(), FormatMessage(kMsgSceneCorrupt, name));
                Click(dialog, choice);
            });
            OfferRecovery(*rig.frame, *autosave, recovery);
            // Recover opens nothing it cannot read, and keeps it.
            QCOMPARE(rig.frame->Documents().size(), std::size_t{0});
            QCOMPARE(Autosaves(QString::fromStdString(folder)).size(),
                     choice == RecoveryChoice::Recover ? std::size_t{1} : std::size_t{0});
        }
    }

    void UnwritableFolderIsToldOnceAndAutosaveKeepsTrying() {
        QTemporaryDir dir;
        const QString blocker = dir.filePath("blocker");
        std::ofstream(blocker.toStdString()) << "a file where the folder's parent should be";
        const QString folder = blocker + "/autosave";
        MainWindowRig rig;
        auto* autosave =
            new AutosaveTimer(*rig.frame, rig.messages, folder.toStdString(), ThisProcessOwner());
        QSignalSpy written(autosave, &AutosaveTimer::Written);
        CTalvorDoc* doc = rig.frame->NewDocument();
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (attempt == 2)
                QVERIFY(QFile::remove(blocker));
            doc->Core().InsertObject(ObjectType::Cube, {2.0 * attempt, 0, 0}, false);
            autosave->AutosaveNow();
            QVERIFY(written.wait());
            QCOMPARE(written.back().at(1).toBool(), attempt == 2);
        }
        QCOMPARE(rig.messages.Shown().size(), std::size_t{1});
        QCOMPARE(rig.messages.Shown().front().number, static_cast<int>(kMsgAutosaveFailed));
        QCOMPARE(Autosaves(folder).size(), std::size_t{1});
    }
};

}  // namespace kelto

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == kelto::kChildOption)
        return kelto::EditAndWait(argc, argv);
    return kelto::RunAppTests<kelto::AutosaveTest>(argc, argv);
}

#include "autosave_test.moc"
