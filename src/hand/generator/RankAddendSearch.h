#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

// Rank addends whose totals tell every rank multiset of a hand apart: at most seven cards, at
// most four of a rank. Used by the table generator, at every build to check the addends in
// hand/HandTables.h and on request to derive them.
namespace brevane::rank_addends {

inline constexpr int MaxCards = 7;
inline constexpr int MaxOfARank = 4;

// Totals of every multiset over the ranks seen so far, by the number of cards in the multiset.
using TotalsByCount = std::array<std::vector<std::uint64_t>, MaxCards + 1>;

// Adds a rank with addend `addend` to `totals`: each multiset gains 0 to 4 cards of it.
inline TotalsByCount WithRank(const TotalsByCount& totals, std::uint64_t addend) {
    TotalsByCount out;
    for (int count = 0; count <= MaxCards; ++count) {
        for (int n = 0; n <= MaxOfARank && count + n <= MaxCards; ++n) {
            for (const std::uint64_t total : totals[count]) {
                out[count + n].push_back(total + n * addend);
            }
        }
    }
    return out;
}

// Totals of every multiset over ranks with the given addends (the empty one included).
inline TotalsByCount AllTotals(const std::vector<std::uint64_t>& addends) {
    TotalsByCount totals;
    totals[0].push_back(0);
    for (const std::uint64_t addend : addends) totals = WithRank(totals, addend);
    return totals;
}

inline bool TotalsDistinct(const std::vector<std::uint64_t>& addends) {
    std::vector<std::uint64_t> all;
    for (const auto& group : AllTotals(addends)) all.insert(all.end(), group.begin(), group.end());
    std::sort(all.begin(), all.end());
    return std::adjacent_find(all.begin(), all.end()) == all.end();
}

// Greedy search: each rank in turn takes the least addend above the previous one for which the
// totals stay distinct. A candidate is tested by marking the totals that gain at least one card
// of the new rank against those that do not; the first clash rejects it, so most candidates
// cost little.
inline std::vector<std::uint64_t> SearchAddends(int rankCount) {
    std::vector<std::uint64_t> addends;
    TotalsByCount totals;
    totals[0].push_back(0);
    std::uint64_t candidate = 1;
    for (int rank = 0; rank < rankCount; ++rank) {
        std::uint64_t largest = 0;
        for (const auto& group : totals) {
            for (const std::uint64_t total : group) largest = std::max(largest, total);
        }
        std::vector<std::uint32_t> mark;  // 1 for an old total, else the candidate that took it
        for (;; ++candidate) {
            const std::uint64_t limit = largest + MaxOfARank * candidate + 1;
            if (mark.size() < limit) {
                mark.assign(2 * limit, 0);
                for (const auto& group : totals) {
                    for (const std::uint64_t total : group) mark[total] = 1;
                }
            }
            const auto stamp = static_cast<std::uint32_t>(candidate + 1);
            bool distinct = true;
            for (int n = 1; n <= MaxOfARank && distinct; ++n) {
                for (int count = 0; count + n <= MaxCards && distinct; ++count) {
                    for (const std::uint64_t total : totals[count]) {
                        std::uint32_t& slot = mark[total + n * candidate];
                        if (slot == 1 || slot == stamp) {
                            distinct = false;
                            break;
                        }
                        slot = stamp;
                    }
                }
            }
            if (distinct) break;
        }
        addends.push_back(candidate);
        totals = WithRank(totals, candidate);
        ++candidate;
    }
    return addends;
}

}  // namespace brevane::rank_addends
