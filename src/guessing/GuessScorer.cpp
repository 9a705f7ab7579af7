#include "guessing/GuessScorer.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace brevane {

namespace {

// A pair adds at most one to each row's count of an origin (each origin follows once), so no
// count exceeds the pairs. Below this many pairs an origin's place in its row's order is one
// key: its count above its complement to 63, the largest key first.
constexpr std::uint64_t KeyCountLimit = std::uint64_t{1} << 57;

std::uint8_t KeyOrigin(std::uint64_t key) {
    return static_cast<std::uint8_t>(63u - (key & 63u));
}

// Insertion sort, largest first: from one block to the next an order changes little. Gives the
// range [first, last] of the places whose key changed, or first > last when none did.
std::pair<std::size_t, std::size_t> SortKeys(std::array<std::uint64_t, DeckSize>& keys) {
    std::size_t first = DeckSize;
    std::size_t last = 0;
    for (std::size_t k = 1; k < DeckSize; ++k) {
        const std::uint64_t key = keys[k];
        if (key <= keys[k - 1]) continue;
        std::size_t at = k;
        do {
            keys[at] = keys[at - 1];
            --at;
        } while (at > 0 && key > keys[at - 1]);
        keys[at] = key;
        first = std::min(first, at);
        last = k;
    }
    return {first, last};
}

// ahead[origin] = the origins before `origin` in `inOrder`, each element giving its origin
// through `originOf`.
template <class InOrder, class OriginOf>
void MarkAhead(const InOrder& inOrder, const OriginOf& originOf,
               std::array<std::uint64_t, DeckSize>& ahead) {
    std::uint64_t before = 0;
    for (const auto& element : inOrder) {
        const std::uint8_t origin = originOf(element);
        ahead[origin] = before;
        before |= std::uint64_t{1} << origin;
    }
}

// MarkAhead of sorted keys, for the places [first, last] only: the others have the same
// origins ahead of them as before the keys moved (a place past the last change has the same set
// ahead of it, in another order).
void MarkAheadOfKeys(const std::array<std::uint64_t, DeckSize>& keys,
                     std::array<std::uint64_t, DeckSize>& ahead, std::size_t first = 0,
                     std::size_t last = DeckSize - 1) {
    std::uint64_t before = 0;
    if (first > 0) {
        const std::uint8_t origin = KeyOrigin(keys[first - 1]);
        before = ahead[origin] | std::uint64_t{1} << origin;
    }
    for (std::size_t k = first; k <= last; ++k) {
        const std::uint8_t origin = KeyOrigin(keys[k]);
        ahead[origin] = before;
        before |= std::uint64_t{1} << origin;
    }
}

// The same for counts of any size: the origins in order of their counts, largest first, ties
// to the smaller origin.
void MarkAheadOfCounts(const std::array<std::uint64_t, DeckSize>& counts,
                       std::array<std::uint64_t, DeckSize>& ahead) {
    std::array<std::uint8_t, DeckSize> order;
    std::iota(order.begin(), order.end(), std::uint8_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint8_t a, std::uint8_t b) { return counts[a] > counts[b]; });
    MarkAhead(
        order, [](std::uint8_t origin) { return origin; }, ahead);
}

}  // namespace

void GuessTables::Add(const GuessTables& other) {
    for (std::size_t j = 0; j < DeckSize; ++j)
        for (std::size_t i = 0; i < DeckSize; ++i) positions[j][i] += other.positions[j][i];
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) followers[a][i] += other.followers[a][i];
}

void GuessTables::AddPair(const std::uint8_t* origins) {
    for (std::size_t j = 0; j < DeckSize; ++j) ++positions[j][origins[j]];
    AddFollowers(followers, origins);
}

GuessStrategy::GuessStrategy(bool follower) : follower_(follower) {
    Order();
}

void GuessStrategy::Restart(std::uint64_t pairsBefore, const Table& learned) {
    pairs_ = pairsBefore;
    learned_ = learned;
    learnedInKeys_ = false;
    pending_.fill(0);
    Order();
}

void GuessStrategy::Score(const std::uint8_t* origins, std::size_t count) {
    if (follower_) {
        ScoreAll<true>(origins, count);
    } else {
        ScoreAll<false>(origins, count);
    }
}

template <bool Follower>
void GuessStrategy::ScoreAll(const std::uint8_t* origins, std::size_t count) {
    for (std::size_t r = 0; r < count; ++r, origins += DeckSize) {
        std::uint64_t shown = 0;
        std::uint64_t correct = 0;
        std::size_t row = FirstCardRow;
        for (std::size_t j = 0; j < DeckSize; ++j) {
            const std::uint8_t origin = origins[j];
            if constexpr (!Follower) row = j;
            correct += (ahead_[row][origin] & ~shown) == 0;
            shown |= std::uint64_t{1} << origin;
            ++pending_[row * DeckSize + origin];
            if constexpr (Follower) row = origin;
        }
        totals_.AddDeck(correct);
        if (++pairs_ % GuessBlockPairs == 0) Fold();
    }
}

void GuessStrategy::Fold() {
    if (pairs_ < KeyCountLimit) {
        // The keys take in the block where they stand, and move little; a row whose keys stay
        // in order keeps its marks, as most rows do once the counts have grown. The table
        // itself is left behind (Learned reads the keys).
        for (std::size_t a = 0; a < Rows(); ++a) {
            std::array<std::uint64_t, DeckSize>& keys = keys_[a];
            std::uint16_t* pending = &pending_[a * DeckSize];
            for (std::uint64_t& key : keys) {
                std::uint16_t& added = pending[KeyOrigin(key)];
                key += std::uint64_t{added} << 6;
                added = 0;
            }
            const auto [first, last] = SortKeys(keys);
            if (first <= last) MarkAheadOfKeys(keys, ahead_[a], first, last);
        }
        learnedInKeys_ = true;
        return;
    }
    if (learnedInKeys_) learned_ = FromKeys();
    learnedInKeys_ = false;
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) learned_[a][i] += pending_[a * DeckSize + i];
    Order();
    pending_.fill(0);
}

GuessStrategy::Table GuessStrategy::FromKeys() const {
    Table table{};
    for (std::size_t a = 0; a < Rows(); ++a)
        for (const std::uint64_t key : keys_[a]) table[a][KeyOrigin(key)] = key >> 6;
    return table;
}

void GuessStrategy::Order() {
    for (std::size_t a = 0; a < Rows(); ++a) {
        if (pairs_ < KeyCountLimit) {
            for (std::size_t i = 0; i < DeckSize; ++i)
                keys_[a][i] = learned_[a][i] << 6 | (63u - i);
            SortKeys(keys_[a]);
            MarkAheadOfKeys(keys_[a], ahead_[a]);
        } else {
            MarkAheadOfCounts(learned_[a], ahead_[a]);
        }
    }
}

GuessStrategy::Table GuessStrategy::Learned() const {
    Table table = learnedInKeys_ ? FromKeys() : learned_;
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) table[a][i] += pending_[a * DeckSize + i];
    return table;
}

GuessScorer::GuessScorer() = default;

GuessScorer::GuessScorer(std::uint64_t pairsBefore, const GuessTables& learned) {
    GuessStrategy::Table positions{};
    for (std::size_t j = 0; j < DeckSize; ++j) positions[j] = learned.positions[j];
    position_.Restart(pairsBefore, positions);
    follower_.Restart(pairsBefore, learned.followers);
}

void GuessScorer::ScorePair(const std::uint8_t* origins) {
    position_.Score(origins, 1);
    follower_.Score(origins, 1);
}

void GuessScorer::ScorePairs(const std::uint8_t* origins, std::size_t count) {
    position_.Score(origins, count);
    follower_.Score(origins, count);
}

GuessTables GuessScorer::Learned() const {
    GuessTables tables;
    const GuessStrategy::Table positions = position_.Learned();
    for (std::size_t j = 0; j < DeckSize; ++j) tables.positions[j] = positions[j];
    tables.followers = follower_.Learned();
    return tables;
}

GuessingCounts GuessScorer::Counts() const {
    GuessingCounts counts;
    counts.followers = follower_.Learned();
    counts.byPosition = position_.Totals();
    counts.byFollower = follower_.Totals();
    return counts;
}

}  // namespace brevane
