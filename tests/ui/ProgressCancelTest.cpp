// The progress dialog's "Cancel" button, its title bar's close button and Escape, each sent to
// the dialog's window as the window system sends them, for every background operation; and a
// window that goes on painting when Qt's global thread pool has a single thread.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProgressDialog>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QWindow>
#include <chrono>
#include <thread>

#include "analysis/Export.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/BackgroundWork.h"
#include "ui/BiasMapForm.h"
#include "ui/CardViewModel.h"

using namespace brevane;
using namespace brevane::test;
using namespace std::chrono_literals;

namespace {

enum class Way { Click, Close, Escape };

// How long held work waits for a cancel before it goes on by itself, so that a cancel that never
// arrives fails the test rather than hanging it.
constexpr auto HoldLimit = 20s;

// Holds the work on its thread until it is cancelled, so that the dialog is up when the test
// acts on it.
void HoldUntilCancelled(WorkProgress& progress) {
    const auto limit = std::chrono::steady_clock::now() + HoldLimit;
    while (!progress.CancelRequested() && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(1ms);
    }
}

// Cancels through the dialog's own window: a mouse click on "Cancel", the close that the window
// manager sends for the title bar's button, or the Escape key.
void CancelThroughWindow(QProgressDialog& dialog, Way way) {
    QWindow* window = dialog.windowHandle();
    QVERIFY(window != nullptr);
    switch (way) {
        case Way::Click: {
            auto* button = dialog.findChild<QPushButton*>();
            QVERIFY(button != nullptr);
            QTest::mouseClick(window, Qt::LeftButton, {},
                              button->mapTo(&dialog, button->rect().center()));
            break;
        }
        case Way::Close:
            window->close();
            break;
        case Way::Escape:
            // Keys go to the active window, which a new dialog becomes on a desktop.
            window->requestActivate();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_Escape);
            break;
    }
}

// Cancels the next background operation through its dialog, once that is up.
void CancelWhenShown(Way way) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, way] {
        QProgressDialog* dialog = OpenProgressDialog();
        if (!dialog || !dialog->windowHandle()) return;
        poll->stop();
        poll->deleteLater();
        CancelThroughWindow(*dialog, way);
    });
    poll->start(2);
}

void AddWays() {
    QTest::addColumn<Way>("way");
    QTest::newRow("click") << Way::Click;
    QTest::newRow("close") << Way::Close;
    QTest::newRow("escape") << Way::Escape;
}

TBiasMapForm* BiasMapWindow(const TForm1& form) {
    return form.findChild<TBiasMapForm*>();
}

}  // namespace

Q_DECLARE_METATYPE(Way)

class ProgressCancelTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        KeyTheGenerator(4);
        SetProgressDialogDelay(0ms);
        SetWorkThreadHook(HoldUntilCancelled);
    }
    void cleanup() {
        SetWorkThreadHook({});
        SetProgressDialogDelay(500ms);
        QThreadPool::globalInstance()->setMaxThreadCount(QThread::idealThreadCount());
    }

    void eachWayStopsTheWork_data() { AddWays(); }
    void eachWayStopsTheWork() {
        QFETCH(Way, way);
        QWidget parent;
        WorkProgress progress(100);
        // The work is held until the cancel or the hold's limit; it notes which came first.
        bool cancelledInTime = false;
        CancelWhenShown(way);
        QVERIFY_THROWS_EXCEPTION(
            WorkCancelled, RunInBackground(&parent, QStringLiteral("Holding"), progress,
                                           [&] { cancelledInTime = progress.CancelRequested(); }));
        QVERIFY(cancelledInTime);
        QVERIFY(OpenProgressDialog() == nullptr);
    }

    void addToListKeepsFewerRows_data() { AddWays(); }
    void addToListKeepsFewerRows() {
        QFETCH(Way, way);
        FormHarness h;
        CancelWhenShown(way);
        h.Deal(QStringLiteral("1000000"));
        QVERIFY(h.Form().Shuffles().Count() < 1000000);
        QCOMPARE(h.Form().Model().rowCount(), static_cast<int>(h.Form().Shuffles().Count()));
        QVERIFY(h.messages.empty());
    }

    void saveKeepsTheOldFile_data() { AddWays(); }
    void saveKeepsTheOldFile() {
        QFETCH(Way, way);
        QTemporaryDir dir;
        FormHarness h;
        SetWorkThreadHook({});
        h.Deal(QStringLiteral("50"));
        SetWorkThreadHook(HoldUntilCancelled);
        h.savePath = dir.filePath(QStringLiteral("hands.txt"));
        {
            QFile old(h.savePath);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old\n");
        }
        CancelWhenShown(way);
        h.Click("SaveBtn");
        QFile file(h.savePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("old\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }

    void openFileAppendsNothing_data() { AddWays(); }
    void openFileAppendsNothing() {
        QFETCH(Way, way);
        QTemporaryDir dir;
        ShuffleList rows;
        for (const ShuffleRecord& row : ReferenceShuffles(30, 9)) rows.Append(row);
        const QString path = dir.filePath(QStringLiteral("rows.txt"));
        ExportShuffleList(rows, QFile::encodeName(path).toStdString());
        FormHarness h;
        h.openPath = path;
        CancelWhenShown(way);
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{0});
        QVERIFY(h.messages.empty());
    }

    // Every report, the bias map and "Find Next" show nothing once cancelled.
    void countsShowNothing_data() {
        QTest::addColumn<Way>("way");
        QTest::addColumn<QString>("button");
        for (const char* button :
             {"CardStatsBtn", "RankStatsBtn", "SuitStatsBtn", "DeckPosStatsBtn",
              "PlayerPosStatsBtn", "FairnessBtn", "BiasMapBtn", "FindNextBtn"}) {
            const QString name = QString::fromLatin1(button);
            QTest::newRow(qPrintable(name + QStringLiteral(" click"))) << Way::Click << name;
            QTest::newRow(qPrintable(name + QStringLiteral(" close"))) << Way::Close << name;
        }
    }
    void countsShowNothing() {
        QFETCH(Way, way);
        QFETCH(QString, button);
        FormHarness h;
        SetWorkThreadHook({});
        h.Deal(QStringLiteral("400"));
        SetWorkThreadHook(HoldUntilCancelled);
        CancelWhenShown(way);
        h.Click(qPrintable(button));
        QVERIFY(h.reports.empty());
        QVERIFY(h.messages.empty());
        QVERIFY(h.View()->selectionModel()->selection().isEmpty());
        const TBiasMapForm* map = BiasMapWindow(h.Form());
        QVERIFY(map == nullptr || !map->isVisible());
    }

    // With one thread in Qt's global pool, as on a machine with one core, the window still
    // paints while the work runs, Escape and a click still cancel, and a piece of drawing that
    // the GUI thread hands to that pool and waits for, as Qt's raster engine does, still runs.
    void oneThreadInTheGlobalPoolStillPaints_data() { AddWays(); }
    void oneThreadInTheGlobalPoolStillPaints() {
        QFETCH(Way, way);
        QThreadPool::globalInstance()->setMaxThreadCount(1);
        QWidget parent;
        WorkProgress progress(100);
        QImage painted;
        bool poolRan = false;
        auto* poll = new QTimer(&parent);
        connect(poll, &QTimer::timeout, [&, poll] {
            QProgressDialog* dialog = OpenProgressDialog();
            if (!dialog || !dialog->windowHandle()) return;
            poll->stop();
            QSemaphore drawn;
            QThreadPool::globalInstance()->start([&] {
                poolRan = true;
                drawn.release();
            });
            drawn.acquire();
            dialog->repaint();
            painted = dialog->grab().toImage();
            CancelThroughWindow(*dialog, way);
        });
        poll->start(2);
        bool cancelledInTime = false;
        QVERIFY_THROWS_EXCEPTION(
            WorkCancelled,
            RunInBackground(&parent, QStringLiteral("Painting on one core"), progress,
                            [&] { cancelledInTime = progress.CancelRequested(); }));
        QVERIFY(cancelledInTime);
        QVERIFY(poolRan);
        QVERIFY(!painted.isNull());
        // The label's text and the bar stand out against the dialog's background.
        const QRgb background = painted.pixel(1, 1);
        int differing = 0;
        for (int y = 0; y < painted.height(); ++y) {
            for (int x = 0; x < painted.width(); ++x)
                differing += painted.pixel(x, y) != background;
        }
        QVERIFY(differing > 50);
    }
};

BREVANE_UI_TEST_MAIN(ProgressCancelTest)
#include "ProgressCancelTest.moc"
