#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace brevane {

using GeneratorKey = std::array<std::uint8_t, 32>;
using CardArray = std::array<std::int32_t, 52>;

// RC4 keystream generator with a 32-byte key and the first 256 output bytes dropped.
// ShuffleDeck is the only member that takes ShuffleLock; the others are not thread-safe and are
// meant for keying before use and for tests.
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

    const GeneratorKey& Key() const { return key_; }

  private:
    void KeySchedule();

    std::array<std::uint8_t, 256> s_{};
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
