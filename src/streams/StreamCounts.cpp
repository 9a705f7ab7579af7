#include "streams/StreamCounts.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "models/ShuffleRows.h"
#include "work/RowPipeline.h"

namespace brevane {

namespace {

// Rows made and counted at a time: 208 KiB, which stays in the second-level cache.
constexpr std::size_t BatchRows = 4096;
constexpr std::size_t PipelineSlots = 8;

ShuffleCounts CountOneStream(const StreamPlan& plan, std::uint64_t stream, const SeatView& view,
                             std::uint64_t firstRow, bool pipelined, WorkProgress* progress) {
    ShuffleGenerator generator;
    generator.SetKey(plan.KeyOf(stream));
    ShuffleRowMaker maker(generator, plan.model, plan.fromNewDeck);
    ShuffleCounts counts(view, firstRow, plan.fromNewDeck);
    const std::uint64_t rows = plan.RowsOf(stream);
    if (pipelined) {
        RowPipeline pipeline(
            rows, BatchRows, PipelineSlots,
            [&maker](std::uint8_t* batch, std::size_t count) { maker.Make(batch, count); });
        std::size_t count = 0;
        while (const std::uint8_t* batch = pipeline.Next(count)) {
            counts.AddRows(batch, count);
            ReportProgress(progress, count);
        }
        return counts;
    }
    std::vector<std::uint8_t> batch(BatchRows * DeckSize);
    for (std::uint64_t left = rows; left > 0;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, BatchRows));
        maker.Make(batch.data(), count);
        counts.AddRows(batch.data(), count);
        ReportProgress(progress, count);
        left -= count;
    }
    return counts;
}

}  // namespace

void StreamEnds::Note(std::uint64_t stream, const ShuffleCounts& counts) {
    if (counts.Rows() == 0) return;
    if (firstStream == None || stream < firstStream) {
        firstStream = stream;
        first = counts.FirstRow();
    }
    if (lastStream == None || stream > lastStream) {
        lastStream = stream;
        last = counts.LastRow();
    }
}

void StreamEnds::Note(const StreamEnds& other) {
    if (other.firstStream != None && (firstStream == None || other.firstStream < firstStream)) {
        firstStream = other.firstStream;
        first = other.first;
    }
    if (other.lastStream != None && (lastStream == None || other.lastStream > lastStream)) {
        lastStream = other.lastStream;
        last = other.last;
    }
}

void StreamTotal::Add(std::uint64_t stream, const ShuffleCounts& counts) {
    sum_.Add(counts, false);
    ends_.Note(stream, counts);
}

void StreamTotal::Add(const StreamTotal& other) {
    sum_.Add(other.sum_, false);
    ends_.Note(other.ends_);
}

ShuffleCounts StreamTotal::Result() const {
    return WithEnds(sum_, ends_);
}

StreamEnds EndsOf(const StreamPlan& plan, const ShuffleCounts& counts) {
    StreamEnds ends;
    const std::vector<std::uint64_t> streams = plan.Streams();
    if (streams.empty() || counts.Rows() == 0) return ends;
    ends.firstStream = streams.front();
    ends.lastStream = streams.back();
    ends.first = counts.FirstRow();
    ends.last = counts.LastRow();
    return ends;
}

ShuffleCounts WithEnds(const ShuffleCounts& counts, const StreamEnds& ends) {
    if (counts.Rows() == 0 || ends.firstStream == StreamEnds::None) return counts;
    ShuffleCounts::Tables tables = counts.ToTables();
    tables.first = ends.first;
    tables.last = ends.last;
    return ShuffleCounts::FromTables(tables);
}

ShuffleCounts CountStreams(const StreamPlan& plan, const SeatView& view, std::uint64_t firstRow,
                           unsigned threads, WorkProgress* progress) {
    const std::vector<std::uint64_t> streams = plan.Streams();
    if (streams.size() == 1) {
        return CountOneStream(plan, streams[0], view, firstRow, threads >= 2, progress);
    }
    const std::size_t workers =
        std::clamp<std::size_t>(threads, 1, std::max<std::size_t>(1, streams.size()));
    std::vector<StreamTotal> totals(workers, StreamTotal(view, firstRow, plan.fromNewDeck));
    std::vector<std::exception_ptr> errors(workers);
    {
        std::atomic<std::size_t> next{0};
        const auto work = [&](std::size_t worker) {
            try {
                for (std::size_t k; (k = next.fetch_add(1)) < streams.size();) {
                    totals[worker].Add(streams[k], CountOneStream(plan, streams[k], view, firstRow,
                                                                  false, progress));
                }
            } catch (...) {
                errors[worker] = std::current_exception();
                next.store(streams.size());
            }
        };
        std::vector<std::jthread> running;
        running.reserve(workers - 1);
        for (std::size_t w = 1; w < workers; ++w) running.emplace_back(work, w);
        work(0);
    }
    for (const std::exception_ptr& error : errors) {
        if (error) std::rethrow_exception(error);
    }
    StreamTotal total(view, firstRow, plan.fromNewDeck);
    for (const StreamTotal& part : totals) total.Add(part);
    return total.Result();
}

}  // namespace brevane
