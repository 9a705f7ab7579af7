#include "analysis/HandFinder.h"

#include <algorithm>
#include <limits>

#include "analysis/SeatValues.h"
#include "hand/PokerHand.h"

namespace brevane {

const std::array<std::string_view, HandClassCount> HandClassCaptions{"High Card",
                                                                     "Pair -",
                                                                     "Pair",
                                                                     "Pair +",
                                                                     "Two Pair -",
                                                                     "Two Pair",
                                                                     "Two Pair +",
                                                                     "Three of a Kind -",
                                                                     "Three of a Kind",
                                                                     "Three of a Kind +",
                                                                     "Straight -",
                                                                     "Straight",
                                                                     "Straight +",
                                                                     "Flush -",
                                                                     "Flush",
                                                                     "Flush +",
                                                                     "Full House -",
                                                                     "Full House",
                                                                     "Full House +",
                                                                     "Four of a Kind -",
                                                                     "Four of a Kind",
                                                                     "Four of a Kind +",
                                                                     "Straight Flush -",
                                                                     "Straight Flush",
                                                                     "Straight Flush +",
                                                                     "Royal Flush"};

namespace {

// The values of a class as one closed interval [low, high].
struct ValueRange {
    std::int32_t low;
    std::int32_t high;
    bool Contains(std::int32_t v) const { return low <= v && v <= high; }
};

constexpr std::int32_t CategoryStep = 0x100000;
constexpr std::int32_t Lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Highest = std::numeric_limits<std::int32_t>::max();

// Class 0 is "High Card"; categories 2 (pair) to 9 (straight flush) each give the classes
// 3c-5 ("C -", up to the next category), 3c-4 ("C", the category alone) and 3c-3 ("C +", the
// category and above). Above the straight flush comes the royal flush, a class of its own.
constexpr std::array<ValueRange, HandClassCount> ClassRanges = [] {
    std::array<ValueRange, HandClassCount> ranges{};
    ranges[0] = {Lowest, 2 * CategoryStep - 1};
    for (std::int32_t c = 2; c <= 9; ++c) {
        const std::int32_t low = c * CategoryStep;
        const std::int32_t next = c == 9 ? RoyalFlushValue : (c + 1) * CategoryStep;
        ranges[3 * c - 5] = {Lowest, next - 1};
        ranges[3 * c - 4] = {low, next - 1};
        ranges[3 * c - 3] = {low, Highest};
    }
    ranges[25] = {RoyalFlushValue, RoyalFlushValue};
    return ranges;
}();

// Matches nothing: the range for a class outside 0..25.
constexpr ValueRange NoValues{1, 0};

ValueRange RangeOf(std::int32_t handClass) {
    if (handClass < 0 || handClass >= HandClassCount) return NoValues;
    return ClassRanges[static_cast<std::size_t>(handClass)];
}

}  // namespace

std::optional<std::int32_t> HandClassFromCaption(std::string_view caption) {
    for (std::int32_t c = 0; c < HandClassCount; ++c) {
        if (HandClassCaptions[static_cast<std::size_t>(c)] == caption) return c;
    }
    return std::nullopt;
}

bool HandClassMatches(std::int32_t handClass, std::int32_t v) {
    return RangeOf(handClass).Contains(v);
}

std::optional<std::size_t> FindNextHandRow(const ShuffleList& list, std::size_t startRow,
                                           std::int32_t handClass, const SeatView& view,
                                           WorkProgress* progress) {
    constexpr std::size_t ProgressRows = 16384;
    const std::size_t count = list.Count();
    if (startRow >= count) return std::nullopt;
    const ValueRange range = RangeOf(handClass);
    SeatStepper seat(view, static_cast<std::int64_t>(startRow));
    std::int32_t values[SeatBatchRows];
    std::size_t sinceReport = 0;
    for (std::size_t r = startRow; r < count;) {
        // A batch never crosses the end of a storage block, so its rows lie back to back.
        const std::size_t inBlock = ShuffleList::RowsPerBlock - r % ShuffleList::RowsPerBlock;
        const std::size_t take = std::min({SeatBatchRows, count - r, inBlock});
        EvaluateSeatRows(list.Row(r), take, view, seat, values);
        for (std::size_t k = 0; k < take; ++k) {
            if (range.Contains(values[k])) return r + k;
        }
        r += take;
        sinceReport += take;
        if (sinceReport >= ProgressRows) {
            ReportProgress(progress, sinceReport);
            sinceReport = 0;
        }
    }
    return std::nullopt;
}

}  // namespace brevane
