// Long work of the window: off the GUI thread, the progress dialog after its delay, "Cancel",
// and what each cancelled operation leaves behind.
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>

#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"

using namespace brevane;
using namespace brevane::test;
using namespace std::chrono_literals;

namespace {

// Work that runs until it is cancelled, counting its steps.
void UntilCancelled(WorkProgress& progress) {
    for (;;) {
        std::this_thread::sleep_for(1ms);
        ReportProgress(&progress, 1);
    }
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace

class BackgroundWorkTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        KeyTheGenerator(5);
        SetProgressDialogDelay(500ms);
    }
    void cleanup() {
        SetWorkStartedHook({});
        SetProgressDialogDelay(500ms);
    }

    void shortWorkShowsNothingAndReturnsItsResult() {
        QWidget parent;
        WorkProgress progress(10);
        bool sawDialog = false;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] { sawDialog |= OpenProgressDialog() != nullptr; });
        look.start(1);
        const int value = RunInBackgroundFor(&parent, QStringLiteral("Short"), progress, [&] {
            std::this_thread::sleep_for(20ms);
            return 42;
        });
        QCOMPARE(value, 42);
        QVERIFY(!sawDialog);
        QVERIFY(OpenProgressDialog() == nullptr);
    }

    void longWorkShowsTheDialogAndCancelStopsIt() {
        SetProgressDialogDelay(30ms);
        QWidget parent;
        WorkProgress progress(1000);
        QString label, button;
        QTimer look;
        connect(&look, &QTimer::timeout, [&] {
            QProgressDialog* dialog = OpenProgressDialog();
            if (!dialog) return;
            look.stop();
            label = dialog->labelText();
            button = dialog->findChild<QPushButton*>()->text();
            QVERIFY(dialog->isModal());
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        });
        look.start(5);
        QVERIFY_THROWS_EXCEPTION(WorkCancelled,
                                 RunInBackground(&parent, QStringLiteral("Counting"), progress,
                                                 [&] { UntilCancelled(progress); }));
        QCOMPARE(label, QStringLiteral("Counting"));
        QCOMPARE(button, QStringLiteral("Cancel"));
        QVERIFY(progress.CancelRequested());
        QVERIFY(OpenProgressDialog() == nullptr);
    }

    void anErrorOfTheWorkReachesTheCaller() {
        QWidget parent;
        WorkProgress progress;
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 RunInBackground(&parent, QStringLiteral("Failing"), progress,
                                                 [] { throw std::runtime_error("disk"); }));
    }

    void otherWindowsTakeNoInputMeanwhile() {
        QWidget window;
        auto* button = new QPushButton(QStringLiteral("Other"), &window);
        window.show();
        int clicks = 0;
        connect(button, &QPushButton::clicked, [&] { ++clicks; });
        WorkProgress progress;
        std::atomic<bool> clicked{false};
        QTimer::singleShot(5, [&] {
            QTest::mouseClick(button, Qt::LeftButton);
            clicked = true;
        });
        RunInBackground(&window, QStringLiteral("Holding"), progress, [&] {
            while (!clicked) std::this_thread::sleep_for(1ms);
        });
        QCOMPARE(clicks, 0);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
    }

    void cancelledSaveLeavesTheOldFile() {
        QTemporaryDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("20000"));
        h.savePath = dir.filePath(QStringLiteral("hands.txt"));
        {
            QFile old(h.savePath);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents\n");
        }
        SetWorkStartedHook([](WorkProgress& progress) { progress.Cancel(); });
        h.Click("SaveBtn");
        QCOMPARE(ReadAll(h.savePath), QByteArray("old contents\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        QVERIFY(h.messages.empty());

        SetWorkStartedHook({});
        h.Click("SaveBtn");
        QCOMPARE(ReadAll(h.savePath).size(), qsizetype{20000} * 157);
    }

    // Cancelled part-way, "Add to List" keeps the rows made so far; the deck is the last row and
    // the generator has drawn nothing beyond them, so the next rows continue exactly.
    void cancelledAddKeepsTheRowsMadeSoFar() {
        FormHarness h;
        std::vector<std::jthread> cancellers;
        SetWorkStartedHook([&](WorkProgress& progress) {
            cancellers.emplace_back([&progress] {
                while (progress.Done() < 2 * ShuffleList::AppendRunRows) {
                    std::this_thread::yield();
                }
                progress.Cancel();
            });
        });
        h.Deal(QStringLiteral("1000000"));
        cancellers.clear();
        SetWorkStartedHook({});
        const std::size_t kept = h.Form().Shuffles().Count();
        QVERIFY(kept >= 2 * ShuffleList::AppendRunRows);
        QVERIFY(kept < 1000000);
        QCOMPARE(kept % ShuffleList::AppendRunRows, std::size_t{0});
        QCOMPARE(h.Form().Model().rowCount(), static_cast<int>(kept));
        QVERIFY(h.messages.empty());
        h.Deal(QStringLiteral("3"));
        const std::vector<ShuffleRecord> want = ReferenceShuffles(kept + 3, 5);
        for (std::size_t r : {std::size_t{0}, kept - 1, kept, kept + 2}) {
            QCOMPARE(h.Form().Shuffles().Record(r), want[r]);
        }
        QCOMPARE(h.Form().WorkingDeck(), want.back());
    }

    void cancelledStatsAndFindChangeNothing() {
        FormHarness h;
        h.Deal(QStringLiteral("3000"));
        SetWorkStartedHook([](WorkProgress& progress) { progress.Cancel(); });
        for (const char* button : {"CardStatsBtn", "RankStatsBtn", "SuitStatsBtn",
                                   "DeckPosStatsBtn", "PlayerPosStatsBtn"}) {
            h.Click(button);
        }
        QVERIFY(h.reports.empty());
        h.Choose("FindHandBox", 2);
        h.Click("FindNextBtn");
        QVERIFY(h.messages.empty());
        QVERIFY(h.View()->selectionModel()->selection().isEmpty());
        QVERIFY(h.PanelText().isEmpty());

        SetWorkStartedHook({});
        h.Click("CardStatsBtn");
        QCOMPARE(h.reports.size(), std::size_t{1});
    }

    // Cancels at random moments, from another thread, while reports are counted on every core.
    void cancelAtRandomMomentsNeverHangsOrChangesResults() {
        FormHarness h;
        h.Deal(QStringLiteral("300000"));
        h.Click("PlayerPosStatsBtn");
        QCOMPARE(h.reports.size(), std::size_t{1});
        const Report full = h.reports.front();
        std::mt19937 rng(7);
        std::vector<std::jthread> cancellers;
        for (int attempt = 0; attempt < 25; ++attempt) {
            const auto wait = std::chrono::microseconds(rng() % 4000);
            SetWorkStartedHook([&, wait](WorkProgress& progress) {
                cancellers.emplace_back([&progress, wait] {
                    std::this_thread::sleep_for(wait);
                    progress.Cancel();
                });
            });
            h.Click("PlayerPosStatsBtn");
            cancellers.clear();  // joins: the progress outlives its canceller
        }
        for (std::size_t i = 1; i < h.reports.size(); ++i) QCOMPARE(h.reports[i], full);
    }
};

BREVANE_UI_TEST_MAIN(BackgroundWorkTest)
#include "BackgroundWorkTest.moc"
