#include <initializer_list>
#include <string>
#include <string_view>

#include "hand/HandDescription.h"

#include "hand/PokerHand.h"
#include "hand/RankNames.h"

namespace brevane {

namespace {

std::string Joined(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (const std::string_view piece : pieces) text += piece;
    return text;
}

// True when every rank slot holds 0..14, the only slots an evaluated hand can have.
bool SlotsInRange(std::int32_t value) {
    for (int shift = 0; shift < 20; shift += 4) {
        if (((value >> shift) & 0xF) > 14) return false;
    }
    return true;
}

}  // namespace

std::string HandDescription(std::int32_t value) {
    // A slot of 15 would index past the rank word tables; no evaluated hand has one.
    if (value < 0x100000 || !SlotsInRange(value)) return "Error";
    const int r1 = (value >> 16) & 0xF;
    const int r3 = (value >> 8) & 0xF;
    const int r4 = (value >> 4) & 0xF;
    const int r5 = value & 0xF;
    if (value == RoyalFlushValue) return "Royal Flush";
    if (value >= 0x900000) return Joined({"Straight Flush, ", RankName[r5], " to ", RankName[r1]});
    if (value >= 0x800000) return Joined({"Four of a Kind, ", RankNamePlural[r1]});
    if (value >= 0x700000) {
        return Joined({"Full House, ", RankNamePlural[r1], " full of ", RankNamePlural[r4]});
    }
    if (value >= 0x600000) return Joined({"Flush, ", RankName[r1], " high"});
    if (value >= 0x500000) return Joined({"Straight, ", RankName[r5], " to ", RankName[r1]});
    if (value >= 0x400000) return Joined({"Three of a Kind, ", RankNamePlural[r1]});
    if (value >= 0x300000) {
        return Joined({"Two Pair, ", RankNamePlural[r1], " and ", RankNamePlural[r3]});
    }
    if (value >= 0x200000) return Joined({"Pair of ", RankNamePlural[r1]});
    return Joined({"High Card ", RankName[r1]});
}

}  // namespace brevane
