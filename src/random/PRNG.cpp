#include "random/PRNG.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <random>
#include <thread>
#include <utility>

#include "cards/Cards.h"
#include "random/BoundedDraw.h"
#include "random/SHA256.h"

namespace brevane {

namespace {

// The output step on local copies of i and j, which stay in registers across a run of draws
// instead of being stored and reloaded around every store into S.
struct Keystream {
    std::uint32_t* s;
    unsigned i;
    unsigned j;

    std::uint8_t Next() {
        i = (i + 1) & 0xffu;
        const std::uint32_t si = s[i];
        j = (j + si) & 0xffu;
        const std::uint32_t sj = s[j];
        s[i] = sj;
        s[j] = si;
        return static_cast<std::uint8_t>(s[(si + sj) & 0xffu]);
    }

    std::uint32_t NextWord() {
        const std::uint32_t hi = Next();
        return (hi << 8) | Next();
    }

    std::uint32_t Below(const DrawDivisor& d) {
        std::uint32_t v = NextWord();
        while (v >= d.Bound) v = NextWord();
        return DrawQuotient(v, d);
    }
};

constexpr std::array<DrawDivisor, 53> ShuffleDivisors = [] {
    std::array<DrawDivisor, 53> t{};
    for (int m = 1; m <= DeckSize; ++m) t[m] = MakeDrawDivisor(static_cast<std::uint16_t>(m));
    return t;
}();

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

void ShuffleGenerator::KeySchedule() {
    std::uint8_t t[256];
    for (int k = 0; k < 256; ++k) {
        s_[k] = static_cast<std::uint32_t>(k);
        t[k] = key_[k % 32];
    }
    unsigned j = 0;
    for (int k = 0; k < 256; ++k) {
        j = (j + s_[k] + t[k]) & 0xffu;
        std::swap(s_[k], s_[j]);
    }
    i_ = 0;
    j_ = 0;
}

void ShuffleGenerator::SetKey(const GeneratorKey& key) {
    key_ = key;
    KeySchedule();
    for (int k = 0; k < 256; ++k) NextRandomByte();
}

void ShuffleGenerator::SeedGenerator() {
    using Clock = std::chrono::steady_clock;
    std::minstd_rand sleepPicker(
        static_cast<std::uint32_t>(Clock::now().time_since_epoch().count()));
    std::uniform_int_distribution<int> sleepMs(1, 3);

    std::uint8_t samples[32];
    for (auto& sample : samples) {
        sample = static_cast<std::uint8_t>(Clock::now().time_since_epoch().count());
        std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs(sleepPicker)));
    }
    GeneratorKey key;
    {
        TSHAObject sha;
        sha.HashBuffer(samples, sizeof samples);
        sha.FinalizeHash();
        std::copy(std::begin(sha.Hash), std::end(sha.Hash), key.begin());
    }
    SetKey(key);
}

std::uint8_t ShuffleGenerator::NextRandomByte() {
    Keystream ks{s_.data(), i_, j_};
    const std::uint8_t b = ks.Next();
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
    return b;
}

std::uint16_t ShuffleGenerator::RandomBelow(std::uint16_t n) {
    Keystream ks{s_.data(), i_, j_};
    const std::uint32_t r = ks.Below(MakeDrawDivisor(n));
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
    return static_cast<std::uint16_t>(r);
}

void ShuffleGenerator::ShuffleDeck(CardArray& cards) {
    std::lock_guard<std::mutex> hold(ShuffleLock);
    Keystream ks{s_.data(), i_, j_};
    for (unsigned m = DeckSize; m >= 2; --m)
        std::swap(cards[ks.Below(ShuffleDivisors[m])], cards[m - 1]);
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
}

void ShuffleGenerator::DrawShuffle(ShuffleDraws& draws) {
    std::lock_guard<std::mutex> hold(ShuffleLock);
    Keystream ks{s_.data(), i_, j_};
    for (unsigned m = DeckSize; m >= 2; --m)
        draws[m] = static_cast<std::uint8_t>(ks.Below(ShuffleDivisors[m]));
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
}

void ShuffleGenerator::DrawShuffleApplying(ShuffleDraws& next, const ShuffleDraws& pending,
                                           std::uint8_t* cards) {
    std::lock_guard<std::mutex> hold(ShuffleLock);
    Keystream ks{s_.data(), i_, j_};
    for (unsigned m = DeckSize; m >= 2; --m) {
        next[m] = static_cast<std::uint8_t>(ks.Below(ShuffleDivisors[m]));
        std::swap(cards[pending[m]], cards[m - 1]);
    }
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
}

void ShuffleGenerator::NextRandomBytes(std::uint8_t* out, std::size_t n) {
    std::lock_guard<std::mutex> hold(ShuffleLock);
    Keystream ks{s_.data(), i_, j_};
    for (std::size_t k = 0; k < n; ++k) out[k] = ks.Next();
    i_ = static_cast<std::uint8_t>(ks.i);
    j_ = static_cast<std::uint8_t>(ks.j);
}

ShuffleGenerator& TheShuffleGenerator() {
    static ShuffleGenerator generator;
    return generator;
}

void ShuffleDeck(CardArray& cards) {
    TheShuffleGenerator().ShuffleDeck(cards);
}

bool ParseGeneratorKey(std::string_view hex, GeneratorKey& key) {
    if (hex.size() != 2 * key.size()) return false;
    GeneratorKey parsed;
    for (std::size_t k = 0; k < parsed.size(); ++k) {
        const int hi = HexDigitValue(hex[2 * k]);
        const int lo = HexDigitValue(hex[2 * k + 1]);
        if (hi < 0 || lo < 0) return false;
        parsed[k] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    key = parsed;
    return true;
}

}  // namespace brevane
