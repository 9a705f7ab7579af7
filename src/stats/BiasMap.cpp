#include "stats/BiasMap.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "cards/Cards.h"
#include "stats/ChiSquare.h"
#include "stats/EffectSize.h"
#include "stats/NumberText.h"

namespace brevane {

namespace {

constexpr double PermutationCorrection = 51.0 / 52.0;

std::uint8_t Towards(std::uint8_t from, std::uint8_t to, double t) {
    const double value = from + (static_cast<double>(to) - from) * t;
    return static_cast<std::uint8_t>(std::floor(value + 0.5));
}

}  // namespace

std::optional<BiasView> BiasViewFromName(std::string_view name) {
    if (name == "cards") return BiasView::Cards;
    if (name == "moves") return BiasView::Moves;
    return std::nullopt;
}

double BiasZ(std::uint64_t observed, double expected) {
    return (static_cast<double>(observed) - expected) / std::sqrt(expected * PermutationCorrection);
}

Rgb BiasColour(double z) {
    const Rgb& end = z < 0 ? BiasLowColour : BiasHighColour;
    const double t = std::min(std::fabs(z) / BiasColourLimit, 1.0);
    return {Towards(BiasZeroColour.r, end.r, t), Towards(BiasZeroColour.g, end.g, t),
            Towards(BiasZeroColour.b, end.b, t)};
}

namespace {

std::optional<std::string_view> Shortage(std::uint64_t rows, std::uint64_t pairs, BiasView view) {
    if (rows == 0) return "No hands dealt";
    if (view == BiasView::Moves && pairs == 0) {
        return "The Moves view needs at least two shuffles: it follows the cards from each "
               "shuffle to the next";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string_view> BiasMapShortage(std::uint64_t rows, BiasView view) {
    return Shortage(rows, rows == 0 ? 0 : rows - 1, view);
}

std::optional<std::string_view> BiasMapShortage(const ShuffleCounts& counts, BiasView view) {
    return Shortage(counts.Rows(), counts.Pairs(), view);
}

BiasView MoreTellingView(const BiasMap* cards, const BiasMap* moves) {
    if (!moves || !moves->Test().ran) return BiasView::Cards;
    if (!cards || !cards->Test().ran) return BiasView::Moves;
    const FairnessTest& c = cards->Test();
    const FairnessTest& m = moves->Test();
    if (m.p != c.p) return m.p < c.p ? BiasView::Moves : BiasView::Cards;
    return m.statistic > c.statistic ? BiasView::Moves : BiasView::Cards;
}

BiasMap::BiasMap(const ShuffleCounts& counts, BiasView view, double alpha)
    : view_(view),
      total_(view == BiasView::Cards ? counts.Rows() : counts.Pairs()),
      counts_(view == BiasView::Cards ? counts.CardPosition() : counts.Moves()),
      expected_(static_cast<double>(total_) / 52.0),
      alpha_(alpha) {
    if (const auto shortage = BiasMapShortage(counts, view)) {
        throw std::invalid_argument(std::string(*shortage));
    }
    const std::string_view name = view == BiasView::Cards ? "card-position" : "move-position";
    const FairnessResult result = RunFairnessTests(counts, alpha);
    test_ = *std::find_if(result.tests.begin(), result.tests.end(),
                          [&](const FairnessTest& t) { return t.name == name; });
    if (test_.ran) {
        const double p[] = {test_.p};
        test_.verdict = HolmRejections(p, alpha)[0] ? Verdict::Fail : Verdict::Pass;
        test_.detectsW = DetectableW(test_.df, test_.observations, alpha);
    }
}

double BiasMap::Z(int row, int column) const {
    return BiasZ(counts_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)],
                 expected_);
}

std::string BiasMap::Title() const {
    const bool cards = view_ == BiasView::Cards;
    std::string title = cards ? "Cards: M = " : "Moves: M = ";
    title += std::to_string(total_) + (cards ? " rows; " : " pairs; ");
    title += std::string(test_.name) + ": " + std::string(VerdictText(test_.verdict));
    if (!test_.ran) return title + " (needs " + std::to_string(test_.neededShuffles) + ")";
    const std::string p = PValueText(test_.p);
    title += p.front() == '<' ? ", p " + p : ", p = " + p;
    return title + " (alpha " + ShortestText(alpha_) + ")";
}

std::string BiasMap::RowLabel(int row) const {
    return view_ == BiasView::Cards ? CardName(row + 1) : std::to_string(row + 1);
}

std::string BiasMap::ColumnLabel(int column) {
    return std::to_string(column + 1);
}

std::string_view BiasMap::RowAxisCaption() const {
    return view_ == BiasView::Cards ? "Card" : "Earlier position";
}

std::string_view BiasMap::ColumnAxisCaption() const {
    return view_ == BiasView::Cards ? "Position" : "Later position";
}

std::string BiasMap::CellText(int row, int column) const {
    std::string text = view_ == BiasView::Cards
                           ? "Card " + RowLabel(row) + ", position "
                           : "Earlier position " + RowLabel(row) + ", later position ";
    text += ColumnLabel(column) + ": O = ";
    text +=
        std::to_string(counts_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)]);
    text += ", E = " + FixedText(expected_, 2) + ", z = " + SignedText(Z(row, column));
    return text;
}

std::string BiasMap::CsvText() const {
    std::string text = view_ == BiasView::Cards ? "card" : "earlier";
    for (int j = 0; j < DeckSize; ++j) {
        text += ',';
        text += ColumnLabel(j);
    }
    text += '\n';
    for (int i = 0; i < DeckSize; ++i) {
        text += RowLabel(i);
        for (const std::uint64_t count : counts_[static_cast<std::size_t>(i)]) {
            text += ',';
            text += std::to_string(count);
        }
        text += '\n';
    }
    return text;
}

}  // namespace brevane
