#include "analysis/Reports.h"

#include <algorithm>

#include "analysis/ReportLines.h"
#include "work/ParallelRows.h"

namespace brevane {

namespace {

// Counts every row of the list with copies of `counter` over consecutive ranges of rows, on the
// default number of threads; the counts do not depend on that number.
template <typename Counter>
Counter CountList(const ShuffleList& list, const Counter& counter, WorkProgress* progress) {
    return CountListRows<Counter>(
        list, [&](std::size_t) { return counter; }, DefaultThreadCount(), progress);
}

}  // namespace

Report BuildSuitReport(const ShuffleList& list, int suitIndex, std::string_view suitText,
                       std::string_view separator, WorkProgress* progress) {
    auto counter = PositionCounter::ForSuit(suitIndex);
    return BuildReport(CountList(list, counter, progress), suitText, separator);
}

Report BuildRankReport(const ShuffleList& list, int rankIndex, std::string_view rankText,
                       std::string_view separator, WorkProgress* progress) {
    auto counter = PositionCounter::ForRank(rankIndex);
    return BuildReport(CountList(list, counter, progress), rankText, separator);
}

Report BuildCardReport(const ShuffleList& list, std::int32_t cardCode, std::string_view cardText,
                       std::string_view separator, WorkProgress* progress) {
    auto counter = PositionCounter::ForCard(cardCode);
    return BuildReport(CountList(list, counter, progress), cardText, separator);
}

Report BuildDeckPosReport(const ShuffleList& list, int deckPosition, std::string_view positionText,
                          std::string_view separator, WorkProgress* progress) {
    DeckPosCounter counter(deckPosition);
    return BuildReport(CountList(list, counter, progress), positionText, separator);
}

Report BuildHandCategoryReport(const ShuffleList& list, const SeatView& view,
                               std::string_view separator, WorkProgress* progress) {
    const HandCategoryCounter counter = CountListRows<HandCategoryCounter>(
        list, [&](std::size_t start) { return HandCategoryCounter(view, std::int64_t(start)); },
        DefaultThreadCount(), progress);
    return BuildReport(counter, separator);
}

}  // namespace brevane
