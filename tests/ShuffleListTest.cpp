#include "analysis/ShuffleList.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "analysis/Memory.h"
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

TEST(ShuffleListTest, AvailableMemoryFollowsTheAddressSpaceLimit) {
    EXPECT_GT(AvailableMemoryBytes(), std::size_t{1} << 20);
    // In a child: a limit of 64 MiB above the current use leaves at most that much.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::ifstream status("/proc/self/status");
        std::size_t used = 0;
        for (std::string line; std::getline(status, line);)
            if (line.starts_with("VmSize:")) used = std::stoull(line.substr(7)) * 1024;
        const std::size_t room = std::size_t{64} << 20;
        rlimit limit{used + room, used + room};
        if (used == 0 || setrlimit(RLIMIT_AS, &limit) != 0) _exit(2);
        const std::size_t available = AvailableMemoryBytes();
        _exit(available <= room && available > room / 2 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace brevane
