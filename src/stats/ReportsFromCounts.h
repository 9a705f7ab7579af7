#pragma once

#include "analysis/ReportCounters.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// Adds to a report's counter what it would have counted over the rows behind `counts`, taken
// from the card x position table and the hand categories; the counter must be empty (the hand
// categories' one of the same seat view), so its report reads as if it had seen the rows.
void AddShuffleCounts(PositionCounter& counter, const ShuffleCounts& counts);
void AddShuffleCounts(DeckPosCounter& counter, const ShuffleCounts& counts);
void AddShuffleCounts(HandCategoryCounter& counter, const ShuffleCounts& counts);

}  // namespace brevane
