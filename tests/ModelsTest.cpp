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
    "fisher-yates", "naive-swap",  "byte-modulo",     "riffle:1",         "riffle:7",
    "overhand:1",   "overhand:10", "top-to-random:1", "top-to-random:236"};

GeneratorKey OtherKey() {
    GeneratorKey key{};
    for (std::size_t k = 0; k < key.size(); ++k) key[k] = static_cast<std::uint8_t>(200 - 3 * k);
    return key;
}

ShuffleModel Parsed(const std::string& text) {
    ModelParseError error{};
    const auto model = ParseShuffleModel(text, error);
    EXPECT_TRUE(model) << text << ": " << ModelParseMessage(error, text);
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
                {"riffle:1", {Kind::Riffle, 1}},
                {"overhand:1000", {Kind::Overhand, 1000}},
                {"top-to-random:52", {Kind::TopToRandom, 52}}};
    for (const auto& g : good) {
        EXPECT_EQ(Parsed(g.text), g.model) << g.text;
        // The name reads back to the same model.
        EXPECT_EQ(Parsed(ShuffleModelName(g.model)), g.model) << g.text;
    }
    EXPECT_EQ(ShuffleModelName({Kind::Riffle, 7}), "riffle:7");
    EXPECT_EQ(ShuffleModelName({Kind::NaiveSwap, 0}), "naive-swap");
}

TEST(ModelsTest, RefusesUnknownNamesBadRepeatsAndRepeatsWhereNoneBelong) {
    using Error = ModelParseError;
    const struct {
        const char* text;
        Error error;
    } bad[] = {{"", Error::UnknownName},
               {"Fisher-Yates", Error::UnknownName},
               {"riffles", Error::UnknownName},
               {":7", Error::UnknownName},
               {"riffle:0", Error::BadRepeats},
               {"riffle:1001", Error::BadRepeats},
               {"overhand:-3", Error::BadRepeats},
               {"top-to-random:", Error::BadRepeats},
               {"riffle:07", Error::BadRepeats},
               {"riffle:7x", Error::BadRepeats},
               {"riffle: 7", Error::BadRepeats},
               {"riffle:99999999999", Error::BadRepeats},
               {"naive-swap:3", Error::NoRepeatsTaken},
               {"fisher-yates:1", Error::NoRepeatsTaken},
               {"byte-modulo:", Error::NoRepeatsTaken}};
    for (const auto& b : bad) {
        ModelParseError error{};
        EXPECT_FALSE(ParseShuffleModel(b.text, error)) << b.text;
        EXPECT_EQ(error, b.error) << b.text;
    }
    for (const Error error : {Error::UnknownName, Error::BadRepeats, Error::NoRepeatsTaken}) {
        const std::string message = ModelParseMessage(error, "<text>");
        EXPECT_NE(message.find("<text>"), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    EXPECT_NE(ModelParseMessage(Error::BadRepeats, "x").find("1 to 1000"), std::string::npos);
}

TEST(ModelsTest, MethodListHoldsEachModelOnceWithItsCaption) {
    std::vector<std::string> captions;
    for (const ShuffleModel& model : MethodModels) captions.push_back(ShuffleModelCaption(model));
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Fisher-Yates", "Naive Swap", "Byte Modulo", "Riffle (7)",
                                        "Overhand (10)", "Top-to-Random (236)"}));
    EXPECT_EQ(MethodModels[0], ShuffleModel{});
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
