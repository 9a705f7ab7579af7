#include "guessing/GuessingRun.h"

#include <algorithm>
#include <cstring>

namespace brevane {

namespace {

// Runs job(k) for k = 0..count - 1, on a thread each but job 0, which runs on the caller's.
template <class Job>
void OnThreads(std::size_t count, const Job& job) {
    std::vector<std::jthread> running;
    running.reserve(count);
    for (std::size_t k = 1; k < count; ++k) running.emplace_back([&job, k] { job(k); });
    if (count > 0) job(0);
}

}  // namespace

GuessingRun::GuessingRun(bool fromNewDeck, unsigned threads, std::size_t blocksPerPart,
                         bool callerBusy)
    : fromNewDeck_(fromNewDeck), threads_(std::max(1u, threads)) {
    if (threads_ > 1) {
        // Two threads a part, one for each strategy.
        const unsigned scoring = callerBusy ? threads_ - 1 : threads_;
        parts_ = std::max(1u, scoring / 2);
        windowCapacity_ = parts_ * std::max<std::size_t>(1, blocksPerPart) * GuessBlockPairs;
        window_.resize(windowCapacity_ * DeckSize);
        scoring_.resize(windowCapacity_ * DeckSize);
    }
}

GuessingRun::~GuessingRun() {
    if (worker_.joinable()) worker_.join();
}

bool GuessingRun::NextOrigins(const std::uint8_t* row, std::uint8_t* origins) {
    if (fromNewDeck_) {
        PairOrigins(NewDeckPositions.data(), row, origins);
        return true;
    }
    const bool pair = started_;
    if (pair) PairOrigins(previousAt_, row, origins);
    for (std::size_t p = 0; p < DeckSize; ++p) previousAt_[row[p]] = static_cast<std::uint8_t>(p);
    started_ = true;
    return pair;
}

void GuessingRun::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (threads_ == 1) {
        std::uint8_t origins[DeckSize];
        for (std::size_t r = 0; r < count; ++r, rows += DeckSize)
            if (NextOrigins(rows, origins)) scorer_.ScorePair(origins);
        return;
    }
    for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
        if (!NextOrigins(rows, window_.data() + windowPairs_ * DeckSize)) continue;
        if (++windowPairs_ == windowCapacity_) ScoreGathered(false);
    }
}

void GuessingRun::ScoreGathered(bool wait) {
    if (worker_.joinable()) worker_.join();
    std::swap(window_, scoring_);
    scoringPairs_ = windowPairs_;
    windowPairs_ = 0;
    if (wait) {
        ScoreWindow();
    } else {
        worker_ = std::thread([this] { ScoreWindow(); });
    }
}

void GuessingRun::ScoreWindow() {
    const std::size_t pairs = scoringPairs_;
    if (pairs == 0) return;
    // Parts of whole blocks, the last one taking what is left; the window starts on a block
    // boundary, since every window but the last holds whole blocks.
    const std::size_t blocks = (pairs + GuessBlockPairs - 1) / GuessBlockPairs;
    const std::size_t partBlocks = (blocks + parts_ - 1) / parts_;
    const std::size_t partPairs = partBlocks * GuessBlockPairs;
    const std::size_t parts = (pairs + partPairs - 1) / partPairs;
    const auto begin = [&](std::size_t k) { return std::min(pairs, k * partPairs); };
    const auto origins = [&](std::size_t p) { return scoring_.data() + p * DeckSize; };

    // Each part but the last counts what it adds to the tables.
    std::vector<GuessTables> added(parts);
    OnThreads(parts - 1, [&](std::size_t k) {
        for (std::size_t p = begin(k); p < begin(k + 1); ++p) added[k].AddPair(origins(p));
    });
    std::vector<GuessScorer> scorers;
    scorers.reserve(parts);
    scorers.push_back(scorer_);
    GuessTables tables = scorer_.Learned();
    for (std::size_t k = 1; k < parts; ++k) {
        tables.Add(added[k - 1]);
        scorers.emplace_back(scorer_.Pairs() + begin(k), tables);
    }
    // Job 2k scores part k by position, job 2k + 1 by follower: they share only the origins.
    OnThreads(2 * parts, [&](std::size_t job) {
        const std::size_t k = job / 2;
        GuessStrategy& strategy = job % 2 == 0 ? scorers[k].Position() : scorers[k].Follower();
        strategy.Score(origins(begin(k)), begin(k + 1) - begin(k));
    });
    // scorer_ keeps no totals of its own: they are all added here.
    for (const GuessScorer& part : scorers) {
        byPosition_.Add(part.ByPosition());
        byFollower_.Add(part.ByFollower());
    }
    // The next window goes on from the last part's tables (the last window's may end inside a
    // block; nothing is scored after it).
    scorer_ = GuessScorer(scorer_.Pairs() + pairs, scorers.back().Learned());
    scoringPairs_ = 0;
}

GuessingCounts GuessingRun::Finish() {
    if (threads_ == 1) return scorer_.Counts();
    ScoreGathered(true);
    GuessingCounts counts;
    counts.followers = scorer_.Learned().followers;
    counts.byPosition = byPosition_;
    counts.byFollower = byFollower_;
    return counts;
}

}  // namespace brevane
