#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/ShuffleList.h"

namespace brevane {

// Dealt stage: 0 Hole, 1 Flop, 2 Turn, 3 River.
inline constexpr std::array<std::int32_t, 4> BoardCardCount{0, 3, 4, 5};

// Hole 1, hole 2, flop 1-3, turn, river; 0 for a card the stage has not dealt.
using SevenCards = std::array<std::int32_t, 7>;

// Deck position (1..n) of the seat's first hole card on `row`; the second is at d + n.
// Seat positions 0..n-1 are fixed seats D, D-1, ...; n..2n-1 rotate with the row.
std::int32_t SeatDeckPosition(std::int32_t n, std::int32_t seatPosition, std::int64_t row);

// Steps the first-hole-card position from row to row, for callers visiting rows in order from
// row 0. Gives SeatDeckPosition(n, seatPosition, r) on the r-th call of Current()/Advance().
class SeatStepper {
  public:
    SeatStepper(std::int32_t n, std::int32_t seatPosition)
        : n_(n), rotating_(seatPosition >= n), d_(n - seatPosition % n) {}
    // Starts at row `startRow` (>= 0) instead of row 0.
    SeatStepper(std::int32_t n, std::int32_t seatPosition, std::int64_t startRow)
        : SeatStepper(n, seatPosition) {
        if (rotating_) d_ = n - static_cast<std::int32_t>((seatPosition - n + startRow) % n);
    }
    std::int32_t Current() const { return d_; }
    bool Rotating() const { return rotating_; }
    // Sets the position for the current row, as a caller that stepped d itself found it.
    void Seek(std::int32_t d) { d_ = d; }
    void Advance() {
        if (rotating_ && --d_ < 1) d_ = n_;
    }

  private:
    std::int32_t n_;
    bool rotating_;
    std::int32_t d_;
};

// The seven cards of a 52-byte row for the seat whose first hole card is at deck position d.
// Inline: the report and search loops call it once per row.
inline SevenCards SeatCardsFromRow(const std::uint8_t* row, std::int32_t n, std::int32_t d,
                                   std::int32_t stage) {
    const std::uint8_t* board = row + 2 * n;
    const std::int32_t boardCount = BoardCardCount[static_cast<std::size_t>(stage)];
    SevenCards cards{row[d - 1], row[d + n - 1]};
    for (std::int32_t i = 0; i < 5; ++i) cards[2 + i] = i < boardCount ? board[i] : 0;
    return cards;
}

// Seven zeros for a row outside the list.
SevenCards GetPlayerCards(const ShuffleList& list, std::int64_t row, std::int32_t n,
                          std::int32_t seatPosition, std::int32_t stage);

// "D", "D-1", ..., "D  (rotate)", "D-1  (rotate)", ...: 2n texts.
std::vector<std::string> SeatPositionLabels(std::int32_t n);

enum class CardRole { SeatHoleCard, OtherHoleCard, DealtCommunityCard, UndealtCard };

// Role of deck position q (1..52) on `row` for the grid colouring.
CardRole PositionRole(std::int32_t n, std::int32_t seatPosition, std::int32_t stage,
                      std::int64_t row, std::int32_t q);

}  // namespace brevane
