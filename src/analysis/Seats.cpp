#include "analysis/Seats.h"

namespace brevane {

std::int32_t SeatDeckPosition(const SeatView& view, std::int64_t row) {
    const std::int32_t n = view.players;
    if (!view.Rotating()) return n - view.seatPosition;
    const std::int64_t k = view.seatPosition - n;
    // (k + row) mod n, taken without adding first: k + row would overflow for rows near 2^63.
    // The row is never negative for a listed row; the adjustment keeps the result in 1..n for
    // any row a caller might pass.
    std::int64_t j = (row % n + k) % n;
    if (j < 0) j += n;
    return n - static_cast<std::int32_t>(j);
}

SevenCards GetPlayerCards(const ShuffleList& list, std::int64_t row, const SeatView& view) {
    if (row < 0 || static_cast<std::uint64_t>(row) >= list.Count()) return SevenCards{};
    const std::size_t index = static_cast<std::size_t>(row);
    return SeatCardsFromRow(list.Row(index), view, SeatDeckPosition(view, row));
}

std::vector<std::string> SeatPositionLabels(std::int32_t n) {
    std::vector<std::string> labels;
    labels.reserve(static_cast<std::size_t>(2 * n));
    for (int pass = 0; pass < 2; ++pass) {
        const char* suffix = pass == 0 ? "" : "  (rotate)";
        labels.push_back(std::string("D") + suffix);
        for (std::int32_t i = 1; i < n; ++i) labels.push_back("D-" + std::to_string(i) + suffix);
    }
    return labels;
}

CardRole PositionRole(const SeatView& view, std::int64_t row, std::int32_t q) {
    const std::int32_t n = view.players;
    if (q <= 2 * n) {
        const std::int32_t d = SeatDeckPosition(view, row);
        return q == d || q == d + n ? CardRole::SeatHoleCard : CardRole::OtherHoleCard;
    }
    return q - 2 * n <= BoardCardCount(view.stage) ? CardRole::DealtCommunityCard
                                                   : CardRole::UndealtCard;
}

std::string SeatView::SeatText() const {
    return SeatPositionLabels(players)[static_cast<std::size_t>(seatPosition)];
}

}  // namespace brevane
