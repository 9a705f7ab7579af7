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

// The first origin of `order` whose bit is not set in `shown`.
inline std::uint8_t FirstNotShown(const std::uint8_t* order, std::uint64_t shown) {
    while ((shown >> *order) & 1u) ++order;
    return *order;
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

GuessScorer::GuessScorer() {
    for (auto& order : positionOrder_) std::iota(order.begin(), order.end(), std::uint8_t{0});
    for (auto& order : followerOrder_) std::iota(order.begin(), order.end(), std::uint8_t{0});
}

GuessScorer::GuessScorer(std::uint64_t pairsBefore, const GuessTables& learned) : GuessScorer() {
    pairs_ = pairsBefore;
    learned_ = learned;
    Order();
}

void GuessScorer::ScorePair(const std::uint8_t* origins) {
    std::uint64_t shown = 0;
    std::uint64_t byPosition = 0;
    std::uint64_t byFollower = 0;
    std::size_t previous = FirstCardRow;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        const std::uint8_t origin = origins[j];
        byPosition += FirstNotShown(positionOrder_[j].data(), shown) == origin;
        byFollower += FirstNotShown(followerOrder_[previous].data(), shown) == origin;
        shown |= std::uint64_t{1} << origin;
        ++pendingPositions_[j * DeckSize + origin];
        ++pendingFollowers_[previous * DeckSize + origin];
        previous = origin;
    }
    byPosition_.AddDeck(byPosition);
    byFollower_.AddDeck(byFollower);
    if (++pairs_ % GuessBlockPairs == 0) Fold();
}

void GuessScorer::Fold() {
    AddPending(learned_);
    pendingPositions_.fill(0);
    pendingFollowers_.fill(0);
    Order();
}

void GuessScorer::Order() {
    for (std::size_t j = 0; j < DeckSize; ++j)
        SortOrigins(positionOrder_[j], learned_.positions[j]);
    for (std::size_t a = 0; a <= DeckSize; ++a)
        SortOrigins(followerOrder_[a], learned_.followers[a]);
}

void GuessScorer::AddPending(GuessTables& tables) const {
    for (std::size_t j = 0; j < DeckSize; ++j)
        for (std::size_t i = 0; i < DeckSize; ++i)
            tables.positions[j][i] += pendingPositions_[j * DeckSize + i];
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i)
            tables.followers[a][i] += pendingFollowers_[a * DeckSize + i];
}

GuessTables GuessScorer::Learned() const {
    GuessTables tables = learned_;
    AddPending(tables);
    return tables;
}

GuessingCounts GuessScorer::Counts() const {
    GuessingCounts counts;
    counts.followers = Learned().followers;
    counts.byPosition = byPosition_;
    counts.byFollower = byFollower_;
    return counts;
}

}  // namespace brevane
