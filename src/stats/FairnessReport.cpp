#include "stats/FairnessReport.h"

#include "work/ParallelRows.h"

#include <algorithm>
#include <charconv>

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

// Alpha as given: the shortest text that reads back as the same double.
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

Report FairnessReportLines(const FairnessResult& result, const SeatView& view) {
    Report lines;
    lines.push_back("Fairness tests");
    lines.push_back("Shuffles: " + std::to_string(result.shuffles));
    lines.push_back("Hand categories of: " + view.SeatText() + ", " +
                    std::string(view.StageText()) + ", " + std::to_string(view.players) +
                    " players");
    lines.push_back("Significance level: " + ShortestText(result.alpha) +
                    ", Holm's step-down over the tests that ran");
    lines.push_back("");
    lines.push_back(PadRight("Test", NameWidth) + PadLeft("Statistic", StatisticWidth) +
                    PadLeft("df", DfWidth) + "  " + PadRight("p", PWidth) + "Verdict");
    std::size_t ran = 0, failed = 0;
    for (const FairnessTest& test : result.tests) {
        lines.push_back(TestLine(test));
        ran += test.ran;
        failed += test.verdict == Verdict::Fail;
    }
    lines.push_back("");
    std::string verdict = "Verdict: " + std::string(VerdictText(result.verdict));
    if (ran == 0) {
        verdict += " (no test had enough shuffles to run)";
    } else if (failed > 0) {
        verdict += " (" + std::to_string(failed) + " of " + std::to_string(ran) + " tests failed)";
    }
    lines.push_back(verdict);
    lines.push_back("");
    lines.push_back("p is the chance that a fair shuffle gives a statistic at least this large.");
    lines.push_back("The position statistics are Pearson's X^2 times 51/52 (each row is a");
    lines.push_back("permutation); move-position, rising-sequences and fixed-points compare each");
    lines.push_back("shuffle with the one before.");
    return lines;
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

Report BuildFairnessReport(const ShuffleList& list, const SeatView& view, double alpha,
                           WorkProgress* progress) {
    return FairnessReportLines(RunFairnessTests(CountShuffleList(list, view, progress), alpha),
                               view);
}

}  // namespace brevane
