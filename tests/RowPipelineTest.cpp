#include "work/RowPipeline.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "cards/Cards.h"

namespace brevane {
namespace {

// A maker whose row k holds k in its first eight bytes and k % 251 in the rest.
struct NumberedRows {
    std::uint64_t next = 0;
    void operator()(std::uint8_t* rows, std::size_t count) {
        for (std::size_t r = 0; r < count; ++r, ++next) {
            std::uint8_t* row = rows + r * DeckSize;
            std::memcpy(row, &next, sizeof next);
            std::memset(row + 8, static_cast<int>(next % 251), DeckSize - 8);
        }
    }
};

std::vector<std::uint8_t> MadeInOneGo(std::uint64_t rows) {
    std::vector<std::uint8_t> all(rows * DeckSize);
    NumberedRows maker;
    maker(all.data(), rows);
    return all;
}

// Every row taken from the pipeline, checking each batch's size on the way.
std::vector<std::uint8_t> TakeAll(RowPipeline& pipeline, std::size_t batchRows) {
    std::vector<std::uint8_t> all;
    std::size_t count = 0;
    bool shortSeen = false;
    while (const std::uint8_t* rows = pipeline.Next(count)) {
        EXPECT_GT(count, 0u);
        EXPECT_LE(count, batchRows);
        EXPECT_FALSE(shortSeen) << "only the last batch may be short";
        shortSeen = count < batchRows;
        all.insert(all.end(), rows, rows + count * DeckSize);
    }
    EXPECT_EQ(count, 0u);
    return all;
}

TEST(RowPipeline, HandsOverEveryRowInOrder) {
    for (const std::uint64_t total : {0ull, 1ull, 99ull, 100ull, 101ull, 1234ull, 5000ull}) {
        for (const std::size_t slots : {1u, 2u, 3u}) {
            RowPipeline pipeline(total, 100, slots, NumberedRows{});
            EXPECT_EQ(TakeAll(pipeline, 100), MadeInOneGo(total)) << total << " " << slots;
            std::size_t count = 7;
            EXPECT_EQ(pipeline.Next(count), nullptr) << "the end repeats";
            EXPECT_EQ(count, 0u);
        }
    }
}

TEST(RowPipeline, MakerStaysWithinTheRingAheadOfTheCaller) {
    constexpr std::size_t slots = 3;
    std::atomic<std::uint64_t> made{0}, taken{0};
    std::atomic<bool> tooFar{false};
    RowPipeline pipeline(64 * 10, 10, slots, [&](std::uint8_t* rows, std::size_t count) {
        // The caller holds at most one batch; the maker may fill every other slot, and this one.
        if (made - taken > slots) tooFar = true;
        ++made;
        std::memset(rows, 1, count * DeckSize);
    });
    std::size_t count = 0;
    while (pipeline.Next(count)) {
        ++taken;
        std::this_thread::yield();
    }
    EXPECT_EQ(made.load(), 64u);
    EXPECT_FALSE(tooFar.load());
}

TEST(RowPipeline, WhatTheMakerThrowsComesAfterTheBatchesBeforeIt) {
    int calls = 0;
    RowPipeline pipeline(1000, 100, 2, [&](std::uint8_t* rows, std::size_t count) {
        if (++calls == 4) throw std::runtime_error("no more rows");
        std::memset(rows, 2, count * DeckSize);
    });
    std::size_t count = 0;
    for (int batch = 0; batch < 3; ++batch) {
        ASSERT_NE(pipeline.Next(count), nullptr);
        EXPECT_EQ(count, 100u);
    }
    EXPECT_THROW(pipeline.Next(count), std::runtime_error);
}

// Stopping at any moment (before the first batch, between batches, with the maker waiting for
// a free slot or busy in one) neither hangs nor loses track: run in a loop, also under
// ThreadSanitizer.
TEST(RowPipeline, StopsCleanlyAtAnyMoment) {
    std::mt19937 random(13);
    for (int round = 0; round < 200; ++round) {
        const std::uint64_t total = 1 + random() % 2000;
        const std::size_t stopAfter = random() % 25;
        RowPipeline pipeline(total, 1 + random() % 64, 1 + random() % 3, NumberedRows{});
        std::size_t count = 0;
        std::uint64_t seen = 0;
        for (std::size_t batch = 0; batch < stopAfter; ++batch) {
            const std::uint8_t* rows = pipeline.Next(count);
            if (!rows) break;
            std::uint64_t first = 0;
            std::memcpy(&first, rows, sizeof first);
            ASSERT_EQ(first, seen);
            seen += count;
        }
    }
}

}  // namespace
}  // namespace brevane
