#include "ranges/RoundCuts.h"

#include <algorithm>

#include "analysis/RowParser.h"
#include "ranges/FileRanges.h"

namespace brevane {

std::uint64_t RoundCuts::Cut(std::uint64_t round, int rank, int ranks) const {
    const std::uint64_t from = round * span;
    if (from >= size) return size;
    const std::uint64_t within =
        WeightedCut(std::min(span, size - from), static_cast<std::uint64_t>(rank),
                    static_cast<std::uint64_t>(ranks), firstShare);
    return from + within;
}

RoundCuts PlanRounds(std::uint64_t size, int ranks, std::uint64_t firstShare,
                     std::uint64_t keptRows) {
    RoundCuts cuts;
    cuts.size = size;
    cuts.span = size;
    cuts.firstShare = firstShare;
    // A range's ends move on to line starts, which brings at most two more rows into it.
    if (keptRows <= 2 || size == 0) return cuts;
    const std::uint64_t rankBytes = (keptRows - 2) * ExportLineChars;
    const auto others = static_cast<std::uint64_t>(std::max(ranks, 1) - 1);
    const std::uint64_t weight = ranks < 2 ? 1000 : firstShare + 1000 * others;
    using Wide = unsigned __int128;
    const Wide wide = Wide{rankBytes} * weight / 1000;
    if (wide >= size) return cuts;
    const std::uint64_t span = std::max<std::uint64_t>(static_cast<std::uint64_t>(wide), 1);
    cuts.rounds = (size + span - 1) / span;
    // Rounds of equal size, none larger than `span`.
    cuts.span = (size + cuts.rounds - 1) / cuts.rounds;
    return cuts;
}

}  // namespace brevane
