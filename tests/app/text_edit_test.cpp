// Edit Text as a user reaches it: Object > "Edit Text..." and a double click on the text open
// the Text Tool dialog filled in with the object's text, font, style and depth; OK makes the
// object anew where it stands; Cancel and a text the font cannot make change nothing.
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "app/main_frame.h"
#include "app/talvor_doc.h"
#include "app/text_dialog.h"
#include "app_test_main.h"
#include "main_window_rig.h"
#include "platform/headless.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;

class TextEditTest : public QObject {
    Q_OBJECT

  private slots:
    void EditTextOpensTheDialogFilledInAndOkRebuildsTheText() {
        test::MainWindowRig rig(800, 600);
        rig.AddEditors();
        QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
        CMainFrame& frame = *rig.frame;
        HeadlessMessages& messages = rig.messages;
        frame.NewDocument();
        DocumentCore& core = frame.ActiveDocument()->Core();
        LogFont font = LogFont::TextToolDefault();
        font.SetFaceName("DejaVu Sans");
        font.weight = 700;
        const Result<TextInsertion> made = core.InsertText({0, 0, 0}, "HHH", font, 0.3, false);
        QVERIFY(made.ok());
        const NodeId text = made->node;
        frame.UpdateCommandUI();
        QVERIFY(frame.Action(kEditText)->isEnabled());

        // Filled in with the object's settings; Cancel keeps the object as it is.
        const std::vector<std::uint8_t> before = core.SaveToBytes();
        WhenShown<CTextToolDlg>([](CTextToolDlg& dialog) {
            QCOMPARE(dialog.TextField()->text(), QString("HHH"));
            QCOMPARE(dialog.Families()->currentItem()->text(), QString("DejaVu Sans"));
            QCOMPARE(dialog.Styles()->currentItem()->text(), QString("Bold"));
            QCOMPARE(dialog.Depth()->value(), 30);
            dialog.TextField()->setText("Changed");
        });
        frame.Action(kEditText)->trigger();
        QVERIFY(core.SaveToBytes() == before);

        // A text of spaces only: the text tool's message, nothing changes.
        WhenShown<CTextToolDlg>([](CTextToolDlg& dialog) {
            dialog.TextField()->setText("   ");
            dialog.OkButton()->click();
        });
        frame.Action(kEditText)->trigger();
        QVERIFY(!messages.Shown().empty());
        QCOMPARE(messages.Shown().back().text,
                 core.InsertText({}, "   ", font, 0.3, false).status().text);
        QVERIFY(core.SaveToBytes() == before);

        // OK reaches the document's Edit Text (whose result is the document's test).
        WhenShown<CTextToolDlg>([](CTextToolDlg& dialog) {
            dialog.TextField()->setText("III");
            dialog.Depth()->setValue(60);
            dialog.OkButton()->click();
        });
        frame.Action(kEditText)->trigger();
        QCOMPARE(core.TextSettingsOf(text)->depth, 0.6);
        QCOMPARE(core.UndoText(), std::string("Undo Edit Text1"));

        // A double click on the text in the view opens the same dialog.
        CTalvorView* view = frame.ActiveModellingView();
        QVERIFY(view != nullptr);
        QTRY_VERIFY(view->SizeValid());
        view->FrameSelected();  // the middle I is at the centre
        bool shown = false;
        QTest::mouseDClick(view, Qt::LeftButton, {}, view->rect().center());
        WhenShown<CTextToolDlg>([&shown](CTextToolDlg& dialog) {
            shown = dialog.TextField()->text() == "III";
            dialog.TextField()->setText("H");
            dialog.OkButton()->click();
        });
        QTRY_VERIFY(shown);
        QCOMPARE(core.TextSettingsOf(text)->text, std::string("H"));
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<TextEditTest>(argc, argv);
}

#include "text_edit_test.moc"
