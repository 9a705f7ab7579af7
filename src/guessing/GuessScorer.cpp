#include "guessing/GuessScorer.h"

#include <algorithm>
#include <numeric>

namespace brevane {

namespace {

// Puts `order` (the origins 0..51 in some order) in order of `counts`, largest first, ties to the
// smaller origin.
void SortOrigins(std::array<std::uint8_t, DeckSize>& order,
                 const std::array<std::uint64_t, DeckSize>& counts) {
    std::stable_sort(order.begin(), order.end(), [&](std::uint8_t a, std::uint8_t b) {
        return counts[a] > counts[b] || (counts[a] == counts[b] && a < b);
    });
}

// SortOrigins for counts below KeyCountLimit: each origin sorted by one key, its count above
// its complement to 63. Insertion sort: from one block to the next an order changes little.
constexpr std::uint64_t KeyCountLimit = std::uint64_t{1} << 57;
void SortOriginsByKey(std::array<std::uint8_t, DeckSize>& order,
                      const std::array<std::uint64_t, DeckSize>& counts) {
    std::uint64_t keys[DeckSize];
    for (std::size_t k = 0; k < DeckSize; ++k) keys[k] = counts[order[k]] << 6 | (63u - order[k]);
    for (std::size_t k = 1; k < DeckSize; ++k) {
        const std::uint64_t key = keys[k];
        std::size_t at = k;
        while (at > 0 && key > keys[at - 1]) {
            keys[at] = keys[at - 1];
            --at;
        }
        keys[at] = key;
    }
    for (std::size_t k = 0; k < DeckSize; ++k)
        order[k] = static_cast<std::uint8_t>(63u - (keys[k] & 63u));
}

// ahead[origin] = the origins before `origin` in `order`.
void MarkAhead(const std::array<std::uint8_t, DeckSize>& order,
               std::array<std::uint64_t, DeckSize>& ahead) {
    std::uint64_t before = 0;
    for (const std::uint8_t origin : order) {
        ahead[origin] = before;
        before |= std::uint64_t{1} << origin;
    }
}

}  // namespace

void GuessTables::Add(const GuessTables& other) {
    for (std::size_t j = 0; j < DeckSize; ++j)
        for (std::size_t i = 0; i < DeckSize; ++i) positions[j][i] += other.positions[j][i];
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) followers[a][i] += other.followers[a][i];
}

void GuessTables::AddPair(const std::uint8_t* origins) {
    std::size_t previous = FirstCardRow;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        ++positions[j][origins[j]];
        ++followers[previous][origins[j]];
        previous = origins[j];
    }
}

GuessStrategy::GuessStrategy(bool follower) : follower_(follower) {
    for (auto& order : order_) std::iota(order.begin(), order.end(), std::uint8_t{0});
    Order();
}

void GuessStrategy::Restart(std::uint64_t pairsBefore, const Table& learned) {
    pairs_ = pairsBefore;
    learned_ = learned;
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
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) learned_[a][i] += pending_[a * DeckSize + i];
    pending_.fill(0);
    Order();
}

void GuessStrategy::Order() {
    const std::size_t rows = follower_ ? DeckSize + 1 : DeckSize;
    // A pair adds at most one to each row's count of an origin (each origin follows once).
    const bool keyed = pairs_ < KeyCountLimit;
    for (std::size_t a = 0; a < rows; ++a) {
        if (keyed) {
            SortOriginsByKey(order_[a], learned_[a]);
        } else {
            SortOrigins(order_[a], learned_[a]);
        }
        MarkAhead(order_[a], ahead_[a]);
    }
}

GuessStrategy::Table GuessStrategy::Learned() const {
    Table table = learned_;
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
