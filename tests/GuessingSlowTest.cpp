#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "guessing/GuessScorer.h"
#include "models/ShuffleRows.h"
#include "stats/FairnessTests.h"
#include "stats/GuessingTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane {
namespace {

ShuffleModel Model(const std::string& text) {
    ModelParseFailure failure{};
    return *ParseShuffleModel(text, failure);
}

// `count` shuffles of `model`, each from a new deck.
std::vector<std::uint8_t> NewDeckRows(const std::string& model, GeneratorKey key,
                                      std::size_t count) {
    ShuffleGenerator generator;
    generator.SetKey(key);
    std::vector<std::uint8_t> rows(count * DeckSize);
    std::uint8_t start[DeckSize];
    for (std::size_t p = 0; p < DeckSize; ++p) start[p] = static_cast<std::uint8_t>(p + 1);
    MakeModelRows(Model(model), true, generator, start, rows.data(), count);
    return rows;
}

// Under a fair shuffle each guessing test raises a false alarm at the 1% level about 1% of the
// time, from a new deck and continuing. 2000 lists of 1000 rows: the standard error of a 1%
// rate is 0.22%.
TEST(GuessingSlow, FalseAlarmsAtTheirLevel) {
    for (const bool fromNewDeck : {true, false}) {
        ShuffleGenerator generator;
        generator.SetKey(GeneratorKey{19, static_cast<std::uint8_t>(fromNewDeck ? 1 : 2)});
        ShuffleRowMaker maker(generator, Model("fisher-yates"), fromNewDeck);
        const int lists = 2000;
        int alarms[2] = {};
        std::vector<std::uint8_t> rows(1000 * DeckSize);
        for (int k = 0; k < lists; ++k) {
            maker.Make(rows.data(), 1000);
            ShuffleCounts counts(SeatView{}, 0, fromNewDeck);
            counts.AddRows(rows.data(), 1000);
            const GuessingCounts guessing = *counts.Guessing();
            alarms[0] += GuessingTest("guess-position", guessing.byPosition, 1).p < 0.01;
            alarms[1] += GuessingTest("guess-follower", guessing.byFollower, 1).p < 0.01;
        }
        for (int t = 0; t < 2; ++t) {
            const double rate = static_cast<double>(alarms[t]) / lists;
            std::cout << (t == 0 ? "guess-position" : "guess-follower")
                      << (fromNewDeck ? " from a new deck" : " continuing")
                      << " false alarms at 1%: " << 100 * rate << "%\n";
            EXPECT_GT(rate, 0.003);
            EXPECT_LT(rate, 0.02);
        }
    }
}

// Correct guesses per deck with tables learned from 4000 earlier decks, each deck from a new
// deck, against the approximate figures published for these machines.
TEST(GuessingSlow, PowerAgainstTheKnownFigures) {
    struct Known {
        const char* model;
        double position;
        double follower;
    };
    const Known known[] = {{"fisher-yates", 4.54, 4.54},
                           {"shelf:10", 5.2, 7.2},
                           {"riffle:4", 5.2, 6.1},
                           {"riffle:7", 4.6, 4.7}};
    const std::size_t learn = 4096, scored = 4096;
    for (const Known& k : known) {
        const auto rows = NewDeckRows(k.model, GeneratorKey{23}, learn + scored);
        GuessScorer scorer;
        std::uint8_t origins[DeckSize];
        for (std::size_t r = 0; r < learn + scored; ++r) {
            if (r == learn) scorer = GuessScorer(learn, scorer.Learned());
            PairOrigins(NewDeckPositions.data(), &rows[r * DeckSize], origins);
            scorer.ScorePair(origins);
        }
        const double position = GuessingFigureOf(scorer.ByPosition()).mean;
        const double follower = GuessingFigureOf(scorer.ByFollower()).mean;
        std::cout << k.model << ": guess-position " << position << " (about " << k.position
                  << "), guess-follower " << follower << " (about " << k.follower << ")\n";
        EXPECT_NEAR(position, k.position, 0.35) << k.model;
        EXPECT_NEAR(follower, k.follower, 0.35) << k.model;
    }
    // And the tests see it: 2000 shelf decks from a new deck fail both.
    ShuffleCounts counts(SeatView{}, 0, true);
    const auto shelf = NewDeckRows("shelf:10", GeneratorKey{29}, 2000);
    counts.AddRows(shelf.data(), 2000);
    const FairnessResult result = RunFairnessTests(counts);
    EXPECT_EQ(result.tests[7].verdict, Verdict::Fail);
    EXPECT_EQ(result.tests[8].verdict, Verdict::Fail);
}

}  // namespace
}  // namespace brevane
