#include "stats/FairnessReport.h"

#include <algorithm>
#include <charconv>

#include "analysis/ReportTable.h"
#include "work/ParallelRows.h"

namespace brevane {

namespace {

constexpr std::size_t NameWidth = 18;
constexpr std::size_t StatisticWidth = 14;
constexpr std::size_t DfWidth = 7;
constexpr std::size_t PWidth = 12;

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string PadLeft(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

std::string ToText(double value, std::chars_format format, int precision) {
    char buffer[400];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision).ptr;
    return std::string(buffer, end);
}

// The shortest text that reads back as the same double: alpha as given, and the CSV's numbers.
std::string ShortestText(double value) {
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    return std::string(buffer, end);
}

std::string TestLine(const FairnessTest& test) {
    std::string line = PadRight(std::string(test.name), NameWidth);
    if (!test.ran) {
        line += PadLeft("-", StatisticWidth) + PadLeft("-", DfWidth) + "  " +
                PadRight("-", PWidth) + std::string(VerdictText(test.verdict)) + " (needs " +
                std::to_string(test.neededShuffles) + ")";
        return line;
    }
    line += PadLeft(FixedText(test.statistic, 2), StatisticWidth) +
            PadLeft(std::to_string(test.df), DfWidth) + "  " +
            PadRight(PValueText(test.p), PWidth) + std::string(VerdictText(test.verdict));
    return line;
}

}  // namespace

std::string FixedText(double value, int decimals) {
    return ToText(value, std::chars_format::fixed, decimals);
}

std::string PValueText(double p) {
    if (p >= 0.0001) return ToText(p, std::chars_format::fixed, 4);
    if (p == 0) return "< 4.9e-324";
    return ToText(p, std::chars_format::scientific, 1);
}

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
    lines.push_back(PadRight("Test", NameWidth) + PadLeft("Statistic", StatisticWidth) +
                    PadLeft("df", DfWidth) + "  " + PadRight("p", PWidth) + "Verdict");
    for (const FairnessTest& test : result.tests) lines.push_back(TestLine(test));
    lines.push_back("");
    lines.push_back(VerdictLine(result));
    lines.push_back("");
    lines.push_back("p is the chance that a fair shuffle gives a statistic at least this large.");
    lines.push_back("The position statistics are Pearson's X^2 times 51/52 (each row is a");
    lines.push_back("permutation); move-position, rising-sequences and fixed-points compare each");
    lines.push_back("shuffle with the one before.");
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
        line += ": " + std::to_string(missing.count) + " of " +
                std::to_string(result.tests.size()) +
                (missing.count == 1 ? " tests needs at least " : " tests need at least ") +
                std::to_string(missing.neededShuffles) + " shuffles";
    }
    return line;
}

std::string FairnessCsvText(const FairnessResult& result) {
    std::string text = "name,statistic,df,p,verdict\n";
    for (const FairnessTest& test : result.tests) {
        text += CsvField(test.name);
        if (test.ran) {
            text += ',' + ShortestText(test.statistic) + ',' + std::to_string(test.df) + ',' +
                    ShortestText(test.p) + ',';
        } else {
            text += ",,,,";
        }
        text += CsvField(VerdictText(test.verdict));
        text += '\n';
    }
    text += "overall,,,,";
    text += CsvField(VerdictText(result.verdict));
    text += '\n';
    return text;
}

ShuffleCounts CountShuffleList(const ShuffleList& list, const SeatView& view,
                               WorkProgress* progress) {
    return CountListRows<ShuffleCounts>(
        list, [&](std::size_t start) { return ShuffleCounts(view, start); }, DefaultThreadCount(),
        progress);
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
        list, counted, [&](std::size_t start) { return ShuffleCounts(view, start); },
        DefaultThreadCount(), progress));
}

Report BuildFairnessReport(const ShuffleList& list, const SeatView& view, const Report& source,
                           double alpha, WorkProgress* progress) {
    return FairnessReportLines(RunFairnessTests(CountShuffleList(list, view, progress), alpha),
                               view, source);
}

}  // namespace brevane
