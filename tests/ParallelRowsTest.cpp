#include "work/ParallelRows.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "AnalysisReference.h"
#include "analysis/ReportCounters.h"
#include "analysis/ReportLines.h"

namespace brevane {
namespace {

// Enough rows for three threads, across several storage blocks, ending inside a block.
const ShuffleList& ManyRows() {
    static const ShuffleList list = reference::ShuffledList(3 * MinRowsPerThread + 12345, 21);
    return list;
}

template <class Counter>
Counter CountOnce(const ShuffleList& list, Counter counter) {
    FeedListRows(list, 0, list.Count(), counter, nullptr);
    return counter;
}

TEST(ParallelRows, EveryThreadCountGivesTheCountsOfOnePass) {
    const ShuffleList& list = ManyRows();
    const auto suit = CountOnce(list, PositionCounter::ForSuit(2));
    const auto card = CountOnce(list, PositionCounter::ForCard(37));
    const auto position = CountOnce(list, DeckPosCounter(17));
    for (unsigned threads : {1u, 2u, 3u, 8u}) {
        const auto same = [&](auto counter) {
            return CountListRows<decltype(counter)>(
                list, [&](std::size_t) { return counter; }, threads);
        };
        EXPECT_EQ(same(PositionCounter::ForSuit(2)).Counts(), suit.Counts()) << threads;
        EXPECT_EQ(same(PositionCounter::ForCard(37)).Counts(), card.Counts()) << threads;
        EXPECT_EQ(same(DeckPosCounter(17)).CardCounts(), position.CardCounts()) << threads;
        EXPECT_EQ(same(DeckPosCounter(17)).Rows(), list.Count());
    }
}

TEST(ParallelRows, RotatingSeatsContinueAcrossTheRanges) {
    const ShuffleList& list = ManyRows();
    for (const SeatView view : {SeatView{7, 9, Stage::River}, SeatView{3, 1, Stage::Flop}}) {
        const HandCategoryCounter once = CountOnce(list, HandCategoryCounter(view));
        for (unsigned threads : {2u, 3u}) {
            const HandCategoryCounter split = CountListRows<HandCategoryCounter>(
                list, [&](std::size_t s) { return HandCategoryCounter(view, std::int64_t(s)); },
                threads);
            EXPECT_EQ(split.Counts(), once.Counts()) << threads;
            EXPECT_EQ(BuildReport(split, "."), BuildReport(once, "."));
        }
    }
    // A counter started at a later row is the counter of row 0 fed the rows before it.
    HandCategoryCounter fromStart(SeatView{7, 9, Stage::River});
    fromStart.AddRows(list.Row(0), 5);
    HandCategoryCounter later(SeatView{7, 9, Stage::River}, 5);
    later.AddRows(list.Row(5), 100);
    fromStart.Merge(later);
    HandCategoryCounter whole(SeatView{7, 9, Stage::River});
    whole.AddRows(list.Row(0), 105);
    EXPECT_EQ(fromStart.Counts(), whole.Counts());
    EXPECT_EQ(fromStart.Rows(), 105u);
}

TEST(ParallelRows, ProgressCountsEveryRowAndACancelStopsTheWork) {
    const ShuffleList& list = ManyRows();
    WorkProgress progress(list.Count());
    CountListRows<DeckPosCounter>(
        list, [](std::size_t) { return DeckPosCounter(1); }, 3, &progress);
    EXPECT_EQ(progress.Done(), list.Count());

    WorkProgress cancelled;
    cancelled.Cancel();
    EXPECT_THROW(CountListRows<DeckPosCounter>(
                     list, [](std::size_t) { return DeckPosCounter(1); }, 2, &cancelled),
                 WorkCancelled);

    // Cancelled from another thread while the counting runs, at many moments.
    for (int attempt = 0; attempt < 20; ++attempt) {
        WorkProgress racing;
        std::jthread canceller([&] {
            while (racing.Done() < static_cast<std::uint64_t>(attempt) * ProgressChunkRows) {
                std::this_thread::yield();
            }
            racing.Cancel();
        });
        try {
            CountListRows<PositionCounter>(
                list, [](std::size_t) { return PositionCounter::ForRank(3); }, 2, &racing);
            // Finishing is fine only when the cancel came after the last chunk.
            EXPECT_EQ(racing.Done(), list.Count());
        } catch (const WorkCancelled&) {
            EXPECT_LE(racing.Done(), list.Count());
        }
    }
}

TEST(ParallelRows, AnErrorInOneRangeReachesTheCaller) {
    struct Failing {
        std::size_t start;
        void AddRows(const std::uint8_t*, std::size_t) {
            if (start > 0) throw std::runtime_error("range failed");
        }
        void Merge(const Failing&) {}
    };
    EXPECT_THROW(CountListRows<Failing>(
                     ManyRows(), [](std::size_t s) { return Failing{s}; }, 2),
                 std::runtime_error);
}

}  // namespace
}  // namespace brevane
