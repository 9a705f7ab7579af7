#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "analysis/ShuffleList.h"
#include "models/ShuffleRows.h"
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

// `rows` rows of `model` from a continuing deck, made with a fixed key and counted in batches
// (the pairs across batch ends count as well).
ShuffleCounts ModelCounts(const ShuffleModel& model, std::size_t rows) {
    ShuffleGenerator generator;
    generator.SetKey(GeneratorKey{7, 11, 13, 17});
    ShuffleRowMaker maker(generator, model, false);
    ShuffleCounts counts(SeatView{});
    const std::size_t batchRows = 4096;
    std::vector<std::uint8_t> batch(batchRows * 52);
    for (std::size_t done = 0; done < rows;) {
        const std::size_t n = std::min(batchRows, rows - done);
        maker.Make(batch.data(), n);
        counts.AddRows(batch.data(), n);
        done += n;
    }
    return counts;
}

const FairnessTest& Named(const FairnessResult& result, std::string_view name) {
    for (const FairnessTest& test : result.tests) {
        if (test.name == name) return test;
    }
    throw std::logic_error("no such test");
}

void Print(const char* model, const FairnessTest& test) {
    std::cout << model << " " << test.name << ": X^2 " << test.statistic << " df " << test.df
              << " p " << test.p << "\n";
}

// Each model shuffle permutes positions whatever the cards, so the moves of consecutive rows
// are independent draws of that model's permutation, and a table of M pairs has a corrected
// statistic of about df + M * 51 * S, S being the sum over the 2704 cells of (P[i][j] - 1/52)^2
// for the model's exact move probabilities P (worked out by following one card through the
// swaps).

// naive-swap: S * 51 = 0.658 per pair (P[1][0] = 0.0260, P[51][0] = 0.0143 against 0.0192), so
// 1999 pairs give about 2601 + 1315 = 3916, some 18 standard deviations above 2601 (the 1%
// point is near 2772). Its rows, though, are products of ever more shuffles of a continuing
// deck and close to uniform after the first few, so card-position stays near its mean of 2601,
// sd sqrt(2 * 2601) = 72.
TEST(FairnessSlow, NaiveSwapFailsOnItsMovesNotOnItsRows) {
    const FairnessResult result =
        RunFairnessTests(ModelCounts({ShuffleModelKind::NaiveSwap}, 2000));
    const FairnessTest& moves = Named(result, "move-position");
    const FairnessTest& cards = Named(result, "card-position");
    Print("naive-swap", moves);
    Print("naive-swap", cards);
    EXPECT_EQ(moves.verdict, Verdict::Fail);
    EXPECT_GT(moves.statistic, 3400);
    EXPECT_LT(std::abs(cards.statistic - 2601), 4 * std::sqrt(2 * 2601.0));
    EXPECT_EQ(cards.verdict, Verdict::Pass);
    EXPECT_EQ(result.verdict, Verdict::Fail);
}

// byte-modulo: one byte mod m favours r < 256 mod m (5/256 against 4/256 when m = 52, and
// alike for every m that does not divide 256); S * 51 = 0.086 per pair, so 19,999 pairs give about
// 2601 + 1721 = 4322, sd about 110: far past the 1% point.
TEST(FairnessSlow, ByteModuloFailsOnItsMovesWithTwentyThousandRows) {
    const FairnessResult result =
        RunFairnessTests(ModelCounts({ShuffleModelKind::ByteModulo}, 20'000));
    const FairnessTest& moves = Named(result, "move-position");
    Print("byte-modulo", moves);
    EXPECT_EQ(moves.verdict, Verdict::Fail);
    EXPECT_GT(moves.statistic, 3500);
    EXPECT_EQ(result.verdict, Verdict::Fail);
}

// riffle:7: the rising sequences of 7 riffles follow A(52, r) C(2^7 + 52 - r, 52) / 2^364, mean
// 24.7 against 26.5 for a uniform order (total variation distance 0.334). Against the uniform
// distribution A(52, r) / 52! that is sum (p - q)^2 / q = 1.04 per pair before the tails are
// merged, so 999 pairs give about 1000 on the dozen or so cells that expect 5 or more.
TEST(FairnessSlow, SevenRifflesFailRisingSequencesWithAThousandRows) {
    const FairnessResult result =
        RunFairnessTests(ModelCounts({ShuffleModelKind::Riffle, 7}, 1000));
    const FairnessTest& rising = Named(result, "rising-sequences");
    Print("riffle:7", rising);
    EXPECT_EQ(rising.verdict, Verdict::Fail);
    EXPECT_GT(rising.statistic, 10.0 * rising.df);
    EXPECT_EQ(result.verdict, Verdict::Fail);
}

}  // namespace
}  // namespace brevane
