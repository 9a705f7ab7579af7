#include "analysis/ShuffleList.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "os/Memory.h"
#include "support/ReferenceShuffle.h"

namespace brevane {
namespace {

using test::CountingKey;
using test::ReferenceShuffler;

TEST(ShuffleListTest, InitialDeckIsOneToFiftyTwo) {
    const Deck deck = InitialDeck();
    for (int k = 0; k < 52; ++k) EXPECT_EQ(deck[k], k + 1);
}

// A list with its deck at 1..52 and a generator keyed with the counting key.
class KeyedListTest : public ::testing::Test {
  protected:
    KeyedListTest() { generator.SetKey(CountingKey()); }
    void Append(std::size_t n) { list.AppendShuffles(deck, generator, n); }

    ShuffleGenerator generator;
    ShuffleList list;
    Deck deck = InitialDeck();
};

TEST_F(KeyedListTest, AppendedShufflesMatchTheReferenceAcrossBlocks) {
    ReferenceShuffler reference(CountingKey());
    const std::size_t total = ShuffleList::RowsPerBlock + 1000;
    Append(10);
    Append(total - 10);
    ASSERT_EQ(list.Count(), total);

    Deck expected = InitialDeck();
    for (std::size_t r = 0; r < total; ++r) {
        reference.Shuffle(expected);
        const ShuffleRecord record = list.Record(r);
        ASSERT_EQ(record, expected) << "row " << r;
        const std::uint8_t* row = list.Row(r);
        for (int k = 0; k < 52; ++k) ASSERT_EQ(row[k], expected[k]);
    }
    EXPECT_EQ(deck, expected);  // the deck holds the order of the last row
}

TEST_F(KeyedListTest, TwoAppendsOfOneContinueTheDeck) {
    Append(1);
    Append(1);
    ASSERT_EQ(list.Count(), 2u);

    ReferenceShuffler reference(CountingKey());
    Deck first = InitialDeck();
    reference.Shuffle(first);
    ASSERT_EQ(list.Record(0), first);
    Deck second = list.Record(0);
    reference.Shuffle(second);  // the first row shuffled once more
    EXPECT_EQ(list.Record(1), second);
    EXPECT_NE(list.Record(1), list.Record(0));
}

TEST_F(KeyedListTest, ClearEmptiesAndLaterAppendsContinueDeckAndGenerator) {
    Append(5);
    list.Clear();
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_TRUE(list.Empty());
    EXPECT_EQ(list.BytesAllocated(), 0u);
    list.Clear();  // clearing an empty list does nothing
    EXPECT_EQ(list.Count(), 0u);
    Append(3);
    ASSERT_EQ(list.Count(), 3u);

    ReferenceShuffler reference(CountingKey());
    Deck expected = InitialDeck();
    for (int k = 0; k < 8; ++k) reference.Shuffle(expected);
    EXPECT_EQ(list.Record(2), expected);
}

TEST_F(KeyedListTest, AppendCopiesTheDeck) {
    std::reverse(deck.begin(), deck.end());
    list.Append(deck);
    deck[0] = 7;
    EXPECT_EQ(list.Record(0)[0], 52);
    EXPECT_EQ(list.Row(0)[51], 1);
}

TEST(ShuffleListTest, StorageIsCountedInWholeBlocks) {
    const std::size_t block = ShuffleList::BlockBytes;
    ShuffleList list;
    EXPECT_EQ(list.BytesToAppend(0), 0u);
    EXPECT_EQ(list.BytesToAppend(1), block);
    EXPECT_EQ(list.BytesToAppend(ShuffleList::RowsPerBlock), block);
    EXPECT_EQ(list.BytesToAppend(ShuffleList::RowsPerBlock + 1), 2 * block);
    list.Append(InitialDeck());
    EXPECT_EQ(list.BytesToAppend(ShuffleList::RowsPerBlock - 1), 0u);
    EXPECT_EQ(list.BytesToAppend(ShuffleList::RowsPerBlock), block);
    EXPECT_GE(list.BytesAllocated(), block);
    EXPECT_LE(list.BytesAllocated(), block + 64);
    EXPECT_EQ(list.BytesToAppend(SIZE_MAX), SIZE_MAX);
}

// Runs `body` in a child process whose address space may grow by only `room` bytes; the
// child's exit status is the result (0 for success).
int InChildWithRoom(std::size_t room, int (*body)()) {
    const pid_t child = fork();
    if (child == 0) {
        std::ifstream status("/proc/self/status");
        std::size_t used = 0;
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("VmSize:")) used = std::stoull(line.substr(7)) * 1024;
        rlimit limit{used + room, used + room};
        if (used == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
        _exit(body());
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(ShuffleListTest, RunningOutOfMemoryKeepsDeckAndGeneratorInStep) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's own memory does not fit under the address-space limit";
#endif
    const int result = InChildWithRoom(std::size_t{48} << 20, [] {
        ShuffleGenerator generator;
        generator.SetKey(CountingKey());
        ShuffleList list;
        Deck deck = InitialDeck();
        try {
            list.AppendShuffles(deck, generator, 100 * ShuffleList::RowsPerBlock);
            return 1;  // 340 MB fitted in 48 MB
        } catch (const std::bad_alloc&) {
        }
        if (list.Count() == 0 || list.Count() % ShuffleList::RowsPerBlock != 0) return 2;
        if (deck != list.Record(list.Count() - 1)) return 3;
        // The generator drew exactly the stored shuffles: the next one continues the reference.
        ReferenceShuffler reference(CountingKey());
        Deck expected = InitialDeck();
        for (std::size_t k = 0; k <= list.Count(); ++k) reference.Shuffle(expected);
        generator.ShuffleDeck(deck);
        return deck == expected ? 0 : 4;
    });
    EXPECT_EQ(result, 0);
}

TEST(ShuffleListTest, AvailableMemoryFollowsTheAddressSpaceLimit) {
    EXPECT_GT(AvailableMemoryBytes(), std::size_t{1} << 20);
    // A limit of 64 MiB above the current use leaves at most that much.
    EXPECT_EQ(InChildWithRoom(std::size_t{64} << 20,
                              [] {
                                  const std::size_t available = AvailableMemoryBytes();
                                  return available <= (std::size_t{64} << 20) &&
                                                 available > (std::size_t{32} << 20)
                                             ? 0
                                             : 1;
                              }),
              0);
}

}  // namespace
}  // namespace brevane

namespace brevane {
namespace {

TEST(ShuffleListTest, ACancelledAppendStopsBetweenRunsWithDeckAndGeneratorInStep) {
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    ShuffleList list;
    Deck deck = InitialDeck();
    WorkProgress cancelledFirst;
    cancelledFirst.Cancel();
    EXPECT_THROW(list.AppendShuffles(deck, generator, 10, &cancelledFirst), WorkCancelled);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(deck, InitialDeck());

    // Cancelled while the first run of rows is made: that run stays, no other is made.
    WorkProgress after;
    list.ReserveRows(3 * ShuffleList::AppendRunRows);
    std::size_t runs = 0;
    EXPECT_THROW(list.AppendRows(
                     deck, 3 * ShuffleList::AppendRunRows,
                     [&](const std::uint8_t* start, std::uint8_t* rows, std::size_t count) {
                         DrawShuffleRows(generator, start, rows, count);
                         if (++runs == 1) after.Cancel();
                     },
                     &after),
                 WorkCancelled);
    ASSERT_EQ(list.Count(), ShuffleList::AppendRunRows);
    EXPECT_EQ(after.Done(), ShuffleList::AppendRunRows);
    EXPECT_EQ(deck, list.Record(list.Count() - 1));

    // The generator drew nothing more: the next shuffle continues the same stream.
    ShuffleGenerator again;
    again.SetKey(CountingKey());
    Deck fresh = InitialDeck();
    ShuffleList whole;
    whole.AppendShuffles(fresh, again, ShuffleList::AppendRunRows + 1);
    list.AppendShuffles(deck, generator, 1);
    EXPECT_EQ(list.Record(ShuffleList::AppendRunRows), whole.Record(ShuffleList::AppendRunRows));
}

}  // namespace
}  // namespace brevane
