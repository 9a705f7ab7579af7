// The "Fairness" button of the Card Stats tab and its report.
#include <QAbstractTextDocumentLayout>
#include <QLocale>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <algorithm>
#include <string>

#include "stats/FairnessReport.h"
#include "support/FormHarness.h"
#include "support/UiTestMain.h"
#include "ui/Stats.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// The lines of the report window's text that wrap at its present width.
int WrappedLines(TStatsForm& form) {
    QTextDocument* document = form.Memo1->document();
    int wrapped = 0;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        // Asking for a block's outline lays it out at the area's present width.
        document->documentLayout()->blockBoundingRect(block);
        wrapped += block.layout()->lineCount() > 1;
    }
    return wrapped;
}

}  // namespace

class MainFairnessTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { KeyTheGenerator(5); }
    void cleanup() { QLocale::setDefault(QLocale::c()); }

    // Right of the last Stats button with the gap of each list to its button, the same size.
    void buttonSitsBesideTheLastStatsButton() {
        FormHarness h;
        auto* button = h.Child<QPushButton>("FairnessBtn");
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QStringLiteral("Fairness"));
        QCOMPARE(button->parentWidget()->objectName(), QStringLiteral("CardTab"));
        const QRect stats = h.Child<QPushButton>("DeckPosStatsBtn")->geometry();
        const QRect list = h.Child<QWidget>("DeckPosBox")->geometry();
        QCOMPARE(button->geometry(), QRect(607, 32, 58, 25));
        QCOMPARE(button->size(), stats.size());
        QCOMPARE(button->x() - (stats.x() + stats.width()), stats.x() - (list.x() + list.width()));
        QCOMPARE(h.Child<QWidget>("DeckPosStatsBtn")->nextInFocusChain(), button);
    }

    void emptyListSaysNoHandsDealt() {
        FormHarness h;
        h.Click("FairnessBtn");
        QCOMPARE(h.messages.size(), std::size_t{1});
        QCOMPARE(h.messages.back().icon, QMessageBox::Critical);
        QCOMPARE(h.messages.back().text, QStringLiteral("No hands dealt"));
        QVERIFY(h.reports.empty());
    }

    // The report is the core's over every row, for the Hold'em tab's players, seat and stage,
    // with "." in its numbers even under a German locale.
    void reportUsesTheHoldemSeatView() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        FormHarness h;
        h.Deal(QStringLiteral("300"));
        h.Choose("PlayersBox", 3);    // 5 players
        h.Choose("PlayerPosBox", 6);  // D-1  (rotate)
        h.Choose("DealtBox", 1);      // Flop
        h.Click("FairnessBtn");
        QVERIFY(h.messages.empty());
        QCOMPARE(h.reports.size(), std::size_t{1});
        const Report want = BuildFairnessReport(h.Form().Shuffles(), SeatView{5, 6, Stage::Flop},
                                                {std::string(WindowListSourceLine)});
        QCOMPARE(h.reports[0], want);
        QCOMPARE(h.reports[0][1], std::string("Source: the shuffles in the window's list"));
        QCOMPARE(h.reports[0][3],
                 std::string("Hand categories of: D-1  (rotate), Flop, 5 players"));
        QVERIFY(h.reports[0][7].find("card-position") == 0);
        QVERIFY(h.reports[0][7].find(',') == std::string::npos);
        // The effect columns, and the summary under the verdict.
        QVERIFY(h.reports[0][6].find("w  detects w \u2265  Verdict") != std::string::npos);
        const auto verdict = std::find(h.reports[0].begin(), h.reports[0].end(), "Verdict: pass");
        QVERIFY(verdict != h.reports[0].end());
        QVERIFY(verdict[1].starts_with("No bias found in 300 shuffles. A card-position bias of w"));
    }

    // The report opens in a window of its own, as wide as its table needs: no line wraps at
    // the opening size. The report window of the other reports keeps its size and text.
    void reportOpensUnwrappedInAWindowOfItsOwn() {
        FormHarness h;
        TStatsForm statsForm(&h.Form());
        h.Form().UseReportWindow(&statsForm);
        h.Form().show();
        QVERIFY(QTest::qWaitForWindowExposed(&h.Form()));
        h.Deal(QStringLiteral("300"));
        TStatsForm* fairness = nullptr;
        int wrapped = -1;
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            fairness = h.Form().findChild<TStatsForm*>(QStringLiteral("FairnessForm"));
            if (!fairness || !fairness->isVisible()) return;
            poll.stop();
            wrapped = WrappedLines(*fairness);
            fairness->close();
        });
        poll.start(5);
        h.Click("FairnessBtn");
        QVERIFY(fairness != nullptr);
        const QString text = fairness->Memo1->toPlainText();
        QVERIFY(text.startsWith(QStringLiteral("Fairness tests")));
        QVERIFY(text.contains(QStringLiteral("Shuffles: 300")));
        // The widest lines: the effect columns, and the moves' largest cell in words.
        QVERIFY(text.contains(QStringLiteral("detects w \u2265")));
        QVERIFY(text.contains(QStringLiteral("\nmove-position     the card at position ")));
        QCOMPARE(wrapped, 0);
        QVERIFY(fairness->width() > 362);
        QVERIFY(!statsForm.isVisible());
        QVERIFY(statsForm.Memo1->toPlainText().isEmpty());
        QCOMPARE(statsForm.size(), QSize(362, 413));
    }

    // A table with two more columns, about 95 characters wide, still fits; a report of short
    // lines keeps the usual width.
    void longerLinesStillFit() {
        QWidget owner;
        for (std::size_t length : {95, 20}) {
            TStatsForm form(&owner);
            form.FitFirstShowingToLongestLine();
            Report report = {"Fairness tests", "", std::string(length - 10, '-') + " 0.1234 ok"};
            QTimer::singleShot(0, &form, [&] {
                QVERIFY(QTest::qWaitForWindowExposed(&form));
                QCOMPARE(WrappedLines(form), 0);
                form.close();
            });
            form.ShowReport(report);
            QCOMPARE(form.width(), std::max(362, form.WidthForLines(report)));
            QCOMPARE(form.height(), 413);
        }
    }

    // Rows too few for some tests never pass: 100 rows leave out card-position (260 needed),
    // move-position (261) and the guessing tests (101); 261 rows run every test.
    void tooFewRowsAreInconclusive() {
        FormHarness h;
        h.Deal(QStringLiteral("100"));
        h.Click("FairnessBtn");
        QCOMPARE(h.reports.size(), std::size_t{1});
        const Report& few = h.reports[0];
        QVERIFY(std::find(few.begin(), few.end(),
                          "Verdict: inconclusive: 4 of 9 tests need at least 261 shuffles") !=
                few.end());
        QVERIFY(std::find(few.begin(), few.end(),
                          "Too few shuffles to decide: 4 of the 9 tests need more than 100. Test "
                          "at least") != few.end());
        h.Deal(QStringLiteral("161"));
        h.Click("FairnessBtn");
        QCOMPARE(h.reports.size(), std::size_t{2});
        const Report& enough = h.reports[1];
        QVERIFY(std::find(enough.begin(), enough.end(), "Shuffles: 261") != enough.end());
        QVERIFY(std::none_of(enough.begin(), enough.end(), [](const std::string& line) {
            return line.find("too few shuffles") != std::string::npos ||
                   line.starts_with("Verdict: inconclusive");
        }));
    }
};

BREVANE_UI_TEST_MAIN(MainFairnessTest)
#include "MainFairnessTest.moc"
