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
    : fromNewDeck_(fromNewDeck), threads_(std::max(1u, threads)), previous_(DeckSize) {
    if (threads_ > 1) {
        // Two threads a part, one for each strategy.
        const unsigned scoring = callerBusy ? threads_ - 1 : threads_;
        parts_ = std::max(1u, scoring / 2);
        windowCapacity_ = parts_ * std::max<std::size_t>(1, blocksPerPart) * GuessBlockPairs;
        window_.resize(windowCapacity_ * DeckSize);
        scoring_.resize(windowCapacity_ * DeckSize);
    }
}

GuessingRun::GuessingRun(bool fromNewDeck, unsigned threads, const GuessScorer& start)
    : GuessingRun(fromNewDeck, threads) {
    scorer_ = GuessScorer(start.Pairs(), start.Learned());
}

GuessingRun::~GuessingRun() {
    if (worker_.joinable()) worker_.join();
}

void GuessingRun::Origins(const std::uint8_t* before, const std::uint8_t* row,
                          std::uint8_t* origins) const {
    if (fromNewDeck_) {
        PairOrigins(NewDeckPositions.data(), row, origins);
        return;
    }
    PairOriginsAfter(before, row, origins);
}

void GuessingRun::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (count == 0) return;
    if (!started_ && !fromNewDeck_) {
        // The first row starts no pair.
        std::memcpy(previous_.data(), rows, DeckSize);
        rows += DeckSize;
        --count;
    }
    started_ = true;
    if (threads_ == 1) {
        std::uint8_t origins[DeckSize];
        for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
            Origins(previous_.data(), rows, origins);
            scorer_.ScorePair(origins);
            std::memcpy(previous_.data(), rows, DeckSize);
        }
        return;
    }
    Gather(rows, count);
}

void GuessingRun::AddOrigins(const std::uint8_t* origins, std::size_t pairs) {
    if (pairs == 0) return;
    if (threads_ == 1) {
        scorer_.ScorePairs(origins, pairs);
        return;
    }
    // Set once, before the first window is handed to a scoring thread, which reads it.
    if (!fedOrigins_) fedOrigins_ = true;
    Gather(origins, pairs);
}

void GuessingRun::Gather(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const std::size_t take = std::min(count, windowCapacity_ - windowPairs_);
        std::memcpy(window_.data() + windowPairs_ * DeckSize, bytes, take * DeckSize);
        windowPairs_ += take;
        bytes += take * DeckSize;
        count -= take;
        if (windowPairs_ == windowCapacity_) ScoreGathered(false);
    }
}

void GuessingRun::ScoreGathered(bool wait) {
    if (worker_.joinable()) worker_.join();
    std::swap(window_, scoring_);
    scoringPairs_ = windowPairs_;
    windowPairs_ = 0;
    if (scoringPairs_ > 0) {
        scoringPrevious_ = previous_;
        std::memcpy(previous_.data(), scoring_.data() + (scoringPairs_ - 1) * DeckSize, DeckSize);
    }
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
    if (!fedOrigins_) origins_.resize(windowCapacity_ * DeckSize);
    std::uint8_t* const found = fedOrigins_ ? scoring_.data() : origins_.data();
    const auto origins = [&](std::size_t p) { return found + p * DeckSize; };

    // The origins, when rows were fed: a share of the pairs on each scoring thread.
    const std::size_t jobs = fedOrigins_ ? 0 : 2 * parts_;
    OnThreads(jobs, [&](std::size_t job) {
        const std::size_t from = pairs * job / jobs, to = pairs * (job + 1) / jobs;
        for (std::size_t p = from; p < to; ++p) {
            const std::uint8_t* row = scoring_.data() + p * DeckSize;
            Origins(p == 0 ? scoringPrevious_.data() : row - DeckSize, row, origins(p));
        }
    });

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

std::vector<std::uint8_t> GuessingRun::TakeBuffer() {
    const std::lock_guard lock(sparesMutex_);
    if (spares_.empty()) return {};
    std::vector<std::uint8_t> buffer = std::move(spares_.back());
    spares_.pop_back();
    return buffer;
}

void GuessingRun::GiveBack(std::vector<std::uint8_t> buffer) {
    // As many as pieces may be held at once on a few threads; more would only hold memory.
    constexpr std::size_t kept = 64;
    buffer.clear();
    const std::lock_guard lock(sparesMutex_);
    if (spares_.size() < kept) spares_.push_back(std::move(buffer));
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
