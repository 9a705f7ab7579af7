#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brevane {

// How far a deal has gone: the hole cards alone, then the flop, the turn and the river.
enum class Stage : std::int32_t { Hole, Flop, Turn, River };

inline constexpr int StageCount = 4;

// "Hole", "Flop", "Turn", "River", indexed by stage.
inline constexpr std::array<std::string_view, StageCount> StageNames{"Hole", "Flop", "Turn",
                                                                     "River"};

constexpr std::string_view StageName(Stage stage) {
    return StageNames[static_cast<std::size_t>(stage)];
}

// Community cards dealt by the stage: 0, 3, 4 or 5.
constexpr std::int32_t BoardCardCount(Stage stage) {
    constexpr std::array<std::int32_t, StageCount> counts{0, 3, 4, 5};
    return counts[static_cast<std::size_t>(stage)];
}

// The stage at a list index 0..3; the lists show the stages in enumeration order.
constexpr Stage StageAt(int index) {
    return static_cast<Stage>(index);
}

// Whose hand is looked at, and how much of the deal: `players` at the table (2..10), the seat
// and the stage. Seat positions 0..players-1 are the fixed seats D, D-1, ...; players..2
// players-1 are the same seats rotating, moving one seat on with every row.
struct SeatView {
    std::int32_t players = 10;
    std::int32_t seatPosition = 0;
    Stage stage = Stage::River;

    bool Rotating() const { return seatPosition >= players; }
    // The seat list's text for the seat, e.g. "D-3  (rotate)".
    std::string SeatText() const;
    std::string_view StageText() const { return StageName(stage); }

    friend bool operator==(const SeatView&, const SeatView&) = default;
};

}  // namespace brevane
