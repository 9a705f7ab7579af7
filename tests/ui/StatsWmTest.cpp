// The report window under a real window manager (icewm on a virtual X server, started by
// scripts/with-icewm.sh): where it reopens.
#include <QTimer>
#include <functional>
#include <vector>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "support/XServerProbe.h"
#include "ui/Stats.h"

using namespace brevane;
using namespace brevane::test;

namespace {

constexpr int Reopens = 20;

// A shown main window with rows, whose "Stats" buttons open `stats` modally.
struct ShownForm {
    FormHarness h;
    TStatsForm stats{&h.Form()};

    ShownForm() {
        h.Form().UseReportWindow(&stats);
        h.Deal(QStringLiteral("25"));
        h.Form().CenterOnScreen();
        h.Form().show();
    }

    // Clicks a "Stats" button and, once the window manager has framed the report window, runs
    // `whileOpen` and closes the window. False when the window never came up framed.
    bool OpenReport(const std::function<void()>& whileOpen) {
        bool framed = false;
        // The report is built off the GUI thread first and the window opens after that, so
        // the check waits for it without blocking the loops in between.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &stats, [&] {
            if (!stats.isVisible()) return;
            poll.stop();
            framed = WaitUntilFramed(stats);
            if (framed) whileOpen();
            stats.close();
        });
        poll.start(5);
        QTimer::singleShot(15000, &stats, [this] {
            if (stats.isVisible()) stats.done(QDialog::Rejected);
        });
        h.Click("DeckPosStatsBtn");
        return framed && !stats.isVisible();
    }
};

void ExpectWithinOnePixel(const QPoint& shown, const QPoint& expected, int opening) {
    const QPoint drift = shown - expected;
    QVERIFY2(qAbs(drift.x()) <= 1 && qAbs(drift.y()) <= 1,
             qPrintable(QStringLiteral("opening %1 at (%2, %3), expected (%4, %5)")
                            .arg(opening)
                            .arg(shown.x())
                            .arg(shown.y())
                            .arg(expected.x())
                            .arg(expected.y())));
}

}  // namespace

class StatsWmTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { BREVANE_REQUIRE_X_SERVER(); }

    void init() { KeyTheGenerator(5); }

    void firstOpensCentredOverTheMainWindow() {
        ShownForm f;
        QVERIFY(WaitUntilFramed(f.h.Form()));
        std::optional<QRect> frame;
        QVERIFY(f.OpenReport([&] { frame = ServerFrameOf(f.stats); }));
        const std::optional<QRect> mainFrame = ServerFrameOf(f.h.Form());
        QVERIFY(frame && mainFrame);
        QVERIFY2(qAbs(frame->center().x() - mainFrame->center().x()) <= 1 &&
                     qAbs(frame->center().y() - mainFrame->center().y()) <= 1,
                 qPrintable(QStringLiteral("report frame (%1, %2) %3x%4, main frame (%5, %6) %7x%8")
                                .arg(frame->x())
                                .arg(frame->y())
                                .arg(frame->width())
                                .arg(frame->height())
                                .arg(mainFrame->x())
                                .arg(mainFrame->y())
                                .arg(mainFrame->width())
                                .arg(mainFrame->height())));
    }

    void reopensWhereItWasLeft() {
        ShownForm f;
        QVERIFY(WaitUntilFramed(f.h.Form()));
        std::vector<QPoint> seen;
        for (int i = 0; i < Reopens; ++i) {
            QVERIFY(f.OpenReport([&] {
                const auto at = ServerClientTopLeft(f.stats);
                if (at) seen.push_back(*at);
            }));
        }
        QCOMPARE(static_cast<int>(seen.size()), Reopens);
        for (int i = 1; i < Reopens; ++i) ExpectWithinOnePixel(seen[i], seen[0], i + 1);
        QCOMPARE(f.stats.size(), QSize(362, 413));
    }

    void reopensWhereTheUserMovedIt() {
        ShownForm f;
        QVERIFY(WaitUntilFramed(f.h.Form()));
        std::optional<QPoint> left;
        QVERIFY(f.OpenReport([&] {
            const std::optional<QPoint> before = ServerClientTopLeft(f.stats);
            // A move through the window manager, as when the user drags the title bar.
            Xdotool({QStringLiteral("windowmove"), QString::number(f.stats.winId()),
                     QStringLiteral("140"), QStringLiteral("90")});
            QTRY_VERIFY(ServerClientTopLeft(f.stats) != before);
            QVERIFY(WaitUntilFramed(f.stats));
            left = ServerClientTopLeft(f.stats);
        }));
        QVERIFY(left.has_value());
        for (int i = 0; i < 5; ++i) {
            std::optional<QPoint> shown;
            QVERIFY(f.OpenReport([&] { shown = ServerClientTopLeft(f.stats); }));
            QVERIFY(shown.has_value());
            ExpectWithinOnePixel(*shown, *left, i + 2);
        }
    }
};

BREVANE_UI_TEST_MAIN(StatsWmTest)
#include "StatsWmTest.moc"
