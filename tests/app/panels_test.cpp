// The Objects and Properties panels as a user drives them: names clicked and the view's
// picks agreeing with the rows, typed numbers in the user's language, renames, the visible
// check box and Delete, each reaching the file and the render.
#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QTreeView>
#include <QtTest>

#include "app/command_table.h"
#include "app/objects_panel.h"
#include "app/properties_panel.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "model/message_table.h"
#include "tests/document/render_test_support.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

using Rig = kelto::test::MainWindowRig;
using Bytes = std::vector<std::uint8_t>;

// A window with the panels shown on a scene of a sphere (Sphere1 at the origin) and a cube
// (Cube1 at x = 4), nothing selected.
struct PanelRig : Rig {
    NodeId sphere, cube;
    PanelRig() : Rig(1100, 800) {
        Act(kNew)->trigger();
        Act(kObjectsPanel)->trigger();
        Act(kPropertiesPanel)->trigger();
        sphere = Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        cube = Core().InsertObject(ObjectType::Cube, {4, 0, 0}, false);
        Core().ClearSelection();
    }
    QTreeView& Tree() { return *frame->Objects()->Tree(); }
    QModelIndex Row(NodeId id) { return frame->Objects()->Model().IndexOf(id); }
    void ClickRow(NodeId id, Qt::KeyboardModifiers modifiers = {}) {
        const QRect rect = Tree().visualRect(Row(id));
        QTest::mouseClick(Tree().viewport(), Qt::LeftButton, modifiers,
                          QPoint(rect.right() - 4, rect.center().y()));
    }
    QLineEdit& Field(NodeField field) { return *frame->Properties()->Field(field); }
    // Types into a field as a user does: select all, the text, Return.
    void Type(QLineEdit& edit, const QString& text) {
        edit.setFocus();
        edit.selectAll();
        QTest::keyClicks(&edit, text);
        QTest::keyClick(&edit, Qt::Key_Return);
    }
    std::vector<NodeId> SelectedRows() {
        std::vector<NodeId> ids;
        for (const QModelIndex& index : Tree().selectionModel()->selectedRows()) {
            ids.push_back(frame->Objects()->Model().RowAt(index)->node);
        }
        return ids;
    }
};

QPoint PixelOf(const CTalvorView& view, const Vec3& world) {
    WindowPoint p;
    view.Renderer().ProjectToWindow(world, p);
    return {static_cast<int>(std::floor(p.x)), static_cast<int>(std::floor(p.y))};
}

RenderImage Draft(const DocumentCore& document) {
    RenderSettings settings;
    settings.width = 96;
    settings.height = 72;
    settings.threads = 2;
    RenderCamera camera;
    if (!ChooseRenderCamera(document, settings, camera).ok()) {
        qWarning("no camera");
    }
    return test::RenderedPicture(document, camera, settings);
}

}  // namespace

class PanelsTest : public QObject {
    Q_OBJECT

  private slots:
    void NamesClickedSelectAndTheViewsPicksHighlightTheRows() {
        PanelRig rig;
        QVERIFY(rig.frame->Objects()->isVisible() && rig.frame->Properties()->isVisible());
        // Schematic View is the same panel.
        QVERIFY(rig.Act(kSchematicView)->isChecked());
        rig.Act(kSchematicView)->trigger();
        QVERIFY(!rig.frame->Objects()->isVisible() && !rig.Act(kObjectsPanel)->isChecked());
        rig.Act(kSchematicView)->trigger();
        QVERIFY(QTest::qWaitForWindowExposed(rig.Tree().viewport()));

        QVERIFY(!rig.Act(kMaterialProperties)->isEnabled());
        rig.ClickRow(rig.sphere);
        QVERIFY(rig.Core().Node(rig.sphere)->selected && !rig.Core().Node(rig.cube)->selected);
        QVERIFY(rig.Act(kMaterialProperties)->isEnabled());
        QCOMPARE(rig.frame->Properties()->findChild<QLineEdit*>("name")->text(), "Sphere1");
        rig.ClickRow(rig.cube, Qt::ControlModifier);
        QVERIFY(rig.Core().Node(rig.sphere)->selected && rig.Core().Node(rig.cube)->selected);
        // Shared values shown, the others blank.
        QCOMPARE(rig.Field(NodeField::PositionY).text(), "1");
        QCOMPARE(rig.Field(NodeField::PositionX).text(), "");

        // A pick in the modelling view: the cube's row alone is highlighted.
        CTalvorView& view = rig.Active()->View();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint at = PixelOf(view, {4, 1, 0});
        QTest::mousePress(&view, Qt::LeftButton, {}, at);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, at);
        QVERIFY(!rig.Core().Node(rig.sphere)->selected && rig.Core().Node(rig.cube)->selected);
        QCOMPARE(rig.SelectedRows(), std::vector<NodeId>{rig.cube});
        QCOMPARE(rig.Field(NodeField::PositionX).text(), "4");
        // Undo of the insertion takes the row away at once.
        rig.Act(kUndo)->trigger();
        QVERIFY(!rig.Row(rig.cube).isValid());
    }

    void TypedNumbersMoveSaveAndUndoToTheSameFile() {
        PanelRig rig;
        rig.ClickRow(rig.sphere);
        const Bytes before = rig.Core().SaveToBytes();
        rig.Type(rig.Field(NodeField::PositionX), "2.5");
        QCOMPARE(rig.Core().Node(rig.sphere)->position.x, 2.5);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Move Sphere1"));
        rig.Act(kUndo)->trigger();
        QCOMPARE(rig.Core().SaveToBytes(), before);
        QCOMPARE(rig.Field(NodeField::PositionX).text(), "0");  // the panel follows Undo

        // A German user types a comma.
        const QLocale language;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        rig.Type(rig.Field(NodeField::RotationY), "22,5");
        QLocale::setDefault(language);
        QVERIFY(std::abs(RotationAngles(rig.Core().Node(rig.sphere)->rotation).y - 22.5) < 1e-9);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Rotate Sphere1"));

        // What is not a number in range is refused with the range; the old value comes back.
        const std::size_t steps = rig.Core().UndoCount();
        for (const char* hostile : {"abc", "1e300", "nan", "-inf"}) {
            const std::size_t shown = rig.messages.Shown().size();
            rig.Type(rig.Field(NodeField::PositionZ), hostile);
            QCOMPARE(rig.messages.Shown().size(), shown + 1);
            QCOMPARE(rig.messages.Shown().back().number, int{kMsgFieldOutOfRange});
            QVERIFY(rig.messages.Shown().back().text.find("Position Z takes a number from") == 0);
            QCOMPARE(rig.Field(NodeField::PositionZ).text(), "0");
        }
        QCOMPARE(rig.Core().UndoCount(), steps);

        // A light alone: its position is a move of the light; intensity and shadows edit it.
        const LightId light = rig.Core().GetScene().Lights()[0].id;
        const std::vector<SceneRow>& rows = rig.frame->Objects()->Model().Rows().rows;
        const auto light_row = std::find_if(
            rows.begin(), rows.end(), [&](const SceneRow& row) { return row.light == light; });
        rig.Tree().selectionModel()->select(
            rig.frame->Objects()->Model().IndexOfRow(static_cast<int>(light_row - rows.begin())),
            QItemSelectionModel::ClearAndSelect);
        QVERIFY(rig.Core().FindLight(light)->selected && !rig.Core().Node(rig.sphere)->selected);
        rig.Type(rig.Field(NodeField::PositionX), "7");
        QCOMPARE(rig.Core().FindLight(light)->position.x, 7.0);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Move Light1"));
        rig.Type(*rig.frame->Properties()->findChild<QLineEdit*>("intensity"), "2");
        QCOMPARE(rig.Core().FindLight(light)->intensity, 2.0f);
        rig.frame->Properties()->findChild<QCheckBox*>("casts_shadows")->click();
        QCOMPARE(rig.Core().FindLight(light)->casts_shadows, 0);

        // Several selected: a typed scale applies to both as one step.
        rig.ClickRow(rig.sphere);
        rig.ClickRow(rig.cube, Qt::ShiftModifier);
        rig.Type(rig.Field(NodeField::ScaleX), "2");
        QCOMPARE(rig.Core().Node(rig.sphere)->scale.x, 2.0);
        QCOMPARE(rig.Core().Node(rig.cube)->scale.x, 2.0);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Scale"));
    }

    void RenamesHidingAndDeleteReachTheFileAndTheRender() {
        PanelRig rig;
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        rig.ClickRow(rig.sphere);
        // F2 (Object > Rename...) edits the name in place.
        QTest::keyClick(&rig.Tree(), Qt::Key_F2);
        auto* editor = rig.Tree().viewport()->findChild<QLineEdit*>();
        QVERIFY(editor != nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, "Ball");
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over once the key has been handled.
        QTRY_COMPARE(rig.Core().Node(rig.sphere)->name, std::string("Ball"));
        DocumentCore reopened;
        QVERIFY(reopened.OpenFromBytes(rig.Core().SaveToBytes(), "renamed.kel").ok());
        QVERIFY(reopened.NodeNamed("Ball"));
        // A name taken is refused with a message; nothing changes.
        QLineEdit& name = *rig.frame->Properties()->findChild<QLineEdit*>("name");
        rig.Type(name, "Cube1");
        QCOMPARE(rig.messages.Shown().back().number, int{kMsgNameTaken});
        QCOMPARE(rig.Core().Node(rig.sphere)->name, std::string("Ball"));
        QCOMPARE(name.text(), "Ball");

        // Hiding the cube (its check box, by the keyboard) leaves it out of the render: the
        // picture is the one of the scene without it.
        const Bytes shown = rig.Core().SaveToBytes();
        rig.Tree().setFocus();
        rig.Tree().selectionModel()->setCurrentIndex(rig.Row(rig.cube),
                                                     QItemSelectionModel::NoUpdate);
        QTest::keyClick(&rig.Tree(), Qt::Key_Space);
        QCOMPARE(rig.Core().Node(rig.cube)->visible, 0);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Hide Cube1"));
        DocumentCore without;
        QVERIFY(without.OpenFromBytes(shown, "without.kel").ok());
        without.SelectNode(without.NodeNamed("Cube1"), false);
        without.DeleteSelection();
        const RenderImage hidden = Draft(rig.Core());
        QVERIFY(test::SamePicture(hidden, Draft(without)));
        QVERIFY(!test::SamePicture(hidden, Draft(reopened)));

        // Delete in the panel deletes the selection.
        rig.ClickRow(rig.sphere);
        QTest::keyClick(&rig.Tree(), Qt::Key_Delete);
        QVERIFY(rig.Core().Node(rig.sphere) == nullptr);
        QVERIFY(!rig.Row(rig.sphere).isValid());
    }
};

int main(int argc, char** argv) {
    return RunAppTests<PanelsTest>(argc, argv);
}
#include "panels_test.moc"
