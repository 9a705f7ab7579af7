// The pictures of the evaluation report, each a <figure> with its caption.
#include <QByteArray>
#include <string>
#include <utility>
#include <vector>

#include "render/BiasMapFile.h"
#include "report/MarkupText.h"
#include "report/ReportCharts.h"
#include "report/ReportSections.h"
#include "stats/BiasMap.h"
#include "stats/NumberText.h"

namespace brevane {

namespace {

std::string Figure(std::string_view id, std::string_view title, const std::string& picture,
                   std::string_view caption) {
    return "<figure id=\"" + std::string(id) + "\">\n<h3>" + EscapeMarkup(title) + "</h3>\n" +
           picture + "\n<figcaption>" + EscapeMarkup(caption) + "</figcaption>\n</figure>\n";
}

std::string Note(std::string_view text) {
    return "<p class=\"not-drawn\">" + EscapeMarkup(text) + "</p>";
}

// `svg` with each id="NAME" and its references "#NAME" renamed PREFIX-NAME, so that two
// pictures in one page neither repeat an id nor draw with each other's definitions.
std::string PrefixIds(std::string svg, const std::string& prefix) {
    std::vector<std::string> names;
    for (std::size_t at = svg.find(" id=\""); at != std::string::npos;
         at = svg.find(" id=\"", at + 1)) {
        const std::size_t start = at + 5;
        const std::size_t end = svg.find('"', start);
        if (end == std::string::npos) break;
        names.push_back(svg.substr(start, end - start));
    }
    for (const std::string& name : names) {
        for (const auto& [from, to] :
             {std::pair<std::string, std::string>{" id=\"" + name + "\"",
                                                  " id=\"" + prefix + "-" + name + "\""},
              {"#" + name + ")", "#" + prefix + "-" + name + ")"},
              {"#" + name + "\"", "#" + prefix + "-" + name + "\""}}) {
            for (std::size_t at = svg.find(from); at != std::string::npos;
                 at = svg.find(from, at + to.size()))
                svg.replace(at, from.size(), to);
        }
    }
    return svg;
}

// The bias map's SVG file as an element of the page: what comes before <svg (the XML
// declaration) has no place inside HTML.
std::string BiasMapElement(const ShuffleCounts& counts, BiasView view, double alpha) {
    if (const auto shortage = BiasMapShortage(counts, view)) return Note(*shortage);
    const BiasMap map(counts, view, alpha);
    const QByteArray bytes = EncodeBiasMap(map, PictureFormat::Svg);
    const qsizetype start = bytes.indexOf("<svg");
    if (start < 0) return Note("The bias map could not be drawn.");
    return PrefixIds(
        std::string(bytes.constData() + start, static_cast<std::size_t>(bytes.size() - start)),
        view == BiasView::Cards ? "cards" : "moves");
}

// A histogram over the pairs, or a note when there is no pair.
std::string HistogramFigure(std::string_view id, std::string_view title,
                            const std::vector<CountBar>& bars, std::string_view axis,
                            std::string_view caption) {
    const std::string picture =
        bars.empty() ? Note("Needs at least two shuffles.")
                     : CountBarsSvg(std::string(title) + ": observed and expected", axis, bars);
    return Figure(id, title, picture, caption);
}

std::string GuessingNote(const FairnessResult& result) {
    bool any = false;
    for (const FairnessTest& test : result.tests) any = any || IsGuessingTest(test);
    return any ? std::string()
               : Note(
                     "The guessing tests did not run: the fairness tests of this program hold "
                     "no guessing game.");
}

}  // namespace

std::string PicturesSection(const ShuffleCounts& counts, const FairnessResult& result) {
    std::string html = "<section id=\"pictures\">\n<h2>Pictures</h2>\n";
    html += Figure(
        "map-cards", "Bias map: cards", BiasMapElement(counts, BiasView::Cards, result.alpha),
        "A row per card (2c to As), a column per deck position (1 to 52). Each cell is coloured "
        "by how far its count lies from the count a fair shuffle expects: red for more often, "
        "blue for less, full colour at 4 standard deviations. A fair shuffle gives an even, pale "
        "speckle without pattern; coloured rows, columns, bands or blocks are bias. The title "
        "line gives card-position's verdict at the significance level on its own.");
    html += Figure(
        "map-moves", "Bias map: moves", BiasMapElement(counts, BiasView::Moves, result.alpha),
        "A row per position in a shuffle, a column per position in the next one: a cell counts "
        "how often the card at the row's position went to the column's position. A fair shuffle "
        "sends every card anywhere alike and gives an even, pale speckle; a band, such as one "
        "along the diagonal, means cards travel habitual distances.");
    html +=
        HistogramFigure("rising", "Rising sequences", RisingSequenceBars(counts),
                        "rising sequences in a shuffle of the order before it",
                        "Bars: the pairs of consecutive shuffles with each number of rising "
                        "sequences; marks: the exact counts a fair shuffle expects. For a fair "
                        "shuffle the bars reach their marks up to chance, peaking around 26; "
                        "bars heaped to the left mean the deck keeps runs of its earlier order.");
    html += HistogramFigure(
        "fixed", "Fixed points", FixedPointBars(counts), "cards that keep their position",
        "Bars: the pairs of consecutive shuffles in which each number of cards "
        "kept their position; marks: the exact counts for a fair shuffle, about "
        "37% with none, 37% with one and 18% with two. For a fair shuffle the "
        "bars reach their marks up to chance.");
    const SeatView& view = counts.View();
    html += Figure(
        "hands", "Hand categories",
        SharesSvg("Hand categories: observed and expected shares", HandCategoryShares(counts)),
        "The share of each hand category for seat " + view.SeatText() + " at the " +
            std::string(view.StageText()) + " with " + std::to_string(view.players) +
            " players (bars), against the exact share of every set of that many cards "
            "(marks). For a fair shuffle each bar ends at its mark up to chance.");
    html += Figure(
        "p-values", "p-values of all tests", PValuesSvg(result),
        "Each test's p-value on a logarithmic axis, smaller to the right; the dashed line is "
        "alpha = " +
            ShortestText(result.alpha) +
            ", and each test's short mark is the Holm "
            "threshold of its rank, alpha over the number of tests not yet decided. Holm's "
            "step-down fails the tests in order of p for as long as each lies right of its mark. "
            "For a fair shuffle the dots scatter left of their marks.");
    std::string guessing = GuessingSvg(result);
    if (guessing.empty()) guessing = GuessingNote(result);
    html += Figure(
        "guessing", "Guessing tests", guessing,
        "Correct guesses per deck of a player who learns from the earlier shuffles, with the 95% "
        "interval, against " +
            FixedText(FairGuessesPerDeck, 2) +
            " (1/52 + 1/51 + ... + 1/1), "
            "what any player can expect from a fair shuffle, whatever the strategy. For a fair "
            "shuffle the interval "
            "holds 4.54 or lies close to it; an interval to the right means the order can be "
            "predicted.");
    return html + "</section>\n";
}

}  // namespace brevane
