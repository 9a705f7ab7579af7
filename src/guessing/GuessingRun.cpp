#include "guessing/GuessingRun.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace brevane {

namespace {

// The position of each card code in `row`.
void Inverse(const std::uint8_t* row, std::uint8_t* at) {
    for (std::size_t p = 0; p < DeckSize; ++p) at[row[p]] = static_cast<std::uint8_t>(p);
}

// Runs job(k) for k = 0..count - 1, on a thread each but job 0, which runs on the caller's.
template <class Job>
void OnThreads(std::size_t count, const Job& job) {
    std::vector<std::jthread> running;
    running.reserve(count);
    for (std::size_t k = 1; k < count; ++k) running.emplace_back([&job, k] { job(k); });
    if (count > 0) job(0);
}

}  // namespace

GuessingRun::GuessingRun(bool fromNewDeck, unsigned threads, std::size_t blocksPerPart)
    : fromNewDeck_(fromNewDeck), threads_(std::max(1u, threads)) {
    if (threads_ > 1) {
        windowCapacity_ =
            std::size_t{threads_} * std::max<std::size_t>(1, blocksPerPart) * GuessBlockPairs;
        window_.resize(windowCapacity_ * DeckSize);
    }
}

GuessingRun::GuessingRun(bool fromNewDeck, unsigned threads, const GuessScorer& start)
    : GuessingRun(fromNewDeck, threads) {
    scorer_ = GuessScorer(start.Pairs(), start.Learned());
}

void GuessingRun::Origins(std::size_t k, std::uint8_t* origins) const {
    std::uint8_t at[DeckSize + 1];
    const std::uint8_t* later = window_.data() + k * DeckSize;
    if (fromNewDeck_) {
        PairOrigins(NewDeckPositions.data(), later, origins);
        return;
    }
    Inverse(k == 0 ? previous_.data() : later - DeckSize, at);
    PairOrigins(at, later, origins);
}

void GuessingRun::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (count == 0) return;
    if (!started_ && !fromNewDeck_) {
        previous_.assign(rows, rows + DeckSize);
        rows += DeckSize;
        --count;
    }
    started_ = true;
    std::uint8_t origins[DeckSize];
    if (threads_ == 1) {
        std::uint8_t at[DeckSize + 1];
        for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
            if (fromNewDeck_) {
                PairOrigins(NewDeckPositions.data(), rows, origins);
            } else {
                Inverse(previous_.data(), at);
                PairOrigins(at, rows, origins);
                std::memcpy(previous_.data(), rows, DeckSize);
            }
            scorer_.ScorePair(origins);
        }
        return;
    }
    while (count > 0) {
        const std::size_t take = std::min(count, windowCapacity_ - windowRows_);
        std::memcpy(window_.data() + windowRows_ * DeckSize, rows, take * DeckSize);
        windowRows_ += take;
        rows += take * DeckSize;
        count -= take;
        if (windowRows_ == windowCapacity_) ScoreWindow();
    }
}

void GuessingRun::ScoreWindow() {
    const std::size_t pairs = windowRows_;
    if (pairs == 0) return;
    // Parts of whole blocks, the last one taking what is left; the window starts on a block
    // boundary, since every window but the last holds whole blocks.
    const std::size_t blocks = (pairs + GuessBlockPairs - 1) / GuessBlockPairs;
    const std::size_t partBlocks = (blocks + threads_ - 1) / threads_;
    const std::size_t partPairs = partBlocks * GuessBlockPairs;
    const std::size_t parts = (pairs + partPairs - 1) / partPairs;
    const auto begin = [&](std::size_t k) { return std::min(pairs, k * partPairs); };

    // Each part but the last counts what it adds to the tables.
    std::vector<GuessTables> added(parts);
    OnThreads(parts - 1, [&](std::size_t k) {
        std::uint8_t origins[DeckSize];
        for (std::size_t p = begin(k); p < begin(k + 1); ++p) {
            Origins(p, origins);
            added[k].AddPair(origins);
        }
    });
    std::vector<GuessScorer> scorers;
    scorers.reserve(parts);
    scorers.push_back(scorer_);
    GuessTables tables = scorer_.Learned();
    for (std::size_t k = 1; k < parts; ++k) {
        tables.Add(added[k - 1]);
        scorers.emplace_back(scorer_.Pairs() + begin(k), tables);
    }
    OnThreads(parts, [&](std::size_t k) {
        std::uint8_t origins[DeckSize];
        for (std::size_t p = begin(k); p < begin(k + 1); ++p) {
            Origins(p, origins);
            scorers[k].ScorePair(origins);
        }
    });
    // scorer_ keeps no totals of its own: they are all added here.
    for (const GuessScorer& part : scorers) {
        byPosition_.Add(part.ByPosition());
        byFollower_.Add(part.ByFollower());
    }
    if (!fromNewDeck_) {
        previous_.assign(window_.data() + (pairs - 1) * DeckSize,
                         window_.data() + pairs * DeckSize);
    }
    // The next window goes on from the last part's tables (the last window's may end inside a
    // block; nothing is scored after it).
    scorer_ = GuessScorer(scorer_.Pairs() + pairs, scorers.back().Learned());
    windowRows_ = 0;
}

GuessingCounts GuessingRun::Finish() {
    if (threads_ == 1) return scorer_.Counts();
    ScoreWindow();
    GuessingCounts counts;
    counts.followers = scorer_.Learned().followers;
    counts.byPosition = byPosition_;
    counts.byFollower = byFollower_;
    return counts;
}

}  // namespace brevane
