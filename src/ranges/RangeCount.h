#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/RowParser.h"
#include "analysis/SeatView.h"
#include "stats/ShuffleCounts.h"
#include "work/WorkProgress.h"

namespace brevane {

// The rows of one byte range of an export file, counted, and kept for the guessing game, which
// can be scored only once the tables of the rows before the range are known.
struct RangeRows {
    ShuffleCounts counts;            // guessing deferred
    std::vector<std::uint8_t> rows;  // every row counted, 52 card codes each
    // End when every line of the range is a row; otherwise BadLine or ReadFailed, the counts and
    // rows then being those before the fault.
    ExportReader::Status status = ExportReader::Status::End;
    std::uint64_t lines = 0;  // lines read in the range, the bad one included
    std::string error;        // the reader's message, its line number that within the range
};

// Counts the lines of `file` from byte `start` on, `length` bytes at most (a range that others
// read on from), as brevane-cli counts a whole file: on `threads` threads when every line is a
// well-formed row, otherwise in one pass that stops at the first fault. `firstRow` is the row
// index of the range's first row; `name` names the file in messages. `expectedRows`, the most
// rows the range holds when all its lines are alike, is allocated for its rows at once.
// `progress`, when given, advances by the rows counted on several threads, its input bytes done
// those from `start` on.
RangeRows CountFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                         std::uint64_t length, std::uint64_t expectedRows, const SeatView& view,
                         std::uint64_t firstRow, bool fromNewDeck, unsigned threads,
                         WorkProgress* progress = nullptr);

// A bad line's message "NAME:LINE: what is wrong" with LINE, counted within a range, replaced by
// `lineInFile`.
std::string MessageAtLine(const std::string& message, const std::string& name,
                          std::uint64_t lineInRange, std::uint64_t lineInFile);

}  // namespace brevane
