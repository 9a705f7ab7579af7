#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "guessing/GuessingRun.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// The counts of one piece of a run's rows, counted on any thread, that keeps the origins of the
// piece's pairs until the pieces are merged in row order: then they go to the run's
// GuessingRun, which guesses them on its own threads. The pair of a piece's first row with the
// row before it is found when the pieces are merged. A Counter for CountExportFile; the counts
// it makes defer their guessing.
class GuessedPiece {
  public:
    GuessedPiece(ShuffleCounts counts, GuessingRun& run)
        : counts_(std::move(counts)), run_(&run), origins_(run.TakeBuffer()) {
        counts_.DeferGuessing();
    }

    void AddRows(const std::uint8_t* rows, std::size_t count) {
        counts_.AddRows(rows, count, origins_);
    }
    std::uint64_t Rows() const { return counts_.Rows(); }

    // `later` holds the rows right after these.
    void Merge(GuessedPiece& later) {
        Feed();
        if (!counts_.FromNewDeck() && counts_.Rows() > 0 && later.Rows() > 0) {
            std::uint8_t across[DeckSize];
            PairOriginsAfter(counts_.LastRow().data(), later.counts_.FirstRow().data(), across);
            run_->AddOrigins(across, 1);
        }
        later.Feed();
        counts_.Merge(later.counts_);
    }

    // The counts of every piece merged into this one, with the scores of the whole run.
    ShuffleCounts Finish() {
        Feed();
        counts_.SetGuessing(run_->Finish());
        return std::move(counts_);
    }

  private:
    void Feed() {
        if (!origins_.empty()) run_->AddOrigins(origins_.data(), origins_.size() / DeckSize);
        if (origins_.capacity() > 0) run_->GiveBack(std::move(origins_));
        origins_ = {};
    }

    ShuffleCounts counts_;
    GuessingRun* run_;
    std::vector<std::uint8_t> origins_;
};

}  // namespace brevane
