#include "ui/WindowSystem.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>

#if defined(BREVANE_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

namespace brevane {

std::optional<QPoint> ClientAreaOnScreen(const QWidget& window) {
#if defined(BREVANE_HAVE_XCB) && QT_CONFIG(xcb)
    if (!window.isWindow() || !window.isVisible() || !window.internalWinId()) return std::nullopt;
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection == nullptr) return std::nullopt;

    const auto id = static_cast<xcb_window_t>(window.internalWinId());
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr), &std::free);
    if (!geometry) return std::nullopt;
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> origin(
        xcb_translate_coordinates_reply(
            connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr),
        &std::free);
    if (!origin) return std::nullopt;
    // The server speaks device pixels; the widgets speak device-independent ones.
    const qreal ratio = window.devicePixelRatioF();
    return QPoint(qRound(origin->dst_x / ratio), qRound(origin->dst_y / ratio));
#else
    (void)window;
    return std::nullopt;
#endif
}

}  // namespace brevane
