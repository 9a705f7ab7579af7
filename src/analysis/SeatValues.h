#pragma once

#include <cstddef>
#include <cstdint>

#include "analysis/Seats.h"
#include "cards/Cards.h"
#include "hand/PokerHand.h"

namespace brevane {

// Most rows a caller of EvaluateSeatRows hands over at once.
inline constexpr std::size_t SeatBatchRows = 32;

// How many rows ahead EvaluateSeatRows asks for rows to be brought into the cache.
inline constexpr std::size_t SeatPrefetchRows = 64;

namespace seat_values {

// The first hole card at deck position `d`, moving one position lower after every row when the
// seat rotates (after position 1 comes n again).
template <int BoardCount, bool Rotating>
void Evaluate(const std::uint8_t* rows, std::size_t count, std::int32_t n, std::int32_t& d,
              std::int32_t* values) {
    for (std::size_t r = 0; r < count; ++r) {
        const std::uint8_t* row = rows + r * DeckSize;
        const std::uint8_t* board = row + 2 * n;
        // The last card read, the river's place, SeatPrefetchRows rows on.
        __builtin_prefetch(board + SeatPrefetchRows * DeckSize + 4);
        values[r] = EvaluateHand(row[d - 1], row[d + n - 1], BoardCount > 0 ? board[0] : 0,
                                 BoardCount > 1 ? board[1] : 0, BoardCount > 2 ? board[2] : 0,
                                 BoardCount > 3 ? board[3] : 0, BoardCount > 4 ? board[4] : 0);
        if (Rotating && --d < 1) d = n;
    }
}

template <bool Rotating>
void EvaluateAtStage(const std::uint8_t* rows, std::size_t count, std::int32_t n, Stage stage,
                     std::int32_t& d, std::int32_t* values) {
    switch (BoardCardCount(stage)) {
        case 0:
            return Evaluate<0, Rotating>(rows, count, n, d, values);
        case 3:
            return Evaluate<3, Rotating>(rows, count, n, d, values);
        case 4:
            return Evaluate<4, Rotating>(rows, count, n, d, values);
        default:
            return Evaluate<5, Rotating>(rows, count, n, d, values);
    }
}

}  // namespace seat_values

// Hand values of one seat on `count` (at most SeatBatchRows) consecutive rows stored back to
// back, the seat stepping on by one row after each; the same cards as SeatCardsFromRow, passed
// to EvaluateHand in their order. The values go to a local array first and are used afterwards,
// so the evaluations of a batch do not wait on each other and their table look-ups overlap.
// Rows further on are prefetched (a prefetch past the rows never faults).
inline void EvaluateSeatRows(const std::uint8_t* rows, std::size_t count, const SeatView& view,
                             SeatStepper& seat, std::int32_t* values) {
    std::int32_t d = seat.Current();
    if (seat.Rotating()) {
        seat_values::EvaluateAtStage<true>(rows, count, view.players, view.stage, d, values);
    } else {
        seat_values::EvaluateAtStage<false>(rows, count, view.players, view.stage, d, values);
    }
    seat.Seek(d);
}

}  // namespace brevane
