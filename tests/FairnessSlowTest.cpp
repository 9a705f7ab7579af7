#include <gtest/gtest.h>

#include <iostream>

#include "analysis/ShuffleList.h"
#include "stats/ChiSquare.h"
#include "stats/FairnessTests.h"

namespace brevane {
namespace {

// The next `rows` shuffles of a continuing deck, counted.
ShuffleCounts Shuffled(ShuffleGenerator& generator, Deck& deck, std::size_t rows) {
    ShuffleCounts counts(SeatView{});
    std::vector<std::uint8_t> batch(rows * 52);
    for (std::size_t r = 0; r < rows; ++r) {
        generator.ShuffleDeck(deck);
        CopyDeckToRow(deck, &batch[r * 52]);
    }
    counts.AddRows(batch.data(), rows);
    return counts;
}

// Over many fair lists of 2000 rows each position test fails at the 1% level about 1% of the
// time. Read against 2601 df without the 51/52 factor, the card statistic would fail about 5.6%
// of the time. With 3000 lists the standard error of a 1% rate is 0.18%.
TEST(FairnessSlow, PositionTestsRaiseFalseAlarmsAtTheirLevel) {
    ShuffleGenerator generator;
    generator.SetKey(GeneratorKey{51, 52});
    Deck deck = InitialDeck();
    const int lists = 3000;
    int alarms[4] = {}, uncorrectedAlarms = 0;
    for (int k = 0; k < lists; ++k) {
        const ShuffleCounts counts = Shuffled(generator, deck, 2000);
        const double stats[4] = {PositionStatistic(counts.CardPosition(), counts.Rows()),
                                 PositionStatistic(counts.Moves(), counts.Pairs()),
                                 PositionStatistic(counts.SuitPosition(), counts.Rows()),
                                 PositionStatistic(counts.RankPosition(), counts.Rows())};
        const int df[4] = {2601, 2601, 153, 612};
        for (int t = 0; t < 4; ++t) alarms[t] += ChiSquareUpperTail(stats[t], df[t]) < 0.01;
        uncorrectedAlarms += ChiSquareUpperTail(stats[0] * 52 / 51, 2601) < 0.01;
    }
    const char* names[4] = {"card-position", "move-position", "suit-position", "rank-position"};
    for (int t = 0; t < 4; ++t) {
        const double rate = static_cast<double>(alarms[t]) / lists;
        std::cout << names[t] << " false alarms at 1%: " << 100 * rate << "%\n";
        EXPECT_GT(rate, 0.002) << names[t];
        EXPECT_LT(rate, 0.019) << names[t];
    }
    const double uncorrected = static_cast<double>(uncorrectedAlarms) / lists;
    std::cout << "card-position without 51/52: " << 100 * uncorrected << "%\n";
    EXPECT_GT(uncorrected, 0.035);
    EXPECT_LT(uncorrected, 0.08);
}

// The program's own shuffle (Fisher-Yates over the keystream) passes with 100,000 rows.
TEST(FairnessSlow, FisherYatesPassesWithOneHundredThousandRows) {
    ShuffleGenerator generator;
    generator.SetKey(GeneratorKey{1, 2, 3, 4, 5});
    Deck deck = InitialDeck();
    const FairnessResult result = RunFairnessTests(Shuffled(generator, deck, 100'000));
    for (const FairnessTest& test : result.tests) {
        std::cout << test.name << " X^2 " << test.statistic << " df " << test.df << " p " << test.p
                  << "\n";
        EXPECT_TRUE(test.ran) << test.name;
        EXPECT_EQ(test.verdict, Verdict::Pass) << test.name;
    }
    EXPECT_EQ(result.verdict, Verdict::Pass);
}

}  // namespace
}  // namespace brevane
