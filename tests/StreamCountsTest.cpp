#include "streams/StreamCounts.h"

#include <gtest/gtest.h>

#include "streams/StreamKey.h"
#include "streams/StreamRows.h"
#include "streams/StreamShards.h"
#include "support/CountedRows.h"
#include "support/LiteralStreams.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

using Json = nlohmann::ordered_json;
using test::Key;

const SeatView Rotating{6, 6 + 2, Stage::Flop};  // D-2 rotating

Key RunKey(std::uint8_t seed) {
    Key key{};
    for (int i = 0; i < 32; ++i) key[i] = static_cast<std::uint8_t>(seed * 37 + i * 11);
    return key;
}

StreamPlan Plan(const Key& key, std::uint64_t shuffles, std::uint64_t streams) {
    StreamPlan plan;
    plan.runKey = key;
    plan.shuffles = shuffles;
    plan.streams = streams;
    return plan;
}

TEST(StreamKeys, MatchSha256OfKeyLabelAndBigEndianIndex) {
    for (const std::uint8_t seed : {0, 1, 200}) {
        for (const std::uint64_t s :
             std::initializer_list<std::uint64_t>{0, 1, 255, 256, 65537, MaxStreams - 1}) {
            EXPECT_EQ(StreamKey(RunKey(seed), s), test::PythonStreamKey(RunKey(seed), s))
                << "seed " << int(seed) << " stream " << s;
        }
    }
}

TEST(StreamKeys, OneStreamRunUsesTheKeyItselfAndAStreamAloneTheDerivedKey) {
    StreamPlan one = Plan(RunKey(3), 10, 1);
    EXPECT_EQ(one.KeyOf(0), RunKey(3));
    StreamPlan alone = one;
    alone.only = 0;
    EXPECT_EQ(alone.KeyOf(0), StreamKey(RunKey(3), 0));
    EXPECT_NE(alone.KeyOf(0), RunKey(3));
}

TEST(StreamShares, FirstRemainderStreamsTakeOneMoreAndTheSharesAddUp) {
    EXPECT_EQ(StreamShare(10, 3, 0), 4u);
    EXPECT_EQ(StreamShare(10, 3, 1), 3u);
    EXPECT_EQ(StreamShare(10, 3, 2), 3u);
    EXPECT_EQ(StreamShare(2, 5, 1), 1u);
    EXPECT_EQ(StreamShare(2, 5, 2), 0u);
    for (const std::uint64_t streams : std::initializer_list<std::uint64_t>{1, 2, 7, 1000}) {
        std::uint64_t sum = 0;
        for (std::uint64_t s = 0; s < streams; ++s) sum += StreamShare(12345, streams, s);
        EXPECT_EQ(sum, 12345u);
    }
    // Streams with no share are not made.
    EXPECT_EQ(Plan(RunKey(1), 2, 5).Streams(), (std::vector<std::uint64_t>{0, 1}));
}

TEST(StreamRows, AreEachStreamsRowsInStreamOrder) {
    const auto run = test::LiteralRun(RunKey(4), 23, 3);
    StreamRowMaker maker(Plan(RunKey(4), 23, 3));
    std::vector<std::uint8_t> made(23 * DeckSize);
    // Uneven batches that cross the streams' ends.
    maker.Make(made.data(), 5);
    maker.Make(made.data() + 5 * DeckSize, 9);
    maker.Make(made.data() + 14 * DeckSize, 9);
    std::vector<literal::Row> expected;
    for (const auto& rows : run) expected.insert(expected.end(), rows.begin(), rows.end());
    EXPECT_EQ(made, literal::Flatten(expected));

    StreamPlan alone = Plan(RunKey(4), 7, 1);
    alone.only = 2;
    StreamRowMaker aloneMaker(alone);
    std::vector<std::uint8_t> stream2(7 * DeckSize);
    aloneMaker.Make(stream2.data(), 7);
    EXPECT_EQ(stream2, literal::Flatten(run[2]));
    EXPECT_THROW(aloneMaker.Make(stream2.data(), 1), std::logic_error);
}

// The literal sum of each stream counted alone: no pair across two streams, and a rotating
// seat that starts again in each.
void ExpectLiteralRun(const ShuffleCounts& counts,
                      const std::vector<std::vector<literal::Row>>& run) {
    const literal::Tables expected = test::SumOfStreams(run);
    std::uint64_t rows = 0;
    std::uint64_t pairs = 0;
    std::array<std::uint64_t, HandCategoryCount> categories{};
    for (const auto& stream : run) {
        rows += stream.size();
        pairs += stream.empty() ? 0 : stream.size() - 1;
        const auto alone = test::CountedRows(stream, Rotating).HandCategories();
        for (std::size_t c = 0; c < categories.size(); ++c) categories[c] += alone[c];
    }
    EXPECT_EQ(counts.Rows(), rows);
    EXPECT_EQ(counts.Pairs(), pairs);
    const CountTable cards = counts.CardPosition();
    const CountTable moves = counts.Moves();
    for (int i = 0; i < 52; ++i) {
        for (int j = 0; j < 52; ++j) {
            ASSERT_EQ(cards[i][j], expected.cards[i][j]) << i << "," << j;
            ASSERT_EQ(moves[i][j], expected.moves[i][j]) << i << "," << j;
        }
    }
    for (int r = 1; r <= 52; ++r) EXPECT_EQ(counts.RisingSequences()[r - 1], expected.rising[r]);
    for (int k = 0; k <= 52; ++k) EXPECT_EQ(counts.FixedPoints()[k], expected.fixed[k]);
    EXPECT_EQ(counts.HandCategories(), categories);
    EXPECT_EQ(counts.FirstRow(), run.front().front());
    std::size_t last = run.size() - 1;
    while (run[last].empty()) --last;
    EXPECT_EQ(counts.LastRow(), run[last].back());
}

TEST(CountStreams, EqualsEachStreamCountedLiterallyForEveryThreadCount) {
    const auto run = test::LiteralRun(RunKey(5), 1001, 3);
    for (const unsigned threads : {1u, 2u, 3u, 8u}) {
        SCOPED_TRACE(threads);
        ExpectLiteralRun(CountStreams(Plan(RunKey(5), 1001, 3), Rotating, 0, threads), run);
    }
}

TEST(CountStreams, FewerShufflesThanStreamsLeavesTheLaterStreamsEmpty) {
    const auto run = test::LiteralRun(RunKey(6), 3, 5);
    for (const unsigned threads : {1u, 4u})
        ExpectLiteralRun(CountStreams(Plan(RunKey(6), 3, 5), Rotating, 0, threads), run);
}

TEST(CountStreams, OneStreamAloneOnOneOrTwoThreads) {
    StreamPlan alone = Plan(RunKey(7), 300, 1);
    alone.only = 4;
    const auto rows = test::LiteralStreamRows(test::PythonStreamKey(RunKey(7), 4), 300);
    for (const unsigned threads : {1u, 2u}) {
        test::ExpectSameCounts(CountStreams(alone, Rotating, 0, threads),
                               test::CountedRows(rows, Rotating));
    }
}

TEST(CountStreams, SharesOfRanksAddedInAnyOrderGiveTheWholeRun) {
    const StreamPlan whole = Plan(RunKey(8), 777, 7);
    const ShuffleCounts expected = CountStreams(whole, Rotating, 0, 2);
    for (const std::uint64_t ranks : std::initializer_list<std::uint64_t>{2, 3, 9}) {
        SCOPED_TRACE(ranks);
        // Every rank's counts summed as a reduction does, the last rank's first.
        ShuffleCounts sum(Rotating, 0);
        StreamEnds ends;
        for (std::uint64_t r = ranks; r-- > 0;) {
            StreamPlan share = whole;
            share.first = r;
            share.step = ranks;
            const ShuffleCounts counts = CountStreams(share, Rotating, 0, 1);
            EXPECT_EQ(counts.Rows(), share.Rows());
            sum.Add(counts, false);
            ends.Note(EndsOf(share, counts));
        }
        test::ExpectSameCounts(WithEnds(sum, ends), expected);
    }
}

Shard StreamShard(const Key& key, std::uint64_t stream, std::uint64_t rows) {
    StreamPlan plan = Plan(key, rows, 1);
    plan.only = stream;
    Json source = {{"model", "fisher-yates"},
                   {"key", "k"},
                   {"seed", "key"},
                   {"from_new_deck", false},
                   {"stream", stream}};
    const ShuffleCounts counts = CountStreams(plan, Rotating, 0, 1);
    return {"s" + std::to_string(stream) + ".json",
            ParseCountsFile(CountsFileText(counts, "p", source, false))};
}

TEST(StreamRun, AllStreamsInAnyOrderMergeToTheRunOfAllStreams) {
    const Key key = RunKey(9);
    std::vector<Shard> shards = {StreamShard(key, 2, 33), StreamShard(key, 0, 34),
                                 StreamShard(key, 1, 33)};
    const auto source = TakeStreamRun(shards);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->dump(),
              R"({"model":"fisher-yates","key":"k","seed":"key","from_new_deck":false,)"
              R"("streams":3})");
    EXPECT_EQ(shards[0].name, "s0.json");
    EXPECT_EQ(shards[2].name, "s2.json");
    const MergedShards merged = MergeShards(shards);
    test::ExpectSameCounts(merged.counts, CountStreams(Plan(key, 100, 3), Rotating, 0, 2));
}

TEST(StreamRun, IsNotTakenFromAnIncompleteOrMismatchedSet) {
    const Key key = RunKey(10);
    const auto refused = [](std::vector<Shard> shards) {
        const std::vector<std::string> before = {shards.front().name, shards.back().name};
        const bool taken = TakeStreamRun(shards).has_value();
        EXPECT_EQ(shards.front().name, before[0]);
        EXPECT_EQ(shards.back().name, before[1]);
        return !taken;
    };
    std::vector<Shard> both = {StreamShard(key, 1, 5), StreamShard(key, 0, 5)};
    EXPECT_TRUE(TakeStreamRun(both));
    // Stream 1 of 2 missing (0 and 2 are no run of 3); one stream twice.
    EXPECT_TRUE(refused({StreamShard(key, 0, 5), StreamShard(key, 2, 5)}));
    EXPECT_TRUE(refused({StreamShard(key, 0, 5), StreamShard(key, 0, 5)}));
    // Shares not as one run splits them: 5 + 6 would be 6 + 5.
    EXPECT_TRUE(refused({StreamShard(key, 0, 5), StreamShard(key, 1, 6)}));
    // One stream of another key or model.
    Shard other = StreamShard(key, 1, 5);
    other.saved.source["model"] = "riffle:7";
    EXPECT_TRUE(refused({StreamShard(key, 0, 5), other}));
    // A single stream is no run of several.
    EXPECT_TRUE(refused({StreamShard(key, 0, 5)}));
}

}  // namespace
}  // namespace brevane
