#include "ranges/RangeCount.h"

#include <sys/types.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "ranges/RangePieces.h"
#include "work/ParallelExport.h"

namespace brevane {

using ranges::FirstRangePiece;
using ranges::LastRows;
using ranges::RangePiece;
using ranges::ReadInOnePass;

namespace {

ExportCountOptions CountOptions(std::uint64_t length, unsigned threads, WorkProgress* progress) {
    ExportCountOptions options;
    options.threads = threads;
    options.length = length;
    options.progress = progress;
    return options;
}

RangeRows Unreadable(ShuffleCounts counts, const std::string& name) {
    RangeRows range{std::move(counts), {}, {}, {}, ExportReader::Status::ReadFailed, 0, {}};
    range.error = name + ": " + std::strerror(errno);
    return range;
}

}  // namespace

RangeRows CountFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                         std::uint64_t length, const SeatView& view, std::uint64_t firstRow,
                         bool fromNewDeck, bool followers, unsigned threads, WorkProgress* progress,
                         bool keepOrigins, ranges::OriginPool* pool) {
    const auto fresh = [&](std::uint64_t rowInRange) {
        return RangePiece(ShuffleCounts(view, firstRow + rowInRange, fromNewDeck), followers,
                          keepOrigins, pool);
    };
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) == 0) {
        auto counted =
            CountExportFile<RangePiece>(file, fresh, CountOptions(length, threads, progress));
        if (counted) {
            RangeRows range;
            range.followers = counted->Followers();
            range.lastRows = std::move(*counted).TakeLastRows();
            range.origins = std::move(*counted).TakeOrigins();
            range.counts = std::move(*counted).Counts();
            range.lines = range.counts.Rows();
            return range;
        }
    }
    // One pass, which finds the first fault as brevane-cli's reader does.
    RangePiece piece = fresh(0);
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0)
        return Unreadable(std::move(piece).Counts(), name);
    RangeRows range;
    range.status = ReadInOnePass(
        file, name, length,
        [&](const std::uint8_t* rows, std::size_t count) { piece.AddRows(rows, count); },
        range.lines, range.error);
    range.followers = piece.Followers();
    range.lastRows = std::move(piece).TakeLastRows();
    range.origins = std::move(piece).TakeOrigins();
    range.counts = std::move(piece).Counts();
    return range;
}

RangeRows CountFirstFileRange(std::FILE* file, const std::string& name, std::uint64_t start,
                              std::uint64_t length, const SeatView& view, std::uint64_t firstRow,
                              bool fromNewDeck, unsigned threads, WorkProgress* progress) {
    const auto fresh = [&](std::uint64_t rowInRange) {
        return ShuffleCounts(view, firstRow + rowInRange, fromNewDeck);
    };
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) == 0) {
        GuessingRun guessing(fromNewDeck, threads);
        auto counted = CountExportFile<FirstRangePiece>(
            file,
            [&](std::uint64_t rowInRange) { return FirstRangePiece(fresh(rowInRange), guessing); },
            CountOptions(length, threads, progress));
        if (counted) {
            RangeRows range{counted->Finish(), {}, {}, {}, ExportReader::Status::End, 0, {}};
            range.lastRows = std::move(*counted).TakeLastRows();
            range.lines = range.counts.Rows();
            return range;
        }
    }
    // One pass, which finds the first fault as brevane-cli's reader does, the guessing game
    // on the other threads.
    ShuffleCounts counts = fresh(0);
    if (fseeko(file, static_cast<off_t>(start), SEEK_SET) != 0)
        return Unreadable(std::move(counts), name);
    counts.DeferGuessing();
    GuessingRun guessing(fromNewDeck, threads, GuessingRun::DefaultBlocksPerPart, true);
    LastRows last;
    RangeRows range;
    range.status = ReadInOnePass(
        file, name, length,
        [&](const std::uint8_t* rows, std::size_t count) {
            counts.AddRows(rows, count);
            guessing.AddRows(rows, count);
            last.Add(rows, count);
        },
        range.lines, range.error);
    counts.SetGuessing(guessing.Finish());
    range.counts = std::move(counts);
    range.lastRows = std::move(last).Take();
    return range;
}

std::string MessageAtLine(const std::string& message, const std::string& name,
                          std::uint64_t lineInRange, std::uint64_t lineInFile) {
    const std::string prefix = name + ":" + std::to_string(lineInRange) + ":";
    if (message.compare(0, prefix.size(), prefix) != 0) return message;
    return name + ":" + std::to_string(lineInFile) + ":" + message.substr(prefix.size());
}

}  // namespace brevane
