// The render window as a user meets it: Render from a modelling view through its settings
// sheet, the picture arriving over the checkerboard and matching a render of the same camera,
// Stop rendering and its race with the render's end, the closing questions, saving in every
// format, the running-render count, many renders at once, and the scrolling keys.
#include <QAction>
#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <functional>

#include "app/child_frame.h"
#include "app/command_table.h"
#include "app/jpeg_quality_dialog.h"
#include "app/main_frame.h"
#include "app/qt_platform.h"
#include "app/render_commands.h"
#include "app/render_frame.h"
#include "app/render_props.h"
#include "app/running_renders.h"
#include "app/talvor_doc.h"
#include "app_test_main.h"
#include "document/render_news.h"
#include "model/message_table.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "tests/document/render_test_support.h"
#include "views/camera_bars.h"
#include "views/render_view.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;
using kelto::test::AnyLit;
using kelto::test::SamePicture;

namespace {

// Messages answered from a script, with a chance to act while a question is shown (as the
// window thread goes on running under a real message box).
class ScriptedMessages : public HeadlessMessages {
  public:
    using MessageSink::Show;
    MessageAnswer Show(int number, const std::string& text, MessageIcon icon,
                       MessageButtons buttons) override {
        if (while_asking)
            while_asking(number);
        return HeadlessMessages::Show(number, text, icon, buttons);
    }
    int Last() const { return Shown().back().number; }
    std::function<void(int)> while_asking;
};

// A main window with the still-life scene in one modelling window of `width` x `height`.
struct Rig {
    ScriptedMessages messages;
    HeadlessFileChooser files;
    MemorySettings settings;
    // News from the renders: through Qt's event loop, or held until a test runs it.
    QtWindowThread qt_thread;
    QueuedWindowThread held_news;
    std::unique_ptr<CMainFrame> frame;
    CTalvorDoc* document = nullptr;
    CChildFrame* modelling = nullptr;

    explicit Rig(bool hold_news = false) {
        WindowThread& news = hold_news ? static_cast<WindowThread&>(held_news) : qt_thread;
        frame = std::make_unique<CMainFrame>(
            AppServices{messages, files, settings, news, std::string()});
        frame->resize(900, 700);
        frame->show();
        document = frame->NewDocument();
        modelling = qobject_cast<CChildFrame*>(document->Frames().front());
        test::BuildStillLife(Core());
    }
    ~Rig() { frame.reset(); }
    DocumentCore& Core() { return document->Core(); }
    CTalvorView& View() { return modelling->View(); }
    QAction* Act(int id) { return frame->Action(id); }
    CRenderViewChildFrame* Render() {
        return frame->findChild<RenderCommands*>()->StartRender(*document, View());
    }
    CRenderViewChildFrame* ActiveRender() {
        return qobject_cast<CRenderViewChildFrame*>(frame->DocumentArea()->activeSubWindow());
    }
    int WindowCount() { return static_cast<int>(frame->DocumentArea()->subWindowList().size()); }
    // Runs the renders' held news until `window`'s render has finished.
    bool FinishHeld(CRenderViewChildFrame& window) {
        return QTest::qWaitFor(
            [&] {
                held_news.RunPending();
                return window.View().Finished();
            },
            60000);
    }
    // A render of the modelling view, finished.
    QPointer<CRenderViewChildFrame> Finished() {
        CRenderViewChildFrame* window = Render();
        if (window == nullptr || !FinishHeld(*window))
            qWarning("the render did not finish");
        return window;
    }
};

// Gives the modelling view a client area of w x h and waits until it has recorded it.
// The camera bars are wider than these tiny pictures: they go, so the view alone sets the size.
// The frame is resized by what the view still lacks until the view's renderer has the size.
bool SizeView(CChildFrame& frame, int w, int h) {
    frame.TopBar().hide();
    frame.LeftBar().hide();
    return QTest::qWaitFor(
        [&] {
            const QSize lack = QSize(w, h) - frame.View().size();
            if (!lack.isNull())
                frame.resize(frame.size() + lack);
            return frame.View().Renderer().Width() == w && frame.View().Renderer().Height() == h;
        },
        10000);
}

bool WaitFinished(CRenderViewChildFrame& window) {
    return QTest::qWaitFor([&] { return window.View().Finished(); }, 60000);
}

// The same camera rendered through the render request, as kelto-cli renders.
RenderImage ReferencePicture(const DocumentCore& document, const RenderCamera& camera) {
    RenderSettings settings;
    settings.threads = 1;
    return test::RenderedPicture(document, camera, settings);
}

}  // namespace

class RenderWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void RenderAsksForTheViewsQualityAndKeepsEachViewsChoice() {
        Rig rig;
        QVERIFY(SizeView(*rig.modelling, 40, 30));
        // F12 in the modelling view asks for the settings; Cancel renders nothing.
        rig.frame->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(rig.frame.get()));
        bool asked = false;
        WhenShown<CRenderProps>([&](CRenderProps&) { asked = true; });
        QTest::keyClick(&rig.View(), Qt::Key_F12);
        QVERIFY(asked);
        QCOMPARE(rig.WindowCount(), 1);
        // A new view renders in Draft; the sheet says so, and Production is chosen.
        bool draft_checked = false;
        WhenShown<CRenderProps>([&](CRenderProps& sheet) {
            draft_checked = sheet.DraftButton()->isChecked();
            sheet.ProductionButton()->click();
            sheet.accept();
        });
        rig.Act(kRender)->trigger();
        QVERIFY(draft_checked);
        CRenderViewChildFrame* first = rig.ActiveRender();
        QVERIFY(first != nullptr);
        QCOMPARE(first->View().Progress().quality, RenderQuality::Production);
        QCOMPARE(first->View().ImageWidth(), 40);
        // Render is the modelling view's: off while the render window is active.
        rig.frame->UpdateCommandUI();
        QVERIFY(!rig.Act(kRender)->isEnabled());
        // A second view of the document starts in Draft; the first keeps its own choice.
        auto* second = qobject_cast<CChildFrame*>(rig.frame->NewWindow(*rig.document));
        QVERIFY(second != nullptr);
        WhenShown<CRenderProps>([&](CRenderProps& sheet) {
            draft_checked = sheet.DraftButton()->isChecked();
            sheet.accept();
        });
        rig.Act(kRender)->trigger();
        QVERIFY(draft_checked);
        QCOMPARE(rig.ActiveRender()->View().Progress().quality, RenderQuality::Draft);
        QCOMPARE(rig.View().RenderQualityChoice(), RenderQuality::Production);
        QVERIFY(WaitFinished(*first));
        QVERIFY(WaitFinished(*rig.ActiveRender()));
        QCOMPARE(RunningRenders::Count(), 0);
    }

    void ThePictureArrivesOverTheCheckerboardAndEqualsTheSameRenderBitForBit() {
        Rig rig;
        QVERIFY(SizeView(*rig.modelling, 72, 54));
        const RenderCamera camera = rig.View().RenderCameraSnapshot();
        CRenderViewChildFrame* window = rig.Render();
        QVERIFY(window != nullptr);
        CRenderView& view = window->View();
        // Before anything is drained: the checkerboard of 32-pixel squares.
        QCOMPARE(view.Bitmap().pixel(31, 31), CRenderView::kLightSquare);
        QCOMPARE(view.Bitmap().pixel(32, 0), CRenderView::kDarkSquare);
        QCOMPARE(RunningRenders::Count(), 1);
        QVERIFY(rig.Act(kStopRendering)->isEnabled());
        QVERIFY(!rig.Act(kSaveImage)->isEnabled());

        QVERIFY(WaitFinished(*window));
        QCOMPARE(RunningRenders::Count(), 0);
        QVERIFY(!rig.Act(kStopRendering)->isEnabled());
        QVERIFY(rig.Act(kSaveImage)->isEnabled());
        const RenderImage expected = ReferencePicture(rig.Core(), camera);
        QVERIFY(AnyLit(expected));
        QVERIFY(SamePicture(view.Image(), expected));
        QVERIFY(window->StatusLine().text().contains("72 x 54 Draft"));
        // A picture smaller than the smallest window is shown centred on the background.
        const QSize client = view.viewport()->size();
        const QPoint origin((client.width() - 72) / 2, (client.height() - 54) / 2);
        QVERIFY(origin.x() > 0);
        const QImage shown = view.viewport()->grab().toImage();
        QCOMPARE(shown.pixel(origin.x() - 1, origin.y() + 20), CRenderView::kBackground);
        QCOMPARE(shown.pixel(origin.x() + 72, origin.y() + 20), CRenderView::kBackground);
        for (int y = 0; y < 54; ++y) {
            for (int x = 0; x < 72; ++x) {
                const auto p = expected.Pixel(x, y);
                QCOMPARE(shown.pixel(origin.x() + x, origin.y() + y), qRgb(p[0], p[1], p[2]));
            }
        }
    }

    void StopMidRenderClosesTheWindowAndStopAfterTheEndKeepsThePicture() {
        Rig rig(true);
        QVERIFY(SizeView(*rig.modelling, 40, 30));
        QPointer<CRenderViewChildFrame> window = rig.Render();
        QVERIFY(window);
        // No keeps it running; Yes closes the window, the count with it.
        rig.messages.QueueAnswer(MessageAnswer::No);
        rig.Act(kStopRendering)->trigger();
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgAbortRender));
        QCOMPARE(RunningRenders::Count(), 1);
        rig.messages.QueueAnswer(MessageAnswer::Yes);
        rig.Act(kStopRendering)->trigger();
        QCOMPARE(RunningRenders::Count(), 0);
        QTRY_VERIFY(!window);
        // The stopped render's news finds no window and changes nothing.
        QVERIFY(QTest::qWaitFor([&] { return rig.held_news.RunPending() > 0; }, 10000));
        QCOMPARE(RunningRenders::Count(), 0);

        // The render ends while the question is shown: Yes then keeps the finished picture.
        const RenderCamera camera = rig.View().RenderCameraSnapshot();
        window = rig.Render();
        rig.messages.while_asking = [&](int number) {
            if (number == kMsgAbortRender)
                QVERIFY(rig.FinishHeld(*window));
        };
        rig.messages.QueueAnswer(MessageAnswer::Yes);
        window->OnStopRendering();
        rig.messages.while_asking = nullptr;
        QVERIFY(window && window->isVisible());
        QVERIFY(!window->View().Aborted());
        QCOMPARE(RunningRenders::Count(), 0);
        QVERIFY(SamePicture(window->View().Image(), ReferencePicture(rig.Core(), camera)));
        rig.frame->UpdateCommandUI();
        QVERIFY(rig.Act(kSaveImage)->isEnabled());
    }

    void ClosingWhileRenderingAsksAndExitIsRefusedWhileCounted() {
        Rig rig(true);
        QVERIFY(SizeView(*rig.modelling, 40, 30));
        QPointer<CRenderViewChildFrame> window = rig.Render();
        QVERIFY(window);
        // Exit while it runs: refused with its message.
        rig.Act(kExit)->trigger();
        QVERIFY(rig.frame->isVisible());
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgRenderInProgress));
        // Closing the window: No keeps it running.
        rig.messages.QueueAnswer(MessageAnswer::No);
        QVERIFY(!window->close());
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgAbortRender));
        // Closing the document asks the same (after the scene's question); No keeps every
        // window.
        rig.messages.QueueAnswer(MessageAnswer::No);  // the scene's changes: not saved
        rig.messages.QueueAnswer(MessageAnswer::No);  // the render: not stopped
        rig.frame->DocumentArea()->setActiveSubWindow(rig.modelling);
        rig.Act(kClose)->trigger();
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgAbortRender));
        QCOMPARE(rig.WindowCount(), 2);
        QCOMPARE(RunningRenders::Count(), 1);
        // Yes: the document and its render window go together, counted no more, once only.
        rig.messages.QueueAnswer(MessageAnswer::No);   // do not save the scene
        rig.messages.QueueAnswer(MessageAnswer::Yes);  // abort the render
        rig.Act(kClose)->trigger();
        QCOMPARE(RunningRenders::Count(), 0);
        QTRY_COMPARE(rig.WindowCount(), 0);
        QTRY_COMPARE(rig.frame->Documents().size(), std::size_t{0});
        rig.held_news.RunPending();
        QCOMPARE(RunningRenders::Count(), 0);
        QVERIFY(rig.frame->close());
    }

    void ClosingAnUnsavedPictureAsksToSaveIt() {
        QTemporaryDir dir;
        Rig rig(true);
        QVERIFY(SizeView(*rig.modelling, 40, 30));
        // Cancel keeps it.
        QPointer<CRenderViewChildFrame> window = rig.Finished();
        rig.messages.QueueAnswer(MessageAnswer::Cancel);
        QVERIFY(!window->close());
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgSaveRenderedImage));
        // Yes with a save that fails (no such folder) keeps it too.
        rig.messages.QueueAnswer(MessageAnswer::Yes);
        rig.files.QueueChoice(dir.filePath("missing/picture.png").toStdString(), 4);
        QVERIFY(!window->close());
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgImageOpenFailed));
        // Yes and a good name saves and closes.
        rig.messages.QueueAnswer(MessageAnswer::Yes);
        rig.files.QueueChoice(dir.filePath("picture").toStdString(), 4);
        QVERIFY(window->close());
        QVERIFY(QFileInfo::exists(dir.filePath("picture.png")));
        // No closes without saving; a saved picture closes without a question.
        rig.messages.QueueAnswer(MessageAnswer::No);
        QVERIFY(rig.Finished()->close());
        window = rig.Finished();
        rig.files.QueueChoice(dir.filePath("saved.bmp").toStdString(), 0);
        rig.Act(kSaveImage)->trigger();
        const std::size_t asked = rig.messages.Shown().size();
        QVERIFY(window->close());
        QCOMPARE(rig.messages.Shown().size(), asked);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), 2);
        // Exit asks for unsaved pictures first.
        QPointer<CRenderViewChildFrame> unsaved = rig.Finished();
        rig.messages.QueueAnswer(MessageAnswer::Cancel);
        QVERIFY(!rig.frame->close());
        QVERIFY(unsaved);
        QCOMPARE(rig.messages.Last(), static_cast<int>(kMsgSaveRenderedImage));
    }

    void SaveImageWritesEveryFormatAndReportsWhatCannotBeWritten() {
        QTemporaryDir dir;
        Rig rig;
        QVERIFY(SizeView(*rig.modelling, 37, 23));
        QPointer<CRenderViewChildFrame> window = rig.Render();
        QVERIFY(window);
        QVERIFY(WaitFinished(*window));
        // The name typed, the filter chosen, the file written; a JPEG asks for its quality
        // first. What each format holds is the image files' own test.
        using Case = std::tuple<const char*, int, const char*>;
        for (const auto& [typed, filter, written] :
             {Case{"b", 2, "b.dib"}, Case{"c", 3, "c.jpg"}, Case{"d.JPEG", 0, "d.JPEG"},
              Case{"e", 4, "e.png"}, Case{"f.tif", 0, "f.tif"}}) {
            rig.files.QueueChoice(dir.filePath(typed).toStdString(), filter);
            const bool jpeg = QString(written).contains(".j", Qt::CaseInsensitive);
            bool asked_quality = false;
            if (jpeg) {
                WhenShown<CJpegQualityDlg>([&](CJpegQualityDlg& quality) {
                    asked_quality = quality.ValueText()->text() == "  90 ";
                    quality.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
                });
            }
            QVERIFY2(window->SaveImageFlow(), written);
            QCOMPARE(asked_quality, jpeg);
            QVERIFY2(QFileInfo::exists(dir.filePath(written)), written);
        }
        // An unknown type: a message, and the window keeps its picture.
        rig.files.QueueChoice(dir.filePath("h.gif").toStdString(), 0);
        QVERIFY(!window->SaveImageFlow());
        QCOMPARE(rig.messages.Shown().back().text,
                 std::string("Error image type 'gif': No plug-in parser found."));
        QVERIFY(window->isVisible());
        QVERIFY(!window->ImageSaved());
    }

    void TenRendersAtOnceAllFinishOrStopCleanly() {
        Rig rig;
        QVERIFY(SizeView(*rig.modelling, 40, 30));
        std::vector<QPointer<CRenderViewChildFrame>> windows;
        for (int i = 0; i < 10; ++i) {
            windows.emplace_back(rig.Render());
            QVERIFY(windows.back());
        }
        QCOMPARE(RunningRenders::Count(), 10);
        // Three stopped, two closed (Yes to each question); some may have finished meanwhile
        // and stay.
        for (int i = 0; i < 5; ++i)
            if (i < 3)
                windows[i]->OnStopRendering();
            else if (!windows[i]->View().Finished())
                QVERIFY(windows[i]->close());
        QTRY_COMPARE_WITH_TIMEOUT(RunningRenders::Count(), 0, 60000);
        for (int i = 5; i < 10; ++i) {
            QVERIFY(windows[i] && windows[i]->View().Finished());
            QVERIFY(AnyLit(windows[i]->View().Image()));
        }
    }

    void AMinimisedOrSquashedViewRendersAtTheSizeItLastRecordedOnTheThreadsAskedFor() {
        Rig rig;
        rig.settings.WriteInt(settings_keys::kRenderSection, settings_keys::kRenderThreads, 1);
        QVERIFY(SizeView(*rig.modelling, 50, 40));
        rig.modelling->showMinimized();
        QTRY_VERIFY(rig.modelling->isMinimized());
        rig.frame->DocumentArea()->setActiveSubWindow(rig.modelling);
        CRenderViewChildFrame* window = rig.Render();
        QVERIFY(window != nullptr);
        QCOMPARE(window->View().ImageWidth(), 50);
        QCOMPARE(window->View().ImageHeight(), 40);
        QVERIFY(WaitFinished(*window));
        QVERIFY(window->StatusLine().text().endsWith(" - 1 thread"));
        rig.modelling->showNormal();
        // Squashed as far as the window goes: the size it recorded last, never below 11.
        rig.modelling->resize(rig.modelling->size() - rig.View().size() + QSize(60, 0));
        QTRY_VERIFY(rig.View().height() <= 16);
        QTRY_COMPARE(rig.View().Renderer().Width(), 60);
        window = rig.Render();
        QCOMPARE(window->View().ImageHeight(), rig.View().Renderer().Height());
        QVERIFY(window->View().ImageHeight() >= kSmallestRenderSide);
        QVERIFY(WaitFinished(*window));
    }

    void ScrollingKeysMoveAPictureLargerThanItsWindow() {
        Rig rig(true);
        QVERIFY(SizeView(*rig.modelling, 300, 200));
        CRenderViewChildFrame* window = rig.Render();
        QVERIFY(window != nullptr);
        CRenderView& view = window->View();
        QCOMPARE(view.viewport()->size(), QSize(300, 200));  // the window fits the picture
        window->resize(window->size() - QSize(200, 120));
        QScrollBar* across = view.horizontalScrollBar();
        QScrollBar* down = view.verticalScrollBar();
        QTRY_COMPARE(across->maximum(), 300 - view.viewport()->width());
        QTRY_COMPARE(down->maximum(), 200 - view.viewport()->height());
        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(view.PictureOrigin(), QPoint(-across->maximum(), -down->maximum()));
        QTest::keyClick(&view, Qt::Key_Home);
        QTest::keyClick(&view, Qt::Key_Right);
        QTest::keyClick(&view, Qt::Key_Down);
        QCOMPARE(view.PictureOrigin(), QPoint(-3, -2));  // a line is a hundredth of the picture
        view.Abort();
        QVERIFY(rig.FinishHeld(*window));
        QVERIFY(window->StatusLine().text().startsWith("Stopped at "));
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<RenderWindowTest>(argc, argv);
}

#include "render_window_test.moc"
