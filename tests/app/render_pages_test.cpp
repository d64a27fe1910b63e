// The pages of Render Properties as a user meets them: pages and controls by their names, a
// chosen size rendered and kept by the view, the scene's lighting set by OK as one undoable
// step, Cancel changing nothing, and values out of range refused with their range.
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QtTest>

#include "app/command_table.h"
#include "app/main_frame.h"
#include "app/render_frame.h"
#include "app/render_props.h"
#include "app/running_renders.h"
#include "app/talvor_doc.h"
#include "app_test_main.h"
#include "model/message_table.h"
#include "platform/headless.h"
#include "tests/document/render_test_support.h"
#include "views/render_view.h"
#include "views/talvor_view.h"

using namespace kelto;

namespace {

// A main window on the still-life scene; the renders' news is held until a test runs it.
struct Rig {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    MemorySettings settings;
    QueuedWindowThread news;
    std::unique_ptr<CMainFrame> frame;
    CTalvorDoc* document = nullptr;

    Rig() {
        frame = std::make_unique<CMainFrame>(
            AppServices{messages, files, settings, news, std::string()});
        frame->resize(900, 700);
        frame->show();
        document = frame->NewDocument();
        test::BuildStillLife(Core());
    }
    DocumentCore& Core() { return document->Core(); }
    CTalvorView& View() { return qobject_cast<CChildFrame*>(document->Frames().front())->View(); }
    std::unique_ptr<CRenderProps> Sheet() {
        const ViewRenderChoices view{RenderQuality::Draft, std::nullopt, {320, 240}};
        auto sheet = std::make_unique<CRenderProps>(
            view, RenderPropsServices{Core(), messages, files}, frame.get());
        sheet->show();
        return sheet;
    }
};

// The control of type W whose accessible name is `name`.
template <typename W>
W* Named(QWidget& root, const QString& name) {
    for (W* widget : root.findChildren<W*>())
        if (widget->accessibleName() == name)
            return widget;
    return nullptr;
}

void Type(QWidget& sheet, const QString& name, const QString& text) {
    auto* box = Named<QAbstractSpinBox>(sheet, name);
    QVERIFY2(box != nullptr && box->isEnabled(), qPrintable(name));
    box->selectAll();
    QTest::keyClicks(box, text);
}

void ClickOk(QDialog& sheet) {
    sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

void ChooseSize(QWidget& sheet, const QString& entry) {
    auto* sizes = Named<QComboBox>(sheet, "Picture size");
    sizes->setCurrentIndex(sizes->findText(entry));
    QVERIFY2(sizes->currentText() == entry, qPrintable(entry));
}

}  // namespace

class RenderPagesTest : public QObject {
    Q_OBJECT

  private slots:
    void EveryPageAndControlHasItsName() {
        Rig rig;
        auto sheet = rig.Sheet();
        const QTabWidget& pages = *sheet->Pages();
        const std::vector<std::pair<QString, QStringList>> expected{
            {"Quality", {"Draft", "Production"}},
            {"Size", {"Picture size", "Width", "Height"}},
            {"Lighting",
             {"Soft-shadow samples", "Ambient occlusion", "Occlusion samples",
              "Occlusion distance"}},
            {"Environment",
             {"None", "Colour", "Gradient", "Picture", "Horizon colour", "Zenith colour",
              "Picture file", "Browse...", "Rotation"}},
        };
        QCOMPARE(pages.count(), static_cast<int>(expected.size()));
        for (int i = 0; i < pages.count(); ++i) {
            const auto& [title, names] = expected[static_cast<std::size_t>(i)];
            QCOMPARE(pages.tabText(i), title);
            for (const QString& name : names)
                QVERIFY2(Named<QWidget>(*pages.widget(i), name), qPrintable(title + ": " + name));
        }
    }

    void TheChosenSizeIsRenderedAndKeptByTheView() {
        Rig rig;
        QTRY_VERIFY(rig.View().SizeValid());
        const RenderPictureSize own = rig.View().WindowPictureSize();
        struct Case {
            QString entry;
            RenderPictureSize typed;  // for Custom
            RenderPictureSize rendered;
        };
        for (const Case& c :
             {Case{"Custom", {123, 45}, {123, 45}}, Case{"3840 \u00d7 2160", {}, {3840, 2160}},
              Case{"Window size", {}, own}}) {
            WhenShown<CRenderProps>([&](CRenderProps& sheet) {
                ChooseSize(sheet, c.entry);
                if (c.entry == "Custom") {
                    Type(sheet, "Width", QString::number(c.typed.width));
                    Type(sheet, "Height", QString::number(c.typed.height));
                }
                ClickOk(sheet);
            });
            rig.frame->Action(command_ids::kRender)->trigger();
            auto* window =
                qobject_cast<CRenderViewChildFrame*>(rig.frame->DocumentArea()->activeSubWindow());
            QVERIFY2(window != nullptr, qPrintable(c.entry));
            CRenderView& view = window->View();
            QCOMPARE(view.ImageWidth(), c.rendered.width);
            QCOMPARE(view.ImageHeight(), c.rendered.height);
            // A picture larger than the window area scrolls over its whole size.
            QTRY_COMPARE(view.horizontalScrollBar()->maximum(),
                         std::max(0, c.rendered.width - view.viewport()->width()));
            QTRY_COMPARE(view.verticalScrollBar()->maximum(),
                         std::max(0, c.rendered.height - view.viewport()->height()));
            view.Abort();
            QTRY_VERIFY_WITH_TIMEOUT((rig.news.RunPending(), view.Finished()), 60000);
            rig.messages.QueueAnswer(MessageAnswer::No);  // the picture is not kept
            QVERIFY(window->close());
            QTRY_COMPARE(RunningRenders::Count(), 0);
            // The view keeps the choice for its next render.
            rig.frame->DocumentArea()->setActiveSubWindow(
                qobject_cast<QMdiSubWindow*>(rig.document->Frames().front()));
            if (c.entry == "Window size")
                QVERIFY(!rig.View().RenderSizeChoice());
            else
                QCOMPARE(*rig.View().RenderSizeChoice(), c.rendered);
        }
    }

    void OkSetsTheScenesLightingAsOneStepAndCancelChangesNothing() {
        Rig rig;
        const SceneLighting before = rig.Core().Lighting();
        const std::string undo_before = rig.Core().UndoText();
        rig.files.QueueChoice("/pictures/sky.hdr");
        rig.files.QueueChoice("/pictures/sky.hdr");
        for (const bool ok : {false, true}) {
            auto sheet = rig.Sheet();
            Type(*sheet, "Soft-shadow samples", "4");
            Named<QCheckBox>(*sheet, "Ambient occlusion")->click();
            Type(*sheet, "Occlusion samples", "64");
            Type(*sheet, "Occlusion distance", "1.25");
            Named<QRadioButton>(*sheet, "Picture")->click();
            Named<QPushButton>(*sheet, "Browse...")->click();
            QCOMPARE(Named<QLineEdit>(*sheet, "Picture file")->text(),
                     QString("/pictures/sky.hdr"));
            Type(*sheet, "Rotation", "90");
            if (!ok) {
                sheet->reject();
                QCOMPARE(rig.Core().Lighting(), before);
                QCOMPARE(rig.Core().UndoText(), undo_before);
                continue;
            }
            ClickOk(*sheet);
            QVERIFY(!sheet->isVisible());
        }
        const SceneLighting expected{.soft_shadow_samples = 4,
                                     .occlusion = true,
                                     .occlusion_samples = 64,
                                     .occlusion_distance = 1.25f,
                                     .environment = EnvironmentKind::Picture,
                                     .picture_path = "/pictures/sky.hdr",
                                     .picture_rotation = 90.0f};
        QCOMPARE(rig.Core().Lighting(), expected);
        QCOMPARE(rig.Core().UndoText(), std::string("Undo Lighting"));
        // Confirmed again unchanged: no further step; one Undo brings the old values back.
        ClickOk(*rig.Sheet());
        QVERIFY(rig.Core().Undo().ok());
        QCOMPARE(rig.Core().Lighting(), before);
        QCOMPARE(rig.Core().UndoText(), undo_before);
        // Back to no environment: the picture goes with it, and a default scene is default.
        QVERIFY(rig.Core().Redo().ok());
        auto cleared = rig.Sheet();
        Named<QRadioButton>(*cleared, "None")->click();
        ClickOk(*cleared);
        QCOMPARE(rig.Core().Lighting().picture_path, std::string());
        QCOMPARE(rig.Core().Lighting().picture_rotation, 0.0f);
    }

    void AValueOutOfRangeIsRefusedWithItsRange() {
        Rig rig;
        struct Case {
            const char* first_click;  // a control that makes the field usable, or ""
            const char* field;
            const char* typed;
            const char* page;
            const char* message;
        };
        const Case cases[] = {
            {"", "Soft-shadow samples", "0", "Lighting",
             "Soft-shadow samples takes a number from 1 to 256; '0' is not one."},
            {"", "Soft-shadow samples", "10000", "Lighting", "'10000' is not one"},
            {"Ambient occlusion", "Occlusion samples", "-3", "Lighting", "from 1 to 1024"},
            {"Ambient occlusion", "Occlusion distance", "0", "Lighting", "Occlusion distance"},
            {"Custom", "Width", "10", "Size",
             "Width takes a number from 11 to 16384; '10' is not one."},
            {"Custom", "Height", "20000", "Size", "Height takes a number from 11 to 16384"},
            {"Picture", "Rotation", "400", "Environment", "Rotation takes a number from -360"},
        };
        for (const Case& c : cases) {
            auto sheet = rig.Sheet();
            const QString first = c.first_click;
            if (first == "Custom")
                ChooseSize(*sheet, first);
            else if (!first.isEmpty())
                Named<QAbstractButton>(*sheet, first)->click();
            Type(*sheet, c.field, c.typed);
            const std::size_t shown = rig.messages.Shown().size();
            ClickOk(*sheet);
            QVERIFY2(sheet->isVisible(), c.field);
            QCOMPARE(rig.messages.Shown().size(), shown + 1);
            QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgFieldOutOfRange));
            QVERIFY2(rig.messages.Shown().back().text.find(c.message) != std::string::npos,
                     rig.messages.Shown().back().text.c_str());
            QCOMPARE(sheet->Pages()->tabText(sheet->Pages()->currentIndex()), QString(c.page));
            QCOMPARE(rig.Core().Lighting(), SceneLighting{});
        }
    }

    void APictureEnvironmentThatCannotBeReadStopsTheRender() {
        Rig rig;
        SceneLighting lighting;
        lighting.environment = EnvironmentKind::Picture;
        lighting.picture_path = "/nonexistent/sky.hdr";
        QVERIFY(rig.Core().SetLighting(lighting).ok());
        const int windows = rig.frame->DocumentArea()->subWindowList().size();
        WhenShown<CRenderProps>([](CRenderProps& sheet) { ClickOk(sheet); });
        rig.frame->Action(command_ids::kRender)->trigger();
        QTRY_VERIFY(!rig.messages.Shown().empty());
        QCOMPARE(rig.messages.Shown().back().number, static_cast<int>(kMsgEnvironmentMissing));
        QVERIFY(rig.messages.Shown().back().text.find("sky.hdr") != std::string::npos);
        QCOMPARE(rig.frame->DocumentArea()->subWindowList().size(), windows);
        QCOMPARE(RunningRenders::Count(), 0);
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<RenderPagesTest>(argc, argv);
}

#include "render_pages_test.moc"
