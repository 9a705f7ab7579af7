#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>

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
bool CountExportPiece(const char* bytes, std::size_t size, std::uint64_t lines, Counter& counter) {
    ExportReader reader(std::string_view(bytes, size), "");
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
    return status == ExportReader::Status::End && total == lines;
}

// Lines in bytes[0, size), the last one perhaps without its line end. A well-formed line has
// 155 characters, so a line end is first looked for there: the count is exact whenever every
// line is well formed, and only then does it matter, since a bad line fails its piece.
inline std::uint64_t LinesIn(const char* bytes, std::size_t size) {
    constexpr std::size_t lineChars = 155;
    std::uint64_t lines = 0;
    for (std::size_t at = 0; at < size; ++lines) {
        const std::size_t left = size - at;
        const char* p = bytes + at;
        if (left > lineChars && p[lineChars] == '\n') {
            at += lineChars + 1;
        } else if (left > lineChars + 1 && p[lineChars] == '\r' && p[lineChars + 1] == '\n') {
            at += lineChars + 2;
        } else {
            const auto* end = static_cast<const char*>(std::memchr(p, '\n', left));
            at = end ? static_cast<std::size_t>(end - bytes) + 1 : size;
        }
    }
    return lines;
}

}  // namespace detail

// Counts the rows of the export file `file`, a regular file, from its current position on, on
// `threads` threads: this thread maps it and cuts it in pieces at line ends; the others number
// the rows of each piece, then parse it in place and count it into a counter of its own,
// make(first row index of the piece), and the counters are merged in file order with Merge.
// The result is therefore that of one pass whenever merging consecutive ranges equals counting
// them in one go.
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
        const char* bytes;
        std::size_t size;
    };
    const unsigned workers = std::max(1u, threads);
    const std::size_t mostWaiting = 2 * std::size_t{workers};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece> pieces;
    std::map<std::size_t, Counter> counted;
    bool noMore = false;
    bool failed = false;
    // Rows of the pieces counted but not yet numbered, and first row indices not yet taken.
    std::map<std::size_t, std::uint64_t> linesOf;
    std::map<std::size_t, std::uint64_t> firstRowOf;
    std::size_t numbered = 0;
    std::uint64_t nextRow = 0;

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
            // The piece's rows are counted here, where its bytes are read anyway; its first
            // row index is known once the pieces before it are counted.
            piece.lines = detail::LinesIn(piece.bytes, piece.size);
            {
                std::unique_lock lock(mutex);
                linesOf.emplace(piece.index, piece.lines);
                while (!linesOf.empty() && linesOf.begin()->first == numbered) {
                    firstRowOf.emplace(numbered, nextRow);
                    nextRow += linesOf.begin()->second;
                    linesOf.erase(linesOf.begin());
                    ++numbered;
                }
                changed.notify_all();
                changed.wait(lock, [&] { return failed || numbered > piece.index; });
                if (failed) return;
                const auto first = firstRowOf.find(piece.index);
                piece.firstRow = first->second;
                firstRowOf.erase(first);
            }
            std::optional<Counter> counter;
            bool good = false;
            try {
                counter.emplace(make(piece.firstRow));
                good = detail::CountExportPiece(piece.bytes, piece.size, piece.lines, *counter);
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
    const int fd = fileno(file);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const off_t start = ftello(file);
    if (start < 0 || start > info.st_size) return std::nullopt;
    const auto size = static_cast<std::size_t>(info.st_size - start);
    // The file is mapped whole, from its first byte (mappings start at a page), and parsed
    // where it lies: no copy, and this thread only cuts and numbers the pieces.
    void* mapped = nullptr;
    const std::size_t mappedSize = static_cast<std::size_t>(info.st_size);
    if (mappedSize != 0) {
        mapped = mmap(nullptr, mappedSize, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped == MAP_FAILED) return std::nullopt;
        madvise(mapped, mappedSize, MADV_SEQUENTIAL);
    }
    const char* bytes = static_cast<const char*>(mapped) + start;
    {
        std::vector<std::jthread> threadsRunning;
        for (unsigned k = 0; k < workers; ++k) threadsRunning.emplace_back(work);
        for (std::size_t at = 0; good && at < size;) {
            std::size_t cut = size - at;
            if (cut > ExportPieceBytes) {
                const char* piece = bytes + at;
                std::size_t lastEnd = ExportPieceBytes;
                while (lastEnd > 0 && piece[lastEnd - 1] != '\n') --lastEnd;
                // A line longer than a piece is left to the one-pass reader.
                if (lastEnd == 0) {
                    good = false;
                    break;
                }
                cut = lastEnd;
            }
            const char* piece = bytes + at;
            std::unique_lock lock(mutex);
            // Room for one more piece is made by merging what is ready.
            while (good && made - merged >= mostWaiting) {
                changed.wait(lock, [&] { return failed || counted.contains(merged); });
                good = mergeReady(lock);
            }
            if (!good) break;
            pieces.push_back({made++, 0, 0, piece, cut});
            at += cut;
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
    if (mapped) munmap(mapped, mappedSize);
    if (!good) return std::nullopt;
    if (!result) result.emplace(make(std::uint64_t{0}));
    return result;
}

}  // namespace brevane
