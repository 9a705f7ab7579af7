#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "analysis/RowParser.h"
#include "cards/Cards.h"
#include "work/WorkProgress.h"

namespace brevane {

// Bytes of an export file handed to one counting thread at once (about 27,000 rows).
inline constexpr std::size_t ExportPieceBytes = std::size_t{4} << 20;

namespace detail {

// Parses one piece of an export file, whole lines only, into `counter`. False when a line is
// bad or the piece holds other than `lines` rows.
template <class Counter>
bool CountExportPiece(std::vector<char>& piece, std::uint64_t lines, Counter& counter) {
    if (piece.empty()) return lines == 0;
    std::FILE* file = fmemopen(piece.data(), piece.size(), "r");
    if (!file) return false;
    ExportReader reader(file, "");
    constexpr std::size_t batchRows = 1024;
    std::vector<std::uint8_t> rows(batchRows * DeckSize);
    std::uint64_t total = 0;
    ExportReader::Status status = ExportReader::Status::Row;
    while (status == ExportReader::Status::Row) {
        std::size_t count = 0;
        while (count < batchRows &&
               (status = reader.Next(&rows[count * DeckSize])) == ExportReader::Status::Row) {
            ++count;
        }
        counter.AddRows(rows.data(), count);
        total += count;
    }
    std::fclose(file);
    return status == ExportReader::Status::End && total == lines;
}

}  // namespace detail

// Counts the rows of the export file `file`, read from its current position, on `threads`
// threads: this thread reads it in pieces cut at line ends and numbers their rows, the others
// parse and count each piece into a counter of its own, make(first row index of the piece),
// and the counters are merged in file order with Merge. The result is therefore that of one
// pass whenever merging consecutive ranges equals counting them in one go.
// Gives nullopt when the file holds anything but well-formed rows, or reading fails: the
// caller then reads it again in one pass, which finds and reports the first fault as always.
// `progress` advances by the rows of each piece as it is merged.
template <class Counter, class Make>
std::optional<Counter> CountExportFile(std::FILE* file, Make&& make, unsigned threads,
                                       WorkProgress* progress = nullptr) {
    struct Piece {
        std::size_t index;
        std::uint64_t firstRow;
        std::uint64_t lines;
        std::vector<char> bytes;
    };
    const unsigned workers = std::max(1u, threads);
    const std::size_t mostWaiting = 2 * std::size_t{workers};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece> pieces;
    std::map<std::size_t, Counter> counted;
    bool noMore = false;
    bool failed = false;

    const auto work = [&] {
        for (;;) {
            Piece piece;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return failed || noMore || !pieces.empty(); });
                if (failed || pieces.empty()) return;
                piece = std::move(pieces.front());
                pieces.pop_front();
            }
            std::optional<Counter> counter;
            bool good = false;
            try {
                counter.emplace(make(piece.firstRow));
                good = detail::CountExportPiece(piece.bytes, piece.lines, *counter);
            } catch (...) {
                good = false;
            }
            {
                const std::lock_guard lock(mutex);
                if (good) {
                    counted.emplace(piece.index, std::move(*counter));
                } else {
                    failed = true;
                }
            }
            changed.notify_all();
        }
    };

    std::optional<Counter> result;
    std::size_t made = 0;
    std::size_t merged = 0;
    // Merges the counters that are next in file order; false once a piece failed.
    const auto mergeReady = [&](std::unique_lock<std::mutex>& lock) {
        for (;;) {
            if (failed) return false;
            const auto next = counted.find(merged);
            if (next == counted.end()) return true;
            Counter counter = std::move(next->second);
            counted.erase(next);
            lock.unlock();
            const std::uint64_t rows = counter.Rows();
            if (result) {
                result->Merge(counter);
            } else {
                result.emplace(std::move(counter));
            }
            if (progress) progress->Advance(rows);
            lock.lock();
            ++merged;
        }
    };

    bool good = true;
    {
        std::vector<std::jthread> threadsRunning;
        for (unsigned k = 0; k < workers; ++k) threadsRunning.emplace_back(work);
        std::vector<char> carry;
        std::uint64_t nextRow = 0;
        for (bool end = false; good && !end;) {
            std::vector<char> bytes(carry.size() + ExportPieceBytes);
            std::copy(carry.begin(), carry.end(), bytes.begin());
            const std::size_t got =
                std::fread(bytes.data() + carry.size(), 1, ExportPieceBytes, file);
            if (got < ExportPieceBytes && std::ferror(file)) {
                good = false;
                break;
            }
            bytes.resize(carry.size() + got);
            end = got == 0 || std::feof(file);
            std::size_t cut = bytes.size();
            if (!end) {
                const auto lastEnd = std::find(bytes.rbegin(), bytes.rend(), '\n');
                // A line longer than a piece is left to the one-pass reader.
                if (lastEnd == bytes.rend()) {
                    good = false;
                    break;
                }
                cut = static_cast<std::size_t>(bytes.rend() - lastEnd);
            }
            carry.assign(bytes.begin() + static_cast<std::ptrdiff_t>(cut), bytes.end());
            bytes.resize(cut);
            std::uint64_t lines =
                static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
            if (!bytes.empty() && bytes.back() != '\n') ++lines;  // the last line, unended
            if (bytes.empty()) continue;
            std::unique_lock lock(mutex);
            // Room for one more piece is made by merging what is ready.
            while (good && made - merged >= mostWaiting) {
                changed.wait(lock, [&] { return failed || counted.contains(merged); });
                good = mergeReady(lock);
            }
            if (!good) break;
            pieces.push_back({made++, nextRow, lines, std::move(bytes)});
            nextRow += lines;
            changed.notify_all();
            good = mergeReady(lock);
        }
        std::unique_lock lock(mutex);
        noMore = true;
        if (!good) failed = true;
        changed.notify_all();
        while (good && merged < made) {
            changed.wait(lock, [&] { return failed || counted.contains(merged); });
            good = mergeReady(lock);
        }
        failed = failed || !good;
        changed.notify_all();
        lock.unlock();
    }
    if (!good) return std::nullopt;
    if (!result) result.emplace(make(std::uint64_t{0}));
    return result;
}

}  // namespace brevane
