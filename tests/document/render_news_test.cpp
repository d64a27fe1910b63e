// A render window's side of a render without the window: the news handed from the render's
// threads to the window thread, and the name of the saved picture. (A document edited while
// the render runs and is drained is the render request's test.)
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "document/render_news.h"
#include "document/render_request.h"
#include "platform/headless.h"

namespace kelto {
namespace {

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
