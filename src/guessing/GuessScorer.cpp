#include "guessing/GuessScorer.h"

#include <numeric>

namespace brevane {

namespace {

// Puts `order` (the origins 0..51 in some order) in order of `counts`, largest first, ties to the
// smaller origin. Insertion sort: from one block to the next an order changes little.
void SortOrigins(std::array<std::uint8_t, DeckSize>& order,
                 const std::array<std::uint64_t, DeckSize>& counts) {
    const auto before = [&](std::uint8_t a, std::uint8_t b) {
        return counts[a] > counts[b] || (counts[a] == counts[b] && a < b);
    };
    for (std::size_t k = 1; k < DeckSize; ++k) {
        const std::uint8_t origin = order[k];
        std::size_t at = k;
        while (at > 0 && before(origin, order[at - 1])) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = origin;
    }
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
    for (std::size_t a = 0; a < rows; ++a) {
        SortOrigins(order_[a], learned_[a]);
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
