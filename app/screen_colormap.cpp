#include "app/screen_colormap.h"

#include <QApplication>

#if defined(KELTO_WITH_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <QEvent>
#include <QPlatformSurfaceEvent>
#include <QWindow>
#include <cstdint>
#include <cstdlib>
#include <memory>
#endif

namespace kelto {

#if defined(KELTO_WITH_XCB) && QT_CONFIG(xcb)
namespace {

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

// Qt's X11 layer gives every window a colormap of its own visual, even when that visual is the
// screen's. xwd -root then assembles its picture window by window, and reads a window lying
// wholly inside an earlier one of the same colormap through that earlier window, whose covered
// part the server hands back black: a message box over the material editor came out as a black
// rectangle. On the screen's default colormap such windows are read straight from the screen.
// On a TrueColor root visual (displays of 16-bit colour and more) both colormaps give the same
// colours; windows of other visuals (the OpenGL main window's) keep theirs.
void UseDefaultColormap(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_get_window_attributes_cookie_t attributes_asked =
        xcb_get_window_attributes(connection, window);
    const xcb_get_geometry_cookie_t geometry_asked = xcb_get_geometry(connection, window);
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, attributes_asked, nullptr), &std::free);
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, geometry_asked, nullptr), &std::free);
    if (attributes == nullptr || geometry == nullptr) {
        return;
    }
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
         screen.rem > 0; xcb_screen_next(&screen)) {
        if (screen.data->root != geometry->root) {
            continue;
        }
        if (attributes->visual == screen.data->root_visual &&
            attributes->colormap != screen.data->default_colormap) {
            const std::uint32_t colormap = screen.data->default_colormap;
            xcb_change_window_attributes(connection, window, XCB_CW_COLORMAP, &colormap);
            xcb_flush(connection);
        }
        return;
    }
}

class ScreenColormapFilter final : public QObject {
  public:
    ScreenColormapFilter(xcb_connection_t* connection, QObject* parent)
        : QObject(parent), connection_(connection) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PlatformSurface &&
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() ==
                QPlatformSurfaceEvent::SurfaceCreated) {
            const auto* window = qobject_cast<QWindow*>(watched);
            if (window != nullptr && window->parent() == nullptr &&
                window->type() != Qt::ForeignWindow) {
                UseDefaultColormap(connection_, static_cast<xcb_window_t>(window->winId()));
            }
        }
        return false;
    }

  private:
    xcb_connection_t* connection_;
};

}  // namespace

void UseScreenColormapForTopLevels(QApplication& application) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        return;
    }
    const auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    // Owned by the application, and so removed with it.
    application.installEventFilter(new ScreenColormapFilter(x11->connection(), &application));
}

#else

void UseScreenColormapForTopLevels(QApplication& /*application*/) {}

#endif

}  // namespace kelto
