// The progress dialog under a real window manager (icewm on a virtual X server, started by
// scripts/with-icewm.sh), with the process held to one core as under `taskset -c 0`, or to two
// when BREVANE_TEST_CPUS=2: the dialog paints while the work runs, and a click on "Cancel", the
// title bar's close button and Escape, all coming through the X server, cancel it.
#include <sched.h>

#include <QLineEdit>
#include <QPixmap>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "support/FormHarness.h"
#include "support/XServerProbe.h"
#include "ui/Application.h"
#include "ui/BackgroundWork.h"

using namespace brevane;
using namespace brevane::test;
using namespace std::chrono_literals;

namespace {

enum class Way { Click, TitleBarClose, Escape };

constexpr int Asked = 2000000;

// The cores the test holds the process to: BREVANE_TEST_CPUS, one when it is unset.
int HeldCpus() {
    const int asked = qEnvironmentVariableIntValue("BREVANE_TEST_CPUS");
    return asked > 0 ? asked : 1;
}

// How long held work waits for a cancel before it goes on by itself, so that a cancel that
// never arrives fails the test rather than hanging it.
constexpr auto HoldLimit = 20s;

void HoldUntilCancelled(WorkProgress& progress) {
    const auto limit = std::chrono::steady_clock::now() + HoldLimit;
    while (!progress.CancelRequested() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(1ms);
    }
}

// Clicks the close button at the right end of the window manager's title bar over `window`.
bool ClickTitleBarClose(const QWidget& window) {
    const std::optional<QRect> frame = ServerFrameOf(window);
    const std::optional<QPoint> client = ServerClientTopLeft(window);
    if (!frame || !client) return false;
    const int border = client->x() - frame->x();
    const int title = client->y() - frame->y();
    if (title <= border) return false;
    const QPoint at(frame->right() - border - (title - border) / 2, frame->y() + title / 2);
    return Xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(at.x()),
                    QString::number(at.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// The pixels of `window` as the X server holds them.
QImage ServerPixels(const QWidget& window) {
    return window.screen()->grabWindow(window.winId()).toImage();
}

// How many pixels differ from the one at the top-left corner.
int PixelsUnlikeTheCorner(const QImage& image) {
    if (image.isNull()) return 0;
    const QRgb corner = image.pixel(0, 0);
    int unlike = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) unlike += image.pixel(x, y) != corner;
    }
    return unlike;
}

}  // namespace

Q_DECLARE_METATYPE(Way)

class ProgressWmTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        BREVANE_REQUIRE_X_SERVER();
        QCOMPARE(QThread::idealThreadCount(), HeldCpus());
    }
    void init() {
        KeyTheGenerator(3);
        SetProgressDialogDelay(0ms);
        SetWorkThreadHook(HoldUntilCancelled);
    }
    void cleanup() {
        SetWorkThreadHook({});
        SetProgressDialogDelay(500ms);
    }

    void addToListPaintsAndCancels_data() {
        QTest::addColumn<Way>("way");
        QTest::newRow("click") << Way::Click;
        QTest::newRow("title bar close") << Way::TitleBarClose;
        QTest::newRow("escape") << Way::Escape;
    }
    void addToListPaintsAndCancels() {
        QFETCH(Way, way);
        FormHarness h;
        h.Form().CenterOnScreen();
        h.Form().show();
        QVERIFY(WaitUntilFramed(h.Form()));
        h.Child<QLineEdit>("HandCount")->setText(QString::number(Asked));

        QImage shown;
        bool acted = false;
        auto* poll = new QTimer(&h.Form());
        connect(poll, &QTimer::timeout, [&, poll] {
            QProgressDialog* dialog = OpenProgressDialog();
            if (!dialog) return;
            poll->stop();
            if (!WaitUntilFramed(*dialog)) return;
            const bool painted = QTest::qWaitFor([&] {
                shown = ServerPixels(*dialog);
                return PixelsUnlikeTheCorner(shown) > 50;
            });
            if (!painted) qWarning("the dialog is still unpainted; cancelling all the same");
            switch (way) {
                case Way::Click: {
                    auto* cancel = dialog->findChild<QPushButton*>();
                    acted = ClickThroughServer(*cancel, cancel->rect().center());
                    break;
                }
                case Way::TitleBarClose:
                    acted = ClickTitleBarClose(*dialog);
                    break;
                case Way::Escape:
                    acted = TypeThroughServer(QStringLiteral("Escape"));
                    break;
            }
        });
        poll->start(5);
        h.Click("DealBtn");

        QVERIFY(acted);
        // Unpainted, the dialog is one flat colour (black on this server).
        QVERIFY2(PixelsUnlikeTheCorner(shown) > 50, "the dialog was not painted");
        QVERIFY(h.Form().Shuffles().Count() < static_cast<std::size_t>(Asked));
        QVERIFY(OpenProgressDialog() == nullptr);
        QVERIFY(h.messages.empty());
    }
};

// Holds the process to the first HeldCpus() of the cores it may use, before the toolkit sizes its
// global thread pool from them. Exits 77, the tests' "skipped", when it may use fewer.
int main(int argc, char** argv) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return 1;
    cpu_set_t held;
    CPU_ZERO(&held);
    int count = 0;
    for (int cpu = 0; cpu < CPU_SETSIZE && count < HeldCpus(); ++cpu) {
        if (!CPU_ISSET(cpu, &allowed)) continue;
        CPU_SET(cpu, &held);
        ++count;
    }
    if (count < HeldCpus()) {
        std::fprintf(stderr, "ProgressWmTest: %d cores asked for, %d usable; skipped\n", HeldCpus(),
                     count);
        return 77;
    }
    if (sched_setaffinity(0, sizeof held, &held) != 0) return 1;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    brevane::Application app(argc, argv);
    ProgressWmTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ProgressWmTest.moc"
