// The render request: the camera it chooses, its snapshot of the document (which may change,
// go away or be reloaded while the render runs), the drained picture and its painting rows,
// and saving by extension.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "document/document_core.h"
#include "document/render_request.h"
#include "tests/document/render_test_support.h"
#include "tests/raytracer/tracer_test_scenes.h"
#include "tests/temporary_directory.h"

namespace kelto {
namespace {

using test::SamePicture;

// A request for the camera the settings choose, and the listener that hears it end.
struct Request {
    static RenderCamera CameraFor(const DocumentCore& document, const RenderSettings& settings) {
        RenderCamera camera;
        EXPECT_TRUE(ChooseRenderCamera(document, settings, camera).ok());
        return camera;
    }
    Request(const DocumentCore& document, const RenderSettings& settings)
        : request(document, CameraFor(document, settings), settings, listener) {}
    void RunToEnd() {
        request.Start();
        listener.WaitForDone();
    }
    tracer_test::RecordingListener listener;
    RenderRequest request;
};

RenderSettings SmallProduction() {
    RenderSettings settings;
    settings.width = 40;
    settings.height = 30;
    settings.quality = RenderQuality::Production;
    settings.threads = 2;
    settings.seed = 77;
    return settings;
}

// Renders the document to the end and returns the picture.
RenderImage RenderToEnd(const DocumentCore& document, const RenderSettings& settings) {
    Request r(document, settings);
    r.RunToEnd();
    r.request.Drain();
    return r.request.Image();
}

// Runs under ThreadSanitizer in `make test`: any read of the document by the render's threads
// would race with the edits made here, and the drains between them with the tracing.
TEST(RenderRequest, DocumentIsEditedDeletedAndReloadedDuringARender) {
    auto document = std::make_unique<DocumentCore>();
    test::BuildStillLife(*document);
    const std::vector<std::uint8_t> saved = document->SaveToBytes();
    for (RenderQuality quality : {RenderQuality::Draft, RenderQuality::Production}) {
        RenderSettings settings = SmallProduction();
        settings.quality = quality;
        const RenderImage expected = RenderToEnd(*document, settings);

        Request r(*document, settings);
        RenderRequest& request = r.request;
        request.Start();
        int rounds = 0;
        do {
            // Edit lights, transforms, materials and pictures; add, delete and reload.
            const LightId light = document->GetScene().Lights().front().id;
            document->DragMoveLight(light, {0.5, 0, 0});
            document->EndDrag();
            Light brighter = *document->FindLight(light);
            brighter.intensity *= 2;
            document->SetLight(light, brighter);
            const NodeId cube = document->NodeNamed("Cube1");
            ASSERT_TRUE(cube);
            document->DragMoveNode(cube, {0, 0.25, 0});
            document->EndDrag();
            Material material = document->Node(cube)->material;
            material.colour = {0.1f, 0.9f, 0.1f};
            material.colour_image.Edit().rgb_rows[0].red[0] = 255;
            document->SetMaterial(cube, material);
            document->SelectNode(document->NodeNamed("Sphere1"), false);
            document->DeleteSelection();
            document->Undo();
            document->InsertObject(ObjectType::Torus, {1, 0, 1}, false);
            document->Clear();
            ASSERT_TRUE(document->OpenFromBytes(saved, "still.kel").ok());
            request.Drain();  // as a window does between its edits
            ++rounds;
        } while (!request.Finished());
        r.listener.WaitForDone();
        request.Drain();
        EXPECT_GE(rounds, 1);
        EXPECT_TRUE(SamePicture(request.Image(), expected));
    }

    // The document may even go away while its render runs.
    const RenderSettings settings = SmallProduction();
    const RenderImage expected = RenderToEnd(*document, settings);
    Request r(*document, settings);
    RenderRequest& request = r.request;
    document.reset();
    r.RunToEnd();
    request.Drain();
    EXPECT_TRUE(SamePicture(request.Image(), expected));
}

TEST(RenderRequest, ChoosesAStoredViewOrTheScenesCamera) {
    DocumentCore document;
    RenderSettings settings;
    RenderCamera camera;
    // No views: the scene's camera; asking for a view is refused.
    ASSERT_TRUE(ChooseRenderCamera(document, settings, camera).ok());
    EXPECT_EQ(camera.eye, document.GetScene().CurrentCamera().eye);
    settings.view = 1;
    Status refused = ChooseRenderCamera(document, settings, camera);
    EXPECT_EQ(refused.number, kMsgNoSuchView);
    EXPECT_EQ(refused.text, "The scene has no view 1.");

    ViewEntry first;
    first.eye = {10, 2, 0};
    first.target = {0, 1, 0};
    first.lens = 35;
    ViewEntry second = first;
    second.eye = {0, 2, -10};
    second.lens = 0;  // none stored: 50 mm
    document.SetViews({first, second});
    settings.view.reset();
    settings.width = 64;
    settings.height = 48;
    settings.quality = RenderQuality::Production;
    ASSERT_TRUE(ChooseRenderCamera(document, settings, camera).ok());
    EXPECT_EQ(camera.eye, first.eye);
    EXPECT_EQ(camera.quality, RenderQuality::Production);
    const RenderCamera thirty_five = camera;
    settings.view = 2;
    ASSERT_TRUE(ChooseRenderCamera(document, settings, camera).ok());
    EXPECT_EQ(camera.eye, second.eye);
    EXPECT_EQ(camera.width, 64);
    // A longer lens sees less: its rays spread less.
    EXPECT_LT(std::abs(camera.horizontal_ray_scale), std::abs(thirty_five.horizontal_ray_scale));
    settings.view = 3;
    EXPECT_EQ(ChooseRenderCamera(document, settings, camera).text, "The scene has no view 3.");
}

TEST(RenderRequest, DrainsIntoThePictureAndThePaintingRowsAndSaves) {
    DocumentCore document;
    test::BuildStillLife(document);
    RenderSettings settings;
    settings.width = 7;  // 21 bytes a row: rows are padded to 24
    settings.height = 5;
    settings.threads = 1;
    Request r(document, settings);
    RenderRequest& request = r.request;
    EXPECT_EQ(request.RowStride(), 24u);
    r.RunToEnd();
    EXPECT_EQ(request.PixelsDone(), 35u);
    EXPECT_EQ(request.PixelsTotal(), 35u);
    const DrainedRows rows = request.Drain();
    EXPECT_EQ(std::tuple(rows.pixels, rows.first_row, rows.last_row), std::tuple(35u, 0, 4));
    EXPECT_TRUE(request.Drain().Empty());
    EXPECT_TRUE(test::AnyLit(request.Image()));  // its rows are the region test's check

    const test::TemporaryDirectory folder;
    EXPECT_TRUE(request.Save(folder.File("picture.BMP")).ok());
    EXPECT_TRUE(std::filesystem::exists(folder.File("picture.BMP")));
    EXPECT_EQ(request.Save(folder.File("picture.gif")).number, kMsgImageTypeUnknown);
}

TEST(RenderRequest, ARegionIsTheWholePicturesPixelsOnlyAndTheViewIsNamed) {
    DocumentCore document;
    test::BuildStillLife(document);
    RenderSettings settings = SmallProduction();
    const RenderImage whole = RenderToEnd(document, settings);
    settings.region = PixelRect{7, 3, 29, 30};
    settings.threads = 3;
    Request r(document, settings);
    RenderRequest& request = r.request;
    EXPECT_EQ(request.Region(), *settings.region);
    EXPECT_EQ(request.PixelsTotal(), 22u * 27u);
    r.RunToEnd();
    const DrainedRows rows = request.Drain();
    EXPECT_EQ(std::tuple(rows.pixels, rows.first_row, rows.last_row), std::tuple(22u * 27u, 0, 26));
    const RenderImage& part = request.Image();
    ASSERT_EQ(part.Width(), 22);
    ASSERT_EQ(part.Height(), 27);
    for (int y = 0; y < 27; ++y) {
        for (int x = 0; x < 22; ++x)
            ASSERT_EQ(part.Pixel(x, y), whole.Pixel(x + 7, y + 3)) << x << "," << y;
        std::uint8_t interleaved[22 * 3];
        part.InterleaveRow(y, interleaved);
        ASSERT_EQ(std::vector<std::uint8_t>(request.RgbRow(y), request.RgbRow(y) + 66),
                  std::vector<std::uint8_t>(interleaved, interleaved + 66));
    }
    // The view a render looks through, by number: 0 is the scene's own camera.
    EXPECT_EQ(ViewNumberOf(document, settings), 0);
    document.SetViews({ViewEntry{}});
    EXPECT_EQ(ViewNumberOf(document, settings), 1);
    settings.view = 1;
    EXPECT_EQ(ViewNumberOf(document, settings), 1);
}

}  // namespace
}  // namespace kelto
