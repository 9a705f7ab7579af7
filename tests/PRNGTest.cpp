#include "random/PRNG.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>
#include <vector>

#include "random/BoundedDraw.h"
#include "support/ReferenceShuffle.h"
#include "support/Rfc6229.h"

namespace brevane {
namespace {

using test::CountingKey;
using test::ReferenceShuffler;

GeneratorKey KeyFromHex(const std::string& hex) {
    GeneratorKey key{};
    EXPECT_TRUE(ParseGeneratorKey(hex, key)) << hex;
    return key;
}

std::vector<int> FromHex(const std::string& hex) {
    std::vector<int> bytes;
    for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
        bytes.push_back(std::stoi(hex.substr(k, 2), nullptr, 16));
    return bytes;
}

// Keystream of `generator` at absolute offset `offset` (>= 256 and not before its position).
std::vector<int> Take(ShuffleGenerator& generator, std::size_t& position, std::size_t offset,
                      std::size_t n) {
    for (; position < offset; ++position) generator.NextRandomByte();
    std::vector<int> out;
    for (std::size_t k = 0; k < n; ++k, ++position) out.push_back(generator.NextRandomByte());
    return out;
}

void CheckRfc6229(const std::string& keyHex, const std::vector<test::Rfc6229Line>& lines) {
    ShuffleGenerator generator;
    generator.SetKey(KeyFromHex(keyHex));
    std::size_t position = 256;  // SetKey has dropped bytes 0..255
    for (const auto& line : lines)
        EXPECT_EQ(Take(generator, position, line.offset, 16), FromHex(line.hex))
            << "key " << keyHex << " offset " << line.offset;
}

TEST(PRNGTest, Rfc6229CountingKeyFromOffset256) {
    const auto& vector = test::Rfc6229FromOffset256()[0];
    ASSERT_EQ(vector.keyHex, test::CountingKeyHex);
    CheckRfc6229(vector.keyHex, vector.lines);
}

TEST(PRNGTest, Rfc6229SecondKeyFromOffset256) {
    const auto& vector = test::Rfc6229FromOffset256()[1];
    CheckRfc6229(vector.keyHex, vector.lines);
}

TEST(PRNGTest, NextRandomBytesContinuesTheKeystreamByteForByte) {
    ShuffleGenerator block, single;
    block.SetKey(CountingKey());
    single.SetKey(CountingKey());
    std::vector<std::uint8_t> bytes(5000);
    std::size_t done = 0;
    for (std::size_t n : {0u, 1u, 255u, 256u, 4000u}) {
        block.NextRandomBytes(bytes.data() + done, n);
        done += n;
    }
    bytes.resize(done);
    for (std::size_t k = 0; k < done; ++k) ASSERT_EQ(bytes[k], single.NextRandomByte()) << k;
    EXPECT_EQ(block.NextRandomByte(), single.NextRandomByte());
}

TEST(PRNGTest, ReferenceShufflerReproducesRfc6229AtOffsetZero) {
    ReferenceShuffler reference(CountingKey(), 0);
    std::vector<int> first;
    for (int k = 0; k < 16; ++k) first.push_back(reference.NextByte());
    EXPECT_EQ(first, FromHex("eaa6bd25880bf93d3f5d1e4ca2611d91"));
}

TEST(PRNGTest, DrawQuotientIsExactForEveryAcceptedValue) {
    std::vector<std::uint32_t> ns;
    for (std::uint32_t n = 1; n <= 60; ++n) ns.push_back(n);
    for (std::uint32_t n : {100u, 255u, 256u, 1000u, 4097u, 21845u, 32767u, 32768u, 32769u, 65535u})
        ns.push_back(n);
    for (std::uint32_t n : ns) {
        const DrawDivisor d = MakeDrawDivisor(static_cast<std::uint16_t>(n));
        const std::uint32_t q = 65536 / n;
        ASSERT_EQ(d.Bound, q * n);
        for (std::uint32_t v = 0; v < d.Bound; ++v)
            ASSERT_EQ(DrawQuotient(v, d), v / q) << "n " << n << " v " << v;
    }
}

TEST(PRNGTest, RandomBelowStaysInRangeAndMatchesTheReference) {
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    ReferenceShuffler reference(CountingKey());
    std::map<int, int> seen52;
    for (int round = 0; round < 2000; ++round) {
        for (int n : {1, 2, 3, 7, 32, 51, 52, 1000, 65535}) {
            const int r = generator.RandomBelow(static_cast<std::uint16_t>(n));
            ASSERT_LT(r, n);
            ASSERT_EQ(r, reference.Below(n)) << "n " << n << " round " << round;
            if (n == 52) ++seen52[r];
        }
    }
    EXPECT_EQ(seen52.size(), 52u);
    EXPECT_EQ(seen52.begin()->first, 0);
    EXPECT_EQ(seen52.rbegin()->first, 51);
}

TEST(PRNGTest, RandomBelowOfOneIsZeroAndUsesTwoBytes) {
    ShuffleGenerator a, b;
    a.SetKey(CountingKey());
    b.SetKey(CountingKey());
    for (int k = 0; k < 100; ++k) EXPECT_EQ(a.RandomBelow(1), 0);
    for (int k = 0; k < 200; ++k) b.NextRandomByte();
    EXPECT_EQ(a.NextRandomByte(), b.NextRandomByte());
}

// A key whose first 16-bit value after the drop is at least 65520.
GeneratorKey KeyWithHighFirstWord() {
    for (std::uint32_t seed = 0;; ++seed) {
        GeneratorKey key{};
        for (int k = 0; k < 4; ++k) key[k] = static_cast<std::uint8_t>(seed >> (8 * k));
        ShuffleGenerator g;
        g.SetKey(key);
        const int hi = g.NextRandomByte();
        const int v = hi * 256 + g.NextRandomByte();
        if (v >= 65520) return key;
    }
}

TEST(PRNGTest, RandomBelowRedrawsRejectedValuesWithTwoFreshBytes) {
    const GeneratorKey key = KeyWithHighFirstWord();
    ShuffleGenerator drawn, raw;
    drawn.SetKey(key);
    raw.SetKey(key);
    std::vector<int> bytes;
    for (int k = 0; k < 64; ++k) bytes.push_back(raw.NextRandomByte());
    // Find where the first accepted pair starts, by the rule itself.
    std::size_t used = 0;
    int v = 0;
    do {
        v = bytes[used] * 256 + bytes[used + 1];
        used += 2;
    } while (v >= 65520);
    ASSERT_GE(used, 4u);
    EXPECT_EQ(drawn.RandomBelow(52), v / 1260);
    EXPECT_EQ(drawn.NextRandomByte(), bytes[used]);
}

TEST(PRNGTest, PowersOfTwoNeverRedraw) {
    const GeneratorKey key = KeyWithHighFirstWord();
    for (int n : {2, 32}) {
        ShuffleGenerator drawn, raw;
        drawn.SetKey(key);
        raw.SetKey(key);
        for (int k = 0; k < 500; ++k) {
            const int hi = raw.NextRandomByte();
            const int v = hi * 256 + raw.NextRandomByte();
            ASSERT_EQ(drawn.RandomBelow(static_cast<std::uint16_t>(n)), v / (65536 / n));
        }
        EXPECT_EQ(drawn.NextRandomByte(), raw.NextRandomByte());
    }
}

TEST(PRNGTest, ShuffleDeckGivesPermutationsAndContinuesFromTheLastOrder) {
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    ReferenceShuffler reference(CountingKey());
    CardArray deck, expected;
    for (int k = 0; k < 52; ++k) deck[k] = expected[k] = k + 1;
    CardArray previous = deck;
    for (int round = 0; round < 5000; ++round) {
        generator.ShuffleDeck(deck);
        reference.Shuffle(expected);
        ASSERT_EQ(deck, expected) << "shuffle " << round;
        CardArray sorted = deck;
        std::sort(sorted.begin(), sorted.end());
        for (int k = 0; k < 52; ++k) ASSERT_EQ(sorted[k], k + 1);
        ASSERT_NE(deck, previous);
        previous = deck;
    }
}

TEST(PRNGTest, SeparateDrawsGiveTheSameShuffles) {
    ShuffleGenerator whole, drawn, piped;
    for (auto* g : {&whole, &drawn, &piped}) g->SetKey(CountingKey());
    CardArray deck;
    std::array<std::int32_t, 52> byDraws;
    std::array<std::uint8_t, 52> piped8;
    for (int k = 0; k < 52; ++k)
        deck[k] = byDraws[k] = piped8[k] = static_cast<std::uint8_t>(k + 1);
    ShuffleDraws draws, pending, next;
    piped.DrawShuffle(pending);
    for (int round = 0; round < 3000; ++round) {
        whole.ShuffleDeck(deck);
        drawn.DrawShuffle(draws);
        ApplyShuffle(draws, byDraws.data());
        ASSERT_EQ(byDraws, deck) << round;
        for (unsigned m = 2; m <= 52; ++m) ASSERT_LT(draws[m], m);
        // Applying one shuffle while drawing the next lags one shuffle behind.
        piped.DrawShuffleApplying(next, pending, piped8.data());
        pending = next;
        for (int k = 0; k < 52; ++k) ASSERT_EQ(piped8[k], deck[k]) << round;
    }
}

TEST(PRNGTest, ConcurrentShufflesStayWhole) {
    constexpr int Threads = 4;
    constexpr int PerThread = 3000;
    ShuffleGenerator generator;
    generator.SetKey(CountingKey());
    std::vector<std::vector<CardArray>> results(Threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t) {
        workers.emplace_back([&, t] {
            for (int k = 0; k < PerThread; ++k) {
                CardArray deck;
                for (int c = 0; c < 52; ++c) deck[c] = c + 1;
                generator.ShuffleDeck(deck);
                results[t].push_back(deck);
            }
        });
    }
    for (auto& w : workers) w.join();

    // Each shuffle of a fresh deck is fixed by the keystream bytes it drew, so whole shuffles
    // from the threads must be exactly the sequential shuffles in some order.
    ReferenceShuffler reference(CountingKey());
    std::vector<CardArray> expected, actual;
    for (int k = 0; k < Threads * PerThread; ++k) {
        CardArray deck;
        for (int c = 0; c < 52; ++c) deck[c] = c + 1;
        reference.Shuffle(deck);
        expected.push_back(deck);
    }
    for (const auto& r : results) actual.insert(actual.end(), r.begin(), r.end());
    std::sort(expected.begin(), expected.end());
    std::sort(actual.begin(), actual.end());
    EXPECT_EQ(actual, expected);
}

TEST(PRNGTest, ParseGeneratorKey) {
    GeneratorKey key{};
    ASSERT_TRUE(ParseGeneratorKey(test::CountingKeyHex, key));
    EXPECT_EQ(key, CountingKey());
    std::string upper = "1ADA31D5CF688221C109163908EBE51DEBB46227C6CC8B37641910833222772A";
    ASSERT_TRUE(ParseGeneratorKey(upper, key));
    EXPECT_EQ(key[0], 0x1a);
    EXPECT_EQ(key[31], 0x2a);

    const GeneratorKey before = key;
    for (const std::string& bad :
         {std::string(), upper.substr(1), upper + "0", "0x" + upper.substr(2),
          upper.substr(0, 63) + "g", upper.substr(0, 31) + " " + upper.substr(32)}) {
        EXPECT_FALSE(ParseGeneratorKey(bad, key)) << bad;
        EXPECT_EQ(key, before);
    }
}

TEST(PRNGTest, SeedingKeysFromTheDigestAndDiffersBetweenRuns) {
    ShuffleGenerator first, second;
    first.SeedGenerator();
    second.SeedGenerator();
    EXPECT_NE(first.Key(), second.Key());
    EXPECT_NE(first.Key(), GeneratorKey{});
    // Seeding ends exactly as SetKey with the stored digest does.
    ReferenceShuffler reference(first.Key());
    for (int k = 0; k < 64; ++k) EXPECT_EQ(first.NextRandomByte(), reference.NextByte());
}

TEST(PRNGTest, TheShuffleGeneratorIsOneObject) {
    EXPECT_EQ(&TheShuffleGenerator(), &TheShuffleGenerator());
    TheShuffleGenerator().SetKey(CountingKey());
    CardArray viaFree, viaReference;
    for (int c = 0; c < 52; ++c) viaFree[c] = viaReference[c] = c + 1;
    ShuffleDeck(viaFree);
    ReferenceShuffler(CountingKey()).Shuffle(viaReference);
    EXPECT_EQ(viaFree, viaReference);
}

}  // namespace
}  // namespace brevane
