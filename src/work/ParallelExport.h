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
// bad.
template <class Counter>
bool CountExportPiece(const char* bytes, std::size_t size, Counter& counter) {
    ExportReader reader(std::string_view(bytes, size), "");
    constexpr std::size_t batchRows = 1024;
    std::vector<std::uint8_t> rows(batchRows * DeckSize);
    ExportReader::Status status = ExportReader::Status::Row;
    while (status == ExportReader::Status::Row) {
        std::size_t count = 0;
        while (count < batchRows &&
               (status = reader.Next(&rows[count * DeckSize])) == ExportReader::Status::Row) {
            ++count;
        }
        counter.AddRows(rows.data(), count);
    }
    return status == ExportReader::Status::End;
}

}  // namespace detail

// Counts the rows of the export file `file`, a regular file, from its current position on, on
// `threads` threads: this thread maps it and cuts it in pieces at line ends; the others parse
// each piece in place and count it into a counter of its own, make(first row index of the
// piece), and the counters are merged in file order with Merge. The result is therefore that of
// one pass whenever merging consecutive ranges equals counting them in one go.
// A piece's first row index is taken to be its offset divided by the length of the file's first
// line, which holds while every line ends alike, and is checked as the pieces are merged; so the
// rows need not be counted before they are parsed.
// Gives nullopt when the file holds anything but well-formed rows, when a piece's first row is
// not where its offset puts it (lines ending in both LF and CR LF), or when reading fails: the
// caller then reads it again in one pass, which finds and reports the first fault as always.
// `progress` advances by the rows of each piece as it is merged, and its input bytes done are
// then the end of that piece.
template <class Counter, class Make>
std::optional<Counter> CountExportFile(std::FILE* file, Make&& make, unsigned threads,
                                       WorkProgress* progress = nullptr) {
    struct Piece {
        std::size_t index;
        std::uint64_t firstRow;
        const char* bytes;
        std::size_t size;
        std::size_t end;
    };
    struct Counted {
        std::uint64_t firstRow;
        std::size_t end;  // the piece's end, in bytes from where the file is read
        Counter counter;
    };
    const unsigned workers = std::max(1u, threads);
    const std::size_t mostWaiting = 2 * std::size_t{workers};
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Piece> pieces;
    std::map<std::size_t, Counted> counted;
    bool noMore = false;
    bool failed = false;

    const auto work = [&] {
        for (;;) {
            Piece piece;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return failed || noMore || !pieces.empty(); });
                if (failed || pieces.empty()) return;
                piece = pieces.front();
                pieces.pop_front();
            }
            std::optional<Counter> counter;
            bool good = false;
            try {
                counter.emplace(make(piece.firstRow));
                good = detail::CountExportPiece(piece.bytes, piece.size, *counter);
            } catch (...) {
                good = false;
            }
            {
                const std::lock_guard lock(mutex);
                if (good) {
                    counted.emplace(piece.index,
                                    Counted{piece.firstRow, piece.end, std::move(*counter)});
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
    std::uint64_t rowsMerged = 0;
    // Merges the counters that are next in file order; false once a piece failed or was
    // numbered wrongly.
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
            const std::size_t pieceEnd = next->second.end;
            counted.erase(next);
            lock.unlock();
            const std::uint64_t rows = counter.Rows();
            rowsMerged += rows;
            if (result) {
                result->Merge(counter);
            } else {
                result.emplace(std::move(counter));
            }
            if (progress) {
                progress->Advance(rows);
                progress->SetInputBytesDone(pieceEnd);
            }
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
    // where it lies: no copy, and this thread only cuts the pieces and merges their counts.
    void* mapped = nullptr;
    const std::size_t mappedSize = static_cast<std::size_t>(info.st_size);
    if (mappedSize != 0) {
        mapped = mmap(nullptr, mappedSize, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped == MAP_FAILED) return std::nullopt;
        madvise(mapped, mappedSize, MADV_SEQUENTIAL);
    }
    const char* bytes = static_cast<const char*>(mapped) + start;
    // An empty file maps nothing, and memchr may not be given a null pointer even for 0 bytes.
    const auto* firstEnd =
        size != 0 ? static_cast<const char*>(std::memchr(bytes, '\n', size)) : nullptr;
    const std::size_t lineBytes = firstEnd ? static_cast<std::size_t>(firstEnd - bytes) + 1 : 1;
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
            if (at % lineBytes != 0) {
                good = false;
                break;
            }
            std::unique_lock lock(mutex);
            // Room for one more piece is made by merging what is ready.
            while (good && made - merged >= mostWaiting) {
                changed.wait(lock, [&] { return failed || counted.contains(merged); });
                good = mergeReady(lock);
            }
            if (!good) break;
            pieces.push_back({made++, at / lineBytes, piece, cut, at + cut});
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
