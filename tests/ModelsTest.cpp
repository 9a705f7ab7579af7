// The shuffle models: parsing and names, each model against its literal reference, rows made a
// batch at a time, and appending to the stored list.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "models/ModelShuffle.h"
#include "models/ShuffleModel.h"
#include "models/ShuffleRows.h"
#include "support/ReferenceModels.h"

namespace brevane {
namespace {

using test::CountingKey;
using test::ReferenceModelRows;
using Rows = std::vector<std::vector<int>>;

const std::vector<std::string> ModelNames = {
    "fisher-yates", "naive-swap", "byte-modulo", "riffle:1", "riffle:7", "overhand:1",
    "overhand:10", "top-to-random:1", "top-to-random:236", "shelf:2", "shelf:10", "shelf:100",
    "strip:2", "strip:5", "strip:52", "cut", "riffle:1+riffle:1+strip:5+riffle:1+cut",
    // Every kind of step in one procedure, Fisher-Yates among them.
    "cut+fisher-yates+shelf:3+naive-swap+overhand:2+byte-modulo+top-to-random:3+strip:9"};

GeneratorKey OtherKey() {
    GeneratorKey key{};
    for (std::size_t k = 0; k < key.size(); ++k) key[k] = static_cast<std::uint8_t>(200 - 3 * k);
    return key;
}

ShuffleModel Parsed(const std::string& text) {
    ModelParseFailure failure;
    const auto model = ParseShuffleModel(text, failure);
    EXPECT_TRUE(model) << text << ": " << ModelParseMessage(failure, text);
    return model.value_or(ShuffleModel{});
}

Rows ToRows(const std::vector<std::uint8_t>& bytes) {
    Rows rows;
    for (std::size_t k = 0; k < bytes.size(); k += 52)
        rows.emplace_back(bytes.begin() + static_cast<long>(k),
                          bytes.begin() + static_cast<long>(k + 52));
    return rows;
}

void ExpectPermutations(const Rows& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<int> sorted = rows[r];
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(sorted, test::NewDeck()) << "row " << r;
    }
}

TEST(ModelsTest, ParsesNamesWithTheirDefaultAndGivenRepeats) {
    using Kind = ShuffleModelKind;
    const struct {
        const char* text;
        ShuffleModel model;
    } good[] = {{"fisher-yates", {Kind::FisherYates, 0}},
                {"naive-swap", {Kind::NaiveSwap, 0}},
                {"byte-modulo", {Kind::ByteModulo, 0}},
                {"riffle", {Kind::Riffle, 7}},
                {"overhand", {Kind::Overhand, 10}},
                {"top-to-random", {Kind::TopToRandom, 236}},
                {"shelf", {Kind::Shelf, 10}},
                {"strip", {Kind::Strip, 5}},
                {"cut", {Kind::Cut, 0}},
                {"riffle:1", {Kind::Riffle, 1}},
                {"overhand:1000", {Kind::Overhand, 1000}},
                {"top-to-random:52", {Kind::TopToRandom, 52}},
                {"shelf:2", {Kind::Shelf, 2}},
                {"shelf:100", {Kind::Shelf, 100}},
                {"strip:2", {Kind::Strip, 2}},
                {"strip:52", {Kind::Strip, 52}}};
    for (const auto& g : good) {
        EXPECT_EQ(Parsed(g.text), g.model) << g.text;
        // The name reads back to the same model.
        EXPECT_EQ(Parsed(ShuffleModelName(g.model)), g.model) << g.text;
    }
    EXPECT_EQ(ShuffleModelName({Kind::Riffle, 7}), "riffle:7");
    EXPECT_EQ(ShuffleModelName({Kind::NaiveSwap, 0}), "naive-swap");
    EXPECT_EQ(ShuffleModelName({Kind::Cut, 0}), "cut");
}

TEST(ModelsTest, ParsesProceduresStepByStepAndNamesThemWithEveryK) {
    using Kind = ShuffleModelKind;
    const ShuffleModel casino = Parsed("riffle:1+riffle:1+strip:5+riffle:1+cut");
    EXPECT_EQ(casino, CasinoHandShuffle());
    const std::vector<ModelStep> steps(casino.Steps().begin(), casino.Steps().end());
    EXPECT_EQ(steps, (std::vector<ModelStep>{{Kind::Riffle, 1},
                                             {Kind::Riffle, 1},
                                             {Kind::Strip, 5},
                                             {Kind::Riffle, 1},
                                             {Kind::Cut, 0}}));
    EXPECT_EQ(ShuffleModelName(casino), "riffle:1+riffle:1+strip:5+riffle:1+cut");

    // Default K are written out, so that one procedure has one name in sources and counts.
    const ShuffleModel short_ = Parsed("riffle+shelf+strip");
    EXPECT_EQ(ShuffleModelName(short_), "riffle:7+shelf:10+strip:5");
    EXPECT_EQ(Parsed(ShuffleModelName(short_)), short_);

    // A procedure is not its first step, nor the same steps in another order.
    EXPECT_NE(Parsed("riffle:1+cut"), Parsed("riffle:1"));
    EXPECT_NE(Parsed("riffle:1+cut"), Parsed("cut+riffle:1"));
    EXPECT_NE(Parsed("cut+cut"), Parsed("cut"));

    std::string sixteen = "cut";
    for (std::size_t k = 1; k < MaxModelSteps; ++k) sixteen += "+cut";
    EXPECT_EQ(Parsed(sixteen).Steps().size(), MaxModelSteps);
    EXPECT_EQ(ShuffleModelName(Parsed(sixteen)), sixteen);
}

TEST(ModelsTest, RefusesUnknownNamesBadRepeatsAndBadProcedures) {
    using Error = ModelParseError;
    using Kind = ShuffleModelKind;
    std::string sixteen = "riffle:1";
    for (std::size_t k = 1; k < MaxModelSteps; ++k) sixteen += "+riffle:1";
    const struct {
        std::string text;
        Error error;
        std::size_t step;
    } bad[] = {{"", Error::UnknownName, 0},
               {"Fisher-Yates", Error::UnknownName, 0},
               {"riffles", Error::UnknownName, 0},
               {":7", Error::UnknownName, 0},
               {"riffle:0", Error::BadRepeats, 0},
               {"riffle:1001", Error::BadRepeats, 0},
               {"overhand:-3", Error::BadRepeats, 0},
               {"top-to-random:", Error::BadRepeats, 0},
               {"riffle:07", Error::BadRepeats, 0},
               {"riffle:7x", Error::BadRepeats, 0},
               {"riffle: 7", Error::BadRepeats, 0},
               {"riffle:99999999999", Error::BadRepeats, 0},
               {"shelf:1", Error::BadRepeats, 0},
               {"shelf:101", Error::BadRepeats, 0},
               {"strip:1", Error::BadRepeats, 0},
               {"strip:53", Error::BadRepeats, 0},
               {"naive-swap:3", Error::NoRepeatsTaken, 0},
               {"fisher-yates:1", Error::NoRepeatsTaken, 0},
               {"byte-modulo:", Error::NoRepeatsTaken, 0},
               {"cut:2", Error::NoRepeatsTaken, 0},
               {"riffle++cut", Error::EmptyStep, 2},
               {"+cut", Error::EmptyStep, 1},
               {"cut+", Error::EmptyStep, 2},
               {"+", Error::EmptyStep, 1},
               {"riffle+bogus+cut", Error::UnknownName, 2},
               {"riffle + cut", Error::UnknownName, 1},
               {"cut+cut+shelf:1", Error::BadRepeats, 3},
               {"cut+cut:1", Error::NoRepeatsTaken, 2},
               {sixteen + "+cut", Error::TooManySteps, 17},
               {sixteen + "+", Error::TooManySteps, 17}};
    for (const auto& b : bad) {
        ModelParseFailure failure;
        EXPECT_FALSE(ParseShuffleModel(b.text, failure)) << b.text;
        EXPECT_EQ(failure.error, b.error) << b.text;
        EXPECT_EQ(failure.step, b.step) << b.text;
        const std::string message = ModelParseMessage(failure, "<text>");
        EXPECT_NE(message.find("<text>"), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
        // A bad step is named by its place; too many steps by the limit.
        const std::string where = b.error == Error::TooManySteps ? "more than 16 steps"
                                                                 : "step " + std::to_string(b.step);
        if (b.step != 0) {
            EXPECT_NE(message.find(where), std::string::npos) << message;
        }
    }
    // A bad number names the range of its own model.
    const auto rangeOf = [](const char* text) {
        ModelParseFailure failure;
        EXPECT_FALSE(ParseShuffleModel(text, failure));
        return ModelParseMessage(failure, "x");
    };
    EXPECT_NE(rangeOf("riffle:0").find("K must be a whole number from 1 to 1000"),
              std::string::npos);
    EXPECT_NE(rangeOf("cut+shelf:101").find("S must be a whole number from 2 to 100"),
              std::string::npos);
    EXPECT_NE(rangeOf("strip:53").find("P must be a whole number from 2 to 52"), std::string::npos);
    EXPECT_EQ(MinModelRepeats(Kind::Shelf), 2);
    EXPECT_EQ(MaxModelRepeats(Kind::Strip), 52);
}

TEST(ModelsTest, MethodListHoldsEachModelOnceWithItsCaption) {
    std::vector<std::string> captions;
    for (const ShuffleModel& model : MethodModels) captions.push_back(ShuffleModelCaption(model));
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Fisher-Yates", "Naive Swap", "Byte Modulo", "Riffle (7)",
                                        "Overhand (10)", "Top-to-Random (236)", "Shelf (10)",
                                        "Casino hand shuffle"}));
    EXPECT_EQ(MethodModels[0], ShuffleModel{});
    EXPECT_EQ(MethodModels[6], Parsed("shelf"));
    EXPECT_EQ(MethodModels[7], Parsed("riffle:1+riffle:1+strip:5+riffle:1+cut"));
    // Another procedure is captioned step by step.
    EXPECT_EQ(ShuffleModelCaption(Parsed("riffle:2+cut")), "Riffle (2) + Cut");
}

TEST(ModelsTest, EveryModelMatchesItsReferenceContinuingAndFromANewDeck) {
    constexpr int Count = 300;
    for (const GeneratorKey& key : {CountingKey(), OtherKey()}) {
        for (const std::string& name : ModelNames) {
            for (const bool fromNewDeck : {false, true}) {
                SCOPED_TRACE(name + (fromNewDeck ? " from a new deck" : ""));
                ShuffleGenerator generator;
                generator.SetKey(key);
                ShuffleRowMaker maker(generator, Parsed(name), fromNewDeck);
                // Uneven batches: each must continue exactly where the one before stopped.
                std::vector<std::uint8_t> bytes(Count * 52);
                for (int done = 0, batch = 1; done < Count; done += batch, batch = batch * 2 + 1) {
                    batch = std::min(batch, Count - done);
                    maker.Make(bytes.data() + done * 52, static_cast<std::size_t>(batch));
                }
                const Rows rows = ToRows(bytes);
                ExpectPermutations(rows);
                ASSERT_EQ(rows, ReferenceModelRows(key, name, Count, fromNewDeck));
            }
        }
    }
}

TEST(ModelsTest, ModelsDrawExactlyTheirBytes) {
    // After the rows, the fast generator stands where the literal one does.
    for (const std::string& name : ModelNames) {
        ShuffleGenerator generator;
        generator.SetKey(CountingKey());
        test::ReferenceModels reference(CountingKey());
        std::vector<int> deck = test::NewDeck();
        std::vector<std::uint8_t> rows(52 * 7);
        ShuffleRowMaker(generator, Parsed(name), false).Make(rows.data(), 7);
        for (int n = 0; n < 7; ++n) reference.Apply(name, deck);
        EXPECT_EQ(generator.NextRandomByte(), reference.Rng().NextByte()) << name;
    }
}

TEST(ModelsTest, OneRiffleLeavesAtMostTwoRisingSequences) {
    // A riffle keeps both packets in their order, so relative to the order before it the deck
    // holds at most two rising sequences.
    ShuffleGenerator generator;
    generator.SetKey(OtherKey());
    for (int n = 0; n < 2000; ++n) {
        std::uint8_t cards[52];
        for (int k = 0; k < 52; ++k) cards[k] = static_cast<std::uint8_t>(k + 1);
        ApplyModelShuffle(Parsed("riffle:1"), generator, cards);
        int descents = 0;
        for (int k = 0; k + 1 < 52; ++k) {
            const auto at = [&](int card) { return std::find(cards, cards + 52, card) - cards; };
            descents += at(k + 2) < at(k + 1);
        }
        ASSERT_LE(descents, 1);
    }
}

TEST(ModelsTest, AppendingToTheListContinuesFromTheDeckAcrossBlocks) {
    // Over a block boundary and after rows already stored with another model, as the window
    // appends when the method is changed between two "Add to List".
    const std::size_t first = ShuffleList::RowsPerBlock - 5;
    const std::size_t second = 20;
    for (const char* name : {"top-to-random:1", "fisher-yates"}) {
        SCOPED_TRACE(name);
        ShuffleGenerator generator;
        generator.SetKey(CountingKey());
        ShuffleList list;
        Deck deck = InitialDeck();
        AppendModelShuffles(list, deck, generator, Parsed("naive-swap"), first);
        AppendModelShuffles(list, deck, generator, Parsed(name), second);
        ASSERT_EQ(list.Count(), first + second);

        test::ReferenceModels reference(CountingKey());
        std::vector<int> expected = test::NewDeck();
        for (std::size_t n = 0; n < first; ++n) reference.NaiveSwap(expected);
        for (std::size_t n = 0; n < second; ++n) {
            reference.Apply(name, expected);
            const std::uint8_t* row = list.Row(first + n);
            ASSERT_EQ(std::vector<int>(row, row + 52), expected) << "row " << first + n;
        }
        EXPECT_EQ(std::vector<int>(deck.begin(), deck.end()), expected);
    }
}

}  // namespace
}  // namespace brevane
