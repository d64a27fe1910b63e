// The keys of the main window, through real key events: the menus' mnemonics, Ctrl+G,
// Ctrl+D, the arrows and Escape in a modelling view, Snap to grid, and moving between the
// windows.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <map>

#include "app/command_table.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

using Rig = kelto::test::MainWindowRig;

// The letter after a single '&' (a "&&" is a plain '&'); 0 when there is none.
QChar Mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&') {
            if (text[i + 1] != '&')
                return text[i + 1].toUpper();
            ++i;
        }
    }
    return QChar();
}

// Every shown item of the menu, and of the menus inside it, has a letter of its own there.
void CheckMnemonics(const QMenu& menu) {
    std::map<QChar, QString> taken;
    for (QAction* action : menu.actions()) {
        if (action->isSeparator() || !action->isVisible())
            continue;
        const QChar letter = Mnemonic(action->text());
        QVERIFY2(!letter.isNull(), qPrintable(menu.title() + ": " + action->text()));
        const auto [at, fresh] = taken.emplace(letter, action->text());
        QVERIFY2(fresh, qPrintable(menu.title() + ": " + action->text() + " and " + at->second));
        if (action->menu() != nullptr)
            CheckMnemonics(*action->menu());
    }
}

QMenu* MenuTitled(QMenuBar& bar, const QString& title) {
    for (QAction* action : bar.actions())
        if (action->text() == title)
            return action->menu();
    return nullptr;
}

}  // namespace

class EditKeysTest : public QObject {
    Q_OBJECT

  private slots:
    void EveryMenuAndItemHasItsOwnLetterAndAltOpensThem() {
        Rig rig;
        rig.frame->NewDocument();
        rig.frame->NewDocument();  // the Window menu lists two windows
        QMenuBar& bar = *rig.frame->menuBar();
        QMenu top;
        top.setTitle("menu bar");
        for (QAction* action : bar.actions())
            top.addAction(action);
        emit MenuTitled(bar, "&Window")->aboutToShow();
        CheckMnemonics(top);

        // Alt+O opens the Object menu over a modelling view, M then runs Material Properties.
        int edited = 0;
        CommandHooks hooks = rig.frame->Hooks();
        hooks.material_properties = [&edited](CTalvorDoc&, NodeId) { ++edited; };
        rig.frame->SetHooks(hooks);
        rig.Core().InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        CTalvorView* view = rig.frame->ActiveModellingView();
        view->setFocus();
        QTest::keyClick(view, Qt::Key_O, Qt::AltModifier);
        QMenu* object = MenuTitled(bar, "&Object");
        QTRY_VERIFY(object->isVisible());
        QTest::keyClick(object, Qt::Key_M);
        QTRY_COMPARE(edited, 1);
        QTRY_VERIFY(!object->isVisible());
    }

    // Each key reaches its command as one history step (what the step undoes to is the
    // document's and the tools' test).
    void KeysEditTheSceneOneUndoableStepAtATime() {
        Rig rig;
        rig.frame->NewDocument();
        DocumentCore& core = rig.Core();
        core.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        core.InsertObject(ObjectType::Cube, {3, 0, 0}, true);
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        CTalvorView* view = rig.frame->ActiveModellingView();
        view->setFocus();
        struct Press {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            const char* undo;
        };
        for (const Press& p : {Press{Qt::Key_G, Qt::ControlModifier, "&Undo Group"},
                               Press{Qt::Key_D, Qt::ControlModifier, "&Undo Duplicate"},
                               Press{Qt::Key_Right, Qt::NoModifier, "&Undo Move Group2"},
                               Press{Qt::Key_Up, Qt::ShiftModifier, "&Undo Move Group2"}}) {
            const std::size_t steps = core.UndoCount();
            QTest::keyClick(view, p.key, p.modifiers);
            QCOMPARE(core.UndoCount(), steps + 1);
            QCOMPARE(rig.Act(kUndo)->text(), QString(p.undo));
        }
        QTest::keyClick(view, Qt::Key_Escape);
        QCOMPARE(core.GetScene().CountSelected(), 0);
        QVERIFY(!rig.Act(kDuplicate)->isEnabled());

        // Snap to grid is a checked command kept in the settings.
        QVERIFY(!rig.Act(kSnapToGrid)->isChecked());
        rig.Act(kSnapToGrid)->trigger();
        QVERIFY(rig.Act(kSnapToGrid)->isChecked() && rig.frame->Tools().SnapToGrid());
        QCOMPARE(rig.settings.Read("Modelling", "Snap to grid"), std::optional<std::string>("1"));
    }

    void CtrlTabAndCtrlF6MoveBetweenTheWindows() {
        Rig rig;
        rig.frame->NewDocument();
        rig.frame->NewWindow(*rig.Doc());
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        QMdiArea& area = *rig.frame->DocumentArea();
        for (auto [key, modifiers] : {std::pair{Qt::Key_F6, Qt::ControlModifier},
                                      std::pair{Qt::Key_Tab, Qt::ControlModifier}}) {
            QMdiSubWindow* before = area.currentSubWindow();
            CTalvorView* view = rig.frame->ActiveModellingView();
            view->setFocus();
            QTRY_VERIFY(view->hasFocus());
            QTest::keyClick(view, key, modifiers);
            QTest::keyRelease(view, Qt::Key_Control);
            QTRY_VERIFY(area.currentSubWindow() != before);
        }
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<EditKeysTest>(argc, argv);
}

#include "edit_keys_test.moc"
