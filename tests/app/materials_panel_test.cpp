// The Materials panel through the main window: "Materials manager palette" opens it with a
// picture for every material and one message for a damaged file of the user's library;
// "Apply" gives the selected object the library's gold in the saved file as one undoable step;
// a swatch dropped on an object in a modelling view gives it that material.
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>

#include "app/materials_panel.h"
#include "app_test_main.h"
#include "document/document_core.h"
#include "files/byte_stream.h"
#include "files/scene_file.h"
#include "main_window_rig.h"
#include "model/material_library.h"
#include "model/message_table.h"
#include "views/talvor_view.h"

namespace kelto {
namespace {

using namespace command_ids;

std::vector<std::uint8_t> MaterialOf(std::span<const std::uint8_t> file, const char* name) {
    DocumentCore reopened;
    if (!reopened.OpenFromBytes(file, "saved.kel").ok())
        return {};
    ByteWriter out;
    WriteMaterialRecord(reopened.Node(reopened.NodeNamed(name))->material, out);
    return out.Take();
}

std::vector<std::uint8_t> Record(const Material& material) {
    ByteWriter out;
    WriteMaterialRecord(material, out);
    return out.Take();
}

}  // namespace

class MaterialsPanelTest : public QObject {
    Q_OBJECT

  private slots:
    void GoldFromTheLibraryReachesTheFileAsOneStep() {
        QTemporaryDir user;
        QTemporaryDir cache;
        std::ofstream(user.filePath("broken.kmat").toStdString()) << "not a material";
        test::MainWindowRig rig(1100, 800);
        CommandHooks hooks = rig.frame->Hooks();
        AddMaterialsPanelHook(hooks, *rig.frame,
                              {rig.messages, rig.window_thread, user.path().toStdString(),
                               cache.path().toStdString(), "test"});
        rig.frame->SetHooks(std::move(hooks));
        rig.frame->NewDocument();
        DocumentCore& core = rig.Core();
        const NodeId cube = core.InsertObject(ObjectType::Cube, {3, 0, 0}, false);
        core.InsertObject(ObjectType::Sphere, {-2, 0, 0}, false);  // the selection
        const std::vector<std::uint8_t> before = core.SaveToBytes();

        rig.Act(kMaterialsPalette)->trigger();
        auto* panel = rig.frame->findChild<MaterialsPanel*>();
        QVERIFY(panel != nullptr);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->windowTitle(), QString("Materials"));
        QCOMPARE(panel->List()->count(), static_cast<int>(MaterialLibrary().size()));
        QCOMPARE(rig.messages.Shown().size(), std::size_t{1});
        QCOMPARE(rig.messages.Shown()[0].number, static_cast<int>(kMsgMaterialFileDamaged));
        QVERIFY(rig.messages.Shown()[0].text.find("broken.kmat") != std::string::npos);
        // Every picture arrives from the tracer's thread through the window thread.
        QTRY_VERIFY_WITH_TIMEOUT(
            (rig.window_thread.RunPending(), panel->PicturesShown() == panel->List()->count()),
            120000);

        panel->List()->setCurrentRow(panel->RowNamed("gold"));
        const std::size_t steps = core.UndoCount();
        QTest::mouseClick(panel->ApplyButton(), Qt::LeftButton);
        QCOMPARE(core.UndoCount(), steps + 1);
        QCOMPARE(rig.Act(kUndo)->text(), QString("&Undo Material Sphere1"));
        const std::vector<std::uint8_t> after = core.SaveToBytes();
        QVERIFY(MaterialOf(after, "Sphere1") == Record(*LibraryMaterialNamed("gold")));
        QVERIFY(MaterialOf(after, "Cube1") == MaterialOf(before, "Cube1"));

        // Copper dropped on the cube in the view: the cube takes it, selected or not.
        CTalvorView* view = rig.frame->ActiveModellingView();
        QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
        WindowPoint centre;
        QVERIFY(view->Renderer().ProjectToWindow(core.Node(cube)->position, centre));
        const qreal ratio = view->devicePixelRatioF();
        const QPoint at = view->mapTo(rig.frame.get(), QPoint(static_cast<int>(centre.x / ratio),
                                                              static_cast<int>(centre.y / ratio)));
        QMimeData data;
        data.setData(MaterialSwatchList::kMimeType, QByteArray::number(panel->RowNamed("copper")));
        // As a drag delivers them: entering the window, moving over the cube, letting go.
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.frame.get(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.frame.get(), &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(rig.frame.get(), &drop);
        QVERIFY(drop.isAccepted());
        QVERIFY(MaterialOf(core.SaveToBytes(), "Cube1") == Record(*LibraryMaterialNamed("copper")));
        QCOMPARE(rig.Act(kUndo)->text(), QString("&Undo Material Cube1"));
    }
};

}  // namespace kelto

int main(int argc, char** argv) {
    return kelto::RunAppTests<kelto::MaterialsPanelTest>(argc, argv);
}

#include "materials_panel_test.moc"
