#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/SeatView.h"
#include "analysis/ShuffleList.h"

namespace brevane {

// Hole 1, hole 2, flop 1-3, turn, river; 0 for a card the stage has not dealt.
using SevenCards = std::array<std::int32_t, 7>;

// Deck position d (1..players) of the seat's first hole card on `row`; the second is at
// d + players.
std::int32_t SeatDeckPosition(const SeatView& view, std::int64_t row);

// Steps the first-hole-card position from row to row, for callers visiting rows in order.
// Gives SeatDeckPosition(view, r) on the call of Current() for row r.
class SeatStepper {
  public:
    // Starts at row `startRow` (>= 0).
    explicit SeatStepper(const SeatView& view, std::int64_t startRow = 0)
        : n_(view.players), rotating_(view.Rotating()), d_(SeatDeckPosition(view, startRow)) {}
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

// The seven cards of a row of card-code bytes for the seat whose first hole card is at deck
// position d. Inline: the report and search loops call it once per row.
inline SevenCards SeatCardsFromRow(const std::uint8_t* row, const SeatView& view, std::int32_t d) {
    const std::int32_t n = view.players;
    const std::uint8_t* board = row + 2 * n;
    const std::int32_t boardCount = BoardCardCount(view.stage);
    SevenCards cards{row[d - 1], row[d + n - 1]};
    for (std::int32_t i = 0; i < 5; ++i) cards[2 + i] = i < boardCount ? board[i] : 0;
    return cards;
}

// Seven zeros for a row outside the list.
SevenCards GetPlayerCards(const ShuffleList& list, std::int64_t row, const SeatView& view);

// "D", "D-1", ..., "D  (rotate)", "D-1  (rotate)", ...: 2n texts.
std::vector<std::string> SeatPositionLabels(std::int32_t n);

enum class CardRole { SeatHoleCard, OtherHoleCard, DealtCommunityCard, UndealtCard };

// Role of deck position q (1..52) on `row` for the grid colouring.
CardRole PositionRole(const SeatView& view, std::int64_t row, std::int32_t q);

}  // namespace brevane
