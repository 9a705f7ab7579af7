#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "guessing/GuessingRun.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// The counts of one piece of a run's rows, counted on any thread, that keeps the piece's rows
// until the pieces are merged in row order: then the rows go to the run's GuessingRun, which
// guesses them on its own threads. A Counter for CountExportFile; the counts it makes defer
// their guessing.
class GuessedPiece {
  public:
    GuessedPiece(ShuffleCounts counts, GuessingRun& run)
        : counts_(std::move(counts)), run_(&run), rows_(run.TakeBuffer()) {
        counts_.DeferGuessing();
    }

    void AddRows(const std::uint8_t* rows, std::size_t count) {
        counts_.AddRows(rows, count);
        rows_.insert(rows_.end(), rows, rows + count * DeckSize);
    }
    std::uint64_t Rows() const { return counts_.Rows(); }

    // `later` holds the rows right after these.
    void Merge(GuessedPiece& later) {
        Feed();
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
        if (!rows_.empty()) run_->AddRows(rows_.data(), rows_.size() / DeckSize);
        if (rows_.capacity() > 0) run_->GiveBack(std::move(rows_));
        rows_ = {};
    }

    ShuffleCounts counts_;
    GuessingRun* run_;
    std::vector<std::uint8_t> rows_;
};

}  // namespace brevane
