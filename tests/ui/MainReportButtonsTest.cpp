// The five "Stats" buttons of the main window and their hand-over to the report window.
#include <QApplication>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

#include "analysis/Reports.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/Stats.h"

using namespace brevane;
using namespace brevane::test;

namespace {

const char* const StatsButtons[] = {"CardStatsBtn", "RankStatsBtn", "SuitStatsBtn",
                                    "DeckPosStatsBtn", "PlayerPosStatsBtn"};

ShuffleList CopyOf(const ShuffleList& list) {
    ShuffleList copy;
    for (std::size_t i = 0; i < list.Count(); ++i) copy.Append(list.Record(i));
    return copy;
}

}  // namespace

class MainReportButtonsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { KeyTheGenerator(3); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    void emptyListSaysNoHandsDealt() {
        FormHarness h;
        for (const char* button : StatsButtons) {
            h.Click(button);
            QCOMPARE(h.messages.back().icon, QMessageBox::Critical);
            QCOMPARE(h.messages.back().text, QStringLiteral("No hands dealt"));
        }
        QCOMPARE(h.messages.size(), std::size_t{5});
        QVERIFY(h.reports.empty());
    }

    void buttonsBuildTheirReportsFromTheChosenEntries() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        FormHarness h;
        h.Deal(QStringLiteral("40"));
        const ShuffleList list = CopyOf(h.Form().Shuffles());
        h.Choose("CardBox", 51);
        h.Choose("RankBox", 12);
        h.Choose("SuitBox", 2);
        h.Choose("DeckPosBox", 9);
        h.Choose("PlayersBox", 4);
        h.Choose("PlayerPosBox", 7);
        for (const char* button : StatsButtons) h.Click(button);
        h.Choose("DealtBox", 0);
        h.Click("PlayerPosStatsBtn");
        QVERIFY(h.messages.empty());
        QCOMPARE(h.reports.size(), std::size_t{6});

        QCOMPARE(h.reports[0], BuildCardReport(list, 52, "As", ","));
        QCOMPARE(h.reports[1], BuildRankReport(list, 12, "A", ","));
        QCOMPARE(h.reports[2], BuildSuitReport(list, 2, "Heart", ","));
        QCOMPARE(h.reports[3], BuildDeckPosReport(list, 10, "10", ","));
        QCOMPARE(h.reports[4], BuildHandCategoryReport(list, {6, 7, Stage::River}, ","));
        QCOMPARE(h.reports[5], BuildHandCategoryReport(list, {6, 7, Stage::Hole}, ","));
        QCOMPARE(h.reports[4][0], std::string("Player position: D-1  (rotate)"));
        QCOMPARE(h.reports[5][1], std::string("Cards dealt: Hole"));
        const std::size_t lines[] = {57, 57, 57, 80, 14, 6};
        for (std::size_t i = 0; i < 6; ++i) QCOMPARE(h.reports[i].size(), lines[i]);
    }

    void reportOpensInTheReportWindowAndCloses() {
        FormHarness h;
        TStatsForm statsForm(&h.Form());
        h.Form().UseReportWindow(&statsForm);
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        h.Deal(QStringLiteral("10"));
        h.Choose("SuitBox", 3);
        bool wasModal = false;
        WhenShown(statsForm, [&] {
            wasModal = QApplication::activeModalWidget() == &statsForm;
            statsForm.close();
        });
        h.Click("SuitStatsBtn");
        QVERIFY(wasModal);
        QVERIFY(!statsForm.isVisible());
        const QString text = statsForm.Memo1->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Spade")));
        QCOMPARE(statsForm.ReportText().count(QStringLiteral("\r\n")), 57);
    }
};

BREVANE_UI_TEST_MAIN(MainReportButtonsTest)
#include "MainReportButtonsTest.moc"
