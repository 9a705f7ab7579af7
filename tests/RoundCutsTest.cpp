// The rounds of byte ranges that MPI ranks count a file in: every byte in one range, the ranges
// in file order, none holding more rows than a rank may keep, and a file that fits one round cut
// as the ranks always cut it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "analysis/RowParser.h"
#include "ranges/FileRanges.h"
#include "ranges/RoundCuts.h"

namespace brevane {
namespace {

TEST(RoundCuts, AFileThatFitsOneRoundIsCutByWeightAlone) {
    const std::uint64_t size = 3000 * (ExportLineChars + 2);
    for (const std::uint64_t keptRows : {0ull, 2ull, 3100ull, 1ull << 20}) {
        for (const int ranks : {1, 2, 3, 7}) {
            for (const std::uint64_t share : {0ull, 600ull, 1000ull}) {
                SCOPED_TRACE(std::to_string(keptRows) + " rows kept, " + std::to_string(ranks) +
                             " ranks, share " + std::to_string(share));
                const RoundCuts cuts = PlanRounds(size, ranks, share, keptRows);
                EXPECT_EQ(cuts.rounds, 1u);
                for (int r = 0; r < ranks; ++r) {
                    EXPECT_EQ(cuts.Cut(0, r, ranks),
                              WeightedCut(size, static_cast<std::uint64_t>(r),
                                          static_cast<std::uint64_t>(ranks), share));
                }
                EXPECT_EQ(cuts.Cut(1, 0, ranks), size);
            }
        }
    }
}

TEST(RoundCuts, RangesFollowOneAnotherAndHoldNoMoreRowsThanARankKeeps) {
    for (const std::uint64_t size : {1ull, 155ull, 471000ull, 10000019ull, 3140000000ull}) {
        for (const int ranks : {1, 2, 3, 8}) {
            for (const std::uint64_t share : {0ull, 300ull, 600ull, 1000ull}) {
                for (const std::uint64_t keptRows : {3ull, 512ull, 576ull, 1153ull, 1ull << 20}) {
                    const std::string trace = std::to_string(size) + " bytes, " +
                                              std::to_string(ranks) + " ranks, share " +
                                              std::to_string(share) + ", " +
                                              std::to_string(keptRows) + " rows kept";
                    const RoundCuts cuts = PlanRounds(size, ranks, share, keptRows);
                    // Some of these cut billions of ranges; the tiny ranges are tried on the
                    // smaller files.
                    if (cuts.rounds > 200000) continue;
                    // A range's ends move on to line starts, taking in two more rows at most,
                    // of lines of ExportLineChars characters at the shortest.
                    const std::uint64_t mostBytes = (keptRows - 2) * ExportLineChars + 1;
                    std::uint64_t previous = 0;
                    std::uint64_t largest = 0;
                    bool inOrder = cuts.Cut(0, 0, ranks) == 0;
                    bool rankZeroEmpty = true;
                    for (std::uint64_t round = 0; round < cuts.rounds; ++round) {
                        for (int r = 0; r < ranks; ++r) {
                            const std::uint64_t at = cuts.Cut(round, r, ranks);
                            const std::uint64_t next = r + 1 < ranks
                                                           ? cuts.Cut(round, r + 1, ranks)
                                                           : cuts.Cut(round + 1, 0, ranks);
                            inOrder = inOrder && at >= previous && next >= at;
                            if (next > at) largest = std::max(largest, next - at);
                            if (r == 0 && next > at) rankZeroEmpty = false;
                            previous = at;
                        }
                    }
                    SCOPED_TRACE(trace);
                    EXPECT_TRUE(inOrder);
                    EXPECT_EQ(cuts.Cut(cuts.rounds, 0, ranks), size);
                    EXPECT_LE(largest, mostBytes);
                    // No more rounds than the file needs: all but the last are full.
                    EXPECT_LT((cuts.rounds - 1) * cuts.span, size);
                    if (share == 0 && ranks > 1) {
                        EXPECT_TRUE(rankZeroEmpty);
                    }
                }
            }
        }
    }
}

}  // namespace
}  // namespace brevane
