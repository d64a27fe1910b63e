// The editors as a user drives them: the material sheet with its colour chooser, picture
// imports and live preview; the light dialog; the text tool's dialog; importing 3DS objects;
// and what the modelling views show after OK.
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>
#include <array>

#include "../files/three_ds_writer.h"
#include "app/editor_hooks.h"
#include "app/light_dialog.h"
#include "app/main_frame.h"
#include "app/materials_sheet.h"
#include "app/qt_platform.h"
#include "app/talvor_doc.h"
#include "app/text_dialog.h"
#include "app_test_main.h"
#include "files/file_io.h"
#include "files/image_files.h"
#include "main_window_rig.h"
#include "model/message_table.h"
#include "platform/headless.h"
#include "platform/program_settings.h"
#include "views/talvor_view.h"

using namespace kelto;
using namespace kelto::command_ids;

namespace {

struct Services {
    HeadlessMessages messages;
    HeadlessFileChooser files;
    HeadlessColourChooser colours;
    MemorySettings settings;
    QtWindowThread window_thread;
    EditorServices Editors() { return {messages, files, colours, settings, window_thread}; }
};

// A picture file of one colour in the format its extension names.
std::string WritePicture(const QTemporaryDir& dir, const QString& name, int width, int height,
                         std::array<std::uint8_t, 3> colour) {
    RenderImage image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, colour[0], colour[1], colour[2]);
    const std::string path = dir.filePath(name).toStdString();
    if (!WriteImage(image, path, LowerCase(ExtensionOf(path))).ok())
        qWarning("could not write the test picture");
    return path;
}

std::string WriteBytes(const QTemporaryDir& dir, const QString& name,
                       const std::vector<std::uint8_t>& bytes) {
    const std::string path = dir.filePath(name).toStdString();
    ReplaceFileContents(path, bytes);
    return path;
}

// A valid JPEG whose frame header claims a picture of width x height pixels.
std::vector<std::uint8_t> JpegClaiming(std::uint16_t width, std::uint16_t height) {
    RenderImage small(8, 8);
    std::vector<std::uint8_t> bytes;
    EncodeJpeg(small, 90, bytes);
    for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // start of frame: length, precision,
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);  // height, width
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            break;
        }
    }
    return bytes;
}

QColor PreviewCentre(const CMaterialsSheet& sheet) {
    const QImage picture = sheet.PreviewLabel()->pixmap().toImage();
    return picture.isNull() ? QColor()
                            : QColor(picture.pixel(picture.width() / 2, picture.height() / 2));
}

// Whether the colour is mostly one channel (0 red, 1 green, 2 blue).
bool Mostly(const QColor& c, int channel) {
    const int v[3] = {c.red(), c.green(), c.blue()};
    return v[channel] > 120 && v[channel] > 2 * v[(channel + 1) % 3] &&
           v[channel] > 2 * v[(channel + 2) % 3];
}
constexpr int kRed = 0, kGreen = 1, kBlue = 2;

int CountPixels(const QImage& image, int channel) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += Mostly(QColor(image.pixel(x, y)), channel) ? 1 : 0;
    return count;
}

}  // namespace

class EditorsTest : public QObject {
    Q_OBJECT

  private slots:
    void CancelLeavesTheNodeAndOkIsOneStep() {
        Services services;
        DocumentCore core;
        const NodeId sphere = core.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        const std::size_t steps = core.UndoCount();
        for (bool ok : {false, true}) {
            WhenShown<CMaterialsSheet>([ok](CMaterialsSheet& sheet) {
                sheet.ShinePage().Shininess()->Slider()->setValue(250);
                sheet.TransparencyPage().Transparency()->Slider()->setValue(700);
                (ok ? sheet.OkButton() : sheet.CancelButton())->click();
            });
            QCOMPARE(EditMaterial(core, sphere, services.Editors(), nullptr), ok);
            QCOMPARE(core.Node(sphere)->material.shininess, ok ? 0.25f : 0.6f);
            QCOMPARE(core.Node(sphere)->material.transparency, ok ? 0.7f : 0.0f);
            QCOMPARE(core.UndoCount(), steps + (ok ? 1 : 0));
        }
        QCOMPARE(core.UndoText(), std::string("Undo Material Sphere1"));
    }

    void PicturesAndColoursSwitchTheColourSourceAndTheBumpMode() {
        QTemporaryDir dir;
        Services services;
        Material material;
        material.brightness = 0.5f;
        CMaterialsSheet sheet("Sphere1", material, services.Editors());
        // Image...: the picture becomes the colour, and the page shows it.
        services.files.QueueChoice(WritePicture(dir, "green.png", 40, 20, {0, 200, 0}));
        sheet.ColorPage().ImageButton()->click();
        QCOMPARE(sheet.WorkingCopy().colour_source, 1);
        const QImage shown = sheet.ColorPage().Swatch()->Picture();
        QCOMPARE(shown.width(), 2 * shown.height());  // the picture's proportions
        QVERIFY(Mostly(QColor(shown.pixel(3, 3)), kGreen));
        // Use Color Map paints the colour image as the bump source; a bump picture is mode 2.
        sheet.BumpPage().UseColorMapButton()->click();
        QCOMPARE(sheet.WorkingCopy().bump_mode, BumpMode::UseColourMap);
        QVERIFY(!sheet.BumpPage().Swatch()->Picture().isNull());
        services.files.QueueChoice(WritePicture(dir, "grey.jpg", 16, 16, {128, 128, 128}));
        sheet.BumpPage().ImageButton()->click();
        QCOMPARE(sheet.WorkingCopy().bump_mode, BumpMode::Image);
        // Color...: starts at colour x brightness (truncated bytes), and switches back to a
        // plain colour at full brightness.
        services.colours.QueueChoice(PackRgb(255, 0, 0));
        sheet.ColorPage().ColorButton()->click();
        QCOMPARE(services.colours.Requests().back().initial, PackRgb(38, 38, 114));
        QCOMPARE(sheet.WorkingCopy().colour_source, 0);
        QCOMPARE(sheet.WorkingCopy().brightness, 1.0f);
        QCOMPARE(sheet.ColorPage().Swatch()->Colour(), QColor(255, 0, 0));
    }

    void DamagedPicturesShowTheReadersMessageAndChangeNothing() {
        QTemporaryDir dir;
        Services services;
        Material material;
        material.colour_source = 1;
        material.colour_image = SharedImage(TextureImage::Blank(8, 8, 3));
        material.bump_mode = BumpMode::Image;
        material.bump_image = SharedImage(TextureImage::Blank(4, 4, 1));
        CMaterialsSheet sheet("Sphere1", material, services.Editors());
        // The reader's refusals are its own tests; a huge JPEG is refused by its limit before
        // anything is allocated.
        const std::vector<std::pair<std::string, std::string>> files{
            {WriteBytes(dir, "damaged.jpg", {0x12, 0x34, 0x56, 0x78, 0x9A}), "JPEG"},
            {WriteBytes(dir, "huge.jpg", JpegClaiming(60000, 60000)), "too large"},
            {dir.filePath("missing.png").toStdString(), "Error: unable to open image file: '"},
        };
        for (const auto& [path, expected] : files) {
            for (QPushButton* button :
                 {sheet.ColorPage().ImageButton(), sheet.BumpPage().ImageButton()}) {
                const std::size_t shown = services.messages.Shown().size();
                services.files.QueueChoice(path);
                button->click();
                // The reader's warnings (if any) come first, then its error.
                QVERIFY(services.messages.Shown().size() > shown);
                const RecordedMessage& message = services.messages.Shown().back();
                QCOMPARE(message.icon, MessageIcon::Error);
                QVERIFY2(message.text.find(expected) != std::string::npos, message.text.c_str());
                QVERIFY(sheet.WorkingCopy().colour_image.SharesWith(material.colour_image));
                QVERIFY(sheet.WorkingCopy().bump_image.SharesWith(material.bump_image));
            }
        }
        // Cancelling the file dialog says nothing.
        const std::size_t shown = services.messages.Shown().size();
        services.files.QueueCancel();
        sheet.ColorPage().ImageButton()->click();
        QCOMPARE(services.messages.Shown().size(), shown);
    }

    void PreviewShowsTheWorkingMaterialAndFollowsItsChanges() {
        Services services;
        Material material;
        material.colour = {0.1f, 0.2f, 1.0f};
        CMaterialsSheet sheet("Sphere1", material, services.Editors());
        QTRY_VERIFY(sheet.PreviewsShown() >= 1);
        QVERIFY2(Mostly(PreviewCentre(sheet), kBlue), qPrintable(PreviewCentre(sheet).name()));
        // Several changes at once: the preview ends showing the last of them.
        services.colours.QueueChoice(PackRgb(0, 255, 0));
        sheet.ColorPage().ColorButton()->click();
        services.colours.QueueChoice(PackRgb(255, 0, 0));
        sheet.ColorPage().ColorButton()->click();
        QTRY_VERIFY2(Mostly(PreviewCentre(sheet), kRed), qPrintable(PreviewCentre(sheet).name()));
        // A clear glass sphere shows what is behind it instead.
        sheet.TransparencyPage().Transparency()->Slider()->setValue(1000);
        QTRY_VERIFY2(!Mostly(PreviewCentre(sheet), kRed), qPrintable(PreviewCentre(sheet).name()));
    }

    void LightDialogSelectsTheFalloffAndChangesTheLightOnlyOnOk() {
        Services services;
        DocumentCore core;
        const LightId id = core.GetScene().Lights()[0].id;
        Light light = *core.FindLight(id);
        light.falloff = {0.0f, 1.0f, 1.0f};  // the first coefficient of exactly 1 selects
        light.position = {4.123456789, -2.0, 6.5};
        light.diffuse = {0.5f, 0.25f, 1.0f, 1.0f};
        QVERIFY(core.SetLight(id, light).ok());
        const std::size_t steps = core.UndoCount();
        for (bool ok : {false, true}) {
            WhenShown<CLightDlg>([&services, ok](CLightDlg& dialog) {
                QVERIFY(dialog.FalloffButton(LightDialogFields::kFalloffLinear)->isChecked());
                dialog.FalloffButton(LightDialogFields::kFalloffQuadratic)->click();
                dialog.TypeButton(LightDialogFields::kSpot)->click();
                dialog.Intensity()->setValue(0.75);
                services.colours.QueueChoice(PackRgb(255, 128, 0));
                dialog.ColorButton()->click();
                QCOMPARE(services.colours.Requests().back().initial, PackRgb(127, 63, 255));
                if (ok)
                    dialog.OkButton()->click();
            });
            QCOMPARE(EditLight(core, id, services.Editors(), nullptr), ok);
            QCOMPARE(core.UndoCount(), steps + (ok ? 1 : 0));
        }
        const Light& result = *core.FindLight(id);
        QCOMPARE(result.falloff, (std::array<float, 3>{0.0f, 0.0f, 1.0f}));
        QCOMPARE(result.kind, LightKind::Spot);
        QCOMPARE(result.intensity, 0.75f);
        QCOMPARE(result.position.x, 4.123456789);  // untouched boxes keep every digit
        QCOMPARE(result.diffuse.g, 128 * 0.003921569f);
        QCOMPARE(result.highlight, result.diffuse);  // the highlight follows the colour
    }

    void TextDialogReturnsWhatItShowsAndRemembersIt() {
        MemorySettings settings;
        QVERIFY(!OfferedTextFamilies().empty());
        // Another family and its boldest style come back as the choice, and again next time.
        QString chosen_family;
        {
            CTextToolDlg dialog(settings);
            QTest::keyClicks(dialog.TextField(), QString(45, 'W'));
            QCOMPARE(dialog.TextField()->text().size(), 40);
            const int row = dialog.Families()->count() > 1 ? 1 : 0;
            dialog.Families()->setCurrentRow(row);
            chosen_family = dialog.Families()->item(row)->text();
            dialog.Styles()->setCurrentRow(dialog.Styles()->count() - 1);
            QCOMPARE(dialog.Choice().font.weight,
                     TrueTypeStyles(chosen_family.toStdString()).back().weight);
            dialog.OkButton()->click();
        }
        QCOMPARE(CTextToolDlg(settings).Families()->currentItem()->text(), chosen_family);
        // Only spaces: nothing to place.
        WhenShown<CTextToolDlg>([](CTextToolDlg& dialog) {
            dialog.TextField()->setText("   ");
            dialog.OkButton()->click();
        });
        QVERIFY(!PromptForText(settings, nullptr));
    }

    void ImportImageDialogShowsAPreviewOfTheFileUnderTheCursor() {
        QTemporaryDir dir;
        const std::string wide = WritePicture(dir, "wide.png", 300, 100, {250, 10, 10});
        // The real dialog: the preview follows the file under the cursor.
        QtFileChooser chooser;
        bool previewed = false;
        WhenShown<QFileDialog>([&](QFileDialog& dialog) {
            auto* preview = dialog.findChild<QLabel*>("image_preview");
            auto* list = dialog.findChild<QListView*>("listView");
            QVERIFY(preview != nullptr && list != nullptr);
            // The cursor moves onto the file as a click on it would move it.
            QModelIndex file;
            QTRY_VERIFY([&] {
                const QModelIndex root = list->rootIndex();
                for (int row = 0; row < list->model()->rowCount(root); ++row) {
                    const QModelIndex index = list->model()->index(row, 0, root);
                    if (index.data().toString() == "wide.png")
                        file = index;
                }
                return file.isValid();
            }());
            list->setCurrentIndex(file);
            QTRY_VERIFY(!preview->pixmap().isNull());
            QCOMPARE(preview->pixmap().size(), QSize(160, 53));
            QVERIFY(Mostly(QColor(preview->pixmap().toImage().pixel(80, 26)), kRed));
            previewed = true;
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        FileDialogRequest request = ImportImageRequest();
        request.initial_name = dir.path().toStdString();
        const std::optional<FileChoice> choice = chooser.ChooseFileToOpen(request);
        QVERIFY(previewed);
        QVERIFY(choice);
        QCOMPARE(choice->path, wide);
    }

    void ImportObjectShowsTheReadersMessagesAndChangesNothing() {
        QTemporaryDir dir;
        test::MainWindowRig rig;
        rig.frame->NewDocument();
        using testing_3ds::Make3ds;
        using testing_3ds::Tetrahedron;
        std::vector<std::uint8_t> good = Make3ds({Tetrahedron("Box"), Tetrahedron("Lid")}, 1.0f);
        // The reader's refusals are its own tests; here one reaches the message box.
        std::vector<std::uint8_t> cut(good.begin(), good.end() - 5);
        const std::size_t nodes = rig.Core().GetScene().NodeCount();
        rig.files.QueueChoice(WriteBytes(dir, "cut.3ds", cut));
        rig.Act(kImportObject)->trigger();
        QCOMPARE(rig.messages.Shown().back().text, std::string("File cut.3ds is corrupt."));
        QVERIFY(!rig.Core().IsModified());
        rig.files.QueueChoice(WriteBytes(dir, "good.3ds", good));
        rig.Act(kImportObject)->trigger();
        QVERIFY(rig.Core().GetScene().NodeCount() >= nodes + 2);
    }

    void ViewsShowTheNewMaterialAfterOk() {
        test::MainWindowRig rig(800, 600);
        rig.AddEditors();
        QVERIFY(QTest::qWaitForWindowExposed(rig.frame.get()));
        CMainFrame& frame = *rig.frame;
        frame.NewDocument();
        DocumentCore& core = rig.Core();
        core.InsertObject(ObjectType::Sphere, {0, 0, 0}, false);
        CTalvorView* view = frame.ActiveModellingView();
        QVERIFY(view != nullptr);
        QTRY_VERIFY(view->SizeValid());
        const QImage before = view->grabFramebuffer();
        const int blue_before = CountPixels(before, kBlue);
        QVERIFY2(blue_before > 200, qPrintable(QString::number(blue_before)));
        // A red colour: the blue sphere turns red.
        WhenShown<CMaterialsSheet>([&rig](CMaterialsSheet& sheet) {
            rig.colours.QueueChoice(PackRgb(230, 20, 20));
            sheet.ColorPage().ColorButton()->click();
            sheet.OkButton()->click();
        });
        frame.Action(kMaterialProperties)->trigger();
        const QImage after = view->grabFramebuffer();
        QVERIFY(CountPixels(after, kBlue) < blue_before / 10);
        QVERIFY(CountPixels(after, kRed) > CountPixels(before, kRed) + blue_before / 2);
        // A picture as the colour: the views paint its texture.
        QTemporaryDir dir;
        rig.files.QueueChoice(WritePicture(dir, "green.jpg", 64, 64, {20, 220, 20}));
        WhenShown<CMaterialsSheet>([](CMaterialsSheet& sheet) {
            sheet.ColorPage().ImageButton()->click();
            sheet.OkButton()->click();
        });
        frame.Action(kMaterialProperties)->trigger();
        const QImage textured = view->grabFramebuffer();
        QVERIFY(CountPixels(textured, kGreen) > blue_before / 2);
        QVERIFY(CountPixels(textured, kRed) < CountPixels(after, kRed) / 10);
        // The light dialog reaches the same views: a dimmed light darkens the sphere.
        core.SelectLight(core.GetScene().Lights()[0].id);
        WhenShown<CLightDlg>([](CLightDlg& dialog) {
            dialog.Intensity()->setValue(0.0);
            dialog.OkButton()->click();
        });
        frame.Action(kLightProperties)->trigger();
        QVERIFY(CountPixels(view->grabFramebuffer(), kGreen) < CountPixels(textured, kGreen) / 2);
    }
};

int main(int argc, char** argv) {
    return kelto::RunAppTests<EditorsTest>(argc, argv);
}

#include "editors_test.moc"
