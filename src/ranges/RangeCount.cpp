#include "ranges/RangeCount.h"

#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <utility>

#include "work/ParallelExport.h"

namespace brevane {

namespace {

// The counts of one piece of a range, its rows written to their place in the range's rows,
// for CountExportFile. Pieces fill parts of `store` of their own, so no two threads write the same
// bytes and `store` is never resized meanwhile.
class RangePiece {
  public:
    RangePiece(ShuffleCounts counts, std::vector<std::uint8_t>& store, std::uint64_t rowInRange)
        : counts_(std::move(counts)), store_(&store), firstRow_(rowInRange) {
        counts_.DeferGuessing();
    }
    void AddRows(const std::uint8_t* rows, std::size_t count) {
        const std::uint64_t at = (firstRow_ + counts_.Rows()) * DeckSize;
        // More rows than the range's size foretold: its lines are not all alike, and the
        // one-pass reader takes over.
        if (at + count * DeckSize > store_->size()) throw std::length_error("range rows");
        std::memcpy(store_->data() + at, rows, count * DeckSize);
        counts_.AddRows(rows, count);
    }
    std::uint64_t Rows() const { return counts_.Rows(); }
    void Merge(RangePiece& later) { counts_.Merge(later.counts_); }
    ShuffleCounts&& Counts() && { return std::move(counts_); }

  private:
    ShuffleCounts counts_;
    std::vector<std::uint8_t>* store_;
    std::uint64_t firstRow_;
};

}  // namespace

RangeRows CountFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                         std::uint64_t length, std::uint64_t expectedRows, const SeatView& view,
                         std::uint64_t firstRow, bool fromNewDeck, unsigned threads,
                         WorkProgress* progress) {
    const auto fresh = [&](std::uint64_t rowInRange) {
        return ShuffleCounts(view, firstRow + rowInRange, fromNewDeck);
    };
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) == 0) {
        ExportCountOptions options;
        options.threads = threads;
        options.length = length;
        options.progress = progress;
        std::vector<std::uint8_t> store(static_cast<std::size_t>(expectedRows) * DeckSize);
        auto counted = CountExportFile<RangePiece>(
            file,
            [&](std::uint64_t rowInRange) {
                return RangePiece(fresh(rowInRange), store, rowInRange);
            },
            options);
        if (counted) {
            RangeRows range{
                std::move(*counted).Counts(), std::move(store), ExportReader::Status::End, 0, {}};
            range.lines = range.counts.Rows();
            range.rows.resize(static_cast<std::size_t>(range.lines) * DeckSize);
            return range;
        }
    }
    // One pass, which finds the first fault as brevane-cli's reader does.
    RangeRows range{fresh(0), {}, ExportReader::Status::End, 0, {}};
    range.counts.DeferGuessing();
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0) {
        range.status = ExportReader::Status::ReadFailed;
        range.error = name + ": " + std::strerror(errno);
        return range;
    }
    ExportReader reader(file, name, ExportReader::BufferBytes, length);
    std::uint8_t row[DeckSize];
    ExportReader::Status status;
    while ((status = reader.Next(row)) == ExportReader::Status::Row) {
        range.counts.AddRow(row);
        range.rows.insert(range.rows.end(), row, row + DeckSize);
    }
    range.status = status;
    range.lines = reader.LineNumber();
    if (status != ExportReader::Status::End) range.error = reader.Error();
    return range;
}

std::string MessageAtLine(const std::string& message, const std::string& name,
                          std::uint64_t lineInRange, std::uint64_t lineInFile) {
    const std::string prefix = name + ":" + std::to_string(lineInRange) + ":";
    if (message.compare(0, prefix.size(), prefix) != 0) return message;
    return name + ":" + std::to_string(lineInFile) + ":" + message.substr(prefix.size());
}

}  // namespace brevane
