#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "analysis/Seats.h"
#include "analysis/ShuffleList.h"

namespace brevane {

// The hand panel caption for a seat's seven cards at `stage`: the hole cards in brackets, the
// dealt board in brackets (left out at the Hole stage), "  =  " and the hand in words, e.g.
// "[Ah Ad] [2c 7h 9s]  =  Pair of Aces".
std::string HandPanelCaption(const SevenCards& cards, Stage stage);
// The same, for callers that already hold EvaluateHand of the seven cards.
std::string HandPanelCaption(const SevenCards& cards, Stage stage, std::int32_t value);

// The caption for a row of the list, or the empty text for no row.
std::string HandPanelCaption(const ShuffleList& list, std::optional<std::size_t> row,
                             const SeatView& view);

}  // namespace brevane
