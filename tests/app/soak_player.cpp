#include "tests/app/soak_player.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QtTest>
#include <algorithm>
#include <array>

#include "app/objects_panel.h"
#include "app/properties_panel.h"
#include "app/render_frame.h"
#include "tests/app/soak_checks.h"
#include "views/talvor_view.h"

namespace kelto::soak {
namespace {

using namespace command_ids;

// Scenes beyond this many nodes cost each step more than they find: the player deletes and
// undoes instead of adding.
constexpr std::size_t kBusyScene = 40;
constexpr int kWindowsAtMost = 6;
constexpr int kDocumentsAtMost = 3;
// A modal dialog touched this often is closed whatever the dice say.
constexpr int kModalTouchesAtMost = 6;

// What a user types into a field: numbers, numbers out of range, words, names already taken.
constexpr std::array<const char*, 16> kTexts = {
    "0",    "1",     "2.5",     "-3",
    "22,5", "1e308", "nan",     "-0.001",
    "abc",  "",      "  ",      "Sphere1",
    "Cube", "90",    "1000000", "a name longer than twenty-four bytes"};

// The files a file dialog may answer with (in the player's folder): scenes, exports the
// imports read back, a damaged scene and a damaged model, and a file that is not there.
constexpr std::array<const char*, 9> kFiles = {"a.kel",    "b.kel",    "junk.kel",
                                               "out.obj",  "out.stl",  "out.gltf",
                                               "junk.obj", "gone.kel", "out.glb"};

struct KeyPress {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    const char* name;
};
const KeyPress kKeys[] = {
    {Qt::Key_Delete, {}, "Delete"},
    {Qt::Key_F2, {}, "F2"},
    {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
    {Qt::Key_Z, Qt::ControlModifier, "Ctrl+Z"},
    {Qt::Key_Y, Qt::ControlModifier, "Ctrl+Y"},
    {Qt::Key_Left, {}, "Left"},
    {Qt::Key_Right, Qt::ShiftModifier, "Shift+Right"},
    {Qt::Key_Up, Qt::ControlModifier, "Ctrl+Up"},
    {Qt::Key_Down, {}, "Down"},
    {Qt::Key_Escape, {}, "Escape"},
    {Qt::Key_Home, {}, "Home"},
    {Qt::Key_F, {}, "F"},
    {Qt::Key_D, Qt::ControlModifier, "Ctrl+D"},
    {Qt::Key_C, Qt::ControlModifier, "Ctrl+C"},
    {Qt::Key_V, Qt::ControlModifier, "Ctrl+V"},
    {Qt::Key_X, Qt::ControlModifier, "Ctrl+X"},
    {Qt::Key_G, Qt::ControlModifier, "Ctrl+G"},
    {Qt::Key_Tab, {}, "Tab"},
};

std::string Name(const QPoint& at) {
    return "(" + std::to_string(at.x()) + "," + std::to_string(at.y()) + ")";
}

template <typename W>
std::vector<W*> Usable(QWidget& parent) {
    std::vector<W*> found;
    for (W* widget : parent.findChildren<W*>())
        if (widget->isVisible() && widget->isEnabled())
            found.push_back(widget);
    return found;
}

}  // namespace

Player::Player(test::MainWindowRig& rig, std::uint64_t seed, QString folder)
    : rig_(rig),
      seed_(seed),
      random_(seed),
      folder_(std::move(folder)),
      answerer_(new QTimer(this)) {
    // Damaged files for the file dialogs to offer.
    for (const char* name : {"junk.kel", "junk.obj"}) {
        QFile file(folder_ + "/" + name);
        if (file.open(QIODevice::WriteOnly)) {
            QByteArray bytes;
            for (int i = 0; i < 700; ++i)
                bytes.append(static_cast<char>(Pick(256)));
            bytes.replace(0, 4, QByteArray(name).endsWith("kel") ? "KELT" : "v 1 ");
            file.write(bytes);
        }
    }
    answerer_->setInterval(0);
    connect(answerer_, &QTimer::timeout, this, &Player::AnswerModal);
    // Always on: a dialog may open from any event, between steps too (a command a menu
    // chose runs from the event loop).
    answerer_->start();
    connect(rig_.frame.get(), &CMainFrame::DocumentAdded, this, &Player::Remember);
    connect(rig_.frame.get(), &CMainFrame::DocumentClosed, this,
            [this](CTalvorDoc* document) { starts_.erase(document); });
    for (const auto& document : rig_.frame->Documents())
        Remember(document.get());
}

Player::~Player() = default;

void Player::Remember(CTalvorDoc* document) {
    starts_[document] = Start{SceneBytes(document->Core()), document->Core().HistoryState()};
}

std::string Player::RandomText() {
    return kTexts[static_cast<std::size_t>(Pick(kTexts.size()))];
}

// One answer waits for the next question and one choice for the next file dialog, each
// replaced once it is used.
void Player::PrepareAnswers() {
    if (rig_.messages.Shown().size() != questions_seen_) {
        questions_seen_ = rig_.messages.Shown().size();
        answer_queued_ = false;
    }
    if (!answer_queued_) {
        constexpr std::array answers = {MessageAnswer::Yes, MessageAnswer::No,
                                        MessageAnswer::Cancel};
        rig_.messages.QueueAnswer(answers[static_cast<std::size_t>(Pick(answers.size()))]);
        answer_queued_ = true;
    }
    if (rig_.files.Requests().size() != choices_seen_) {
        choices_seen_ = rig_.files.Requests().size();
        choice_queued_ = false;
    }
    if (!choice_queued_) {
        if (Chance(20)) {
            rig_.files.QueueCancel();
        } else {
            const std::string name = kFiles[static_cast<std::size_t>(Pick(kFiles.size()))];
            rig_.files.QueueChoice(folder_.toStdString() + "/" + name, Pick(3), Chance(50));
        }
        choice_queued_ = true;
    }
    if (rig_.colours.Requests().empty() || Chance(30))
        rig_.colours.QueueChoice(static_cast<PackedColour>(Pick(0x1000000)));
}

// Runs while a step runs: a popup menu is closed, a modal dialog gets a few random edits and
// then OK or Cancel.
void Player::AnswerModal() {
    if (QWidget* popup = QApplication::activePopupWidget()) {
        // A menu: one of its commands, or nothing.
        std::vector<QAction*> actions;
        for (QAction* action : popup->actions())
            if (action->isEnabled() && !action->isSeparator() && action->menu() == nullptr)
                actions.push_back(action);
        popup->close();
        if (!actions.empty() && Chance(60)) {
            QAction* action = actions[static_cast<std::size_t>(Pick(actions.size()))];
            Say("  choose " + action->text().toStdString() + " from the menu");
            // Later, from the event loop: a dialog the command opens must find this timer
            // free to answer it (a timer does not fire again while its slot runs).
            QTimer::singleShot(0, action, &QAction::trigger);
        } else {
            Say("  close the menu");
        }
        return;
    }
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr)
        return;
    const std::string title = "  in \"" + modal->windowTitle().toStdString() + "\": ";
    int& touches = modal_touches_[modal];
    ++touches;
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (touches >= kModalTouchesAtMost || Chance(25)) {
        if (dialog == nullptr) {
            Say(title + "close");
            modal->close();
        } else if (touches < kModalTouchesAtMost && Chance(50)) {
            Say(title + "OK");
            dialog->accept();
        } else {
            Say(title + "Cancel");
            dialog->reject();
        }
        return;
    }
    const auto one = [this](const auto& widgets) {
        return widgets[static_cast<std::size_t>(Pick(widgets.size()))];
    };
    switch (Pick(6)) {
        case 0:
            if (auto edits = Usable<QLineEdit>(*modal); !edits.empty()) {
                QLineEdit* edit = one(edits);
                const std::string text = RandomText();
                Say(title + "type \"" + text + "\" into " + edit->objectName().toStdString());
                edit->selectAll();
                QTest::keyClicks(edit, QString::fromStdString(text));
            }
            break;
        case 1:
            if (auto boxes = Usable<QCheckBox>(*modal); !boxes.empty()) {
                QCheckBox* box = one(boxes);
                Say(title + "click " + box->text().toStdString());
                box->click();
            }
            break;
        case 2:
            if (auto combos = Usable<QComboBox>(*modal); !combos.empty()) {
                QComboBox* combo = one(combos);
                if (combo->count() > 0) {
                    const int index = Pick(combo->count());
                    Say(title + "choose " + combo->itemText(index).toStdString());
                    combo->setCurrentIndex(index);
                }
            }
            break;
        case 3:
            if (auto tabs = Usable<QTabBar>(*modal); !tabs.empty()) {
                QTabBar* bar = one(tabs);
                const int index = Pick(bar->count());
                Say(title + "show the tab " + bar->tabText(index).toStdString());
                bar->setCurrentIndex(index);
            }
            break;
        case 4:
            if (auto buttons = Usable<QPushButton>(*modal); !buttons.empty()) {
                QPushButton* button = one(buttons);
                Say(title + "press " + button->text().toStdString());
                QTimer::singleShot(0, button, &QPushButton::click);
            }
            break;
        default:
            if (auto spins = Usable<QAbstractSpinBox>(*modal); !spins.empty()) {
                const bool up = Chance(50);
                Say(title + (up ? "Up" : "Page Down") + " in a number box");
                QTest::keyClick(one(spins), up ? Qt::Key_Up : Qt::Key_PageDown);
            }
            break;
    }
}

std::string Player::Step() {
    PrepareAnswers();
    modal_touches_.clear();
    std::string did;
    const int dice = Pick(100);
    const auto& windows = rig_.frame->DocumentArea()->subWindowList();
    if (static_cast<int>(windows.size()) > kWindowsAtMost ||
        static_cast<int>(rig_.frame->Documents().size()) > kDocumentsAtMost)
        did = CloseAWindow();
    else if (dice < 25)
        did = DoCommand();
    else if (dice < 55)
        did = DoViewMouse();
    else if (dice < 72)
        did = DoKey();
    else if (dice < 86)
        did = DoObjectsPanel();
    else
        did = DoPropertiesPanel();
    QApplication::processEvents();
    rig_.window_thread.RunPending();
    KeepRendersShort();
    for (const auto& document : rig_.frame->Documents()) {
        tally_.most_nodes = std::max(tally_.most_nodes, document->Core().GetScene().NodeCount());
        auto it = starts_.find(document.get());
        if (it != starts_.end() && document->Core().UndoCount() >=
                                       static_cast<std::size_t>(rig_.frame->General().undo_steps))
            it->second.lost = true;
    }
    return did;
}

// Renders are stopped soon and their windows closed, so that the render threads never hold
// the cores for long.
void Player::KeepRendersShort() {
    std::vector<QMdiSubWindow*> renders;
    for (QMdiSubWindow* window : rig_.frame->DocumentArea()->subWindowList())
        if (qobject_cast<CRenderViewChildFrame*>(window) != nullptr)
            renders.push_back(window);
    if (renders.size() > 1) {
        Say("close the older render window");
        modal_touches_.clear();
        renders.front()->close();
    } else if (!renders.empty() && Chance(40)) {
        Say("stop rendering");
        rig_.frame->DocumentArea()->setActiveSubWindow(renders.front());
        rig_.frame->OnCommand(kStopRendering);
    }
}

std::string Player::Say(std::string what) {
    if (announce_)
        announce_(what);
    return what;
}

std::string Player::CloseAWindow() {
    const auto windows = rig_.frame->DocumentArea()->subWindowList();
    if (windows.isEmpty())
        return Say("nothing to close");
    QMdiSubWindow* window = windows[Pick(static_cast<int>(windows.size()))];
    std::string did = Say("close the window " + window->windowTitle().toStdString());
    window->close();
    return did;
}

std::string Player::DoCommand() {
    // Exit would end the run; Inert rows do nothing.
    std::vector<const CommandInfo*> playable;
    for (const CommandInfo& row : CommandTable())
        if (row.id != kExit && row.rule != CommandRule::Inert)
            playable.push_back(&row);
    const CommandInfo& command = *playable[static_cast<std::size_t>(Pick(playable.size()))];
    QAction* action = rig_.frame->Action(command.id);
    const std::string name = std::string(command.text);
    if (action == nullptr || !action->isEnabled())
        return Say("command " + name + " (disabled)");
    const std::size_t nodes = rig_.Doc() != nullptr ? rig_.Doc()->Core().GetScene().NodeCount() : 0;
    const bool grows = command.id == kPaste || command.id == kDuplicate ||
                       command.id == kImportObject || command.id == kOpen;
    if (grows && nodes > kBusyScene)
        return Say("command " + name + " (passed over: the scene is big)");
    std::string did = Say("command " + name);
    action->trigger();
    return did;
}

std::string Player::DoViewMouse() {
    std::vector<CTalvorView*> views;
    for (CTalvorView* view : rig_.frame->findChildren<CTalvorView*>())
        if (view->isVisible() && view->width() > 4 && view->height() > 4)
            views.push_back(view);
    if (views.empty())
        return DoCommand();
    const std::size_t index = static_cast<std::size_t>(Pick(views.size()));
    CTalvorView* view = views[index];
    // Mostly near the middle, where the objects are.
    const auto point = [&] {
        const int spread = Chance(70) ? 4 : 1;
        return QPoint(view->width() / 2 + (Pick(view->width()) - view->width() / 2) / spread,
                      view->height() / 2 + (Pick(view->height()) - view->height() / 2) / spread);
    };
    constexpr std::array<Qt::KeyboardModifier, 4> kModifiers = {
        Qt::NoModifier, Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier};
    const Qt::KeyboardModifiers modifiers = kModifiers[static_cast<std::size_t>(Pick(4))];
    const std::string where = " in view " + std::to_string(index) + " of " +
                              view->window()->windowTitle().toStdString() +
                              (modifiers == Qt::ShiftModifier     ? " with Shift"
                               : modifiers == Qt::ControlModifier ? " with Ctrl"
                                                                  : "");
    const QPoint at = point();
    switch (Pick(6)) {
        case 0:
        case 1: {
            std::string did = Say("click at " + Name(at) + where);
            QTest::mousePress(view, Qt::LeftButton, modifiers, at);
            QTest::mouseRelease(view, Qt::LeftButton, modifiers, at);
            return did;
        }
        case 2:
        case 3: {
            std::vector<QPoint> path(static_cast<std::size_t>(1 + Pick(4)));
            std::string text = Name(at);
            for (QPoint& to : path) {
                to = point();
                text += "-" + Name(to);
            }
            const bool escape = Chance(10);
            std::string did = Say("drag " + text + (escape ? " and Escape" : "") + where);
            QTest::mousePress(view, Qt::LeftButton, modifiers, at);
            for (const QPoint& to : path)
                QTest::mouseMove(view, to);
            if (escape)
                QTest::keyClick(view, Qt::Key_Escape);
            QTest::mouseRelease(view, Qt::LeftButton, modifiers, path.back());
            return did;
        }
        case 4: {
            std::string did = Say("double click at " + Name(at) + where);
            QTest::mouseDClick(view, Qt::LeftButton, modifiers, at);
            return did;
        }
        default: {
            std::string did = Say("right click at " + Name(at) + where);
            QTest::mouseClick(view, Qt::RightButton, modifiers, at);
            // The desktop follows a right click with a context menu event; QTest does not.
            QContextMenuEvent menu(QContextMenuEvent::Mouse, at, view->mapToGlobal(at), modifiers);
            QApplication::sendEvent(view, &menu);
            return did;
        }
    }
}

std::string Player::DoKey() {
    const KeyPress& press = kKeys[static_cast<std::size_t>(Pick(std::size(kKeys)))];
    QWidget* target = rig_.frame->FocusedModellingView();
    std::string where = " in the focused view";
    if (target == nullptr || !target->isVisible() || Chance(30)) {
        target = rig_.frame.get();
        where = " in the main window";
    }
    std::string did = Say(std::string("key ") + press.name + where);
    QTest::keyClick(target, press.key, press.modifiers);
    return did;
}

std::string Player::DoObjectsPanel() {
    QTreeView& tree = *rig_.frame->Objects()->Tree();
    if (!tree.isVisible())
        return DoCommand();
    std::vector<QModelIndex> rows;
    for (QModelIndex row = tree.model()->index(0, 0); row.isValid(); row = tree.indexBelow(row))
        rows.push_back(row);
    if (rows.empty())
        return Say("the Objects panel is empty");
    const QModelIndex row = rows[static_cast<std::size_t>(Pick(rows.size()))];
    const std::string name = row.data().toString().toStdString();
    switch (Pick(5)) {
        case 0:
        case 1: {
            const Qt::KeyboardModifiers modifiers = Chance(30)   ? Qt::ControlModifier
                                                    : Chance(20) ? Qt::ShiftModifier
                                                                 : Qt::NoModifier;
            std::string did = Say("click the row " + name + " of the Objects panel");
            tree.scrollTo(row);
            QTest::mouseClick(tree.viewport(), Qt::LeftButton, modifiers,
                              tree.visualRect(row).center());
            return did;
        }
        case 2: {
            std::string did = Say("Space (show or hide) on the row " + name);
            tree.setFocus();
            tree.selectionModel()->setCurrentIndex(row, QItemSelectionModel::NoUpdate);
            QTest::keyClick(&tree, Qt::Key_Space);
            return did;
        }
        case 3: {
            const std::string text = RandomText();
            const bool keep = Chance(80);
            std::string did = Say("F2 in the Objects panel, type \"" + text + "\" and " +
                                  (keep ? "Return" : "Escape"));
            tree.setFocus();
            QTest::keyClick(&tree, Qt::Key_F2);
            if (auto* editor = tree.viewport()->findChild<QLineEdit*>();
                editor && editor->isVisible()) {
                editor->selectAll();
                QTest::keyClicks(editor, QString::fromStdString(text));
                QTest::keyClick(editor, keep ? Qt::Key_Return : Qt::Key_Escape);
            }
            return did;
        }
        default: {
            const bool remove = Chance(50);
            std::string did =
                Say(std::string(remove ? "Delete" : "Down") + " in the Objects panel");
            tree.setFocus();
            QTest::keyClick(&tree, remove ? Qt::Key_Delete : Qt::Key_Down);
            return did;
        }
    }
}

std::string Player::DoPropertiesPanel() {
    PropertiesPanel& panel = *rig_.frame->Properties();
    if (!panel.isVisible())
        return DoCommand();
    if (Chance(15)) {
        if (auto boxes = Usable<QCheckBox>(panel); !boxes.empty()) {
            QCheckBox* box = boxes[static_cast<std::size_t>(Pick(boxes.size()))];
            std::string did = Say("click the box " + box->objectName().toStdString() +
                                  " of the Properties panel");
            box->click();
            return did;
        }
    }
    auto edits = Usable<QLineEdit>(panel);
    if (edits.empty())
        return Say("the Properties panel has no field");
    QLineEdit* edit = edits[static_cast<std::size_t>(Pick(edits.size()))];
    const std::string text = RandomText();
    const bool keep = Chance(85);
    std::string did =
        Say("type \"" + text + "\" and " + (keep ? "Return" : "Escape") + " into the field " +
            edit->objectName().toStdString() + " of the Properties panel");
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromStdString(text));
    QTest::keyClick(edit, keep ? Qt::Key_Return : Qt::Key_Escape);
    return did;
}

std::string Player::CheckDocuments() const {
    for (const auto& document : rig_.frame->Documents())
        if (std::string fault = Inconsistency(document->Core()); !fault.empty())
            return document->Title().toStdString() + ": " + fault;
    return {};
}

// Writes the two scenes that should have been the same beside the log, for a closer look.
std::string Player::KeepBoth(const std::vector<std::uint8_t>& expected,
                             const std::vector<std::uint8_t>& found) const {
    for (const auto& [name, bytes] :
         {std::pair{"expected", &expected}, std::pair{"found", &found}}) {
        QFile file(QString("soak-%1-%2.kel").arg(seed_).arg(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(reinterpret_cast<const char*>(bytes->data()),
                       static_cast<qint64>(bytes->size()));
    }
    return "(soak-" + std::to_string(seed_) + "-expected.kel and -found.kel kept) ";
}

std::string Player::CheckHistories() {
    for (const auto& document : rig_.frame->Documents()) {
        auto it = starts_.find(document.get());
        if (it == starts_.end())
            continue;
        DocumentCore& core = document->Core();
        const std::string title = document->Title().toStdString();
        const std::vector<std::uint8_t> before = SceneBytes(core);
        const std::size_t steps = core.UndoCount();
        ++tally_.history_checks;
        tally_.undone += steps;
        for (std::size_t i = 0; i < steps; ++i)
            if (Status status = core.Undo(); !status.ok())
                return title + ": undo " + std::to_string(i + 1) + " of " + std::to_string(steps) +
                       " failed (message " + std::to_string(status.number) + ")";
        std::vector<std::uint8_t> start = SceneBytes(core);
        if (it->second.lost || core.HistoryState() != it->second.state) {
            // The history dropped steps (by count or by bytes): the oldest state it still
            // reaches is the start from now on.
            it->second = Start{std::move(start), core.HistoryState()};
        } else if (start != it->second.bytes)
            return KeepBoth(it->second.bytes, start) + title + ": undoing all " +
                   std::to_string(steps) + " steps does not give the first file back: " +
                   FirstDifference(it->second.bytes, start);
        for (std::size_t i = 0; i < steps; ++i)
            if (Status status = core.Redo(); !status.ok())
                return title + ": redo " + std::to_string(i + 1) + " of " + std::to_string(steps) +
                       " failed (message " + std::to_string(status.number) + ")";
        if (std::vector<std::uint8_t> end = SceneBytes(core); end != before)
            return KeepBoth(before, end) + title + ": redoing all " + std::to_string(steps) +
                   " steps does not give the last state back: " + FirstDifference(before, end);
        if (std::string fault = Inconsistency(core); !fault.empty())
            return title + " after undo and redo: " + fault;
        TrimHistory(*document, it->second);
    }
    QApplication::processEvents();
    return {};
}

// A long history is cut to its newest step, whose start becomes the document's start.
void Player::TrimHistory(CTalvorDoc& document, Start& start) {
    DocumentCore& core = document.Core();
    if (core.UndoCount() < 30)
        return;
    core.SetUndoLimit(1);
    core.SetUndoLimit(static_cast<std::size_t>(rig_.frame->General().undo_steps));
    core.Undo();
    start.bytes = SceneBytes(core);
    start.state = core.HistoryState();
    core.Redo();
}

}  // namespace kelto::soak
