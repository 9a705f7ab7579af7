#include "stats/ShardMerge.h"

#include <gtest/gtest.h>

#include "support/CountedRows.h"
#include "support/LiteralStats.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

using Json = nlohmann::ordered_json;
using literal::Row;

const SeatView Fixed{10, 3, Stage::River};      // D-3
const SeatView Rotating{10, 13, Stage::River};  // D-3 rotating

std::vector<Row> Slice(const std::vector<Row>& rows, std::size_t begin, std::size_t end) {
    return {rows.begin() + static_cast<std::ptrdiff_t>(begin),
            rows.begin() + static_cast<std::ptrdiff_t>(end)};
}

// A shard as merge reads it: through its counts file.
Shard FileShard(const std::string& name, const std::vector<Row>& rows, const SeatView& view,
                std::uint64_t firstRow) {
    const Json source = {{"file", name + ".txt"}, {"sha256", name + "-digest"}};
    return {name,
            ParseCountsFile(CountsFileText(test::CountedRows(rows, view, firstRow), "p", source))};
}

Shard KeyShard(const std::string& name, const std::vector<Row>& rows, const SeatView& view,
               const std::string& key) {
    const Json source = {
        {"model", "fisher-yates"}, {"key", key}, {"seed", "key"}, {"from_new_deck", false}};
    return {name, ParseCountsFile(CountsFileText(test::CountedRows(rows, view), "p", source))};
}

std::string WhyNot(const std::vector<Shard>& shards) {
    return test::ErrorMessage<ShardMergeError>([&] { MergeShards(shards); });
}

// A list in three parts named out of order, each with its first row: the merge is the whole.
TEST(ShardMerge, PartsOfOneListMergeIntoTheWhole) {
    const std::vector<Row> rows = literal::RandomRows(900, 17);
    for (const SeatView& view : {Fixed, Rotating}) {
        const MergedShards merged = MergeShards({
            FileShard("c", Slice(rows, 700, 900), view, 700),
            FileShard("a", Slice(rows, 0, 250), view, 0),
            FileShard("b", Slice(rows, 250, 700), view, 250),
        });
        test::ExpectSameCounts(merged.counts, test::CountedRows(rows, view));
        EXPECT_EQ(merged.sources.size(), 3u);
        EXPECT_EQ(merged.sources[0]["file"], "c.txt");  // in the order given
    }
}

// Parts saved without --first-row all start at row 0: joined in the order given for a fixed
// seat, refused for a rotating one.
TEST(ShardMerge, PartsWithoutFirstRowFollowInTheOrderGiven) {
    const std::vector<Row> rows = literal::RandomRows(600, 5);
    const MergedShards merged = MergeShards({
        FileShard("a", Slice(rows, 0, 100), Fixed, 0),
        FileShard("b", Slice(rows, 100, 450), Fixed, 0),
        FileShard("c", Slice(rows, 450, 600), Fixed, 0),
    });
    test::ExpectSameCounts(merged.counts, test::CountedRows(rows, Fixed));
    EXPECT_EQ(WhyNot({FileShard("a", Slice(rows, 0, 100), Rotating, 0),
                      FileShard("b", Slice(rows, 100, 600), Rotating, 0)}),
              "a and b both start at row 0 of their list and the seat rotates: save the parts "
              "of one list with --first-row");
}

// Generated shards, and parts of a list that do not meet, bring only their own pairs: checked
// against the literal counts of each part added up.
TEST(ShardMerge, ShardsThatDoNotMeetAddOnlyTheirOwnPairs) {
    const std::vector<Row> rows = literal::RandomRows(1000, 23);
    const std::vector<std::vector<Row>> parts = {Slice(rows, 0, 300), Slice(rows, 300, 320),
                                                 Slice(rows, 320, 1000)};
    const MergedShards merged = MergeShards({
        KeyShard("k1", parts[0], Fixed, std::string(64, '1')),
        FileShard("f", parts[1], Fixed, 5000),  // meets no other file part
        KeyShard("k2", parts[2], Fixed, std::string(64, '2')),
    });
    literal::Tables want;
    std::array<std::uint64_t, HandCategoryCount> hands{};
    for (const auto& part : parts) {
        const literal::Tables t = literal::CountLiterally(part);
        for (int i = 0; i < 52; ++i) {
            for (int j = 0; j < 52; ++j) {
                want.cards[i][j] += t.cards[i][j];
                want.moves[i][j] += t.moves[i][j];
            }
        }
        for (int k = 0; k <= 52; ++k) {
            want.rising[k] += t.rising[k];
            want.fixed[k] += t.fixed[k];
        }
        const auto partHands = test::CountedRows(part, Fixed).HandCategories();
        for (std::size_t c = 0; c < hands.size(); ++c) hands[c] += partHands[c];
    }
    const ShuffleCounts& counts = merged.counts;
    EXPECT_EQ(counts.Rows(), 1000u);
    EXPECT_EQ(counts.Pairs(), 997u);
    const CountTable cards = counts.CardPosition();
    const CountTable moves = counts.Moves();
    for (int i = 0; i < 52; ++i) {
        for (int j = 0; j < 52; ++j) {
            ASSERT_EQ(cards[i][j], want.cards[i][j]);
            ASSERT_EQ(moves[i][j], want.moves[i][j]);
        }
    }
    for (int r = 1; r <= 52; ++r) EXPECT_EQ(counts.RisingSequences()[r - 1], want.rising[r]);
    for (int k = 0; k <= 52; ++k) EXPECT_EQ(counts.FixedPoints()[k], want.fixed[k]);
    EXPECT_EQ(counts.HandCategories(), hands);
}

TEST(ShardMerge, MismatchedShardsAreRefusedNamingBoth) {
    const std::vector<Row> rows = literal::RandomRows(200, 9);
    const std::vector<Row> head = Slice(rows, 0, 100);
    const std::vector<Row> tail = Slice(rows, 100, 200);
    EXPECT_EQ(WhyNot({FileShard("one.json", head, Fixed, 0),
                      FileShard("two.json", tail, SeatView{6, 1, Stage::Flop}, 100)}),
              "one.json and two.json hold counts of different seats or stages (10 players, "
              "seat D-3, river; 6 players, seat D-1, flop)");
    EXPECT_EQ(
        WhyNot({FileShard("one.json", head, Fixed, 0), FileShard("two.json", tail, Rotating, 100)}),
        "one.json and two.json hold counts of different seats or stages (10 players, "
        "seat D-3, river; 10 players, seat D-3 rotating, river)");
    EXPECT_EQ(WhyNot({KeyShard("x", head, Fixed, std::string(64, '7')),
                      KeyShard("y", head, Fixed, std::string(64, '8')),
                      KeyShard("z", tail, Fixed, std::string(64, '7'))}),
              "x and z hold the same rows (made with one key)");
    EXPECT_EQ(WhyNot({FileShard("same", head, Fixed, 0), FileShard("same", head, Fixed, 100)}),
              "same and same hold the same rows (one file's SHA-256)");
    EXPECT_EQ(WhyNot({}), "no counts to merge");
}

}  // namespace
}  // namespace brevane
