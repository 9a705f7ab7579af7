#include "stats/LargestCell.h"

#include <cmath>

#include "stats/NumberText.h"

namespace brevane {

namespace {

std::string PercentText(double percent) {
    return FixedText(percent, 2) + "%";
}

std::string PositionText(int position) {
    return "position " + std::to_string(position + 1);
}

}  // namespace

double LargestCell::Percent() const {
    return 100.0 * static_cast<double>(observed) / static_cast<double>(total);
}

double LargestCell::ExpectedPercent() const {
    return 100.0 * chance;
}

std::string LargestCell::RowName() const {
    switch (table) {
        case CellTable::Cards:
            return CardName(row + 1);
        case CellTable::Suits:
            return std::string(SuitNames[static_cast<std::size_t>(row)]);
        case CellTable::Ranks:
            return std::string(1, RankLetters[static_cast<std::size_t>(row)]);
        case CellTable::Moves:
            break;
    }
    return std::to_string(row + 1);
}

std::string LargestCell::Text() const {
    if (table == CellTable::Moves) {
        return "the card at " + PositionText(row) + " went to " + PositionText(position) + " in " +
               PercentText(Percent()) + " of " + GroupedText(total) + " pairs, expected " +
               PercentText(ExpectedPercent());
    }
    return RowName() + " at " + PositionText(position) + ": " + GroupedText(observed) + " of " +
           GroupedText(total) + " rows (" + PercentText(Percent()) + "), expected " +
           PercentText(ExpectedPercent()) + ", z = " + SignedText(z);
}

std::string LargestCell::Sentence() const {
    const std::string share = " in " + PercentText(Percent()) + " of shuffles instead of " +
                              PercentText(ExpectedPercent()) + ".";
    switch (table) {
        case CellTable::Cards:
            return "The " + RowName() + " was at " + PositionText(position) + share;
        case CellTable::Suits:
            return "A " + RowName() + " was at " + PositionText(position) + share;
        case CellTable::Ranks:
            return "A card of rank " + RowName() + " was at " + PositionText(position) + share;
        case CellTable::Moves:
            break;
    }
    return "From one shuffle to the next, the card at " + PositionText(row) + " went to " +
           PositionText(position) + share;
}

double CellZ(std::uint64_t observed, std::uint64_t total, std::size_t rows) {
    const double r = static_cast<double>(rows);
    const double expected = static_cast<double>(total) / r;
    return (static_cast<double>(observed) - expected) / std::sqrt(expected * ((r - 1) / r));
}

std::optional<LargestCell> FindLargestCell(
    std::span<const std::array<std::uint64_t, DeckSize>> table, std::uint64_t total,
    CellTable kind) {
    if (total == 0 || table.empty()) return std::nullopt;
    LargestCell best;
    best.table = kind;
    best.total = total;
    best.chance = 1.0 / static_cast<double>(table.size());
    double bestSize = -1;
    for (std::size_t r = 0; r < table.size(); ++r) {
        for (std::size_t p = 0; p < DeckSize; ++p) {
            const double z = CellZ(table[r][p], total, table.size());
            if (std::fabs(z) <= bestSize) continue;
            bestSize = std::fabs(z);
            best.row = static_cast<int>(r);
            best.position = static_cast<int>(p);
            best.observed = table[r][p];
            best.z = z;
        }
    }
    return best;
}

}  // namespace brevane
