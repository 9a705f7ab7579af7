// The Fairness report window's "Save Report...": the evaluation report of the window's rows,
// the command line's page but for the source, written through the replace-when-complete path.
#include <QFileDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "analysis/Export.h"
#include "support/CliRunner.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/Stats.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// The raw text of the page's section (or header) with that id; sections do not nest.
std::string Section(const std::string& page, const std::string& id) {
    for (const std::string tag : {"section", "header"}) {
        const std::size_t start = page.find("<" + tag + " id=\"" + id + "\">");
        if (start == std::string::npos) continue;
        const std::size_t end = page.find("</" + tag + ">", start);
        if (end != std::string::npos) return page.substr(start, end - start);
    }
    return {};
}

}  // namespace

class MainSaveReportTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        KeyTheGenerator(5);
        errors_.clear();
        SetErrorReportHandler([this](const QString& text) { errors_.push_back(text); });
        setenv("SOURCE_DATE_EPOCH", "951782400", 1);
    }
    void cleanup() {
        SetErrorReportHandler({});
        unsetenv("SOURCE_DATE_EPOCH");
    }

    // A click writes the report of the window's rows for the Texas Hold'em tab's seat view; it
    // is the command line's page over the same rows saved to a file, but for the source and
    // the command that repeats it.
    void clickSavesTheCommandLinesPage() {
        FormHarness h;
        h.Deal(QStringLiteral("400"));
        h.Choose("PlayersBox", 3);  // 5 players
        h.Choose("DealtBox", 1);    // Flop
        TempDir dir;
        h.savePath = QString::fromStdString(dir.File("window.html"));
        QStringList filters;
        RunWithFairnessWindow(h, [&](TStatsForm& window) {
            QVERIFY(window.SaveReportBtn != nullptr);
            QCOMPARE(window.SaveReportBtn->text(), QStringLiteral("Save Report..."));
            window.SaveReportBtn->click();
            filters = h.Form().SaveReportDialog().nameFilters();
        });
        QCOMPARE(h.saveDialogRuns, 1);
        QCOMPARE(filters, QStringList{QStringLiteral("HTML report (*.html)")});
        QCOMPARE(h.Form().SaveReportDialog().acceptMode(), QFileDialog::AcceptSave);
        QVERIFY(errors_.empty());
        const std::string page = ReadFileBytes(dir.File("window.html"));
        QVERIFY(Section(page, "tested").find("the shuffles in the window&#39;s list") !=
                std::string::npos);
        QVERIFY(page.find("D, Flop, 5 players") != std::string::npos);
        QVERIFY(page.find("brevane-cli test --input shuffles.txt --players 5 --seat D --stage "
                          "flop --alpha 0.01 --format html --output window.html") !=
                std::string::npos);

        ExportShuffleList(h.Form().Shuffles(), dir.File("rows.txt"));
        CliSetup setup;
        setup.env.push_back("SOURCE_DATE_EPOCH=951782400");
        const CliResult r =
            RunCli({"test", "--input", dir.File("rows.txt"), "--players", "5", "--stage", "flop",
                    "--format", "html", "--output", dir.File("cli.html")},
                   {}, setup);
        QVERIFY2(r.status == 0 || r.status == 3 || r.status == 4, r.err.c_str());
        const std::string cli = ReadFileBytes(dir.File("cli.html"));
        for (const char* id : {"verdict", "results", "pictures", "method"}) {
            QVERIFY(!Section(page, id).empty());
            QCOMPARE(Section(page, id), Section(cli, id));
        }
    }

    // The button answers the keyboard too; a cancelled dialog writes nothing, and a failed
    // write goes to the error report and leaves the old file as it was.
    void keyCancelAndFailure() {
        FormHarness h;
        h.Deal(QStringLiteral("300"));
        TempDir dir;
        const std::string target = dir.File("old.html");
        WriteFileBytes(target, "old");
        RunWithFairnessWindow(h, [&](TStatsForm& window) {
            h.savePath.clear();  // cancelled
            window.SaveReportBtn->click();
            QCOMPARE(ReadFileBytes(target), std::string("old"));

            h.savePath = QString::fromStdString(dir.File("missing/r.html"));
            window.SaveReportBtn->click();
            QCOMPARE(errors_.size(), std::size_t{1});
            QVERIFY(errors_[0].contains(QStringLiteral("No such file or directory")));

            h.savePath = QString::fromStdString(target);
            window.SaveReportBtn->setFocus();
            QTest::keyClick(window.SaveReportBtn, Qt::Key_Space);
        });
        QCOMPARE(h.saveDialogRuns, 3);
        QCOMPARE(errors_.size(), std::size_t{1});
        QVERIFY(ReadFileBytes(target).starts_with("<!DOCTYPE html>"));
        QCOMPARE(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
    }

  private:
    // Opens the Fairness report in its own window, runs `action` on it while it shows, then
    // closes it.
    void RunWithFairnessWindow(FormHarness& h, const std::function<void(TStatsForm&)>& action) {
        TStatsForm statsForm(&h.Form());
        h.Form().UseReportWindow(&statsForm);
        bool ran = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            auto* fairness = h.Form().findChild<TStatsForm*>(QStringLiteral("FairnessForm"));
            if (!fairness || !fairness->isVisible()) return;
            poll.stop();
            action(*fairness);
            ran = true;
            fairness->close();
        });
        poll.start(5);
        h.Click("FairnessBtn");
        QVERIFY(ran);
    }

    std::vector<QString> errors_;
};

BREVANE_UI_TEST_MAIN(MainSaveReportTest)
#include "MainSaveReportTest.moc"
