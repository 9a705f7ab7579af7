// The evaluation report's page built from hand-made counts and results: escaping, the sections
// and their order, the charts' data, Holm's thresholds, the guessing figure and the commands
// that make the report again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>
#include <random>
#include <regex>

#include "render/BiasMapFile.h"
#include "report/EvaluationReport.h"
#include "report/MarkupText.h"
#include "report/ReportCharts.h"
#include "report/ReportTime.h"
#include "report/ReproduceCommand.h"

namespace brevane {
namespace {

// `n` rows of uniformly shuffled decks, each from the one before, made by a fixed seed.
ShuffleCounts RandomCounts(std::size_t n, const SeatView& view = {}) {
    std::mt19937_64 random(20261210);
    std::vector<std::uint8_t> deck(DeckSize);
    std::iota(deck.begin(), deck.end(), std::uint8_t{1});
    std::vector<std::uint8_t> rows;
    for (std::size_t r = 0; r < n; ++r) {
        std::shuffle(deck.begin(), deck.end(), random);
        rows.insert(rows.end(), deck.begin(), deck.end());
    }
    ShuffleCounts counts(view);
    counts.AddRows(rows.data(), n);
    return counts;
}

ReportProvenance ModelProvenance(std::uint64_t rows) {
    ReportProvenance provenance;
    ReportSource source;
    source.source = {{"model", "fisher-yates"},
                     {"key", std::string(64, 'a')},
                     {"seed", "key"},
                     {"from_new_deck", false}};
    source.rows = rows;
    provenance.sources.push_back(source);
    provenance.program = "brevane-cli 1.02";
    provenance.writtenAt = 0;
    provenance.outputName = "r.html";
    return provenance;
}

class EvaluationReportTest : public ::testing::Test {
  protected:
    // The bias maps draw text, which needs an application object.
    OffscreenPainting painting_;
};

TEST(MarkupTextTest, EscapesMarkupAndReplacesWhatNeitherLanguageAllows) {
    EXPECT_EQ(EscapeMarkup("a<b>&\"'c"), "a&lt;b&gt;&amp;&quot;&#39;c");
    // Tab, line feed and carriage return stay; other controls become U+FFFD.
    EXPECT_EQ(EscapeMarkup("x\ty\nz\r\x01\x7f"), "x\ty\nz\r\xEF\xBF\xBD\x7f");
    // Well-formed UTF-8 stays as it is, up to four bytes.
    EXPECT_EQ(EscapeMarkup("\xC3\xA9\xE2\x89\xA5\xF0\x9F\x82\xA1"),
              "\xC3\xA9\xE2\x89\xA5\xF0\x9F\x82\xA1");
    // A lone continuation byte, a truncated sequence, an overlong '<', a surrogate and
    // U+FFFE: each ill-formed byte or forbidden character becomes one U+FFFD.
    EXPECT_EQ(EscapeMarkup("\x80"), "\xEF\xBF\xBD");
    EXPECT_EQ(EscapeMarkup("a\xE2\x89"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(EscapeMarkup("\xC0\xBC"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(EscapeMarkup("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(EscapeMarkup("\xEF\xBF\xBE"), "\xEF\xBF\xBD");
}

TEST(MarkupTextTest, SvgNumbersHaveAPointAndNoNeedlessDigits) {
    EXPECT_EQ(SvgNumber(12.5), "12.5");
    EXPECT_EQ(SvgNumber(3.0), "3");
    EXPECT_EQ(SvgNumber(1234567.126, 2), "1234567.13");
    EXPECT_EQ(SvgNumber(1e6), "1000000");
    EXPECT_EQ(SvgNumber(-0.001), "0");
    EXPECT_EQ(SvgNumber(0.3333333, 3), "0.333");
}

TEST(ReportTimeTest, UtcTextOfKnownInstants) {
    EXPECT_EQ(UtcTimeText(0), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(UtcTimeText(951782400), "2000-02-29 00:00:00 UTC");
    EXPECT_EQ(UtcTimeText(1765375509), "2025-12-10 14:05:09 UTC");
    EXPECT_EQ(UtcTimeText(253402300799), "9999-12-31 23:59:59 UTC");
}

TEST(ReportTimeTest, SourceDateEpochFixesTheTimeWhenItIsAWholeNumber) {
    setenv("SOURCE_DATE_EPOCH", "951782400", 1);
    EXPECT_EQ(ReportWrittenAt(), 951782400);
    // Not a number, signed, or past the year 9999: the clock, which is well after 2020.
    for (const char* bad : {"", "12x", "-5", "+5", "253402300800", "99999999999999999999"}) {
        setenv("SOURCE_DATE_EPOCH", bad, 1);
        EXPECT_GT(ReportWrittenAt(), 1577836800) << bad;
    }
    unsetenv("SOURCE_DATE_EPOCH");
}

// Holm's thresholds by rank: with p-values 0.5, 0.001, (not run), 0.02 at alpha 0.06 the ranks
// are 2, 0, -, 1 of three tests, so alpha/1, alpha/3, 0 and alpha/2.
TEST(ReportChartsTest, HolmThresholdsFollowTheRankOfEachPValue) {
    FairnessResult result;
    result.alpha = 0.06;
    for (const double p : {0.5, 0.001, -1.0, 0.02}) {
        FairnessTest test;
        test.ran = p >= 0;
        test.p = p >= 0 ? p : 1;
        result.tests.push_back(test);
    }
    const std::vector<double> thresholds = HolmThresholds(result);
    ASSERT_EQ(thresholds.size(), 4u);
    EXPECT_DOUBLE_EQ(thresholds[0], 0.06);
    EXPECT_DOUBLE_EQ(thresholds[1], 0.02);
    EXPECT_EQ(thresholds[2], 0.0);
    EXPECT_DOUBLE_EQ(thresholds[3], 0.03);
    // Equal p-values: the first in the result's order takes the lower rank.
    result.tests[0].p = 0.001;
    const std::vector<double> tied = HolmThresholds(result);
    EXPECT_DOUBLE_EQ(tied[0], 0.02);
    EXPECT_DOUBLE_EQ(tied[1], 0.03);
    EXPECT_DOUBLE_EQ(tied[3], 0.06);
}

// Every pair is in some bar, and the bars hold almost all of the expected pairs.
TEST(ReportChartsTest, HistogramBarsCoverEveryObservedPair) {
    const ShuffleCounts counts = RandomCounts(3000);
    for (const auto& bars : {RisingSequenceBars(counts), FixedPointBars(counts)}) {
        ASSERT_FALSE(bars.empty());
        std::uint64_t observed = 0;
        double expected = 0;
        for (const CountBar& bar : bars) {
            observed += bar.observed;
            expected += bar.expected;
        }
        EXPECT_EQ(observed, counts.Pairs());
        EXPECT_GT(expected, 0.999 * static_cast<double>(counts.Pairs()));
        EXPECT_LE(expected, static_cast<double>(counts.Pairs()) * (1 + 1e-12));
    }
    // Fixed points start at 0 (about 37% of pairs) and rising sequences centre on 26.5.
    EXPECT_EQ(FixedPointBars(counts).front().label, "0");
    EXPECT_NEAR(FixedPointBars(counts).front().expected, 3000 * 0.3679, 1.0);
    EXPECT_TRUE(RisingSequenceBars(RandomCounts(1)).empty());
}

TEST(ReportChartsTest, HandCategorySharesAreThoseOfTheStage) {
    SeatView hole;
    hole.stage = Stage::Hole;
    const auto holeShares = HandCategoryShares(RandomCounts(500, hole));
    ASSERT_EQ(holeShares.size(), 2u);
    // 78 of the 1326 two-card hands are pairs.
    EXPECT_DOUBLE_EQ(holeShares[1].expected, 78.0 / 1326.0);
    const auto riverShares = HandCategoryShares(RandomCounts(500));
    ASSERT_EQ(riverShares.size(), 10u);
    double observed = 0, expected = 0;
    for (const ShareBar& share : riverShares) {
        observed += share.observed;
        expected += share.expected;
    }
    EXPECT_NEAR(observed, 1.0, 1e-12);
    EXPECT_NEAR(expected, 1.0, 1e-12);
    // 4324 of the 133,784,560 seven-card sets hold a royal flush.
    EXPECT_DOUBLE_EQ(riverShares[9].expected, 4324.0 / 133784560.0);
}

TEST(ReproduceCommandTest, ShellWordsQuoteWhatTheShellWouldRead) {
    EXPECT_EQ(ShellWord("rows-1.txt"), "rows-1.txt");
    EXPECT_EQ(ShellWord("my rows.txt"), "'my rows.txt'");
    EXPECT_EQ(ShellWord("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellWord("$(rm -rf ~)"), "'$(rm -rf ~)'");
    EXPECT_EQ(ShellWord(""), "''");
}

TEST(ReproduceCommandTest, CommandsForEachKindOfSource) {
    SeatView view;
    view.players = 6;
    view.seatPosition = 6 + 2;  // D-2, rotating
    view.stage = Stage::Flop;
    const ShuffleCounts counts = RandomCounts(40, view);
    FairnessResult result = RunFairnessTests(counts, 0.05);
    ReportProvenance provenance = ModelProvenance(40);
    provenance.sources[0].source["seed"] = "timer";
    provenance.sources[0].source["from_new_deck"] = true;
    const std::string tail =
        " --players 6 --seat D-2 --rotate --stage flop --alpha 0.05 --format html --output r.html";
    EXPECT_EQ(
        ReproduceCommands(counts, result, provenance),
        std::vector<std::string>{"brevane-cli test --shuffles 40 --model fisher-yates --key " +
                                 std::string(64, 'a') + " --from-new-deck" + tail});

    provenance.sources[0].source = {{"file", "my rows.txt"}, {"sha256", "ab"}};
    EXPECT_EQ(ReproduceCommands(counts, result, provenance),
              (std::vector<std::string>{"sha256sum 'my rows.txt'",
                                        "brevane-cli test --input 'my rows.txt'" + tail}));

    provenance.merged = true;
    provenance.sources = {ReportSource{"a.json", {}, 20, {}}, ReportSource{"b c.json", {}, 20, {}}};
    EXPECT_EQ(ReproduceCommands(counts, result, provenance),
              std::vector<std::string>{
                  "brevane-cli merge a.json 'b c.json' test --alpha 0.05 --format html "
                  "--output r.html"});

    provenance.merged = false;
    provenance.sources.clear();
    EXPECT_EQ(ReproduceCommands(counts, result, provenance),
              std::vector<std::string>{"brevane-cli test --input shuffles.txt" + tail});
}

TEST_F(EvaluationReportTest, SectionsComeInOrderWithTheVerdictFirst) {
    const ShuffleCounts counts = RandomCounts(400);
    const FairnessResult result = RunFairnessTests(counts);
    const std::string page = BuildEvaluationReport(counts, result, ModelProvenance(400));
    std::size_t at = 0;
    for (const char* id :
         {"<header id=\"verdict\">", "<section id=\"tested\">", "<section id=\"results\">",
          "<section id=\"pictures\">", "<figure id=\"map-cards\">", "<figure id=\"map-moves\">",
          "<figure id=\"rising\">", "<figure id=\"fixed\">", "<figure id=\"hands\">",
          "<figure id=\"p-values\">", "<figure id=\"guessing\">", "<section id=\"method\">",
          "<section id=\"reproduce\">"}) {
        const std::size_t found = page.find(id, at);
        ASSERT_NE(found, std::string::npos) << id;
        at = found;
    }
    EXPECT_EQ(page.find("<script"), std::string::npos);
    EXPECT_EQ(page.find("<?xml"), std::string::npos);
    EXPECT_NE(page.find("1970-01-01 00:00:00 UTC"), std::string::npos);
    EXPECT_NE(page.find("@media print"), std::string::npos);
    // Each test that ran has a method paragraph and a row of results.
    for (const FairnessTest& test : result.tests) {
        EXPECT_NE(page.find("<h3>" + std::string(test.name) + "</h3>"), std::string::npos);
        EXPECT_NE(page.find("data-test=\"" + std::string(test.name) + "\""), std::string::npos);
    }
}

// A test that did not run shows its reason, and the overall verdict is inconclusive.
TEST_F(EvaluationReportTest, TestsThatDidNotRunSayWhy) {
    const ShuffleCounts counts = RandomCounts(100);
    const FairnessResult result = RunFairnessTests(counts);
    ASSERT_EQ(result.verdict, Verdict::Inconclusive);
    const std::string page = BuildEvaluationReport(counts, result, ModelProvenance(100));
    EXPECT_NE(page.find("data-verdict=\"inconclusive\">inconclusive</p>"), std::string::npos);
    EXPECT_NE(page.find("too few shuffles: needs at least 261 shuffles"), std::string::npos);
    EXPECT_NE(page.find(">did not run</text>"), std::string::npos);
}

// A program that draws twice, each time under an application object of its own, gets the
// same picture both times.
TEST(OffscreenPaintingTest, ASecondApplicationStartsAsTheFirst) {
    const ShuffleCounts counts = RandomCounts(300);
    std::string first;
    {
        const OffscreenPainting painting;
        first = BuildEvaluationReport(counts, RunFairnessTests(counts), ModelProvenance(300));
    }
    const OffscreenPainting painting;
    EXPECT_EQ(BuildEvaluationReport(counts, RunFairnessTests(counts), ModelProvenance(300)), first);
}

// Whatever a source holds, its texts reach the page escaped, in the facts and in the command.
TEST_F(EvaluationReportTest, SourceTextsAreEscaped) {
    const ShuffleCounts counts = RandomCounts(300);
    const FairnessResult result = RunFairnessTests(counts);
    ReportProvenance provenance = ModelProvenance(300);
    provenance.sources[0].source = {{"file", "<img src=x onerror=alert(1)>\xff.txt"},
                                    {"sha256", "</td>"},
                                    {"stream", "<b>2</b>"}};
    provenance.program = "<prog>";
    const std::string page = BuildEvaluationReport(counts, result, provenance);
    EXPECT_EQ(page.find("<img"), std::string::npos);
    EXPECT_EQ(page.find("<b>2"), std::string::npos);
    EXPECT_EQ(page.find("<prog>"), std::string::npos);
    EXPECT_NE(page.find("&lt;img src=x onerror=alert(1)&gt;\xEF\xBF\xBD.txt"), std::string::npos);
    // A field the report does not know is shown by its name.
    EXPECT_NE(page.find("<th>stream</th><td>&lt;b&gt;2&lt;/b&gt;</td>"), std::string::npos);
    EXPECT_NE(page.find("sha256sum &#39;&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);
}

// The guessing figure is drawn from the guessing tests when the result holds them.
TEST_F(EvaluationReportTest, GuessingFigureFromTheGuessingTests) {
    const ShuffleCounts counts = RandomCounts(400);
    FairnessResult result = RunFairnessTests(counts);
    // Results without guessing tests (made by hand) say so instead of drawing.
    result.tests.resize(7);
    const std::string without = BuildEvaluationReport(counts, result, ModelProvenance(400));
    EXPECT_NE(without.find("The guessing tests did not run"), std::string::npos);
    EXPECT_TRUE(GuessingSvg(result).empty());

    FairnessTest position;
    position.name = "guess-position";
    position.ran = true;
    position.statistic = 31.5;
    position.p = 1e-20;
    position.verdict = Verdict::Fail;
    position.guessing = GuessingFigure{6.08, 0.05};
    FairnessTest follower;
    follower.name = "guess-follower";
    follower.neededShuffles = 101;
    result.tests.push_back(position);
    result.tests.push_back(follower);
    const std::string svg = GuessingSvg(result);
    EXPECT_NE(svg.find(">6.08 \u00b1 0.05</text>"), std::string::npos);
    EXPECT_NE(svg.find(">fair 4.54</text>"), std::string::npos);
    EXPECT_NE(svg.find(">guess-follower</text>"), std::string::npos);
    EXPECT_NE(svg.find(">did not run</text>"), std::string::npos);

    const std::string page = BuildEvaluationReport(counts, result, ModelProvenance(400));
    EXPECT_EQ(page.find("The guessing tests did not run"), std::string::npos);
    EXPECT_NE(page.find(svg), std::string::npos);
    EXPECT_NE(page.find("6.08 \u00b1 0.05 of 52 cards right per deck, fair 4.54"),
              std::string::npos);
    // A guessing test has no degrees of freedom to show.
    const std::regex row(
        "<tr data-test=\"guess-position\"[^>]*><td>guess-position</td>"
        "<td class=\"number\" data-value=\"31.5\">31.50</td>"
        "<td class=\"number\">-</td>");
    EXPECT_TRUE(std::regex_search(page, row));
}

}  // namespace
}  // namespace brevane
