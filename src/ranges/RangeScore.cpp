#include <sys/types.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>

#include "ranges/RangeCount.h"
#include "ranges/RangePieces.h"
#include "work/ParallelExport.h"

namespace brevane {

namespace {

// One piece of a range read again, for CountExportFile: its rows are held until the pieces are
// merged in file order, and then go to the range's PartScorer.
class FeedPiece {
  public:
    explicit FeedPiece(PartScorer& scorer) : scorer_(&scorer), rows_(scorer.TakeBuffer()) {}
    void AddRows(const std::uint8_t* rows, std::size_t count) {
        if (count == 0) return;
        rows_.insert(rows_.end(), rows, rows + count * DeckSize);
        rowCount_ += count;
        std::copy_n(rows + (count - 1) * DeckSize, DeckSize, last_.begin());
    }
    std::uint64_t Rows() const { return rowCount_; }
    void Merge(FeedPiece& later) {
        Feed();
        later.Feed();
        rowCount_ += later.rowCount_;
        if (later.rowCount_ > 0) last_ = later.last_;
    }
    void Finish() { Feed(); }
    const std::array<std::uint8_t, DeckSize>& LastRow() const { return last_; }

  private:
    void Feed() {
        if (!rows_.empty()) scorer_->AddRows(rows_.data(), rows_.size() / DeckSize);
        if (rows_.capacity() > 0) scorer_->GiveBack(std::move(rows_));
        rows_ = {};
    }

    PartScorer* scorer_;
    std::vector<std::uint8_t> rows_;
    std::uint64_t rowCount_ = 0;
    std::array<std::uint8_t, DeckSize> last_{};
};

}  // namespace

std::optional<GuessingCounts> ScoreFileRange(std::FILE* file, const std::string& name,
                                             std::uint64_t start, std::uint64_t length,
                                             const PairsBefore& before, bool fromNewDeck,
                                             const std::uint8_t* previous, unsigned threads,
                                             const RangeExpected& expected, std::string& error) {
    const std::string changed = name + ": changed while it was read";
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) == 0) {
        PartScorer scorer(before, fromNewDeck, previous, threads);
        ExportCountOptions options;
        options.threads = threads;
        options.length = length;
        auto fed = CountExportFile<FeedPiece>(
            file, [&](std::uint64_t) { return FeedPiece(scorer); }, options);
        if (fed) {
            fed->Finish();
            if (fed->Rows() != expected.rows ||
                (expected.rows > 0 && fed->LastRow() != expected.lastRow)) {
                error = changed;
                return std::nullopt;
            }
            return scorer.Finish();
        }
    }
    // One pass: the lines are no longer all well formed, or a read failed. What the stream
    // buffered when the range was counted may be stale now; a seek within it would keep it.
    std::fflush(file);
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0) {
        error = name + ": " + std::strerror(errno);
        return std::nullopt;
    }
    PartScorer scorer(before, fromNewDeck, previous, threads);
    std::array<std::uint8_t, DeckSize> last{};
    std::uint64_t lines = 0;
    const ExportReader::Status status = ranges::ReadInOnePass(
        file, name, length,
        [&](const std::uint8_t* rows, std::size_t count) {
            scorer.AddRows(rows, count);
            std::copy_n(rows + (count - 1) * DeckSize, DeckSize, last.begin());
        },
        lines, error);
    if (status == ExportReader::Status::ReadFailed) return std::nullopt;
    if (status != ExportReader::Status::End || scorer.Rows() != expected.rows ||
        (expected.rows > 0 && last != expected.lastRow)) {
        error = changed;
        return std::nullopt;
    }
    return scorer.Finish();
}

}  // namespace brevane
