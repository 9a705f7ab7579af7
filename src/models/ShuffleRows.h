#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "analysis/ShuffleList.h"
#include "cards/Cards.h"
#include "models/ShuffleModel.h"
#include "random/PRNG.h"

namespace brevane {

// Writes `count` rows of 52 bytes to rows[0..]: row k is row k - 1 (`start` for row 0) after
// one shuffle of `model`, or with `fromNewDeck` the first order 2c 2d ... As after one shuffle.
// Draws exactly the shuffles of these rows; fisher-yates takes the overlapped path of
// DrawShuffleRows, the others ApplyModelShuffle.
void MakeModelRows(const ShuffleModel& model, bool fromNewDeck, ShuffleGenerator& generator,
                   const std::uint8_t* start, std::uint8_t* rows, std::size_t count);

// Appends n shuffles of `model` to `list`, continuing from `deck` as AppendShuffles does (which
// fisher-yates uses unchanged); `deck` ends as the last row.
// `progress` and its cancel act as for ShuffleList::AppendRows.
void AppendModelShuffles(ShuffleList& list, Deck& deck, ShuffleGenerator& generator,
                         const ShuffleModel& model, std::size_t n,
                         WorkProgress* progress = nullptr);

// Makes rows one batch after another, each batch continuing from the last row of the one
// before, the first from 2c 2d ... As.
class ShuffleRowMaker {
  public:
    ShuffleRowMaker(ShuffleGenerator& generator, const ShuffleModel& model, bool fromNewDeck);

    // The next `count` rows into rows[0 .. 52 * count).
    void Make(std::uint8_t* rows, std::size_t count);

  private:
    static constexpr std::size_t ScratchRows = 256;

    ShuffleGenerator& generator_;
    ShuffleModel model_;
    bool fromNewDeck_;
    std::uint8_t last_[DeckSize];
    std::array<std::uint8_t, ScratchRows * DeckSize> scratch_;
};

}  // namespace brevane
