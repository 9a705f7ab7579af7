#include "stats/ShardMerge.h"

#include <gtest/gtest.h>

#include <optional>

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
Shard ReadShard(const std::string& name, const ShuffleCounts& counts, const Json& source,
                bool firstRowGiven) {
    return {name, ParseCountsFile(CountsFileText(counts, "p", source, firstRowGiven))};
}

// A part of an input file, saved with --first-row `firstRow`, or without it (nullopt).
Shard FileShard(const std::string& name, const std::vector<Row>& rows, const SeatView& view,
                std::optional<std::uint64_t> firstRow) {
    const Json source = {{"file", name + ".txt"}, {"sha256", name + "-digest"}};
    return ReadShard(name, test::CountedRows(rows, view, firstRow.value_or(0)), source,
                     firstRow.has_value());
}

Json KeySource(const std::string& key) {
    return {{"model", "fisher-yates"}, {"key", key}, {"seed", "key"}, {"from_new_deck", false}};
}

Shard KeyShard(const std::string& name, const std::vector<Row>& rows, const SeatView& view,
               const std::string& key) {
    return ReadShard(name, test::CountedRows(rows, view), KeySource(key), false);
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
        FileShard("a", Slice(rows, 0, 100), Fixed, std::nullopt),
        FileShard("b", Slice(rows, 100, 450), Fixed, std::nullopt),
        FileShard("c", Slice(rows, 450, 600), Fixed, std::nullopt),
    });
    test::ExpectSameCounts(merged.counts, test::CountedRows(rows, Fixed));
    EXPECT_EQ(WhyNot({FileShard("a", Slice(rows, 0, 100), Rotating, std::nullopt),
                      FileShard("b", Slice(rows, 100, 600), Rotating, std::nullopt)}),
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
              "x and z hold the same rows (made with one key and model)");
    EXPECT_EQ(WhyNot({FileShard("same", head, Fixed, 0), FileShard("same", head, Fixed, 100)}),
              "same and same hold the same rows (one file's SHA-256)");
    EXPECT_EQ(WhyNot({}), "no counts to merge");
}

// Parts of one list that share rows are refused, naming both files, however they were named;
// parts saved without --first-row still follow each other.
TEST(ShardMerge, OverlappingPartsAreRefusedNamingBoth) {
    const std::vector<Row> rows = literal::RandomRows(300, 31);
    EXPECT_EQ(WhyNot({FileShard("a", Slice(rows, 0, 200), Fixed, 0),
                      FileShard("b", Slice(rows, 100, 300), Fixed, 100)}),
              "a and b hold overlapping parts of one list (rows 0 to 199 and 100 to 299)");
    // A part within another, found whichever part comes between them.
    EXPECT_EQ(WhyNot({FileShard("small", Slice(rows, 120, 130), Fixed, 120),
                      FileShard("big", Slice(rows, 0, 250), Fixed, 0),
                      FileShard("mid", Slice(rows, 20, 40), Fixed, 20)}),
              "big and mid hold overlapping parts of one list (rows 0 to 249 and 20 to 39)");
    // Without --first-row a part starts at 0: it meets a part saved with --first-row 0.
    EXPECT_EQ(WhyNot({FileShard("plain", Slice(rows, 200, 300), Fixed, std::nullopt),
                      FileShard("zero", Slice(rows, 0, 200), Fixed, 0)}),
              "plain and zero hold overlapping parts of one list (rows 0 to 99 and 0 to 199)");
    // Parts that only touch are joined.
    test::ExpectSameCounts(MergeShards({FileShard("b", Slice(rows, 100, 300), Fixed, 100),
                                        FileShard("a", Slice(rows, 0, 100), Fixed, 0)})
                               .counts,
                           test::CountedRows(rows, Fixed));
}

// The same rows under two digests (one file with CR LF and with LF line ends), or from any
// two sources, are one part given twice.
TEST(ShardMerge, DuplicatePartsAreRefusedWhateverTheirSources) {
    const std::vector<Row> rows = literal::RandomRows(120, 12);
    const std::string why = "crlf and lf hold the same rows (equal counts, first and last rows)";
    EXPECT_EQ(WhyNot({FileShard("crlf", rows, Fixed, std::nullopt),
                      FileShard("lf", rows, Fixed, std::nullopt)}),
              why);
    EXPECT_EQ(WhyNot({FileShard("crlf", rows, Fixed, 0), FileShard("lf", rows, Fixed, 5000)}), why);
    EXPECT_EQ(WhyNot({KeyShard("crlf", rows, Fixed, std::string(64, '1')),
                      FileShard("lf", rows, Fixed, std::nullopt)}),
              why);
    // One row more, or another last row, is another part.
    std::vector<Row> longer = rows;
    longer.push_back(rows.front());
    EXPECT_EQ(MergeShards({FileShard("crlf", rows, Fixed, std::nullopt),
                           FileShard("lf", longer, Fixed, std::nullopt)})
                  .counts.Rows(),
              241u);
}

// Rows past 2^63 - 1 together are refused before any sum wraps; up to it they merge.
TEST(ShardMerge, TotalsPastTheLastRowIndexAreRefused) {
    // Fifteen shards of 2^64 + 1 rows together, each of its own key.
    std::vector<Shard> shards;
    std::uint64_t sum = 0;  // modulo 2^64
    for (int k = 0; k < 15; ++k) {
        const std::uint64_t n = k < 14 ? (std::uint64_t{1} << 60) + std::uint64_t(k) : 1 - sum;
        sum += n;
        shards.push_back(ReadShard(std::to_string(k) + ".json", test::SameRowCounts(n, Fixed),
                                   KeySource(std::string(63, 'a') + char('a' + k)), false));
    }
    ASSERT_EQ(sum, 1u);
    // The first eight hold 2^63 + 28 rows.
    EXPECT_EQ(WhyNot(shards),
              "0.json to 7.json hold more than 9223372036854775807 shuffles together");
    const auto two = [&](std::uint64_t a, std::uint64_t b) {
        return std::vector<Shard>{
            ReadShard("x", test::SameRowCounts(a, Fixed), KeySource(std::string(64, '1')), false),
            ReadShard("y", test::SameRowCounts(b, Fixed), KeySource(std::string(64, '2')), false)};
    };
    const std::uint64_t half = MaxRowIndex / 2;
    EXPECT_EQ(MergeShards(two(half, MaxRowIndex - half)).counts.Rows(), MaxRowIndex);
    EXPECT_EQ(WhyNot(two(half + 1, MaxRowIndex - half)),
              "x to y hold more than 9223372036854775807 shuffles together");
}

}  // namespace
}  // namespace brevane
