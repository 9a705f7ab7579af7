#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "analysis/RowParser.h"
#include "analysis/SeatView.h"
#include "ranges/OriginPool.h"
#include "ranges/PartScorer.h"
#include "stats/ShuffleCounts.h"
#include "work/WorkProgress.h"

namespace brevane {

// The counts of one byte range of an export file. The guessing game of a range that does not
// start the run can be played only once the tables of the rows before it are known: then its
// rows are read again (ScoreFileRange) rather than kept.
struct RangeRows {
    ShuffleCounts counts{SeatView{}};  // guessing deferred, but for CountFirstFileRange's
    // The follower table of the pairs within the range, when asked for: the pair of its first
    // row with the row before the range is not among them.
    FollowerTable followers{};
    // The last rows, GuessBlockPairs of them at most, for the pairs its successor learns again.
    std::vector<std::uint8_t> lastRows;
    // When asked for, the origins of the pairs within the range (with new decks, of every row),
    // to be guessed without reading the range again.
    OriginChunks origins;
    // End when every line of the range is a row; otherwise BadLine or ReadFailed, the counts
    // being those before the fault.
    ExportReader::Status status = ExportReader::Status::End;
    std::uint64_t lines = 0;  // lines read in the range, the bad one included
    std::string error;        // the reader's message, its line number that within the range
};

// Counts the lines of `file` from byte `start` on, `length` bytes at most (a range that others
// read on from), as brevane-cli counts a whole file: on `threads` threads when every line is a
// well-formed row, otherwise in one pass that stops at the first fault. `firstRow` is the row
// index of the range's first row; `name` names the file in messages. With `followers` the
// range's follower table is counted too. `progress`, when given, advances by the rows counted
// on several threads, its input bytes done the offset in the file reached. With `keepOrigins` the
// origins of its pairs are kept, in chunks from `pool` when one is given.
RangeRows CountFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                         std::uint64_t length, const SeatView& view, std::uint64_t firstRow,
                         bool fromNewDeck, bool followers, unsigned threads,
                         WorkProgress* progress = nullptr, bool keepOrigins = false,
                         ranges::OriginPool* pool = nullptr);

// Counts the first range of a file as CountFileRange does, but with the guessing game played
// beside the counting, as for a whole file: no rows before it teach it anything. So its counts
// hold their guessing.
RangeRows CountFirstFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                              std::uint64_t length, const SeatView& view, std::uint64_t firstRow,
                              bool fromNewDeck, unsigned threads, WorkProgress* progress = nullptr);

// What a range held when it was counted, to be found again when it is read a second time.
struct RangeExpected {
    std::uint64_t rows = 0;
    std::array<std::uint8_t, DeckSize> lastRow{};
};

// Plays the guessing game over the rows of the range from `start` on, `length` bytes at most,
// read again, on `threads` threads (PartScorer with `before`, `fromNewDeck` and `previous`).
// Nullopt, with the reason in `error`, when a read fails or the range no longer holds the rows
// counted before (the file changed meanwhile).
std::optional<GuessingCounts> ScoreFileRange(std::FILE* file, const std::string& name,
                                             std::uint64_t start, std::uint64_t length,
                                             const PairsBefore& before, bool fromNewDeck,
                                             const std::uint8_t* previous, unsigned threads,
                                             const RangeExpected& expected, std::string& error);

// A bad line's message "NAME:LINE: what is wrong" with LINE, counted within a range, replaced by
// `lineInFile`.
std::string MessageAtLine(const std::string& message, const std::string& name,
                          std::uint64_t lineInRange, std::uint64_t lineInFile);

}  // namespace brevane
