#include "stats/FairnessReport.h"

#include <gtest/gtest.h>

#include "work/ParallelRows.h"

#include <algorithm>
#include <clocale>
#include <initializer_list>

#include "AnalysisReference.h"
#include "stats/FairnessSummary.h"
#include "support/GermanLocale.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

FairnessTest RanTest(std::string_view name, double x, int df, double p, Verdict verdict) {
    FairnessTest test;
    test.name = name;
    test.ran = true;
    test.statistic = x;
    test.df = df;
    test.p = p;
    test.verdict = verdict;
    return test;
}

FairnessResult HandMadeResult() {
    FairnessResult result;
    result.shuffles = 300;
    result.alpha = 0.01;
    FairnessTest tooFew;
    tooFew.name = "move-position";
    tooFew.neededShuffles = 261;
    FairnessTest cards = RanTest("card-position", 2650.456, 2601, 0.2512345, Verdict::Pass);
    cards.w = 0.01234;
    cards.detectsW = 0.01765;
    cards.largestCell = LargestCell{CellTable::Cards, 51, 51, 15, 300, 1.0 / 52, 2.5349};
    result.tests = {cards, tooFew, RanTest("fixed-points", 40.5, 3, 8.3e-9, Verdict::Fail)};
    result.verdict = Verdict::Fail;
    return result;
}

TEST(FairnessReport, LinesOfAHandMadeResult) {
    const Report lines = FairnessReportLines(HandMadeResult(), SeatView{6, 8, Stage::Turn},
                                             {"Source: 2 counts files", "  a: x", "  b: y"});
    const Report want = {
        "Fairness tests",
        "Source: 2 counts files",
        "  a: x",
        "  b: y",
        "Shuffles: 300",
        "Hand categories of: D-2  (rotate), Turn, 6 players",
        "Significance level: 0.01, Holm's step-down over the tests that ran",
        "",
        "Test                   Statistic     df  p                w  detects w \u2265  Verdict",
        "card-position            2650.46   2601  0.2512       0.012        0.018  pass",
        "move-position                  -      -  -                -            -  too few "
        "shuffles (needs 261)",
        "fixed-points               40.50      3  8.3e-09          -            -  fail",
        "",
        "Largest cell of each position table (the largest |z|):",
        "card-position     As at position 52: 15 of 300 rows (5.00%), expected 1.92%, z = +2.53",
        "",
        "Verdict: fail (1 of 2 tests failed)",
        "The shuffle is biased. The strongest evidence is fixed-points (p = 8.3e-09).",
        "",
        "p is the chance that a fair shuffle gives a statistic at least this large.",
        "The position statistics are Pearson's X^2 times 51/52 (each row is a",
        "permutation); move-position, rising-sequences and fixed-points compare each",
        "shuffle with the one before.",
        "w is the size of the bias, beyond what chance adds: for a position test the",
        "typical share by which a cell's count misses its expected count. A fair",
        "shuffle gives w near 0. \"detects w \u2265\" is the smallest w that the test,",
        "with these shuffles, finds 9 times in 10 at its share of the significance",
        "level (alpha over the tests that ran).",
    };
    EXPECT_EQ(lines, want);
}

FairnessTest NotRun(std::string_view name, std::uint64_t needed) {
    FairnessTest test;
    test.name = name;
    test.neededShuffles = needed;
    return test;
}

// The example of a moving bias: 520 of 19,999 pairs took the card at position 2 to
// position 1.
LargestCell MoveCell() {
    LargestCell cell;
    cell.table = CellTable::Moves;
    cell.row = 1;
    cell.position = 0;
    cell.observed = 520;
    cell.total = 19999;
    cell.chance = 1.0 / 52;
    cell.z = 9.1;
    return cell;
}

FairnessResult FailedOnMoves() {
    FairnessResult result;
    result.shuffles = 20000;
    FairnessTest moves = RanTest("move-position", 3100, 2601, 1e-40, Verdict::Fail);
    moves.largestCell = MoveCell();
    FairnessTest guessing = RanTest("guess-follower", 9.5, 0, 1e-20, Verdict::Fail);
    guessing.guessing = GuessingFigure{6.08, 0.05};
    result.tests = {RanTest("card-position", 2650, 2601, 0.3, Verdict::Pass), moves,
                    RanTest("fixed-points", 40.5, 3, 8.3e-9, Verdict::Fail), guessing};
    result.verdict = Verdict::Fail;
    return result;
}

TEST(FairnessSummary, AFailNamesTheStrongestEvidenceInWords) {
    FairnessResult result = FailedOnMoves();
    EXPECT_EQ(FairnessSummary(result),
              "The shuffle is biased. From one shuffle to the next, the card at position 2 went "
              "to position 1 in 2.60% of shuffles instead of 1.92%. A player who studied the "
              "earlier shuffles guessed 6.08 of 52 cards right, against 4.54 for a fair shuffle.");
    // Without a guessing test, and with the strongest evidence in a test without cells.
    result.tests.pop_back();
    result.tests[1].p = 0.001;
    EXPECT_EQ(FairnessSummary(result),
              "The shuffle is biased. The strongest evidence is fixed-points (p = 8.3e-09).");
    result.tests[2].p = 0;
    EXPECT_EQ(FairnessSummary(result),
              "The shuffle is biased. The strongest evidence is fixed-points (p < 4.9e-324).");
    // Of equal p-values, the first test's.
    result.tests[1].p = 0;
    EXPECT_NE(FairnessSummary(result).find("From one shuffle to the next"), std::string::npos);
}

// When a guessing test gives the strongest evidence its figure is the evidence; when two ran,
// the failing test's own figure, else the better one.
TEST(FairnessSummary, TheGuessingFigureOfAFail) {
    FairnessResult result = FailedOnMoves();
    result.tests[3].p = 0;
    EXPECT_EQ(FairnessSummary(result),
              "The shuffle is biased. A player who studied the earlier shuffles guessed 6.08 of "
              "52 cards right, against 4.54 for a fair shuffle.");
    FairnessTest other = RanTest("guess-position", 2.5, 0, 0.006, Verdict::Fail);
    other.guessing = GuessingFigure{7.25, 0.04};
    result.tests.push_back(other);
    EXPECT_NE(FairnessSummary(result).find("guessed 6.08 of 52"), std::string::npos);
    result.tests[3].p = 0.3;
    result.tests[3].verdict = Verdict::Pass;
    EXPECT_NE(FairnessSummary(result).find("guessed 7.25 of 52"), std::string::npos);
}

TEST(FairnessSummary, APassSaysWhatWasRuledOut) {
    FairnessResult result;
    result.shuffles = 20000;
    FairnessTest cards = RanTest("card-position", 2650, 2601, 0.3, Verdict::Pass);
    cards.w = 0.004;
    cards.detectsW = 0.061;
    FairnessTest moves = RanTest("move-position", 2600, 2601, 0.5, Verdict::Pass);
    moves.detectsW = 0.02;
    result.tests = {cards, moves};
    EXPECT_EQ(FairnessSummary(result),
              "No bias found in 20,000 shuffles. A card-position bias of w \u2265 0.061 would have "
              "been found 9 times in 10.");
    result.tests[0].detectsW.reset();
    EXPECT_EQ(FairnessSummary(result),
              "No bias found in 20,000 shuffles. A move-position bias of w \u2265 0.020 would have "
              "been found 9 times in 10.");
}

// Tests that did not run leave the verdict open, whatever the others say, until a fail.
TEST(FairnessSummary, TooFewShufflesSayHowManyAreNeeded) {
    FairnessResult result;
    result.shuffles = 100;
    result.verdict = Verdict::Inconclusive;
    result.tests = {NotRun("card-position", 260), NotRun("move-position", 261),
                    RanTest("suit-position", 150, 153, 0.5, Verdict::Pass)};
    EXPECT_EQ(FairnessSummary(result),
              "Too few shuffles to decide: 2 of the 3 tests need more than 100. Test at least 261 "
              "shuffles.");
    result.tests[1] = RanTest("move-position", 2600, 2601, 0.5, Verdict::Pass);
    EXPECT_EQ(FairnessSummary(result),
              "Too few shuffles to decide: 1 of the 3 tests needs more than 100. Test at least 260 "
              "shuffles.");
    result.shuffles = 3;
    result.tests = {NotRun("card-position", 260), NotRun("rising-sequences", 1500)};
    EXPECT_EQ(FairnessSummary(result),
              "Too few shuffles to decide: all 2 tests need more than 3. Test at least 1,500 "
              "shuffles.");
    result.tests.push_back(RanTest("fixed-points", 40.5, 3, 8.3e-9, Verdict::Fail));
    result.verdict = Verdict::Fail;
    EXPECT_EQ(FairnessSummary(result).find("The shuffle is biased."), 0u);
}

// A result whose tests did not all run, as the counts of `shuffles` rows give it.
FairnessResult NotAllRan(std::uint64_t shuffles, std::initializer_list<std::uint64_t> needed) {
    FairnessResult result;
    result.shuffles = shuffles;
    result.tests.push_back(RanTest("suit-position", 140.25, 153, 0.75, Verdict::Pass));
    for (const std::uint64_t n : needed) {
        FairnessTest test;
        test.name = "card-position";
        test.neededShuffles = n;
        result.tests.push_back(test);
    }
    result.verdict = Verdict::Inconclusive;
    return result;
}

// The verdict line names how many tests did not run, and the most shuffles any of them needs.
TEST(FairnessReport, VerdictLines) {
    EXPECT_EQ(VerdictLine(NotAllRan(100, {260, 261})),
              "Verdict: inconclusive: 2 of 3 tests need at least 261 shuffles");
    EXPECT_EQ(VerdictLine(NotAllRan(100, {261, 20, 260})),
              "Verdict: inconclusive: 3 of 4 tests need at least 261 shuffles");
    EXPECT_EQ(VerdictLine(NotAllRan(260, {261})),
              "Verdict: inconclusive: 1 of 2 tests needs at least 261 shuffles");
    EXPECT_EQ(VerdictLine(HandMadeResult()), "Verdict: fail (1 of 2 tests failed)");
    FairnessResult passed = NotAllRan(1000, {});
    passed.verdict = Verdict::Pass;
    EXPECT_EQ(VerdictLine(passed), "Verdict: pass");
    const Report lines = FairnessReportLines(NotAllRan(100, {260, 261}), SeatView{}, {});
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "Verdict: inconclusive: 2 of 3 tests need at least 261 shuffles"),
              lines.end());
}

// The CSV: one row per test, empty numbers where a test did not run, the overall verdict last;
// the numbers read back as the same doubles.
TEST(FairnessReport, CsvRows) {
    EXPECT_EQ(FairnessCsvText(HandMadeResult()),
              "name,statistic,df,p,w,detects_w,verdict\n"
              "card-position,2650.456,2601,0.2512345,0.01234,0.01765,pass\n"
              "move-position,,,,,,too few shuffles\n"
              "fixed-points,40.5,3,8.3e-09,,,fail\n"
              "overall,,,,,,fail\n");
    FairnessResult result = NotAllRan(100, {261});
    result.tests[0].statistic = 0.1 + 0.2;
    result.tests[0].p = 0;
    result.tests[0].w = 0;
    result.tests[0].detectsW = 0.125;
    EXPECT_EQ(FairnessCsvText(result),
              "name,statistic,df,p,w,detects_w,verdict\n"
              "suit-position,0.30000000000000004,153,0,0,0.125,pass\n"
              "card-position,,,,,,too few shuffles\n"
              "overall,,,,,,inconclusive\n");
}

TEST(FairnessReport, NumberTexts) {
    EXPECT_EQ(PValueText(1.0), "1.0000");
    EXPECT_EQ(PValueText(0.5), "0.5000");
    EXPECT_EQ(PValueText(0.00012), "0.0001");
    EXPECT_EQ(PValueText(0.0000987), "9.9e-05");
    EXPECT_EQ(PValueText(1.5e-300), "1.5e-300");
    EXPECT_EQ(PValueText(0.0), "< 4.9e-324");
    EXPECT_EQ(FixedText(2601.0, 2), "2601.00");
    EXPECT_EQ(FixedText(0.125, 2), "0.12");  // exact binary half: to even
    EXPECT_EQ(FixedText(1234567.891, 2), "1234567.89");
}

// The report's numbers ignore the C locale's decimal separator.
TEST(FairnessReport, NumbersDoNotFollowTheLocale) {
    const test::TempDir localeFolder;
    if (!test::MakeGermanLocaleAvailable(localeFolder)) {
        GTEST_SKIP() << "no German locale, and localedef could not make one";
    }
    ASSERT_TRUE(std::setlocale(LC_ALL, "de_DE.UTF-8"));
    ASSERT_EQ(std::string(std::localeconv()->decimal_point), ",");
    const Report lines = FairnessReportLines(HandMadeResult(), SeatView{6, 0, Stage::Turn}, {});
    const std::string csv = FairnessCsvText(HandMadeResult());
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_EQ(lines[6],
              "card-position            2650.46   2601  0.2512       0.012        0.018  pass");
    EXPECT_EQ(lines[11],
              "card-position     As at position 52: 15 of 300 rows (5.00%), expected "
              "1.92%, z = +2.53");
    EXPECT_EQ(csv, FairnessCsvText(HandMadeResult()));
    EXPECT_NE(csv.find("2650.456,2601,0.2512345,"), std::string::npos) << csv;
}

TEST(FairnessReport, StoredListIsCountedRowByRow) {
    const ShuffleList list = reference::ShuffledList(ShuffleList::RowsPerBlock + 300, 3);
    ShuffleCounts counts(SeatView{4, 5, Stage::Turn});
    for (std::size_t r = 0; r < list.Count(); ++r) counts.AddRow(list.Row(r));
    const SeatView view{4, 5, Stage::Turn};
    EXPECT_EQ(BuildFairnessReport(list, SeatView{4, 5, Stage::Turn}, {"Source: here"}, 0.05),
              FairnessReportLines(RunFairnessTests(counts, 0.05), view, {"Source: here"}));
    const ShuffleCounts whole = CountShuffleList(list, SeatView{4, 5, Stage::Turn});
    EXPECT_EQ(whole.HandCategories(), counts.HandCategories());
    EXPECT_EQ(whole.Moves(), counts.Moves());
}

TEST(FairnessReport, CountsOnEveryCoreEqualOnePass) {
    // Long enough for three ranges, whose joins are pairs of rows in the middle of blocks.
    const ShuffleList list = reference::ShuffledList(3 * MinRowsPerThread + 77, 5);
    const SeatView view{6, 8, Stage::River};
    ShuffleCounts once(view);
    FeedListRows(list, 0, list.Count(), once, nullptr);
    for (unsigned threads : {2u, 3u}) {
        const ShuffleCounts split = CountListRows<ShuffleCounts>(
            list, [&](std::size_t start) { return ShuffleCounts(view, start); }, threads);
        EXPECT_EQ(split.Rows(), once.Rows());
        EXPECT_EQ(split.Pairs(), once.Pairs());
        EXPECT_EQ(split.CardPosition(), once.CardPosition());
        EXPECT_EQ(split.Moves(), once.Moves());
        EXPECT_EQ(split.RisingSequences(), once.RisingSequences());
        EXPECT_EQ(split.FixedPoints(), once.FixedPoints());
        EXPECT_EQ(split.HandCategories(), once.HandCategories());
    }
}

// Rows added after the counts were made, counted on top of them, give the counts of the whole
// list made afresh: for cuts within and across storage blocks and for one thread and two.
TEST(FairnessReport, NewRowsCountedOnTopEqualCountingAfresh) {
    const std::size_t n = 2 * MinRowsPerThread + ShuffleList::RowsPerBlock / 2 + 11;
    const ShuffleList whole = reference::ShuffledList(n, 8);
    const SeatView view{3, 2, Stage::Flop};
    ShuffleCounts once(view);
    FeedListRows(whole, 0, n, once, nullptr);
    for (unsigned threads : {1u, 2u}) {
        SetDefaultThreadCount(threads);
        for (std::size_t cut : {std::size_t{1}, ShuffleList::RowsPerBlock - 1,
                                ShuffleList::RowsPerBlock, n / 2, n - 1, n}) {
            SCOPED_TRACE(testing::Message() << threads << " threads, cut " << cut);
            ShuffleCounts counts(view);
            FeedListRows(whole, 0, cut, counts, nullptr);
            WorkProgress progress;
            CountNewListRows(counts, whole, &progress);
            test::ExpectSameCounts(counts, once);
            EXPECT_EQ(progress.Done(), n - cut);
        }
    }
    SetDefaultThreadCount(0);
}

// Counts of rows that are no longer the list's first (the list was cleared and filled again,
// with more rows than before) are made afresh rather than added to.
TEST(FairnessReport, CountsOfRowsNoLongerInTheListAreMadeAfresh) {
    const ShuffleList before = reference::ShuffledList(500, 1);
    const ShuffleList after = reference::ShuffledList(900, 2);
    ShuffleCounts counts(SeatView{});
    FeedListRows(before, 0, before.Count(), counts, nullptr);
    CountNewListRows(counts, after);
    test::ExpectSameCounts(counts, CountShuffleList(after, SeatView{}));

    // The same first row, another in the place of the last one counted.
    ShuffleList changed;
    for (std::size_t r = 0; r < 299; ++r) changed.Append(before.Record(r));
    for (std::size_t r = 0; r < 5; ++r) changed.Append(after.Record(r));
    ShuffleCounts shorter(SeatView{});
    FeedListRows(before, 0, 300, shorter, nullptr);
    CountNewListRows(shorter, changed);
    test::ExpectSameCounts(shorter, CountShuffleList(changed, SeatView{}));
}

}  // namespace
}  // namespace brevane
