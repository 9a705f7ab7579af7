#include "ranges/PartScorer.h"

#include <algorithm>
#include <utility>

namespace brevane {

namespace {

// Takes one pair, given by its origins, out of `tables`.
void SubtractPair(GuessTables& tables, const std::uint8_t* origins) {
    std::size_t previous = FirstCardRow;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        --tables.positions[j][origins[j]];
        --tables.followers[previous][origins[j]];
        previous = origins[j];
    }
}

GuessTotals Minus(const GuessTotals& a, const GuessTotals& b) {
    return GuessTotals{a.correct - b.correct, a.squares - b.squares, a.decks - b.decks};
}

GuessScorer AtBoundary(const PairsBefore& before) {
    const std::size_t tailPairs = before.tail.size() / DeckSize;
    GuessTables tables = before.tables;
    for (std::size_t k = 0; k < tailPairs; ++k) SubtractPair(tables, &before.tail[k * DeckSize]);
    return GuessScorer(before.pairs - tailPairs, tables);
}

}  // namespace

PartScorer::PartScorer(const PairsBefore& before, bool fromNewDeck, const std::uint8_t* previous,
                       unsigned threads)
    : fromNewDeck_(fromNewDeck),
      threads_(threads),
      beforeFollowers_(before.tables.followers),
      scorer_(AtBoundary(before)) {
    // The tail is learned again; its scores belong to the part before and are taken off.
    for (std::size_t k = 0; k < before.tail.size() / DeckSize; ++k)
        scorer_.ScorePair(&before.tail[k * DeckSize]);
    tailByPosition_ = scorer_.ByPosition();
    tailByFollower_ = scorer_.ByFollower();
    if (previous && !fromNewDeck) {
        std::copy_n(previous, DeckSize, last_.begin());
        haveLast_ = true;
    }
}

void PartScorer::AddRows(const std::uint8_t* rows, std::size_t count) {
    rows_ += count;
    std::size_t i = 0;
    std::uint8_t origins[DeckSize];
    while (!run_ && i < count) {
        if (scorer_.Pairs() % GuessBlockPairs == 0) {
            run_.emplace(fromNewDeck_, threads_, scorer_);
            // The run's first row is the earlier deck of its first pair.
            if (!fromNewDeck_ && haveLast_) run_->AddRows(last_.data(), 1);
            break;
        }
        const std::uint8_t* row = rows + i * DeckSize;
        if (fromNewDeck_) {
            PairOrigins(NewDeckPositions.data(), row, origins);
            scorer_.ScorePair(origins);
        } else if (haveLast_) {
            PairOriginsAfter(last_.data(), row, origins);
            scorer_.ScorePair(origins);
        }
        std::copy_n(row, DeckSize, last_.begin());
        haveLast_ = true;
        ++i;
    }
    if (run_ && i < count) run_->AddRows(rows + i * DeckSize, count - i);
}

void PartScorer::AddOrigins(const std::uint8_t* origins, std::size_t pairs) {
    std::size_t k = 0;
    for (; !run_ && k < pairs; ++k) {
        if (scorer_.Pairs() % GuessBlockPairs == 0) {
            run_.emplace(fromNewDeck_, threads_, scorer_);
            break;
        }
        scorer_.ScorePair(origins + k * DeckSize);
    }
    if (run_ && k < pairs) run_->AddOrigins(origins + k * DeckSize, pairs - k);
}

GuessingCounts PartScorer::Finish() {
    GuessingCounts counts;
    counts.byPosition = Minus(scorer_.ByPosition(), tailByPosition_);
    counts.byFollower = Minus(scorer_.ByFollower(), tailByFollower_);
    FollowerTable learned = scorer_.Learned().followers;
    if (run_) {
        const GuessingCounts rest = run_->Finish();
        learned = rest.followers;
        counts.byPosition.Add(rest.byPosition);
        counts.byFollower.Add(rest.byFollower);
    }
    // What was learned, less what the part started from: its own pairs.
    counts.followers = learned;
    for (std::size_t a = 0; a < counts.followers.size(); ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) counts.followers[a][i] -= beforeFollowers_[a][i];
    return counts;
}

std::vector<std::uint8_t> PartScorer::TakeBuffer() {
    std::lock_guard lock(sparesMutex_);
    if (spares_.empty()) return {};
    std::vector<std::uint8_t> buffer = std::move(spares_.back());
    spares_.pop_back();
    buffer.clear();
    return buffer;
}

void PartScorer::GiveBack(std::vector<std::uint8_t> buffer) {
    std::lock_guard lock(sparesMutex_);
    spares_.push_back(std::move(buffer));
}

}  // namespace brevane
