#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "analysis/ShuffleList.h"
#include "work/WorkProgress.h"

namespace brevane {

// The number of threads work uses when the caller does not say: the machine's cores, unless the
// program set another count (the command line's --threads).
unsigned DefaultThreadCount();
// Sets the count DefaultThreadCount gives; 0 goes back to the number of cores.
void SetDefaultThreadCount(unsigned threads);

// Rows a thread counts between two looks at the progress and its cancel flag.
inline constexpr std::size_t ProgressChunkRows = 16384;
// Fewer rows than this per thread are not worth a thread of their own.
inline constexpr std::size_t MinRowsPerThread = 1u << 17;
// Ranges of rows per thread in CountListRows, at most.
inline constexpr std::size_t RangesPerThread = 8;

// Feeds rows [first, last) of `list` to `counter` in list order, in runs that lie back to back
// in storage, reporting each run to `progress`.
template <class Counter>
void FeedListRows(const ShuffleList& list, std::size_t first, std::size_t last, Counter& counter,
                  WorkProgress* progress) {
    for (std::size_t r = first; r < last;) {
        const std::size_t inBlock = ShuffleList::RowsPerBlock - r % ShuffleList::RowsPerBlock;
        const std::size_t take = std::min({ProgressChunkRows, last - r, inBlock});
        counter.AddRows(list.Row(r), take);
        r += take;
        ReportProgress(progress, take);
    }
}

// Counts rows [first, list.Count()) of `list` on up to `threads` threads. The rows are cut into
// consecutive ranges; the range starting at row s is counted by make(s), and the range counters
// are merged in list order with Merge, so the result is the same for every thread count
// whenever Merge of consecutive ranges equals counting them in one go. Throws WorkCancelled when
// `progress` is cancelled, and rethrows the first exception a range threw. `first` must not
// pass the end of the list.
template <class Counter, class Make>
Counter CountListRowsFrom(const ShuffleList& list, std::size_t first, Make&& make, unsigned threads,
                          WorkProgress* progress = nullptr) {
    const std::size_t count = list.Count() - first;
    const std::size_t most = std::max<std::size_t>(1, count / MinRowsPerThread);
    const std::size_t workers = std::clamp<std::size_t>(threads, 1, most);
    if (workers == 1) {
        Counter counter = make(first);
        FeedListRows(list, first, first + count, counter, progress);
        return counter;
    }
    // More ranges than threads, each taken by the next thread free, so that a thread held up by
    // other work on its core leaves the rest of its share to the others.
    const std::size_t parts = std::min(most, workers * RangesPerThread);
    std::vector<std::size_t> starts(parts + 1);
    for (std::size_t k = 0; k <= parts; ++k) starts[k] = first + count / parts * k;
    starts[parts] = first + count;
    std::vector<std::optional<Counter>> counters(parts);
    std::vector<std::exception_ptr> errors(parts);
    {
        std::atomic<std::size_t> nextPart{0};
        std::vector<std::jthread> running;
        running.reserve(workers - 1);
        const auto countPart = [&](std::size_t k) {
            try {
                counters[k].emplace(make(starts[k]));
                FeedListRows(list, starts[k], starts[k + 1], *counters[k], progress);
            } catch (...) {
                errors[k] = std::current_exception();
                // The other ranges need not go on.
                if (progress) progress->Cancel();
            }
        };
        const auto countParts = [&] {
            for (std::size_t k; (k = nextPart.fetch_add(1)) < parts;) countPart(k);
        };
        for (std::size_t k = 1; k < workers; ++k) running.emplace_back(countParts);
        countParts();
    }
    for (const std::exception_ptr& error : errors) {
        if (error && !IsCancellation(error)) std::rethrow_exception(error);
    }
    for (const std::exception_ptr& error : errors) {
        if (error) std::rethrow_exception(error);
    }
    Counter result = std::move(*counters[0]);
    for (std::size_t k = 1; k < parts; ++k) result.Merge(*counters[k]);
    return result;
}

// Counts every row of `list`, as CountListRowsFrom does from row 0.
template <class Counter, class Make>
Counter CountListRows(const ShuffleList& list, Make&& make, unsigned threads,
                      WorkProgress* progress = nullptr) {
    return CountListRowsFrom<Counter>(list, 0, std::forward<Make>(make), threads, progress);
}

}  // namespace brevane
