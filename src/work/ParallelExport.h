#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "analysis/RowParser.h"
#include "cards/Cards.h"
#include "work/ExportPieces.h"
#include "work/WorkProgress.h"

namespace brevane {

// How CountExportFile reads and counts.
struct ExportCountOptions {
    unsigned threads = 1;
    // Advances by the rows of each piece as it is merged; its input bytes done are then the end
    // of that piece, as an offset in the file.
    WorkProgress* progress = nullptr;
    // Given every byte counted, in file order, one piece at a time and never on two threads at
    // once (a digest of the input): run by whichever counting thread is free, beside the
    // counting.
    ExportReader::InputObserver observeInput;
    // Called before each read of the file (ExportPieceReader::ReadHook).
    ExportPieceReader::ReadHook beforeRead;
    // The bytes to count from the file's position on, at most: a range that ends after a line
    // end leaves the rest of the file to others.
    std::uint64_t length = ExportPieceReader::Unlimited;
};

// Reads rows from `reader` until it gives anything but a row, handing them to onRows(rows,
// count) in batches of up to 1024. Gives what ended the reading.
template <class OnRows>
ExportReader::Status ReadRowBatches(ExportReader& reader, OnRows&& onRows) {
    constexpr std::size_t batchRows = 1024;
    std::vector<std::uint8_t> rows(batchRows * DeckSize);
    ExportReader::Status status = ExportReader::Status::Row;
    while (status == ExportReader::Status::Row) {
        std::size_t count = 0;
        while (count < batchRows &&
               (status = reader.Next(&rows[count * DeckSize])) == ExportReader::Status::Row) {
            ++count;
        }
        if (count > 0) onRows(rows.data(), count);
    }
    return status;
}

namespace detail {

// Parses one piece of an export file, whole lines only, into `counter`. False when a line is
// bad.
template <class Counter>
bool CountExportPiece(const char* bytes, std::size_t size, Counter& counter) {
    ExportReader reader(std::string_view(bytes, size), "");
    return ReadRowBatches(reader, [&](const std::uint8_t* rows, std::size_t count) {
               counter.AddRows(rows, count);
           }) == ExportReader::Status::End;
}

}  // namespace detail

// Counts the rows of the export file `file`, a regular file, from its current position to
// where a read first gives no more bytes (or options.length bytes on), on `options.threads`
// threads. This thread reads the file in pieces of whole lines (ExportPieceReader) into a ring of
// reused buffers and merges the counts; the others count each piece into a counter of its own,
// make(first row index of the piece), and hand the pieces in file order to options.observeInput, so
// that it sees exactly the bytes counted. The counters are merged in file order with Merge, so the
// result is that of one pass whenever merging consecutive ranges equals counting them in one go. A
// piece's first row index is taken to be its offset divided by the length of the file's first line,
// which holds while every line ends alike, and is checked as the pieces are merged; so the rows
// need not be counted before they are parsed. Gives nullopt when the file holds anything but
// well-formed rows, when a piece's first row is not where its offset puts it (lines ending in both
// LF and CR LF), when a read fails, or when counting or observing threw: the caller then reads it
// again in one pass, which finds and reports the first fault as always (and must forget what
// observeInput saw).
template <class Counter, class Make>
std::optional<Counter> CountExportFile(std::FILE* file, Make&& make,
                                       const ExportCountOptions& options) {
    const int fd = fileno(file);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const off_t start = ftello(file);
    if (start < 0) return std::nullopt;
    ExportPieceReader reader(fd, static_cast<std::uint64_t>(start), options.beforeRead,
                             options.length);

    struct Slot {
        std::vector<char> bytes;
        std::size_t size = 0;
        std::uint64_t firstRow = 0;
        std::uint64_t end = 0;  // the piece's end, in bytes from where the file is read
        bool counted = false;
    };
    struct Counted {
        std::uint64_t firstRow;
        std::uint64_t end;
        Counter counter;
    };
    const unsigned workers = std::max(1u, options.threads);
    const bool observing = static_cast<bool>(options.observeInput);
    // Piece k lies in slot k % slots until it has been counted and observed.
    const std::size_t slots = 2 * std::size_t{workers} + 1;
    std::vector<Slot> ring(slots);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t made = 0;       // pieces read
    std::size_t countNext = 0;  // the next piece to count
    std::size_t observeNext = 0;
    bool observerBusy = false;
    std::map<std::size_t, Counted> counted;
    bool noMore = false;
    bool failed = false;

    const auto observeReady = [&] { return observing && !observerBusy && observeNext < made; };
    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock,
                         [&] { return failed || noMore || observeReady() || countNext < made; });
            if (failed) return;
            // The observer goes first, so that it never holds back the reuse of the ring.
            if (observeReady()) {
                Slot& slot = ring[observeNext % slots];
                observerBusy = true;
                lock.unlock();
                bool good = true;
                try {
                    options.observeInput(slot.bytes.data(), slot.size);
                } catch (...) {
                    good = false;
                }
                lock.lock();
                observerBusy = false;
                ++observeNext;
                failed = failed || !good;
                changed.notify_all();
                continue;
            }
            if (countNext == made) {
                if (noMore) return;
                continue;
            }
            const std::size_t index = countNext++;
            Slot& slot = ring[index % slots];
            lock.unlock();
            std::optional<Counter> counter;
            bool good = false;
            try {
                counter.emplace(make(slot.firstRow));
                good = detail::CountExportPiece(slot.bytes.data(), slot.size, *counter);
            } catch (...) {
                good = false;
            }
            lock.lock();
            if (good) {
                counted.emplace(index, Counted{slot.firstRow, slot.end, std::move(*counter)});
            } else {
                failed = true;
            }
            slot.counted = true;
            changed.notify_all();
        }
    };

    std::optional<Counter> result;
    std::size_t merged = 0;
    std::uint64_t rowsMerged = 0;
    // Merges the counters that are next in file order; false once anything failed or a piece
    // was numbered wrongly.
    const auto mergeReady = [&](std::unique_lock<std::mutex>& lock) {
        for (;;) {
            if (failed) return false;
            const auto next = counted.find(merged);
            if (next == counted.end()) return true;
            if (next->second.firstRow != rowsMerged) {
                failed = true;
                return false;
            }
            Counter counter = std::move(next->second.counter);
            const std::uint64_t pieceEnd = next->second.end;
            counted.erase(next);
            lock.unlock();
            const std::uint64_t rows = counter.Rows();
            rowsMerged += rows;
            if (result) {
                result->Merge(counter);
            } else {
                result.emplace(std::move(counter));
            }
            if (options.progress) {
                options.progress->Advance(rows);
                options.progress->SetInputBytesDone(static_cast<std::uint64_t>(start) + pieceEnd);
            }
            lock.lock();
            ++merged;
        }
    };
    // Whether the slot of piece `made` is free again, and few enough counters wait to be merged.
    const auto roomForNext = [&] {
        if (made - merged >= 2 * slots) return false;
        if (made < slots) return true;
        const std::size_t old = made - slots;
        return ring[old % slots].counted && (!observing || observeNext > old);
    };

    bool good = true;
    {
        std::vector<std::jthread> threadsRunning;
        // Stops the threads however this scope is left, before they are joined.
        struct StopAll {
            std::mutex& mutex;
            std::condition_variable& changed;
            bool& failed;
            ~StopAll() {
                {
                    const std::lock_guard lock(mutex);
                    failed = true;
                }
                changed.notify_all();
            }
        };
        for (unsigned k = 0; k < workers; ++k) threadsRunning.emplace_back(work);
        const StopAll stopAll{mutex, changed, failed};
        std::unique_lock lock(mutex);
        while (good) {
            while (good && !roomForNext()) {
                changed.wait(lock,
                             [&] { return failed || roomForNext() || counted.contains(merged); });
                good = mergeReady(lock);
            }
            if (!good) break;
            Slot& slot = ring[made % slots];
            lock.unlock();
            // The slot is no thread's but this one's until `made` counts it.
            if (slot.bytes.empty()) slot.bytes.resize(ExportPieceBytes);
            const auto read = reader.Next(slot.bytes.data(), slot.bytes.size(), slot.size);
            const std::uint64_t at = reader.PieceOffset();
            const std::size_t lineBytes = reader.FirstLineBytes();
            lock.lock();
            if (read == ExportPieceReader::Result::End) break;
            if (read != ExportPieceReader::Result::Piece || at % lineBytes != 0) {
                good = false;
                break;
            }
            slot.firstRow = at / lineBytes;
            slot.end = at + slot.size;
            slot.counted = false;
            ++made;
            changed.notify_all();
            good = mergeReady(lock);
        }
        noMore = true;
        if (!good) failed = true;
        changed.notify_all();
        while (good && merged < made) {
            changed.wait(lock, [&] { return failed || counted.contains(merged); });
            good = mergeReady(lock);
        }
        // Every piece merged was counted; it must also have been observed before the count is
        // given out.
        changed.wait(lock, [&] { return failed || !observing || observeNext == made; });
        good = good && !failed;
    }
    if (!good) return std::nullopt;
    if (!result) result.emplace(make(std::uint64_t{0}));
    return result;
}

// CountExportFile on `threads` threads, with `progress`, observing nothing.
template <class Counter, class Make>
std::optional<Counter> CountExportFile(std::FILE* file, Make&& make, unsigned threads,
                                       WorkProgress* progress = nullptr) {
    ExportCountOptions options;
    options.threads = threads;
    options.progress = progress;
    return CountExportFile<Counter>(file, std::forward<Make>(make), options);
}

}  // namespace brevane
