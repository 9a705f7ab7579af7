#include "analysis/ReportLines.h"

#include <stdexcept>
#include <string>

#include "analysis/Messages.h"
#include "cards/Cards.h"

namespace brevane {

namespace {

void RequireRows(std::uint64_t n) {
    if (n == 0) throw std::invalid_argument(std::string(NoHandsDealtText));
}

// "label = count  (percent%)"
std::string CountLine(std::string_view label, std::uint64_t count, std::uint64_t n,
                      std::string_view separator) {
    std::string line(label);
    line += " = ";
    line += std::to_string(count);
    line += "  (";
    line += PercentText(count, n, separator);
    line += "%)";
    return line;
}

// Selection line, "Shuffles: N", empty line, first section title, empty line.
Report ReportHead(std::string_view prefix, std::string_view selectionText, std::uint64_t n,
                  std::string_view title) {
    Report lines;
    lines.push_back(std::string(prefix) + std::string(selectionText));
    lines.push_back("Shuffles: " + std::to_string(n));
    lines.emplace_back();
    lines.emplace_back(title);
    lines.emplace_back();
    return lines;
}

constexpr std::string_view SuitTitle = "Avg = 25.0000%";
constexpr std::string_view RankTitle = "Avg = 7.6923%";
constexpr std::string_view CardTitle = "Avg = 1.9231%";

std::string Title(std::string_view what, std::string_view average) {
    return std::string(what) + " = Count  (Percent) " + std::string(average);
}

}  // namespace

Report BuildReport(const PositionCounter& counter, std::string_view selectionText,
                   std::string_view separator) {
    const std::uint64_t n = counter.Rows();
    RequireRows(n);
    std::string_view prefix;
    std::string_view average;
    switch (counter.GetKind()) {
        case PositionCounter::Kind::Suit:
            prefix = "Suit Selected: ";
            average = SuitTitle;
            break;
        case PositionCounter::Kind::Rank:
            prefix = "Rank Selected: ";
            average = RankTitle;
            break;
        case PositionCounter::Kind::Card:
            prefix = "Card Selected: ";
            average = CardTitle;
            break;
    }
    Report lines = ReportHead(prefix, selectionText, n, Title("Position", average));
    const auto counts = counter.Counts();
    for (std::size_t p = 0; p < counts.size(); ++p) {
        lines.push_back(CountLine(std::to_string(p + 1), counts[p], n, separator));
    }
    return lines;
}

Report BuildReport(const DeckPosCounter& counter, std::string_view positionText,
                   std::string_view separator) {
    const std::uint64_t n = counter.Rows();
    RequireRows(n);
    const auto& cards = counter.CardCounts();
    std::array<std::uint64_t, 4> suits{};
    std::array<std::uint64_t, 13> ranks{};
    for (CardCode c = 1; c <= DeckSize; ++c) {
        suits[static_cast<std::size_t>(SuitIndex(c))] += cards[static_cast<std::size_t>(c)];
        ranks[static_cast<std::size_t>(RankIndex(c))] += cards[static_cast<std::size_t>(c)];
    }
    Report lines = ReportHead("Deck Position: ", positionText, n, Title("Suit", SuitTitle));
    for (std::size_t s = 0; s < suits.size(); ++s) {
        lines.push_back(CountLine(SuitLetters.substr(s, 1), suits[s], n, separator));
    }
    lines.emplace_back();
    lines.push_back(Title("Rank", RankTitle));
    lines.emplace_back();
    for (std::size_t r = 0; r < ranks.size(); ++r) {
        lines.push_back(CountLine(RankLetters.substr(r, 1), ranks[r], n, separator));
    }
    lines.emplace_back();
    lines.push_back(Title("Card", CardTitle));
    lines.emplace_back();
    for (CardCode c = 1; c <= DeckSize; ++c) {
        lines.push_back(CountLine(CardName(c), cards[static_cast<std::size_t>(c)], n, separator));
    }
    return lines;
}

Report BuildReport(const HandCategoryCounter& counter, std::string_view separator) {
    static constexpr std::array<std::string_view, HandCategoryCount> labels{
        "High Card:       ", "Pair:            ", "Two Pair:        ", "Three of a Kind: ",
        "Straight:        ", "Flush:           ", "Full House:      ", "Four of a Kind:  ",
        "Straight Flush:  ", "Royal Flush:     "};
    const std::uint64_t n = counter.Rows();
    RequireRows(n);
    Report lines;
    const SeatView& view = counter.View();
    lines.push_back("Player position: " + view.SeatText());
    lines.push_back("Cards dealt: " + std::string(view.StageText()));
    lines.push_back("Shuffles: " + std::to_string(n));
    lines.emplace_back();
    const auto counts = counter.Counts();
    // At the Hole stage two cards can only be a pair or not.
    const std::size_t shown = view.stage == Stage::Hole ? 2 : labels.size();
    for (std::size_t i = 0; i < shown; ++i) {
        std::string line(labels[i]);
        line += std::to_string(counts[i]);
        line += "  (";
        line += PercentText(counts[i], n, separator);
        line += "%)";
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace brevane
