#pragma once

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <optional>

class QWidget;

// Skips the calling test unless it runs on an X server (as scripts/with-icewm.sh arranges).
#define BREVANE_REQUIRE_X_SERVER()                                                                \
    do {                                                                                          \
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {                            \
            QSKIP("needs an X server with a window manager (run through scripts/with-icewm.sh)"); \
        }                                                                                         \
    } while (false)

namespace brevane::test {

// What the X server itself says about a window, read with xwininfo, apart from both the toolkit
// and the program's own code.
struct ServerWindowState {
    QPoint clientTopLeft;  // the client area's top-left corner on the screen
    bool viewable = false;
    bool framed = false;  // the window manager has reparented it into a frame
};

std::optional<ServerWindowState> ServerStateOf(const QWidget& window);

// Where the X server has the window's client area; empty when xwininfo cannot tell.
std::optional<QPoint> ServerClientTopLeft(const QWidget& window);

// The outline of the window manager's frame around `window` on the screen: the ancestor of the
// window just below the root. Empty when xwininfo cannot tell or the window has no frame.
std::optional<QRect> ServerFrameOf(const QWidget& window);

// Polls, processing events, until the window manager has framed and mapped `window` and its
// position has held still over two polls. False when that does not happen within `timeoutMs`.
bool WaitUntilFramed(const QWidget& window, int timeoutMs = 5000);

// Runs xdotool with `arguments`; true when it exits 0.
bool Xdotool(const QStringList& arguments);

// Clicks the left mouse button at a point of `widget` (in its coordinates) through the X server,
// as a user's click would arrive.
bool ClickThroughServer(const QWidget& widget, QPoint at);

// Types a key, in xdotool's naming ("Tab", "shift+Tab"), into the window that has the focus.
bool TypeThroughServer(const QString& keys);

}  // namespace brevane::test
