#include "analysis/Reports.h"

#include <algorithm>

#include "analysis/ReportLines.h"

namespace brevane {

namespace {

// Feeds every row of the list to `counter` in list order, one block of contiguous rows at a time.
template <typename Counter>
Counter& CountList(const ShuffleList& list, Counter& counter) {
    const std::size_t count = list.Count();
    for (std::size_t start = 0; start < count; start += ShuffleList::RowsPerBlock) {
        counter.AddRows(list.Row(start), std::min(ShuffleList::RowsPerBlock, count - start));
    }
    return counter;
}

}  // namespace

Report BuildSuitReport(const ShuffleList& list, int suitIndex, std::string_view suitText,
                       std::string_view separator) {
    auto counter = PositionCounter::ForSuit(suitIndex);
    return BuildReport(CountList(list, counter), suitText, separator);
}

Report BuildRankReport(const ShuffleList& list, int rankIndex, std::string_view rankText,
                       std::string_view separator) {
    auto counter = PositionCounter::ForRank(rankIndex);
    return BuildReport(CountList(list, counter), rankText, separator);
}

Report BuildCardReport(const ShuffleList& list, std::int32_t cardCode, std::string_view cardText,
                       std::string_view separator) {
    auto counter = PositionCounter::ForCard(cardCode);
    return BuildReport(CountList(list, counter), cardText, separator);
}

Report BuildDeckPosReport(const ShuffleList& list, int deckPosition, std::string_view positionText,
                          std::string_view separator) {
    DeckPosCounter counter(deckPosition);
    return BuildReport(CountList(list, counter), positionText, separator);
}

Report BuildHandCategoryReport(const ShuffleList& list, const SeatView& view,
                               std::string_view separator) {
    HandCategoryCounter counter(view);
    return BuildReport(CountList(list, counter), separator);
}

}  // namespace brevane
