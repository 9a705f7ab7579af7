#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

#include "cards/Cards.h"

namespace brevane {

using GeneratorKey = std::array<std::uint8_t, 32>;
using CardArray = std::array<std::int32_t, DeckSize>;

// The draws of one shuffle: for m = 52 down to 2, position Draws[m] (0-based, below m) is
// swapped with position m - 1. Entries 0 and 1 are unused.
using ShuffleDraws = std::array<std::uint8_t, 53>;

// Applies one shuffle's draws to 52 cards in place, exactly as ShuffleDeck would.
template <class Card>
void ApplyShuffle(const ShuffleDraws& draws, Card* cards) {
    for (unsigned m = DeckSize; m >= 2; --m) {
        const Card held = cards[draws[m]];
        cards[draws[m]] = cards[m - 1];
        cards[m - 1] = held;
    }
}

// RC4 keystream generator with a 32-byte key and the first 256 output bytes dropped.
// ShuffleDeck, DrawShuffle and DrawShuffleApplying take ShuffleLock, so that each shuffle's run
// of draws is indivisible among threads; the other members are not thread-safe and are meant for
// keying before use, for single-threaded callers and for tests.
class ShuffleGenerator {
  public:
    ShuffleGenerator() = default;
    ShuffleGenerator(const ShuffleGenerator&) = delete;
    ShuffleGenerator& operator=(const ShuffleGenerator&) = delete;

    // Runs the key schedule on `key`, then discards 256 output bytes.
    void SetKey(const GeneratorKey& key);
    // Keys from SHA-256 of 32 high-resolution timer samples taken 1-3 ms apart.
    void SeedGenerator();

    std::uint8_t NextRandomByte();
    // Unbiased draw in 0..n-1 from pairs of keystream bytes (high byte first); n >= 1.
    std::uint16_t RandomBelow(std::uint16_t n);
    // Fisher-Yates pass over all 52 elements, as one indivisible run of draws.
    void ShuffleDeck(CardArray& cards);

    // The draws of one shuffle, as one indivisible run under ShuffleLock. Applying them with
    // ApplyShuffle gives what ShuffleDeck gives.
    void DrawShuffle(ShuffleDraws& draws);
    // Draws the next shuffle into `next` as DrawShuffle does, and meanwhile applies the earlier
    // draws `pending` to 52 one-byte cards. A swap whose position comes from the draw just made
    // stalls the keystream's memory accesses; swaps known beforehand overlap with them.
    void DrawShuffleApplying(ShuffleDraws& next, const ShuffleDraws& pending, std::uint8_t* cards);
    // The next n keystream bytes, as n calls of NextRandomByte give them, under ShuffleLock.
    void NextRandomBytes(std::uint8_t* out, std::size_t n);
    // Holds ShuffleLock, so that a run of NextRandomByte and RandomBelow calls is drawn as one
    // indivisible shuffle. ShuffleDeck and the Draw calls must not be called while it is held.
    [[nodiscard]] std::unique_lock<std::mutex> HoldShuffleLock() {
        return std::unique_lock<std::mutex>(ShuffleLock);
    }

    const GeneratorKey& Key() const { return key_; }

  private:
    void KeySchedule();

    // The permutation's bytes, each in a 32-bit cell: the draw loops run markedly faster on
    // 32-bit loads and stores than on byte ones.
    std::array<std::uint32_t, 256> s_{};
    std::uint8_t i_ = 0;
    std::uint8_t j_ = 0;
    GeneratorKey key_{};
    std::mutex ShuffleLock;
};

// The process's one generator. It is unkeyed until the front end calls SeedGenerator() or
// SetKey() on it, which each front end does before anything else uses it.
ShuffleGenerator& TheShuffleGenerator();

// Shuffles with the process's generator.
void ShuffleDeck(CardArray& cards);

// Parses exactly 64 hexadecimal digits (either case) into a key. False on anything else, and
// `key` is then left unchanged.
bool ParseGeneratorKey(std::string_view hex, GeneratorKey& key);

}  // namespace brevane
