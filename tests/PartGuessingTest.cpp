// The guessing game scored part by part, each part knowing only the tables of the pairs before
// it and the origins of the pairs after the last block boundary, against the literal definition
// over the whole run.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "models/ShuffleRows.h"
#include "ranges/PartGuessing.h"
#include "support/LiteralGuessing.h"
#include "support/LiteralStats.h"
#include "support/PartTables.h"

namespace brevane {
namespace {

using literal::Row;

std::vector<std::uint8_t> ModelRowBytes(const std::string& modelText, std::uint8_t keyByte,
                                        bool fromNewDeck, std::size_t count) {
    ModelParseFailure failure{};
    const auto model = ParseShuffleModel(modelText, failure);
    EXPECT_TRUE(model) << modelText;
    ShuffleGenerator generator;
    generator.SetKey(GeneratorKey{keyByte});
    std::vector<std::uint8_t> bytes(count * DeckSize);
    Row start{};
    for (std::size_t p = 0; p < DeckSize; ++p) start[p] = static_cast<std::uint8_t>(p + 1);
    MakeModelRows(*model, fromNewDeck, generator, start.data(), bytes.data(), count);
    return bytes;
}

std::vector<Row> AsRows(const std::vector<std::uint8_t>& bytes) {
    std::vector<Row> rows(bytes.size() / DeckSize);
    for (std::size_t r = 0; r < rows.size(); ++r)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(r * DeckSize), DeckSize,
                    rows[r].begin());
    return rows;
}

// Scores the rows cut at `cuts` (increasing row indexes) part by part, as ranks do, and adds
// up the parts' counts.
GuessingCounts ScoredInParts(const std::vector<std::uint8_t>& bytes, bool fromNewDeck,
                             std::vector<std::size_t> cuts, unsigned threads) {
    const std::size_t rows = bytes.size() / DeckSize;
    cuts.insert(cuts.begin(), 0);
    cuts.push_back(rows);
    GuessingCounts total;
    PairsBefore before;
    for (std::size_t k = 0; k + 1 < cuts.size(); ++k) {
        const std::size_t from = cuts[k];
        PartRows part{from == 0 || fromNewDeck ? nullptr : &bytes[(from - 1) * DeckSize],
                      bytes.data() + from * DeckSize, cuts[k + 1] - from, fromNewDeck};
        // The tail is taken from every row before the part, which holds whatever the parts'
        // sizes.
        const PartRows earlier{nullptr, bytes.data(), from, fromNewDeck};
        before.tail = LastPairOrigins(earlier, before.pairs % GuessBlockPairs);
        const GuessTables tables = test::PartTables(part);
        total.Add(test::ScorePart(before, part, threads));
        before.pairs += part.Pairs();
        before.tables.Add(tables);
    }
    return total;
}

struct Case {
    const char* model;
    std::uint8_t key;
    bool fromNewDeck;
};

TEST(PartGuessing, PartsCutAnywhereScoreAsOneRunOfTheLiteralDefinition) {
    // 1300 rows: five blocks and part of a sixth. Cuts inside blocks, on a boundary, parts of
    // one row and of none, and a part shorter than the tail its successor must learn again.
    const std::vector<std::vector<std::size_t>> cutSets = {
        {}, {700}, {256, 515}, {1, 2, 600}, {300, 555, 556, 1000}, {257, 257, 1299}, {1300}};
    for (const Case c : {Case{"shelf:10", 3, false}, Case{"shelf:10", 4, true},
                         Case{"riffle:4", 7, false}, Case{"riffle:4", 11, true}}) {
        const std::vector<std::uint8_t> bytes = ModelRowBytes(c.model, c.key, c.fromNewDeck, 1300);
        const GuessingCounts expected = literal::Guessing(AsRows(bytes), c.fromNewDeck);
        // Biased models: the follower strategy beats chance (about 4.5 a deck) by a card a deck, so
        // that a wrong table shows.
        ASSERT_GT(expected.byFollower.correct * 2, expected.byFollower.decks * 11);
        for (const auto& cuts : cutSets) {
            for (const unsigned threads : {1u, 3u}) {
                SCOPED_TRACE(std::string(c.model) + (c.fromNewDeck ? " new deck" : "") +
                             ", threads " + std::to_string(threads) + ", cuts " +
                             std::to_string(cuts.size()));
                EXPECT_EQ(ScoredInParts(bytes, c.fromNewDeck, cuts, threads), expected);
            }
        }
    }
}

TEST(PartGuessing, PairsOfAPartCountTheRowBeforeItUnlessFromANewDeck) {
    const std::vector<std::uint8_t> bytes = ModelRowBytes("riffle:4", 9, false, 5);
    const PartRows first{nullptr, bytes.data(), 2, false};
    const PartRows later{&bytes[DeckSize], bytes.data() + 2 * DeckSize, 3, false};
    const PartRows newDeck{&bytes[DeckSize], bytes.data() + 2 * DeckSize, 3, true};
    EXPECT_EQ(first.Pairs(), 1u);
    EXPECT_EQ(later.Pairs(), 3u);
    EXPECT_EQ(newDeck.Pairs(), 3u);
    EXPECT_EQ((PartRows{nullptr, bytes.data(), 0, false}.Pairs()), 0u);
    // The tables of the parts add up to those of the whole list.
    GuessTables sum = test::PartTables(first);
    sum.Add(test::PartTables(later));
    EXPECT_EQ(sum, test::PartTables(PartRows{nullptr, bytes.data(), 5, false}));
    // The last pairs' origins are those of the whole list's last pairs.
    EXPECT_EQ(LastPairOrigins(later, 2),
              LastPairOrigins(PartRows{nullptr, bytes.data(), 5, false}, 2));
    EXPECT_EQ(LastPairOrigins(first, 9).size(), DeckSize);
}

}  // namespace
}  // namespace brevane
