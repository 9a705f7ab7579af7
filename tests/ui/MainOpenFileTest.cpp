// "Open File..." on the Shuffle tab: its place, its dialog, and what opening a file appends.
#include <pthread.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <csignal>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "analysis/Export.h"
#include "support/CliRunner.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/BackgroundWork.h"
#include "ui/CardViewModel.h"

using namespace brevane;
using namespace brevane::test;

namespace {

std::vector<ShuffleRecord> Rows(const TForm1& form) {
    std::vector<ShuffleRecord> rows;
    for (std::size_t i = 0; i < form.Shuffles().Count(); ++i) {
        rows.push_back(form.Shuffles().Record(i));
    }
    return rows;
}

// Writes the first `count` shuffles of the generator keyed with TestKey(salt) to `path` in the
// export format, makes it the open dialog's answer, and returns the shuffles.
std::vector<ShuffleRecord> OfferShuffles(FormHarness& h, const std::string& path, std::size_t count,
                                         std::uint8_t salt) {
    const std::vector<ShuffleRecord> rows = ReferenceShuffles(count, salt);
    ShuffleList list;
    for (const ShuffleRecord& row : rows) list.Append(row);
    ExportShuffleList(list, path);
    h.openPath = QString::fromStdString(path);
    return rows;
}

std::vector<ShuffleRecord> Joined(std::vector<ShuffleRecord> first,
                                  const std::vector<ShuffleRecord>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// After a refused open on a window holding two dealt rows: list, grid, deck and cursor are
// as they were, and the generator too (the next row dealt is the third shuffle).
void ExpectNothingAppended(FormHarness& h) {
    QCOMPARE(h.Form().Shuffles().Count(), std::size_t{2});
    QCOMPARE(h.View()->model()->rowCount(), 2);
    QCOMPARE(h.Form().WorkingDeck(), ReferenceShuffles(2)[1]);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
    h.Deal(QStringLiteral("1"));
    QCOMPARE(Rows(h.Form()), ReferenceShuffles(3));
}

Report LinesOf(const std::string& text) {
    Report lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

}  // namespace

class MainOpenFileTest : public QObject {
    Q_OBJECT

    std::vector<QString> reports_;

  private slots:
    void init() {
        KeyTheGenerator();
        QLocale::setDefault(QLocale::c());
        reports_.clear();
        SetErrorReportHandler([this](const QString& text) { reports_.push_back(text); });
    }
    void cleanup() {
        SetErrorReportHandler({});
        SetWorkStartedHook({});
        QLocale::setDefault(QLocale::c());
    }

    void buttonSitsRightOfSaveAndTheOtherControlsKeepTheirPlaces() {
        FormHarness h;
        auto* open = h.Child<QPushButton>("OpenBtn");
        QVERIFY(open != nullptr);
        QCOMPARE(open->text(), QStringLiteral("Open File..."));
        QCOMPARE(open->parentWidget()->objectName(), QStringLiteral("ShuffleTab"));
        QCOMPARE(open->geometry(), QRect(426, 18, 75, 25));
        const struct {
            const char* name;
            QRect place;
        } fixed[] = {{"Label1", {24, 23, 43, 13}},
                     {"HandCount", {73, 20, 86, 21}},
                     {"DealBtn", {165, 18, 76, 25}},
                     {"ClearBtn", {264, 18, 75, 25}},
                     {"SaveBtn", {345, 18, 75, 25}}};
        for (const auto& control : fixed) {
            QCOMPARE(h.Child<QWidget>(control.name)->geometry(), control.place);
        }
        // The Method label and list follow the new button, and no two controls overlap.
        QVERIFY(h.Child<QWidget>("MethodLabel")->geometry().left() > open->geometry().right());
        const QList<QWidget*> controls =
            open->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        QCOMPARE(controls.size(), 8);
        for (QWidget* a : controls) {
            for (QWidget* b : controls) {
                if (a != b)
                    QVERIFY2(!a->geometry().intersects(b->geometry()), qPrintable(a->objectName()));
            }
        }
        // Tab goes from "Save to File" to "Open File..." and then to the Method list.
        const auto nextTab = [](QWidget* from) {
            QWidget* next = from->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
            return next;
        };
        QCOMPARE(nextTab(h.Child<QWidget>("SaveBtn")), static_cast<QWidget*>(open));
        QCOMPARE(nextTab(open), static_cast<QWidget*>(h.Box("MethodBox")));
    }

    void dialogHasItsSettingsAndRemembersTheName() {
        TempDir dir;
        FormHarness h;
        const QFileDialog& dialog = h.Form().OpenDialog1();
        QCOMPARE(dialog.objectName(), QStringLiteral("OpenDialog1"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Open hands from text file"));
        QCOMPARE(dialog.nameFilters(), h.Form().SaveDialog1().nameFilters());
        QCOMPARE(dialog.nameFilters(), (QStringList{"Text files (*.txt)", "All files (*.*)"}));
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("Text files (*.txt)"));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);

        const std::string path = dir.File("capture.txt");
        OfferShuffles(h, path, 2, 9);
        h.Click("OpenBtn");
        QCOMPARE(h.openDialogRuns, 1);
        QStringList offered;
        h.Form().RunOpenDialog = [&offered](QFileDialog& shown) {
            offered = shown.selectedFiles();
            return QString();
        };
        h.Click("OpenBtn");
        QCOMPARE(offered.value(0), QString::fromStdString(path));
        // Cancelling the dialog appends nothing.
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{2});
        QVERIFY(h.messages.empty());
        QVERIFY(reports_.empty());
    }

    void openingAppendsTheRowsAfterThoseThere() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("3"));
        const std::string path = dir.File("rows.txt");
        const std::vector<ShuffleRecord> fileRows = OfferShuffles(h, path, 5, 7);
        h.Click("OpenBtn");
        QVERIFY(h.messages.empty());
        QVERIFY(reports_.empty());
        QCOMPARE(Rows(h.Form()), Joined(ReferenceShuffles(3), fileRows));
        QCOMPARE(h.View()->model()->rowCount(), 8);
        QCOMPARE(h.View()->model()->index(7, 0).data().toString(), QStringLiteral("8"));
        QCOMPARE(h.View()->model()->index(3, 1).data().toString(),
                 QString::fromStdString(CardName(fileRows[0][0])));
        // The deck and the generator go on from the dealt rows, untouched by the file.
        QCOMPARE(h.Form().WorkingDeck(), ReferenceShuffles(3)[2]);
        h.Deal(QStringLiteral("1"));
        QCOMPARE(h.Form().Shuffles().Record(8), ReferenceShuffles(4)[3]);
        // The same file again appends its rows once more.
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{14});
        QCOMPARE(h.Form().Shuffles().Record(13), fileRows[4]);
    }

    void aBadFileShowsTheLineAndAppendsNothing() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        const std::string path = dir.File("bad.txt");
        OfferShuffles(h, path, 4, 3);
        std::string bytes = ReadFileBytes(path);
        bytes.replace(157 + 3 * 10, 2, "Zz");  // the eleventh name of line 2
        WriteFileBytes(path, bytes);
        h.Click("OpenBtn");
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages[0].icon, QMessageBox::Critical);
        QCOMPARE(h.messages[0].text, QString::fromStdString(path + ":2: unknown card name \"Zz\""));
        QVERIFY(reports_.empty());
        ExpectNothingAppended(h);
    }

    void aFileThatCannotBeReadReachesTheErrorReport() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        h.openPath = QString::fromStdString(dir.File("gone.txt"));
        h.Click("OpenBtn");
        QCOMPARE(reports_,
                 std::vector<QString>{h.openPath + QStringLiteral(": No such file or directory.")});
        QVERIFY(h.messages.empty());
        ExpectNothingAppended(h);
    }

    void rowsBeyondTheGridsReachAreRefused() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        h.Form().SetGridRowLimit(5);
        const std::string path = dir.File("rows.txt");
        const std::vector<ShuffleRecord> fileRows = OfferShuffles(h, path, 4, 2);
        h.Click("OpenBtn");
        QCOMPARE(reports_, std::vector<QString>{QStringLiteral("The grid holds at most 5 rows.")});
        QVERIFY(h.messages.empty());
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{2});
        QCOMPARE(h.View()->model()->rowCount(), 2);
        h.Form().SetGridRowLimit(6);
        h.Click("OpenBtn");
        QCOMPARE(Rows(h.Form()), Joined(ReferenceShuffles(2), fileRows));
    }

    void aFileTooLargeForMemoryIsRefusedUnread() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        const std::string path = dir.File("huge.txt");
        {
            // A sparse file of a terabyte: no row of it fits, and none is read.
            QFile file(QString::fromStdString(path));
            QVERIFY(file.open(QIODevice::WriteOnly));
            if (!file.resize(qint64{1} << 40)) QSKIP("no sparse file of a terabyte here");
        }
        bool started = false;
        SetWorkStartedHook([&started](WorkProgress&) { started = true; });
        h.openPath = QString::fromStdString(path);
        h.Click("OpenBtn");
        QVERIFY(!started);
        QCOMPARE(reports_, std::vector<QString>{QStringLiteral("Out of memory.")});
        ExpectNothingAppended(h);
    }

    void cancelAppendsNothing() {
        TempDir dir;
        FormHarness h;
        h.Deal(QStringLiteral("2"));
        const std::string path = dir.File("large.txt");
        const std::vector<ShuffleRecord> fileRows = OfferShuffles(h, path, 30000, 4);
        // Through a pipe, so that the cancel comes while thousands of rows are staged: the
        // writer's first 3 MB are taken only once the reader has read all but its buffer.
        const std::string pipe = dir.File("pipe.txt");
        QCOMPARE(mkfifo(pipe.c_str(), 0600), 0);
        const std::string bytes = ReadFileBytes(path);
        std::atomic<WorkProgress*> running{nullptr};
        SetWorkStartedHook([&running](WorkProgress& progress) { running = &progress; });
        std::jthread writer([&] {
            // The reader closes its end at the cancel: writing on fails without a signal.
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
            std::FILE* out = std::fopen(pipe.c_str(), "wb");
            if (!out) return;
            const std::size_t first = 20000 * 157;
            std::fwrite(bytes.data(), 1, first, out);
            std::fflush(out);
            // The reader waits for the rest, so its progress is still there.
            running.load()->Cancel();
            std::fwrite(bytes.data() + first, 1, bytes.size() - first, out);
            std::fclose(out);
        });
        h.openPath = QString::fromStdString(pipe);
        h.Click("OpenBtn");
        writer.join();
        QVERIFY(running.load() != nullptr);
        QVERIFY(h.messages.empty());
        QVERIFY(reports_.empty());
        ExpectNothingAppended(h);

        SetWorkStartedHook({});
        h.openPath = QString::fromStdString(path);
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{30003});
        QCOMPARE(h.View()->model()->rowCount(), 30003);
        QCOMPARE(h.Form().Shuffles().Record(3), fileRows[0]);
        QCOMPARE(h.Form().Shuffles().Record(30002), fileRows.back());
    }

    // The window's Stats over an opened file are the command line's reports over that file.
    void statsOfAnOpenedFileMatchTheCommandLine() {
        TempDir dir;
        const std::string path = dir.File("saved.txt");
        {
            FormHarness maker;
            maker.Deal(QStringLiteral("3000"));
            maker.savePath = QString::fromStdString(path);
            maker.Click("SaveBtn");
        }
        FormHarness h;
        h.openPath = QString::fromStdString(path);
        h.Click("OpenBtn");
        QCOMPARE(h.Form().Shuffles().Count(), std::size_t{3000});
        h.Choose("CardBox", 50);     // Ah
        h.Choose("RankBox", 8);      // T
        h.Choose("SuitBox", 1);      // Diamond
        h.Choose("DeckPosBox", 16);  // 17
        h.Choose("PlayersBox", 4);   // 6 players
        h.Choose("PlayerPosBox", h.Box("PlayerPosBox")->findText(QStringLiteral("D-3  (rotate)")));
        h.Choose("DealtBox", 2);  // Turn
        for (const char* button : {"CardStatsBtn", "RankStatsBtn", "SuitStatsBtn",
                                   "DeckPosStatsBtn", "PlayerPosStatsBtn"}) {
            h.Click(button);
        }
        QVERIFY(h.messages.empty());
        QCOMPARE(h.reports.size(), std::size_t{5});
        const std::vector<std::vector<std::string>> commands = {
            {"card", "Ah"},
            {"rank", "T"},
            {"suit", "Diamond"},
            {"position", "17"},
            {"categories", "--players", "6", "--seat", "D-3", "--rotate", "--stage", "turn"}};
        CliSetup setup;
        setup.env = {"LC_ALL=C"};
        for (std::size_t i = 0; i < commands.size(); ++i) {
            std::vector<std::string> args = {"report"};
            args.insert(args.end(), commands[i].begin(), commands[i].end());
            args.insert(args.end(), {"--input", path, "--quiet"});
            const CliResult cli = RunCli(args, {}, setup);
            QCOMPARE(cli.status, 0);
            QCOMPARE(LinesOf(cli.out), h.reports[i]);
        }
    }
};

BREVANE_UI_TEST_MAIN(MainOpenFileTest)
#include "MainOpenFileTest.moc"
