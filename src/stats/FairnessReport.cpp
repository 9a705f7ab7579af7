#include "stats/FairnessReport.h"

#include <algorithm>
#include <optional>

#include "analysis/ReportTable.h"
#include "guessing/GuessingRun.h"
#include "stats/EffectSize.h"
#include "stats/FairnessSummary.h"
#include "work/ParallelRows.h"

namespace brevane {

namespace {

constexpr std::size_t NameWidth = 18;
constexpr std::size_t StatisticWidth = 14;
constexpr std::size_t DfWidth = 7;
constexpr std::size_t PWidth = 10;
constexpr std::size_t WWidth = 8;
constexpr std::size_t DetectsWidth = 13;
// The summary's lines are no longer than the notes under it.
constexpr std::size_t SummaryWidth = 78;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string PadLeft(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string OptionalW(const std::optional<double>& w) {
    return w ? SignificantText(*w, EffectDigits) : "-";
}

std::string TestLine(const FairnessTest& test) {
    std::string line = PadRight(std::string(test.name), NameWidth);
    const std::string effect =
        PadLeft(OptionalW(test.w), WWidth) + PadLeft(OptionalW(test.detectsW), DetectsWidth) + "  ";
    if (!test.ran) {
        line += PadLeft("-", StatisticWidth) + PadLeft("-", DfWidth) + "  " +
                PadRight("-", PWidth) + effect + std::string(VerdictText(test.verdict));
        line += test.verdict == Verdict::NotRun
                    ? " (" + std::string(test.reason) + ")"
                    : " (needs " + std::to_string(test.neededShuffles) + ")";
        return line;
    }
    line += PadLeft(FixedText(test.statistic, 2), StatisticWidth) +
            PadLeft(test.df == 0 ? std::string("-") : std::to_string(test.df), DfWidth) + "  " +
            PadRight(PValueText(test.p), PWidth) + effect + std::string(VerdictText(test.verdict));
    return line;
}

// `text` broken at spaces into lines of at most `width` bytes (a longer word keeps a line of its
// own).
Report Wrapped(const std::string& text, std::size_t width) {
    Report lines;
    std::string line;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        const std::string word = text.substr(start, end - start);
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            lines.push_back(line);
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += word;
        start = end + 1;
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

}  // namespace

Report FairnessReportLines(const FairnessResult& result, const SeatView& view,
                           const Report& source) {
    Report lines;
    lines.push_back("Fairness tests");
    lines.insert(lines.end(), source.begin(), source.end());
    lines.push_back("Shuffles: " + std::to_string(result.shuffles));
    lines.push_back("Hand categories of: " + view.SeatText() + ", " +
                    std::string(view.StageText()) + ", " + std::to_string(view.players) +
                    " players");
    lines.push_back("Significance level: " + ShortestText(result.alpha) +
                    ", Holm's step-down over the tests that ran");
    lines.push_back("");
    // "\u2265" is one character wide where the padding counts its three bytes.
    lines.push_back(PadRight("Test", NameWidth) + PadLeft("Statistic", StatisticWidth) +
                    PadLeft("df", DfWidth) + "  " + PadRight("p", PWidth) + PadLeft("w", WWidth) +
                    PadLeft("detects w \u2265", DetectsWidth + 2) + "  Verdict");
    for (const FairnessTest& test : result.tests) lines.push_back(TestLine(test));
    // A block of one line per test that has `text`, under `heading`; no block when none has.
    const auto addBlock = [&](std::string_view heading, auto text) {
        bool headed = false;
        for (const FairnessTest& test : result.tests) {
            const std::optional<std::string> line = text(test);
            if (!line) continue;
            if (!headed) {
                lines.push_back("");
                lines.emplace_back(heading);
                headed = true;
            }
            lines.push_back(PadRight(std::string(test.name), NameWidth) + *line);
        }
    };
    addBlock("Largest cell of each position table (the largest |z|):",
             [](const FairnessTest& test) -> std::optional<std::string> {
                 if (!test.largestCell) return std::nullopt;
                 return test.largestCell->Text();
             });
    addBlock("Correct guesses per deck, with the 95% interval:",
             [](const FairnessTest& test) -> std::optional<std::string> {
                 if (!test.guessing) return std::nullopt;
                 return GuessingFigureText(*test.guessing);
             });
    lines.push_back("");
    lines.push_back(VerdictLine(result));
    for (std::string& line : Wrapped(FairnessSummary(result), SummaryWidth))
        lines.push_back(std::move(line));
    lines.push_back("");
    lines.push_back("p is the chance that a fair shuffle gives a statistic at least this large.");
    lines.push_back("The position statistics are Pearson's X^2 times 51/52 (each row is a");
    lines.push_back("permutation); move-position, rising-sequences and fixed-points compare each");
    lines.push_back(result.fromNewDeck ? "shuffle with the new deck it was made from."
                                       : "shuffle with the one before.");
    if (std::any_of(result.tests.begin(), result.tests.end(), IsGuessingTest)) {
        lines.push_back("The guessing tests score a player who names each card before it is");
        lines.push_back("shown, learning from the earlier shuffles; z is the excess of correct");
        lines.push_back("guesses over a fair shuffle's, p its one-sided normal tail.");
    }
    lines.push_back("w is the size of the bias, beyond what chance adds: for a position test the");
    lines.push_back("typical share by which a cell's count misses its expected count. A fair");
    lines.push_back(
        "shuffle gives w near 0. \"detects w \u2265\" is the smallest w that the test,");
    lines.push_back("with these shuffles, finds 9 times in 10 at its share of the significance");
    lines.push_back("level (alpha over the tests that ran).");
    return lines;
}

std::string VerdictLine(const FairnessResult& result) {
    std::string line = "Verdict: " + std::string(VerdictText(result.verdict));
    if (result.verdict == Verdict::Fail) {
        std::size_t ran = 0, failed = 0;
        for (const FairnessTest& test : result.tests) {
            ran += test.ran;
            failed += test.verdict == Verdict::Fail;
        }
        line += " (" + std::to_string(failed) + " of " + std::to_string(ran) + " tests failed)";
    } else if (result.verdict == Verdict::Inconclusive) {
        const MissingTests missing = TestsNotRun(result);
        const std::size_t tooFew = missing.count - missing.notRun;
        const std::string ofAll = " of " + std::to_string(result.tests.size());
        if (tooFew > 0) {
            line += ": " + std::to_string(tooFew) + ofAll +
                    (tooFew == 1 ? " tests needs at least " : " tests need at least ") +
                    std::to_string(missing.neededShuffles) + " shuffles";
        }
        if (missing.notRun > 0) {
            line += (tooFew > 0 ? "; " : ": ") + std::to_string(missing.notRun) + ofAll +
                    " tests not run";
        }
    }
    return line;
}

std::string GuessingFigureText(const GuessingFigure& figure) {
    return FixedText(figure.mean, 2) + " \u00b1 " + FixedText(figure.halfWidth, 2) +
           " of 52 cards, fair " + FixedText(FairGuessesPerDeck, 2);
}

std::string FairnessCsvText(const FairnessResult& result) {
    const auto number = [](const std::optional<double>& value) {
        return value ? ShortestText(*value) : std::string();
    };
    std::string text = "name,statistic,df,p,w,detects_w,verdict\n";
    for (const FairnessTest& test : result.tests) {
        text += CsvField(test.name);
        if (test.ran) {
            text += ',' + ShortestText(test.statistic) + ',' +
                    (test.df == 0 ? std::string() : std::to_string(test.df)) + ',' +
                    ShortestText(test.p);
        } else {
            text += ",,,";
        }
        text += ',' + number(test.w) + ',' + number(test.detectsW) + ',';
        text += CsvField(VerdictText(test.verdict));
        text += '\n';
    }
    text += "overall,,,,,,";
    text += CsvField(VerdictText(result.verdict));
    text += '\n';
    return text;
}

namespace {

// Both guessing games over every row of `list`, each row continuing from the one before.
GuessingCounts GuessList(const ShuffleList& list) {
    GuessingRun run(false, DefaultThreadCount());
    for (std::size_t r = 0; r < list.Count();) {
        const std::size_t take =
            std::min(list.Count() - r, ShuffleList::RowsPerBlock - r % ShuffleList::RowsPerBlock);
        run.AddRows(list.Row(r), take);
        r += take;
    }
    return run.Finish();
}

}  // namespace

ShuffleCounts CountShuffleList(const ShuffleList& list, const SeatView& view,
                               WorkProgress* progress) {
    ShuffleCounts counts = CountListRows<ShuffleCounts>(
        list,
        [&](std::size_t start) {
            ShuffleCounts part(view, start);
            part.DeferGuessing();
            return part;
        },
        DefaultThreadCount(), progress);
    counts.SetGuessing(GuessList(list));
    return counts;
}

void CountNewListRows(ShuffleCounts& counts, const ShuffleList& list, WorkProgress* progress) {
    const std::size_t counted = counts.Rows();
    const SeatView view = counts.View();
    const auto sameRow = [&](const std::array<std::uint8_t, DeckSize>& row, std::size_t r) {
        return std::equal(row.begin(), row.end(), list.Row(r));
    };
    const bool stillThere =
        counts.FirstRowIndex() == 0 && counted <= list.Count() &&
        (counted == 0 || (sameRow(counts.FirstRow(), 0) && sameRow(counts.LastRow(), counted - 1)));
    if (!stillThere) {
        counts = CountShuffleList(list, view, progress);
        return;
    }
    if (counted == list.Count()) return;
    counts.Merge(CountListRowsFrom<ShuffleCounts>(
        list, counted,
        [&](std::size_t start) {
            ShuffleCounts part(view, start);
            part.DeferGuessing();
            return part;
        },
        DefaultThreadCount(), progress));
    counts.SetGuessing(GuessList(list));
}

Report BuildFairnessReport(const ShuffleList& list, const SeatView& view, const Report& source,
                           double alpha, WorkProgress* progress) {
    return FairnessReportLines(RunFairnessTests(CountShuffleList(list, view, progress), alpha),
                               view, source);
}

}  // namespace brevane
