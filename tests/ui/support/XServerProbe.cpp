#include "support/XServerProbe.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QWidget>

namespace brevane::test {

namespace {

std::optional<QString> RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return std::nullopt;
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

std::optional<QString> Field(const QString& text, const char* pattern) {
    const QRegularExpressionMatch match = QRegularExpression(QLatin1String(pattern)).match(text);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1);
}

std::optional<QString> WindowInfo(const QString& id) {
    return RunTool(QStringLiteral("xwininfo"),
                   {QStringLiteral("-stats"), QStringLiteral("-tree"), QStringLiteral("-id"), id});
}

}  // namespace

std::optional<ServerWindowState> ServerStateOf(const QWidget& window) {
    if (!window.internalWinId()) return std::nullopt;
    const std::optional<QString> info = WindowInfo(QString::number(window.internalWinId()));
    if (!info) return std::nullopt;
    const auto x = Field(*info, R"(Absolute upper-left X:\s*(-?\d+))");
    const auto y = Field(*info, R"(Absolute upper-left Y:\s*(-?\d+))");
    const auto state = Field(*info, R"(Map State:\s*(\w+))");
    const auto root = Field(*info, R"(Root window id:\s*(0x[0-9a-f]+))");
    const auto parent = Field(*info, R"(Parent window id:\s*(0x[0-9a-f]+))");
    if (!x || !y || !state || !root || !parent) return std::nullopt;
    return ServerWindowState{QPoint(x->toInt(), y->toInt()), *state == QLatin1String("IsViewable"),
                             *parent != *root};
}

std::optional<QPoint> ServerClientTopLeft(const QWidget& window) {
    const std::optional<ServerWindowState> state = ServerStateOf(window);
    if (!state) return std::nullopt;
    return state->clientTopLeft;
}

std::optional<QRect> ServerFrameOf(const QWidget& window) {
    if (!window.internalWinId()) return std::nullopt;
    QString id = QString::number(window.internalWinId());
    for (int depth = 0; depth < 8; ++depth) {
        const std::optional<QString> info = WindowInfo(id);
        if (!info) return std::nullopt;
        const auto root = Field(*info, R"(Root window id:\s*(0x[0-9a-f]+))");
        const auto parent = Field(*info, R"(Parent window id:\s*(0x[0-9a-f]+))");
        if (!root || !parent) return std::nullopt;
        if (*parent == *root) {
            if (depth == 0) return std::nullopt;
            const auto x = Field(*info, R"(Absolute upper-left X:\s*(-?\d+))");
            const auto y = Field(*info, R"(Absolute upper-left Y:\s*(-?\d+))");
            const auto width = Field(*info, R"(Width:\s*(\d+))");
            const auto height = Field(*info, R"(Height:\s*(\d+))");
            if (!x || !y || !width || !height) return std::nullopt;
            return QRect(x->toInt(), y->toInt(), width->toInt(), height->toInt());
        }
        id = *parent;
    }
    return std::nullopt;
}

bool WaitUntilFramed(const QWidget& window, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    QPoint previous;
    bool seenFramed = false;
    while (clock.elapsed() < timeoutMs) {
        const std::optional<ServerWindowState> state = ServerStateOf(window);
        if (state && state->viewable && state->framed && window.isVisible()) {
            if (seenFramed && previous == state->clientTopLeft) return true;
            previous = state->clientTopLeft;
            seenFramed = true;
        } else {
            seenFramed = false;
        }
        QTest::qWait(20);
    }
    return false;
}

bool Xdotool(const QStringList& arguments) {
    return RunTool(QStringLiteral("xdotool"), arguments).has_value();
}

bool ClickThroughServer(const QWidget& widget, QPoint at) {
    // From the server's idea of the window's place, which the toolkit's may lag behind.
    const QWidget* window = widget.window();
    const std::optional<QPoint> origin = ServerClientTopLeft(*window);
    if (!origin) return false;
    const QPoint global = *origin + widget.mapTo(window, at);
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"),
                    QString::number(global.x()), QString::number(global.y()),
                    QStringLiteral("click"), QStringLiteral("1")});
}

bool TypeThroughServer(const QString& keys) {
    return Xdotool({QStringLiteral("key"), keys});
}

}  // namespace brevane::test
