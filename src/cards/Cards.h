#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevane {

// A card code: 1..52 name the cards, 0 is a missing card.
// Rank index = (code - 1) / 4 (0 deuce .. 12 ace), suit index = (code - 1) % 4 (c, d, h, s).
using CardCode = std::int32_t;

inline constexpr int DeckSize = 52;
inline constexpr int CardTableSize = DeckSize + 1;
inline constexpr int SuitCount = 4;
inline constexpr int RankCount = 13;

// Letters by rank index (deuce first) and by suit index.
inline constexpr std::string_view RankLetters = "23456789TJQKA";
inline constexpr std::string_view SuitLetters = "cdhs";
// Suit names by suit index, as the suit list shows them.
inline constexpr std::array<std::string_view, SuitCount> SuitNames{"Club", "Diamond", "Heart",
                                                                   "Spade"};

inline constexpr std::array<char, CardTableSize> SuitLetter = [] {
    std::array<char, CardTableSize> t{};
    t[0] = 'x';
    for (int c = 1; c <= DeckSize; ++c) t[c] = SuitLetters[static_cast<std::size_t>((c - 1) % 4)];
    return t;
}();

inline constexpr std::array<char, CardTableSize> RankLetter = [] {
    std::array<char, CardTableSize> t{};
    t[0] = '0';
    for (int c = 1; c <= DeckSize; ++c) t[c] = RankLetters[static_cast<std::size_t>((c - 1) / 4)];
    return t;
}();

inline constexpr std::array<std::int32_t, CardTableSize> RankValue = [] {
    std::array<std::int32_t, CardTableSize> t{};
    for (int c = 1; c <= DeckSize; ++c) t[c] = (c - 1) / 4 + 2;
    return t;
}();

constexpr int RankIndex(CardCode code) {
    return (code - 1) / 4;
}
constexpr int SuitIndex(CardCode code) {
    return (code - 1) % 4;
}
constexpr CardCode MakeCard(int rankIndex, int suitIndex) {
    return 4 * rankIndex + suitIndex + 1;
}

// Two characters: rank letter then suit letter. Code must be 0..52.
std::string CardName(CardCode code);

// Writes the two characters of CardName(code) to out[0] and out[1].
inline void WriteCardName(char* out, CardCode code) {
    out[0] = RankLetter[code];
    out[1] = SuitLetter[code];
}

// Parses a two-letter card name ("Ah", "Tc"; case-sensitive as written by CardName).
// Returns 0 when the text is not the name of one of the 52 cards.
CardCode ParseCardName(std::string_view text);

}  // namespace brevane
