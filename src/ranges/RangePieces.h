#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "analysis/RowParser.h"
#include "guessing/GuessingRun.h"
#include "ranges/OriginPool.h"
#include "ranges/PartScorer.h"
#include "stats/GuessedPieces.h"
#include "stats/ShuffleCounts.h"
#include "work/ParallelExport.h"

namespace brevane::ranges {

// The last GuessBlockPairs rows of those added, in order.
class LastRows {
  public:
    void Add(const std::uint8_t* rows, std::size_t count);
    void Add(const LastRows& later) { Add(later.rows_.data(), later.rows_.size() / DeckSize); }
    std::vector<std::uint8_t>&& Take() && { return std::move(rows_); }

  private:
    std::vector<std::uint8_t> rows_;
};

// The counts of one piece of a range, for CountExportFile: its guessing deferred, its last rows
// kept, and, when asked for, the follower table of its pairs and their origins, to be guessed
// once the tables of the rows before the range are known: in chunks from `pool` when one is
// given.
class RangePiece {
  public:
    RangePiece(ShuffleCounts counts, bool followers, bool keepOrigins = false,
               OriginPool* pool = nullptr);
    void AddRows(const std::uint8_t* rows, std::size_t count);
    std::uint64_t Rows() const { return counts_.Rows(); }
    // `later` holds the rows right after these.
    void Merge(RangePiece& later);

    ShuffleCounts&& Counts() && { return std::move(counts_); }
    const FollowerTable& Followers() const { return followers_; }
    std::vector<std::uint8_t>&& TakeLastRows() && { return std::move(last_).Take(); }
    // The origins of the pairs within the piece, the pairs across merged pieces included.
    OriginChunks&& TakeOrigins() && { return std::move(kept_); }

  private:
    // The chunk to keep the origins of `pairs` more pairs in.
    std::vector<std::uint8_t>& ChunkFor(std::size_t pairs);

    ShuffleCounts counts_;
    bool countFollowers_;
    bool keepOrigins_;
    OriginPool* pool_;
    FollowerTable followers_{};
    std::vector<std::uint8_t> origins_;  // of the rows being added
    OriginChunks kept_;
    LastRows last_;
};

// A piece of the first range: counted and guessed as brevane-cli counts a file, its last rows
// kept.
class FirstRangePiece {
  public:
    FirstRangePiece(ShuffleCounts counts, GuessingRun& run) : piece_(std::move(counts), run) {}
    void AddRows(const std::uint8_t* rows, std::size_t count) {
        piece_.AddRows(rows, count);
        last_.Add(rows, count);
    }
    std::uint64_t Rows() const { return piece_.Rows(); }
    void Merge(FirstRangePiece& later) {
        piece_.Merge(later.piece_);
        last_.Add(later.last_);
    }
    ShuffleCounts Finish() { return piece_.Finish(); }
    std::vector<std::uint8_t>&& TakeLastRows() && { return std::move(last_).Take(); }

  private:
    GuessedPiece piece_;
    LastRows last_;
};

// Reads the rows of `file` from its position on, `length` bytes at most, in one pass that stops
// at the first fault, handing them to onRows(rows, count) in batches. Gives how the reading
// ended, with the lines read and, for a fault, the reader's message.
template <class OnRows>
ExportReader::Status ReadInOnePass(std::FILE* file, const std::string& name, std::uint64_t length,
                                   OnRows&& onRows, std::uint64_t& lines, std::string& error) {
    ExportReader reader(file, name, ExportReader::BufferBytes, length);
    const ExportReader::Status status = ReadRowBatches(reader, onRows);
    lines = reader.LineNumber();
    if (status != ExportReader::Status::End) error = reader.Error();
    return status;
}

}  // namespace brevane::ranges
