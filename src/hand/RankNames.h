#pragma once

#include <array>
#include <string_view>

namespace brevane {

// Rank words indexed by rank value 0..14; 1 is the ace counted low in a five-high straight.
inline constexpr std::array<std::string_view, 15> RankName = {
    "",      "Ace",  "Deuce", "Three", "Four",  "Five", "Six", "Seven",
    "Eight", "Nine", "Ten",   "Jack",  "Queen", "King", "Ace"};

inline constexpr std::array<std::string_view, 15> RankNamePlural = {
    "",       "Aces",  "Deuces", "Threes", "Fours",  "Fives", "Sixes", "Sevens",
    "Eights", "Nines", "Tens",   "Jacks",  "Queens", "Kings", "Aces"};

}  // namespace brevane
