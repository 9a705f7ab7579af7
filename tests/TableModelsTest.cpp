// The shufflers of real tables, shelf, strip and cut, and procedures of several models: each
// procedure is its steps in turn, and each shuffler leaves the structure its mechanism must.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <string>
#include <vector>

#include "models/ModelShuffle.h"
#include "models/ShuffleModel.h"
#include "support/ReferenceShuffle.h"

namespace brevane {
namespace {

using test::CountingKey;

ShuffleModel Parsed(const std::string& text) {
    ModelParseFailure failure;
    const auto model = ParseShuffleModel(text, failure);
    EXPECT_TRUE(model) << text << ": " << ModelParseMessage(failure, text);
    return model.value_or(ShuffleModel{});
}

// Cards 0 to 51 in order: each row then reads as the earlier positions of its cards.
std::vector<std::uint8_t> Positions() {
    std::vector<std::uint8_t> cards(52);
    std::iota(cards.begin(), cards.end(), std::uint8_t{0});
    return cards;
}

TEST(TableModelsTest, AProcedureIsItsStepsAppliedInTurn) {
    for (const std::string steps :
         {"riffle:1+riffle:1+strip:5+riffle:1+cut", "fisher-yates+fisher-yates",
          "shelf:10+cut+naive-swap", "byte-modulo+strip:52+top-to-random:2+overhand:3"}) {
        SCOPED_TRACE(steps);
        std::vector<ShuffleModel> each;
        for (std::size_t start = 0; start <= steps.size();) {
            const std::size_t end = std::min(steps.find('+', start), steps.size());
            each.push_back(Parsed(steps.substr(start, end - start)));
            start = end + 1;
        }
        const ShuffleModel procedure = Parsed(steps);
        ShuffleGenerator whole, stepwise;
        whole.SetKey(CountingKey());
        stepwise.SetKey(CountingKey());
        std::vector<std::uint8_t> a = Positions(), b = Positions();
        for (int row = 0; row < 200; ++row) {
            ApplyModelShuffle(procedure, whole, a.data());
            for (const ShuffleModel& step : each) ApplyModelShuffle(step, stepwise, b.data());
            ASSERT_EQ(a, b) << "row " << row;
        }
        EXPECT_EQ(whole.NextRandomByte(), stepwise.NextRandomByte());
    }
}

TEST(TableModelsTest, ACutIsARotationAtEveryOffset) {
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    std::vector<bool> seen(52);
    std::vector<std::uint8_t> cards = Positions();
    // 52 (51/52)^5000 < 1e-40: every offset turns up.
    for (int row = 0; row < 5000; ++row) {
        const std::vector<std::uint8_t> before = cards;
        ApplyModelShuffle(Parsed("cut"), generator, cards.data());
        const auto c = static_cast<std::size_t>(std::find(before.begin(), before.end(), cards[0]) -
                                                before.begin());
        for (std::size_t k = 0; k < 52; ++k) ASSERT_EQ(cards[k], before[(c + k) % 52]);
        seen[c] = true;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), true), 52);
}

// The packets of a strip row against the order before it: the runs of cards that lay next to
// each other before, from the top. Each run is given by the earlier position of its first card
// and its length.
std::vector<std::pair<int, int>> Runs(const std::vector<std::uint8_t>& row) {
    std::vector<std::pair<int, int>> runs;
    for (std::size_t k = 0; k < row.size(); ++k) {
        if (k > 0 && row[k] == row[k - 1] + 1) {
            ++runs.back().second;
        } else {
            runs.emplace_back(row[k], 1);
        }
    }
    return runs;
}

TEST(TableModelsTest, AStripLaysItsPacketsInReverseEachInItsOrder) {
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    for (const int packets : {2, 5, 17, 51, 52}) {
        SCOPED_TRACE(packets);
        const ShuffleModel model(ShuffleModelKind::Strip, packets);
        std::vector<int> firstLengths;
        for (int row = 0; row < 500; ++row) {
            std::vector<std::uint8_t> cards = Positions();
            ApplyModelShuffle(model, generator, cards.data());
            // P packets, each a block of the old order, the last block on top: read from the
            // bottom they fill the old order from position 0.
            const auto runs = Runs(cards);
            ASSERT_EQ(runs.size(), static_cast<std::size_t>(packets));
            int next = 0;
            for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
                ASSERT_EQ(run->first, next);
                next += run->second;
            }
            firstLengths.push_back(runs.back().second);
        }
        // Every gap can be the first cut: the first packet is not always the same size.
        const auto [low, high] = std::minmax_element(firstLengths.begin(), firstLengths.end());
        if (packets < 51) {
            EXPECT_LT(*low, *high);
        }
    }
    // Cut at every gap, the deck is turned over whole.
    std::vector<std::uint8_t> cards = Positions();
    ApplyModelShuffle(Parsed("strip:52"), generator, cards.data());
    EXPECT_TRUE(std::is_sorted(cards.rbegin(), cards.rend()));
}

// How many pieces, fewest first, the row must be cut into so that in each the earlier
// positions rise and then fall (either part may be empty). A cut taken as late as possible is
// never worse, since any part of such a piece is one too.
int RiseFallPieces(const std::vector<std::uint8_t>& row) {
    int pieces = 1;
    bool falling = false;
    for (std::size_t k = 1; k < row.size(); ++k) {
        if (row[k] > row[k - 1] && falling) {
            ++pieces;
            falling = false;
        } else if (row[k] < row[k - 1]) {
            falling = true;
        }
    }
    return pieces;
}

TEST(TableModelsTest, EachShelfRisesThenFallsSoAtMostSPiecesDo) {
    // Dealt from the bottom, the cards put above on a shelf lie in their old order and those
    // put below in reverse, under them: each shelf rises, then falls.
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    for (const int shelves : {2, 3, 6, 10}) {
        SCOPED_TRACE(shelves);
        const ShuffleModel model(ShuffleModelKind::Shelf, shelves);
        int most = 0;
        for (int row = 0; row < 2000; ++row) {
            std::vector<std::uint8_t> cards = Positions();
            ApplyModelShuffle(model, generator, cards.data());
            const int pieces = RiseFallPieces(cards);
            ASSERT_LE(pieces, shelves) << "row " << row;
            most = std::max(most, pieces);
        }
        // With every shelf used and no two joining into one such piece, all S are needed; a
        // random deck needs about 52 / 3.
        EXPECT_EQ(most, shelves);
    }
}

}  // namespace
}  // namespace brevane
