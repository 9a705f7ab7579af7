#include "cli/SourceCounts.h"

#include <optional>
#include <utility>
#include <vector>

#include "cards/Cards.h"
#include "cli/ProgressLine.h"
#include "stats/GuessedPieces.h"
#include "streams/StreamCounts.h"
#include "work/ParallelExport.h"
#include "work/ParallelRows.h"

namespace brevane::cli {

namespace {

SourceCounter& InstalledCounter() {
    static SourceCounter counter;
    return counter;
}

}  // namespace

void SetSourceCounter(SourceCounter counter) {
    InstalledCounter() = std::move(counter);
}

bool HasSourceCounter() {
    return static_cast<bool>(InstalledCounter());
}

RowSource::Status CountSourceRows(RowSource& source, ShuffleCounts& counts) {
    if (const SourceCounter& counter = InstalledCounter()) return counter(source, counts);
    return CountSourceRowsHere(source, counts);
}

RowSource::Status CountSourceRowsHere(RowSource& source, ShuffleCounts& counts) {
    if (const StreamPlan* streams = source.Streams()) {
        counts = CountStreams(*streams, counts.View(), counts.FirstRowIndex(), DefaultThreadCount(),
                              &source.Progress());
        return RowSource::Status::End;
    }
    if (std::FILE* file = source.ParallelFile()) {
        const SeatView view = counts.View();
        const std::uint64_t base = counts.FirstRowIndex();
        const bool fromNewDeck = counts.FromNewDeck();
        const ExportCountOptions parallelOptions = source.ParallelOptions();
        GuessingRun guessing(fromNewDeck, parallelOptions.threads);
        auto parallel = CountExportFile<GuessedPiece>(
            file,
            [&](std::uint64_t firstRow) {
                return GuessedPiece(ShuffleCounts(view, base + firstRow, fromNewDeck), guessing);
            },
            parallelOptions);
        if (parallel) {
            counts = parallel->Finish();
            return RowSource::Status::End;
        }
        source.Rewind();
    }
    // The guessing game on the other threads, beside the making and counting on this one.
    const unsigned threads = DefaultThreadCount();
    std::optional<GuessingRun> guessing;
    if (threads > 1 && counts.Rows() == 0) {
        counts.DeferGuessing();
        guessing.emplace(counts.FromNewDeck(), threads, GuessingRun::DefaultBlocksPerPart, true);
    }
    RowSource::Status status;
    do {
        const std::uint8_t* rows = nullptr;
        std::size_t count = 0;
        status = source.TakeBatch(rows, count);
        if (guessing) {
            counts.AddRows(rows, count, *guessing);
        } else {
            counts.AddRows(rows, count);
        }
    } while (status == RowSource::Status::Row);
    if (guessing) counts.SetGuessing(guessing->Finish());
    return status;
}

int OpenAndCountRows(std::string_view command, const AnalysisOptions& options, RowSource& source,
                     std::optional<ShuffleCounts>& counts) {
    if (!source.Open(options)) return UsageError(command, source.Error());
    counts.emplace(options.view, options.firstRow, options.fromNewDeck);
    ProgressLine progressLine(source.Progress(), command, "rows", options.quiet);
    const RowSource::Status status = CountSourceRows(source, *counts);
    progressLine.Stop();
    if (status != RowSource::Status::End) return SourceError(source, status);
    return RefuseRowsPastLastIndex(command, options, counts->Rows());
}

}  // namespace brevane::cli
