#include "stats/CountsFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <numeric>
#include <set>

#include "support/CliRunner.h"
#include "support/CountedRows.h"
#include "support/LiteralStats.h"
#include "support/SameCounts.h"

namespace brevane {
namespace {

using Json = nlohmann::ordered_json;
using literal::Row;

const Json Source = {{"file", "rows.txt"}, {"sha256", std::string(64, 'a')}};

Row Identity() {
    Row row;
    std::iota(row.begin(), row.end(), std::uint8_t{1});
    return row;
}

std::string WhatIsWrong(const Json& json) {
    return test::ErrorMessage<CountsFileError>([&] { CountsFromJson(json); });
}

std::string TextIsWrong(std::string_view text) {
    return test::ErrorMessage<CountsFileError>([&] { ParseCountsFile(text); });
}

std::string GoodText() {
    return CountsFileText(test::CountedRows(literal::RandomRows(520, 4), SeatView{}), "p", Source,
                          false);
}

// `text` with `from`, which it holds once, replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << from;
    return text.replace(at, from.size(), to);
}

// Two rows worked out by hand: the new-deck order and its reverse, ten players, seat D.
TEST(CountsFile, TwoRowsByHand) {
    Row reversed = Identity();
    std::reverse(reversed.begin(), reversed.end());
    const Json json = CountsToJson(test::CountedRows({Identity(), reversed}, SeatView{}),
                                   "brevane-cli 9", Source, false);
    EXPECT_EQ(json["format"], "brevane-counts");
    EXPECT_EQ(json["version"], 2);
    EXPECT_EQ(json["program"], "brevane-cli 9");
    EXPECT_EQ(json["source"], Source);
    EXPECT_EQ(json["shuffles"], 2);
    EXPECT_EQ(json["first_row"], 0);
    EXPECT_EQ(json["first_row_given"], false);
    EXPECT_EQ(json["players"], 10);
    EXPECT_EQ(json["seat"], "D");
    EXPECT_EQ(json["rotate"], false);
    EXPECT_EQ(json["stage"], "river");
    EXPECT_EQ(json["first"].get<std::string>().substr(0, 14), "2c 2d 2h 2s 3c");
    EXPECT_EQ(json["last"].get<std::string>().substr(0, 14), "As Ah Ad Ac Ks");
    EXPECT_EQ(json["last"].get<std::string>().size(), 155u);
    EXPECT_EQ(json["cards"][0][0], 1);   // 2c first in the new deck
    EXPECT_EQ(json["cards"][0][51], 1);  // and last in the reverse
    EXPECT_EQ(json["positions"][51][0], 1);
    EXPECT_EQ(json["suits"][3][0], 1);  // As first in the reverse
    EXPECT_EQ(json["suits"][0][0], 1);  // 2c
    EXPECT_EQ(json["ranks"][12][0], 1);
    // Seat D holds positions 10 and 20, the board 21 to 25: 4d 6s with 7c 7d 7h 7s 8c, and
    // Qh Tc with 9s 9h 9d 9c 8s; four of a kind both times.
    Json hands = Json::object();
    for (const auto name : HandCategoryNames) hands[name] = 0;
    hands["Four of a Kind"] = 2;
    EXPECT_EQ(json["hand_categories"], hands);
    // Every card moves from x to 53 - x: one pair of 52 rising sequences, no fixed point.
    EXPECT_EQ(json["rising_sequences"].size(), 52u);
    EXPECT_EQ(json["rising_sequences"][51], 1);
    EXPECT_EQ(json["fixed_points"].size(), 53u);
    EXPECT_EQ(json["fixed_points"][0], 1);
    for (int x = 0; x < 52; ++x) EXPECT_EQ(json["moves"][x][51 - x], 1) << x;
}

TEST(CountsFile, SaveLoadSaveGivesTheSameJson) {
    const std::vector<Row> rows = literal::RandomRows(500, 3);
    const struct {
        SeatView view;
        std::uint64_t firstRow;
    } cases[] = {
        {SeatView{10, 0, Stage::River}, 0},
        {SeatView{6, 8, Stage::Flop}, 12345},  // D-2 rotating
        {SeatView{2, 1, Stage::Hole}, 7},
        {SeatView{9, 3, Stage::Turn}, 0},
    };
    for (const auto& c : cases) {
        const ShuffleCounts counts = test::CountedRows(rows, c.view, c.firstRow);
        const bool given = c.firstRow != 0;
        const std::string text = CountsFileText(counts, "brevane-cli 1.02", Source, given);
        const SavedCounts saved = ParseCountsFile(text);
        test::ExpectSameCounts(saved.counts, counts);
        EXPECT_EQ(saved.counts.View(), c.view);
        EXPECT_EQ(saved.counts.FirstRowIndex(), c.firstRow);
        EXPECT_EQ(saved.program, "brevane-cli 1.02");
        EXPECT_EQ(saved.source, Source);
        EXPECT_EQ(saved.firstRowGiven, given);
        EXPECT_EQ(CountsFileText(saved.counts, saved.program, saved.source, given), text);
    }
}

// Restored counts go on counting where they stopped, the rotating seat included.
TEST(CountsFile, RestoredCountsGoOn) {
    const std::vector<Row> rows = literal::RandomRows(300, 8);
    const SeatView view{10, 13, Stage::River};
    const std::vector<Row> head(rows.begin(), rows.begin() + 120);
    const std::vector<Row> tail(rows.begin() + 120, rows.end());
    ShuffleCounts restored =
        CountsFromJson(CountsToJson(test::CountedRows(head, view), "p", Source, false)).counts;
    const std::vector<std::uint8_t> bytes = literal::Flatten(tail);
    restored.AddRows(bytes.data(), tail.size());
    test::ExpectSameCounts(restored, test::CountedRows(rows, view));
}

TEST(CountsFile, MalformedFilesAreRefused) {
    const Json good = CountsToJson(test::CountedRows(literal::RandomRows(520, 4), SeatView{}), "p",
                                   Source, false);
    ASSERT_EQ(WhatIsWrong(good), "");
    const std::function<void(Json&)> broken[] = {
        [](Json& j) { j = Json::array(); },
        [](Json& j) { j["format"] = "other"; },
        [](Json& j) { j["version"] = 3; },
        [](Json& j) { j["version"] = 1; },  // with the keys of version 2
        [](Json& j) { j.erase("followers"); },
        [](Json& j) { j["from_new_deck"] = true; },  // its moves are not its cards
        [](Json& j) { j["followers"][52][0] = j["followers"][52][0].get<int>() + 1; },
        [](Json& j) { j["guess_position"]["decks"] = 600; },
        [](Json& j) { j["guess_position"]["correct"] = 52 * 519 + 1; },
        [](Json& j) { j["guess_follower"]["squares"] = 0; },
        [](Json& j) { j["guess_follower"]["decks"] = 518; },
        [](Json& j) { j["extra"] = 1; },
        [](Json& j) { j.erase("moves"); },
        [](Json& j) { j["program"] = 3; },
        [](Json& j) { j["source"] = "rows.txt"; },
        [](Json& j) { j["shuffles"] = 0; },
        [](Json& j) { j["shuffles"] = 521; },
        [](Json& j) { j["shuffles"] = -520; },
        [](Json& j) { j["shuffles"] = 520.0; },
        [](Json& j) { j["first_row"] = std::uint64_t{1} << 63; },
        [](Json& j) { j["players"] = 11; },
        [](Json& j) { j["seat"] = "D-10"; },
        [](Json& j) { j["seat"] = "d"; },
        [](Json& j) { j["rotate"] = "no"; },
        [](Json& j) { j["stage"] = "River"; },
        [](Json& j) { j["first"] = "2c 2c"; },
        [](Json& j) { j["last"] = j["first"].get<std::string>() + " "; },
        [](Json& j) { j["cards"].erase(51); },
        [](Json& j) { j["cards"][5].push_back(0); },
        [](Json& j) { j["cards"][5][5] = "1"; },
        [](Json& j) { j["cards"][5][5] = j["cards"][5][5].get<std::uint64_t>() + 1; },
        // Swaps that keep every sum of the card table: the suits and ranks notice.
        [](Json& j) {
            for (const auto& [c, p, d] : {std::tuple{0, 0, -1}, {0, 1, 1}, {1, 0, 1}, {1, 1, -1}})
                j["cards"][c][p] = j["cards"][c][p].get<std::int64_t>() + d;
        },
        [](Json& j) { j["suits"][0][0] = j["suits"][0][0].get<std::uint64_t>() + 1; },
        [](Json& j) { j["ranks"][12].erase(0); },
        [](Json& j) { j["positions"][3][4] = j["positions"][3][4].get<std::uint64_t>() + 1; },
        [](Json& j) { j["hand_categories"].erase("Pair"); },
        [](Json& j) { j["hand_categories"]["Pair"] = j["hand_categories"]["Pair"].get<int>() + 1; },
        [](Json& j) { j["hand_categories"] = Json::array(); },
        [](Json& j) { j["rising_sequences"][0] = j["rising_sequences"][0].get<int>() + 1; },
        [](Json& j) { j["fixed_points"].erase(52); },
        [](Json& j) { j["moves"][2][3] = j["moves"][2][3].get<int>() + 1; },
    };
    for (std::size_t k = 0; k < std::size(broken); ++k) {
        Json json = good;
        broken[k](json);
        EXPECT_NE(WhatIsWrong(json), "") << "case " << k << ": " << json.dump().substr(0, 200);
    }
}

TEST(CountsFile, MessagesSayWhatIsWrong) {
    const Json good = CountsToJson(test::CountedRows(literal::RandomRows(520, 4), SeatView{}), "p",
                                   Source, false);
    Json json = good;
    json["version"] = 7;
    EXPECT_EQ(WhatIsWrong(json), "unknown counts file version 7 (this program reads 1 and 2)");
    json = good;
    json.erase("cards");
    EXPECT_EQ(WhatIsWrong(json), "no \"cards\"");
    json = good;
    json["moves"][1][2] = -1;
    EXPECT_EQ(WhatIsWrong(json), "\"moves\"[1][2] is not a non-negative integer");
    json = good;
    json["cards"].erase(0);
    EXPECT_EQ(WhatIsWrong(json), "\"cards\" has 51 rows, not 52");
    EXPECT_THROW(ParseCountsFile("{\"format\": "), CountsFileError);
    try {
        ParseCountsFile("{} x");
    } catch (const CountsFileError& error) {
        EXPECT_EQ(std::string(error.what()), "not valid JSON (at byte 4)");
    }
}

// Two hole cards are a pair or not: a file claiming more at the hole stage is refused.
TEST(CountsFile, HoleStageHoldsOnlyHighCardsAndPairs) {
    const Json good =
        CountsToJson(test::CountedRows(literal::RandomRows(60, 2), SeatView{10, 0, Stage::Hole}),
                     "p", Source, false);
    ASSERT_EQ(WhatIsWrong(good), "");
    Json json = good;
    json["hand_categories"]["High Card"] = json["hand_categories"]["High Card"].get<int>() - 1;
    json["hand_categories"]["Flush"] = 1;
    EXPECT_EQ(WhatIsWrong(json), "\"hand_categories\": \"Flush\" at the hole stage");
}

// Text that is no sound JSON, or too deep or too large to be read, is refused with a reason,
// before any value deeper than the limit is built or more than the limit is read.
TEST(CountsFile, HostileTextIsRefusedWithAReason) {
    const std::string good = GoodText();
    ASSERT_EQ(TextIsWrong(good), "");
    EXPECT_EQ(TextIsWrong(good + " \t\r\n"), "");

    const std::string deep =
        "{\"a\":" + std::string(100000, '[') + std::string(100000, ']') + ",\"b\":1}";
    EXPECT_EQ(TextIsWrong(deep), "nested more than 8 levels deep");
    // The source is kept as given, nested up to the limit: the file, a source, six lists.
    const std::string sourceAt = "\"source\":{";
    EXPECT_EQ(TextIsWrong(Replaced(good, sourceAt, sourceAt + "\"x\":[[[[[[0]]]]]],")), "");
    EXPECT_EQ(TextIsWrong(Replaced(good, sourceAt, sourceAt + "\"x\":[[[[[[[0]]]]]]],")),
              "nested more than 8 levels deep");

    EXPECT_EQ(TextIsWrong("[1e400]"), "a number too large (at byte 6)");
    EXPECT_EQ(TextIsWrong(Replaced(good, "\"shuffles\":520,", "\"shuffles\":1e400,")).substr(0, 28),
              "a number too large (at byte ");
    EXPECT_EQ(TextIsWrong(Replaced(good, "\"moves\":", "\"cards\":0,\"moves\":")),
              "duplicate key \"cards\"");
    EXPECT_EQ(TextIsWrong(Replaced(good, "\"Royal Flush\":", "\"Pair\":0,\"Royal Flush\":")),
              "duplicate key \"Pair\"");
    EXPECT_EQ(TextIsWrong(good + '\0'),
              "not valid JSON (a NUL byte at byte " + std::to_string(good.size() + 1) + ")");
    EXPECT_EQ(TextIsWrong(good + '\0' + "{}"),
              "not valid JSON (a NUL byte at byte " + std::to_string(good.size() + 1) + ")");
    EXPECT_EQ(TextIsWrong(good + "x"),
              "not valid JSON (at byte " + std::to_string(good.size() + 1) + ")");
    EXPECT_EQ(TextIsWrong(""), "not valid JSON (at byte 1)");

    // The size limit holds for white space too; at the limit the file is read.
    std::string padded = good;
    padded.resize(CountsFileMaxBytes, ' ');
    EXPECT_EQ(TextIsWrong(padded), "");
    padded += ' ';
    EXPECT_EQ(TextIsWrong(padded), "larger than 16 MiB, more than a counts file holds");
}

// Row counts near 2^63: the bounds the reader checks every table against do not wrap (13 times
// 1.5e18 rows is past 2^64), and first row plus rows stays below 2^63.
TEST(CountsFile, HugeCountsAreReadWithoutWrapping) {
    for (const std::uint64_t n : {std::uint64_t{1'500'000'000'000'000'000}, MaxRowIndex}) {
        const SavedCounts saved =
            ParseCountsFile(CountsFileText(test::SameRowCounts(n, SeatView{}), "p", Source, false));
        EXPECT_EQ(saved.counts.Rows(), n);
        EXPECT_EQ(saved.counts.SuitPosition()[0][0], n);    // 2c, first every time
        EXPECT_EQ(saved.counts.RankPosition()[12][51], n);  // As, last every time
        EXPECT_EQ(saved.counts.FixedPoints()[52], n - 1);
    }
    EXPECT_EQ(TextIsWrong(CountsFileText(test::SameRowCounts(MaxRowIndex, SeatView{}, 1), "p",
                                         Source, true)),
              "\"first_row\" + \"shuffles\" is too large");
    // One file alone past 2^63 - 1 rows, from row 0; 2^64 - 1 is where a sum of rows would wrap.
    for (const std::uint64_t n : {MaxRowIndex + 1, ~std::uint64_t{0}}) {
        EXPECT_EQ(
            TextIsWrong(CountsFileText(test::SameRowCounts(n, SeatView{}), "p", Source, false)),
            "\"first_row\" + \"shuffles\" is too large")
            << n;
    }
}

// Whether --first-row was given is kept; files written before it was recorded count it as
// given when their first row is not 0.
TEST(CountsFile, FirstRowGivenIsRecorded) {
    const std::vector<Row> rows = literal::RandomRows(50, 6);
    for (const std::uint64_t firstRow : {0, 40}) {
        const ShuffleCounts counts = test::CountedRows(rows, SeatView{}, firstRow);
        EXPECT_TRUE(CountsFromJson(CountsToJson(counts, "p", Source, true)).firstRowGiven);
        Json old = CountsToJson(counts, "p", Source, true);
        old.erase("first_row_given");
        EXPECT_EQ(CountsFromJson(old).firstRowGiven, firstRow != 0);
    }
    Json json = CountsToJson(test::CountedRows(rows, SeatView{}, 40), "p", Source, true);
    json["first_row_given"] = false;
    EXPECT_EQ(WhatIsWrong(json), "\"first_row\" is 40, but \"first_row_given\" is false");
    json["first_row_given"] = 1;
    EXPECT_EQ(WhatIsWrong(json), "\"first_row_given\" is not true or false");
}

// The fuzzer's seeds are counts files this program wrote, of both versions: each is read, and
// what was read is written back to the very same bytes.
TEST(CountsFile, FuzzSeedsAreReadAndWrittenBackAlike) {
    const std::filesystem::path folder =
        std::filesystem::path(__FILE__).parent_path() / "fuzz" / "counts-corpus";
    std::set<int> versions;
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".json") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        const std::string text = test::ReadFileBytes(entry.path().string());
        ASSERT_EQ(TextIsWrong(text), "") << name;
        const SavedCounts saved = ParseCountsFile(text);
        EXPECT_EQ(CountsFileText(saved.counts, saved.program, saved.source, saved.firstRowGiven),
                  text)
            << name;
        EXPECT_EQ(saved.counts.Rows(), Json::parse(text)["shuffles"].get<std::uint64_t>()) << name;
        versions.insert(Json::parse(text)["version"].get<int>());
    }
    EXPECT_GE(files, 4u);
    EXPECT_EQ(versions, (std::set<int>{1, 2}));
}

}  // namespace
}  // namespace brevane
