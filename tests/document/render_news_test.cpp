// A render window's side of a render without the window: the news handed from the render's
// threads to the window thread, a document edited while the render runs and the
// window drains it, and the name of the saved picture.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/document_core.h"
#include "document/render_news.h"
#include "document/render_request.h"
#include "platform/headless.h"
#include "tests/document/render_test_support.h"

namespace kelto {
namespace {

using test::RenderedPicture;
using test::SamePicture;

TEST(RenderNews, ReachesTheWindowThreadInOrderAndNotAfterTheWindowIsGone) {
    QueuedWindowThread window_thread;
    std::vector<std::string> heard;
    RenderNews news(
        window_thread, [&] { heard.push_back("flush"); }, [&] { heard.push_back("done"); });
    std::thread render([&] {
        news.FlushRequested();
        news.FlushRequested();
        news.RenderDone();
    });
    render.join();
    EXPECT_TRUE(heard.empty());  // nothing runs on the render's thread
    EXPECT_EQ(window_thread.RunPending(), 3);
    EXPECT_EQ(heard, (std::vector<std::string>{"flush", "flush", "done"}));

    // A window that went away (detached) while its news was on the way hears nothing; the
    // news itself is still run, and does nothing.
    heard.clear();
    auto gone = std::make_unique<RenderNews>(
        window_thread, [&] { heard.push_back("flush"); }, [&] { heard.push_back("done"); });
    gone->FlushRequested();
    gone->RenderDone();
    gone.reset();
    EXPECT_EQ(window_thread.RunPending(), 2);
    EXPECT_TRUE(heard.empty());
}

// A window as the desktop has it, without the toolkit: the render's news arrives through the
// window thread's queue and drains the request there.
struct HeadlessRenderWindow {
    QueuedWindowThread window_thread;
    bool done = false;
    int drains = 0;
    RenderNews news{window_thread,
                    [this] {
                        request->Drain();
                        ++drains;
                    },
                    [this] {
                        request->Drain();
                        done = true;
                    }};
    std::unique_ptr<RenderRequest> request;

    HeadlessRenderWindow(const DocumentCore& document, const RenderCamera& camera,
                         const RenderSettings& settings)
        : request(std::make_unique<RenderRequest>(document, camera, settings, news)) {}
};

// Runs under ThreadSanitizer in `make test`: the window thread edits the document and drains
// the render while the render's threads trace their snapshot.
TEST(RenderNews, AWindowsPictureIsTheSceneAsItWasWhenTheRenderStarted) {
    DocumentCore document;
    test::BuildStillLife(document);
    RenderSettings settings;
    settings.width = 48;
    settings.height = 36;
    settings.threads = 2;
    RenderCamera camera;
    ASSERT_TRUE(ChooseRenderCamera(document, settings, camera).ok());
    const RenderImage expected = RenderedPicture(document, camera, settings);

    HeadlessRenderWindow window(document, camera, settings);
    window.request->Start();
    int rounds = 0;
    while (!window.done) {
        // Move, recolour, delete and add objects and lights; empty the scene.
        const NodeId cube = document.NodeNamed("Cube1");
        ASSERT_TRUE(cube);
        document.DragMoveNode(cube, {0, 0.5, 0});
        document.EndDrag();
        Material red = document.Node(cube)->material;
        red.colour = {1.0f, 0.0f, 0.0f};
        document.SetMaterial(cube, red);
        document.SelectNode(document.NodeNamed("Sphere1"), false);
        document.DeleteSelection();
        document.InsertLight(LightKind::Spot, {0, 9, 0});
        document.Undo();
        document.Undo();
        document.Undo();
        ++rounds;
        window.window_thread.RunPending();
    }
    EXPECT_GE(rounds, 1);
    EXPECT_TRUE(SamePicture(window.request->Image(), expected));
    // What the window paints says the same.
    std::vector<std::uint8_t> row(static_cast<std::size_t>(settings.width) * 3);
    for (int y = 0; y < settings.height; ++y) {
        expected.InterleaveRow(y, row.data());
        ASSERT_TRUE(std::equal(row.begin(), row.end(), window.request->RgbRow(y)));
    }
}

TEST(SavedPicture, ANameWithoutExtensionTakesTheChosenTypes) {
    EXPECT_EQ(PictureNameFor("/tmp/a", 0), "/tmp/a.bmp");
    EXPECT_EQ(PictureNameFor("/tmp/a.", 4), "/tmp/a.png");
    // A name with its own extension keeps it, even one no writer takes.
    EXPECT_EQ(PictureNameFor("/tmp/a.PNG", 3), "/tmp/a.PNG");
    EXPECT_EQ(PictureNameFor("/tmp/a.gif", 1), "/tmp/a.gif");
    // A dot in a folder's name is not an extension.
    EXPECT_EQ(PictureNameFor("/tmp/pictures.d/a", 5), "/tmp/pictures.d/a.tif");
    EXPECT_EQ(PictureNameFor("", 3), "");
}

}  // namespace
}  // namespace kelto
