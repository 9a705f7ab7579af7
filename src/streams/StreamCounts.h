#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "analysis/SeatView.h"
#include "cards/Cards.h"
#include "stats/ShuffleCounts.h"
#include "streams/StreamPlan.h"
#include "work/WorkProgress.h"

namespace brevane {

// Where the rows of a sum of streams begin and end: the first row of its lowest stream and the
// last row of its highest, which is what adding the streams in order leaves as the first and
// last row.
struct StreamEnds {
    static constexpr std::uint64_t None = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t firstStream = None;
    std::uint64_t lastStream = None;
    std::array<std::uint8_t, DeckSize> first{};
    std::array<std::uint8_t, DeckSize> last{};

    // Takes in the ends of stream `stream`, or of a sum of streams, `other`.
    void Note(std::uint64_t stream, const ShuffleCounts& counts);
    void Note(const StreamEnds& other);
};

// The counts of whole streams added in any order, ending as adding them in stream order would:
// each stream is a list of its own, so only the pairs within it count.
class StreamTotal {
  public:
    StreamTotal(const SeatView& view, std::uint64_t firstRow, bool fromNewDeck)
        : sum_(view, firstRow, fromNewDeck) {}

    void Add(std::uint64_t stream, const ShuffleCounts& counts);
    void Add(const StreamTotal& other);
    // The sum, with the first and last rows of the lowest and highest stream.
    ShuffleCounts Result() const;
    const StreamEnds& Ends() const { return ends_; }

  private:
    ShuffleCounts sum_;
    StreamEnds ends_;
};

// The ends of `counts`, the counts of every stream of `plan`.
StreamEnds EndsOf(const StreamPlan& plan, const ShuffleCounts& counts);

// `counts` with its first and last rows set from `ends` (unchanged when it holds no rows).
ShuffleCounts WithEnds(const ShuffleCounts& counts, const StreamEnds& ends);

// Makes and counts the rows of every stream of `plan`, each stream starting at row index
// `firstRow` of its own list, on up to `threads` threads: a stream is made and counted by one
// thread, the streams taken by the next thread free. With one stream and two threads or more,
// the rows are made on one thread and counted on another. The result is the same for every
// thread count. Advances `progress` (if any) by the rows counted.
ShuffleCounts CountStreams(const StreamPlan& plan, const SeatView& view, std::uint64_t firstRow,
                           unsigned threads, WorkProgress* progress = nullptr);

}  // namespace brevane
