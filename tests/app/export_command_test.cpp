// File > Export... as a user drives it: the type chosen in the dialog or the name's extension
// picks the format, "Selection only" limits the file to the selected objects, a file that
// cannot be written says so; and the real dialog's check box.
#include <QCheckBox>
#include <QFileDialog>
#include <QMenuBar>
#include <QtTest>

#include "app/main_frame.h"
#include "app/qt_platform.h"
#include "app_test_main.h"
#include "files/file_io.h"
#include "main_window_rig.h"
#include "platform/headless.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

std::string FileText(const std::string& path) {
    const Result<std::vector<std::uint8_t>> bytes = ReadWholeFile(path);
    return bytes.ok() ? std::string(bytes->begin(), bytes->end()) : std::string();
}

}  // namespace

class ExportCommandTest : public QObject {
    Q_OBJECT

  private slots:
    void WritesByTypeOrExtensionTheSceneOrTheSelection() {
        QTemporaryDir dir;
        test::MainWindowRig rig;
        rig.frame->NewDocument();
        DocumentCore& core = rig.Core();
        core.InsertObject(ObjectType::Cube, {0, 0, 0}, false);
        core.InsertObject(ObjectType::Sphere, {3, 0, 0}, false);  // the selection
        QAction* action = rig.Act(kExportScene);
        QCOMPARE(action->text(), QString("&Export..."));

        // No extension: the chosen type's (glTF binary); "Selection only" as the dialog
        // offered it, checked because something is selected.
        const std::string stem = dir.filePath("selected").toStdString();
        rig.files.QueueChoice(stem, 0, true);
        action->trigger();
        const FileDialogRequest& asked = rig.files.Requests().back();
        QCOMPARE(asked.option_text, std::string("Selection only"));
        QVERIFY(asked.option_checked);
        const std::string glb = FileText(stem + ".glb");
        QVERIFY(glb.starts_with("glTF"));
        QVERIFY(glb.find("\"Sphere1\"") != std::string::npos);
        QVERIFY(glb.find("\"Cube1\"") == std::string::npos);

        // The name's extension wins over the type; without the option, the whole scene.
        const std::string obj = dir.filePath("whole.obj").toStdString();
        rig.files.QueueChoice(obj, 2, false);
        action->trigger();
        QVERIFY(FileText(obj).find("o Cube1") != std::string::npos);
        QVERIFY(FileText(obj).find("o Sphere1") != std::string::npos);
        QVERIFY(rig.messages.Shown().empty());

        // A folder that does not exist: one message naming the file.
        const std::string nowhere = dir.filePath("missing/scene.stl").toStdString();
        rig.files.QueueChoice(nowhere, 2, false);
        action->trigger();
        QCOMPARE(rig.messages.Shown().size(), std::size_t{1});
        QVERIFY(rig.messages.Shown().back().text.find(nowhere) != std::string::npos);
    }

    void DialogOffersTheOptionAndReturnsItsState() {
        QTemporaryDir dir;
        QtFileChooser chooser;
        WhenShown<QFileDialog>([&](QFileDialog& dialog) {
            auto* option = dialog.findChild<QCheckBox*>("file_dialog_option");
            QVERIFY(option != nullptr);
            QCOMPARE(option->accessibleName(), QString("Selection only"));
            QVERIFY(!option->isChecked());
            option->click();
            dialog.selectFile(dir.filePath("out.stl"));
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        FileDialogRequest request;
        request.title = kExportTitle;
        request.filters = ExportFilters();
        request.option_text = kSelectionOnlyOption;
        request.initial_name = dir.path().toStdString();
        const std::optional<FileChoice> choice = chooser.ChooseFileToSave(request);
        QVERIFY(choice);
        QVERIFY(choice->option_checked);
        QVERIFY(choice->path.ends_with("out.stl"));
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<ExportCommandTest>(argc, argv);
}

#include "export_command_test.moc"
