#include "report/ReportCharts.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/ReportCounters.h"
#include "report/MarkupText.h"
#include "report/SvgPicture.h"
#include "stats/ExactDistributions.h"
#include "stats/NumberText.h"

namespace brevane {

namespace {

using Anchor = SvgPicture::Anchor;

constexpr std::string_view ObservedColour = "#4a7fb5";
constexpr std::string_view ExpectedColour = "#d95f02";
constexpr std::string_view FailColour = "#b2182b";
constexpr std::string_view PassColour = "#1b7837";
constexpr std::string_view GridColour = "#dddddd";
constexpr std::string_view AxisColour = "#555555";

constexpr double ChartWidth = 720;

// A round step (1, 2 or 5 times a power of ten) that divides [0, top] into about four parts.
double NiceStep(double top) {
    if (!(top > 0)) return 1;
    const double raw = top / 4;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw) return factor * power;
    }
    return 10 * power;
}

template <std::size_t N>
std::vector<CountBar> BarsOver(const std::array<std::uint64_t, N>& observed,
                               const std::array<double, N>& chance, std::uint64_t pairs,
                               int firstValue) {
    std::vector<CountBar> bars;
    if (pairs == 0) return bars;
    const auto shown = [&](std::size_t i) {
        return observed[i] > 0 || chance[i] * static_cast<double>(pairs) >= 0.5;
    };
    std::size_t first = 0;
    while (first < N && !shown(first)) ++first;
    std::size_t last = N;
    while (last > first && !shown(last - 1)) --last;
    for (std::size_t i = first; i < last; ++i) {
        bars.push_back({std::to_string(static_cast<int>(i) + firstValue), observed[i],
                        chance[i] * static_cast<double>(pairs)});
    }
    return bars;
}

// A share as a percentage: two decimals, or four below 1% where the rare hands lie.
std::string ShareText(double share) {
    return FixedText(share * 100, share < 0.01 ? 4 : 2) + "%";
}

void Legend(SvgPicture& svg, double x, double y, std::string_view first, std::string_view second) {
    svg.Rect(x, y - 9, 14, 10, ObservedColour);
    svg.Text(x + 20, y, first, Anchor::Start, 11);
    svg.Line(x + 150, y - 4, x + 166, y - 4, ExpectedColour, 3);
    svg.Text(x + 172, y, second, Anchor::Start, 11);
}

}  // namespace

std::vector<CountBar> RisingSequenceBars(const ShuffleCounts& counts) {
    return BarsOver(counts.RisingSequences(), RisingSequenceProbabilities(), counts.Pairs(), 1);
}

std::vector<CountBar> FixedPointBars(const ShuffleCounts& counts) {
    return BarsOver(counts.FixedPoints(), FixedPointProbabilities(), counts.Pairs(), 0);
}

std::string CountBarsSvg(std::string_view label, std::string_view axis,
                         const std::vector<CountBar>& bars) {
    const double left = 80, right = 16, top = 34, plotHeight = 220;
    SvgPicture svg(ChartWidth, top + plotHeight + 56, label);
    Legend(svg, left, 18, "observed", "expected for a fair shuffle");
    double highest = 0;
    for (const CountBar& bar : bars)
        highest = std::max({highest, static_cast<double>(bar.observed), bar.expected});
    const double step = NiceStep(highest);
    const double ceiling = std::max(step, std::ceil(highest / step) * step);
    const double plotWidth = ChartWidth - left - right;
    const double bottom = top + plotHeight;
    const auto yOf = [&](double value) { return bottom - value / ceiling * plotHeight; };
    for (double tick = 0; tick <= ceiling * (1 + 1e-9); tick += step) {
        svg.Line(left, yOf(tick), left + plotWidth, yOf(tick), GridColour);
        svg.Text(left - 6, yOf(tick) + 4, GroupedText(static_cast<std::uint64_t>(tick)),
                 Anchor::End, 10);
    }
    const double slot = bars.empty() ? plotWidth : plotWidth / static_cast<double>(bars.size());
    const std::size_t labelEvery = std::max<std::size_t>(1, (bars.size() + 25) / 26);
    for (std::size_t i = 0; i < bars.size(); ++i) {
        const CountBar& bar = bars[i];
        const double x = left + slot * static_cast<double>(i);
        const double height = static_cast<double>(bar.observed) / ceiling * plotHeight;
        svg.Rect(x + slot * 0.15, bottom - height, slot * 0.7, height, ObservedColour);
        svg.Line(x + slot * 0.05, yOf(bar.expected), x + slot * 0.95, yOf(bar.expected),
                 ExpectedColour, 3);
        if (i % labelEvery == 0) svg.Text(x + slot / 2, bottom + 14, bar.label, Anchor::Middle, 10);
    }
    svg.Line(left, bottom, left + plotWidth, bottom, AxisColour);
    svg.Text(left + plotWidth / 2, bottom + 34, axis, Anchor::Middle, 12);
    svg.Text(16, top + plotHeight / 2, "pairs", Anchor::Start, 11);
    return svg.Finish();
}

std::vector<ShareBar> HandCategoryShares(const ShuffleCounts& counts) {
    const HandCategoryTotals& totals = CategoryTotalsForStage(counts.View().stage);
    const auto observed = counts.HandCategories();
    const double rows = static_cast<double>(counts.Rows());
    std::vector<ShareBar> shares;
    for (std::size_t i = 0; i < totals.cells; ++i) {
        shares.push_back(
            {std::string(HandCategoryNames[i]),
             rows > 0 ? static_cast<double>(observed[i]) / rows : 0,
             static_cast<double>(totals.counts[i]) / static_cast<double>(totals.total)});
    }
    return shares;
}

std::string SharesSvg(std::string_view label, const std::vector<ShareBar>& shares) {
    const double left = 130, valuesWidth = 190, top = 34, row = 26;
    const double plotWidth = ChartWidth - left - valuesWidth - 10;
    SvgPicture svg(ChartWidth, top + row * static_cast<double>(shares.size()) + 12, label);
    Legend(svg, left, 18, "observed share", "share for a fair shuffle");
    double highest = 0;
    for (const ShareBar& share : shares)
        highest = std::max({highest, share.observed, share.expected});
    const double scale = highest > 0 ? plotWidth / highest : 0;
    for (std::size_t i = 0; i < shares.size(); ++i) {
        const ShareBar& share = shares[i];
        const double y = top + row * static_cast<double>(i);
        svg.Text(left - 8, y + 15, share.label, Anchor::End, 11);
        svg.Rect(left, y + 4, share.observed * scale, row - 10, ObservedColour);
        const double x = left + share.expected * scale;
        svg.Line(x, y + 1, x, y + row - 3, ExpectedColour, 3);
        svg.Text(ChartWidth - valuesWidth, y + 15,
                 ShareText(share.observed) + " (fair " + ShareText(share.expected) + ")",
                 Anchor::Start, 11);
    }
    svg.Line(left, top, left, top + row * static_cast<double>(shares.size()), AxisColour);
    return svg.Finish();
}

std::vector<double> HolmThresholds(const FairnessResult& result) {
    std::vector<std::size_t> ran;
    for (std::size_t i = 0; i < result.tests.size(); ++i)
        if (result.tests[i].ran) ran.push_back(i);
    std::stable_sort(ran.begin(), ran.end(), [&](std::size_t a, std::size_t b) {
        return result.tests[a].p < result.tests[b].p;
    });
    std::vector<double> thresholds(result.tests.size(), 0.0);
    for (std::size_t rank = 0; rank < ran.size(); ++rank)
        thresholds[ran[rank]] = result.alpha / static_cast<double>(ran.size() - rank);
    return thresholds;
}

std::string PValuesSvg(const FairnessResult& result) {
    const double left = 150, valuesWidth = 120, top = 40, row = 26;
    const double plotWidth = ChartWidth - left - valuesWidth - 10;
    const double rows = static_cast<double>(result.tests.size());
    SvgPicture svg(ChartWidth, top + row * rows + 40, "p-values of every test");
    // The axis runs over -log10 p from 0 to a whole number of decades past the smallest p and
    // past alpha's smallest Holm threshold; a p-value of 0 (below the smallest double) sits at
    // the end.
    double deepest = -std::log10(result.alpha / std::max(rows, 1.0)) + 1;
    for (const FairnessTest& test : result.tests)
        if (test.ran && test.p > 0) deepest = std::max(deepest, -std::log10(test.p) + 0.5);
    const double decades = std::ceil(std::min(deepest, 330.0));
    const auto xOf = [&](double p) {
        const double depth = p > 0 ? std::min(-std::log10(p), decades) : decades;
        return left + depth / decades * plotWidth;
    };
    const double bottom = top + row * rows;
    const int tickEvery = static_cast<int>(std::ceil(decades / 10));
    for (int d = 0; d <= static_cast<int>(decades); d += tickEvery) {
        const double x = left + d / decades * plotWidth;
        svg.Line(x, top - 4, x, bottom, GridColour);
        svg.Text(x, bottom + 14, d == 0 ? "1" : "1e-" + std::to_string(d), Anchor::Middle, 10);
    }
    svg.Text(left + plotWidth / 2, bottom + 32, "p-value (logarithmic; further right is smaller)",
             Anchor::Middle, 11);
    const double alphaX = xOf(result.alpha);
    svg.Line(alphaX, top - 8, alphaX, bottom, FailColour, 1.5, true);
    svg.Text(alphaX + 4, top - 12, "alpha = " + ShortestText(result.alpha), Anchor::Start, 11,
             false, std::string(FailColour));
    svg.Text(left, top - 26, "| Holm threshold of the test's rank", Anchor::Start, 11, false,
             std::string(AxisColour));
    const std::vector<double> thresholds = HolmThresholds(result);
    for (std::size_t i = 0; i < result.tests.size(); ++i) {
        const FairnessTest& test = result.tests[i];
        const double y = top + row * static_cast<double>(i) + row / 2;
        svg.Text(left - 8, y + 4, test.name, Anchor::End, 11);
        if (!test.ran) {
            svg.Text(left + 6, y + 4, "did not run", Anchor::Start, 11, false, "#777");
            continue;
        }
        const double holmX = xOf(thresholds[i]);
        svg.Line(holmX, y - 8, holmX, y + 8, AxisColour, 2);
        const bool failed = test.verdict == Verdict::Fail;
        svg.Circle(xOf(test.p), y, 5, failed ? FailColour : PassColour);
        svg.Text(ChartWidth - valuesWidth, y + 4,
                 (test.p > 0 ? "p = " : "p ") + PValueText(test.p) + (failed ? " fail" : " pass"),
                 Anchor::Start, 11);
    }
    return svg.Finish();
}

std::string GuessingSvg(const FairnessResult& result) {
    std::vector<const FairnessTest*> tests;
    for (const FairnessTest& test : result.tests)
        if (IsGuessingTest(test)) tests.push_back(&test);
    if (tests.empty()) return {};
    double low = FairGuessesPerDeck, high = FairGuessesPerDeck;
    for (const FairnessTest* test : tests) {
        if (!test->ran || !test->guessing) continue;
        low = std::min(low, test->guessing->mean - test->guessing->halfWidth);
        high = std::max(high, test->guessing->mean + test->guessing->halfWidth);
    }
    low = std::max(0.0, std::floor(low - 0.5));
    high = std::min(52.0, std::ceil(high + 0.5));
    const double left = 150, valuesWidth = 150, top = 40, row = 34;
    const double plotWidth = ChartWidth - left - valuesWidth - 10;
    const double rows = static_cast<double>(tests.size());
    SvgPicture svg(ChartWidth, top + row * rows + 40, "Correct guesses per deck");
    const auto xOf = [&](double v) { return left + (v - low) / (high - low) * plotWidth; };
    const double bottom = top + row * rows;
    const double step = NiceStep(high - low) / 2 >= 0.5 ? NiceStep(high - low) / 2 : 0.5;
    for (double v = low; v <= high + 1e-9; v += step) {
        svg.Line(xOf(v), top - 4, xOf(v), bottom, GridColour);
        svg.Text(xOf(v), bottom + 14, SvgNumber(v, 1), Anchor::Middle, 10);
    }
    svg.Text(left + plotWidth / 2, bottom + 32, "correct guesses per deck of 52 cards",
             Anchor::Middle, 11);
    const double fairX = xOf(FairGuessesPerDeck);
    svg.Line(fairX, top - 8, fairX, bottom, PassColour, 1.5, true);
    svg.Text(fairX + 4, top - 12, "fair " + FixedText(FairGuessesPerDeck, 2), Anchor::Start, 11,
             false, std::string(PassColour));
    for (std::size_t i = 0; i < tests.size(); ++i) {
        const FairnessTest& test = *tests[i];
        const double y = top + row * static_cast<double>(i) + row / 2;
        svg.Text(left - 8, y + 4, test.name, Anchor::End, 11);
        if (!test.ran || !test.guessing) {
            svg.Text(left + 6, y + 4, "did not run", Anchor::Start, 11, false, "#777");
            continue;
        }
        const GuessingFigure& figure = *test.guessing;
        const std::string_view colour = test.verdict == Verdict::Fail ? FailColour : ObservedColour;
        svg.Line(xOf(figure.mean - figure.halfWidth), y, xOf(figure.mean + figure.halfWidth), y,
                 colour, 3);
        svg.Line(xOf(figure.mean - figure.halfWidth), y - 6, xOf(figure.mean - figure.halfWidth),
                 y + 6, colour, 2);
        svg.Line(xOf(figure.mean + figure.halfWidth), y - 6, xOf(figure.mean + figure.halfWidth),
                 y + 6, colour, 2);
        svg.Circle(xOf(figure.mean), y, 5, colour);
        svg.Text(ChartWidth - valuesWidth, y + 4,
                 FixedText(figure.mean, 2) + " \u00b1 " + FixedText(figure.halfWidth, 2),
                 Anchor::Start, 11);
    }
    return svg.Finish();
}

}  // namespace brevane
