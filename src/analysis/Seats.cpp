#include "analysis/Seats.h"

namespace brevane {

std::int32_t SeatDeckPosition(std::int32_t n, std::int32_t seatPosition, std::int64_t row) {
    if (seatPosition < n) return n - seatPosition;
    const std::int64_t k = seatPosition - n;
    // The row is never negative for a listed row; the adjustment keeps the result in 1..n for
    // any row a caller might pass.
    std::int64_t j = (k + row) % n;
    if (j < 0) j += n;
    return n - static_cast<std::int32_t>(j);
}

SevenCards GetPlayerCards(const ShuffleList& list, std::int64_t row, std::int32_t n,
                          std::int32_t seatPosition, std::int32_t stage) {
    if (row < 0 || static_cast<std::uint64_t>(row) >= list.Count()) return SevenCards{};
    const std::size_t index = static_cast<std::size_t>(row);
    return SeatCardsFromRow(list.Row(index), n, SeatDeckPosition(n, seatPosition, row), stage);
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

CardRole PositionRole(std::int32_t n, std::int32_t seatPosition, std::int32_t stage,
                      std::int64_t row, std::int32_t q) {
    if (q <= 2 * n) {
        const std::int32_t d = SeatDeckPosition(n, seatPosition, row);
        return q == d || q == d + n ? CardRole::SeatHoleCard : CardRole::OtherHoleCard;
    }
    return q - 2 * n <= BoardCardCount[stage] ? CardRole::DealtCommunityCard
                                              : CardRole::UndealtCard;
}

}  // namespace brevane
