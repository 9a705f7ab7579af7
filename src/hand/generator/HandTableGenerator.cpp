// Build-time generator of the evaluator's lookup tables. Usage:
//   brevane_hand_table_generator OUTPUT.cpp
//   brevane_hand_table_generator --search-addends   (prints the rank addends it derives)
// Every hand value comes from hand/HandRules.h, computed from rank counts or a suit's rank mask;
// the card entries come from the functions in hand/HandTables.h.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "hand/HandRules.h"
#include "hand/HandTables.h"
#include "hand/generator/RankAddendSearch.h"

namespace {

using namespace brevane;
using namespace brevane::hand_tables;

struct RankEntry {
    std::uint32_t key = 0;
    std::uint32_t value = 0;
};

// Every multiset of 2 to 7 ranks with at most four cards of a rank, with its hand value.
std::vector<RankEntry> CollectRankEntries() {
    std::vector<RankEntry> entries;
    hand_rules::RankCounts counts{};
    hand_rules::ForEachRankMultiset(
        [&](const hand_rules::RankCounts& multiset) {
            std::uint32_t key = 0;
            for (int r = 0; r < hand_rules::RankCount; ++r) {
                key += static_cast<std::uint32_t>(multiset[r]) * RankAddend[r];
            }
            const auto value =
                static_cast<std::uint32_t>(hand_rules::ValueFromRankCounts(multiset));
            entries.push_back({key, value});
        },
        counts);
    return entries;
}

[[noreturn]] void Fail(const char* message) {
    std::fprintf(stderr, "hand table generator: %s\n", message);
    std::exit(1);
}

// Slots of the rank value table in use, one bit each. A 64-bit read may run past the last
// slot; the bits there stay 0.
class SlotBits {
  public:
    explicit SlotBits(std::uint32_t slots) : words_(slots / 64 + 3, 0) {}

    void Take(std::uint32_t slot) { words_[slot / 64] |= 1ull << (slot % 64); }

    // Bit k is slot `from` + k, for k = 0..63.
    std::uint64_t From(std::uint32_t from) const {
        const std::uint64_t low = words_[from / 64] >> (from % 64);
        const std::uint64_t high = from % 64 ? words_[from / 64 + 1] << (64 - from % 64) : 0;
        return low | high;
    }

  private:
    std::vector<std::uint64_t> words_;
};

// Places the rows of rank keys (keys sharing their low OffsetBits bits) in the value table, fullest
// rows first, each at the least offset where all its keys find free slots; returns the offsets.
// Sixty-four offsets are tried at once: bit k of `clash` is set when offset at + k hits a slot
// in use.
std::vector<std::uint32_t> PlaceRows(const std::vector<RankEntry>& entries,
                                     std::vector<std::uint32_t>& table) {
    std::vector<std::vector<std::uint32_t>> rows(OffsetCount);
    for (const RankEntry& entry : entries) {
        rows[RankRow(entry.key)].push_back(RankColumn(entry.key));
    }
    std::vector<std::uint32_t> order(OffsetCount);
    for (std::uint32_t r = 0; r < OffsetCount; ++r) order[r] = r;
    std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return rows[a].size() > rows[b].size();
    });

    // Each offset leaves a whole row inside the table, whatever keys it holds.
    const std::uint32_t lastOffset = RankTableSize - RowWidth;
    SlotBits used(RankTableSize);
    std::vector<std::uint32_t> offset(OffsetCount, 0);
    for (const std::uint32_t r : order) {
        const std::vector<std::uint32_t>& columns = rows[r];
        if (columns.empty()) break;
        std::uint32_t at = 0;
        for (;; at += 64) {
            if (at > lastOffset) Fail("the rank rows do not fit in RankTableSize slots");
            std::uint64_t clash = 0;
            for (const std::uint32_t c : columns) clash |= used.From(at + c);
            if (~clash != 0) {
                at += static_cast<std::uint32_t>(std::countr_one(clash));
                break;
            }
        }
        if (at > lastOffset) Fail("the rank rows do not fit in RankTableSize slots");
        for (const std::uint32_t c : columns) used.Take(at + c);
        offset[r] = at;
    }
    for (const RankEntry& entry : entries) {
        table[RankColumn(entry.key) + offset[RankRow(entry.key)]] = entry.value;
    }
    return offset;
}

void PrintSearchedAddends() {
    const std::vector<std::uint64_t> addends = rank_addends::SearchAddends(RankCount);
    for (std::size_t r = 0; r < addends.size(); ++r) {
        std::printf("%s%llu", r ? ", " : "", static_cast<unsigned long long>(addends[r]));
    }
    std::printf("\n");
}

std::vector<std::uint64_t> CardEntries(std::uint64_t (*entry)(std::uint32_t)) {
    std::vector<std::uint64_t> entries(CardEntryCount);
    for (std::uint32_t index = 0; index < CardEntryCount; ++index) entries[index] = entry(index);
    return entries;
}

// The values as the body of a brace-enclosed list, eight to a line.
template <class Value>
void WriteValues(std::ofstream& out, const std::vector<Value>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        out << (i % 8 == 0 ? "\n    " : " ") << values[i] << "u,";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) Fail("usage: brevane_hand_table_generator OUTPUT.cpp | --search-addends");
    if (std::strcmp(argv[1], "--search-addends") == 0) {
        PrintSearchedAddends();
        return 0;
    }
    if (!rank_addends::TotalsDistinct({RankAddend.begin(), RankAddend.end()})) {
        Fail("two rank multisets share a rank key; derive the addends again");
    }

    const std::vector<RankEntry> entries = CollectRankEntries();

    std::vector<std::uint32_t> rankTable(RankTableSize, 0);
    const std::vector<std::uint32_t> offsets = PlaceRows(entries, rankTable);
    const std::uint32_t slotsNeeded = *std::max_element(offsets.begin(), offsets.end()) + RowWidth;
    if (slotsNeeded != RankTableSize) {
        std::fprintf(stderr, "hand table generator: the rows need %u slots\n", slotsNeeded);
        Fail("RankTableSize must equal the slots the rows need");
    }

    // Masks with fewer than five ranks cannot come from a flush suit; they stay 0.
    std::vector<std::uint32_t> flushTable(FlushTableSize, 0);
    for (unsigned mask = 0; mask < FlushTableSize; ++mask) {
        if (std::popcount(mask) >= 5) {
            flushTable[mask] = static_cast<std::uint32_t>(hand_rules::ValueFromSuitMask(mask));
        }
    }

    const std::string path = argv[1];
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "// Generated by brevane_hand_table_generator; do not edit.\n"
            << "#include \"hand/HandTables.h\"\n\n"
            << "namespace brevane::hand_tables {\n\n";
        out << "const EvaluatorTables Tables = {{";
        WriteValues(out, CardEntries(HoleAddend));
        out << "\n}, {";
        WriteValues(out, CardEntries(BoardAddend));
        out << "\n}, {";
        WriteValues(out, offsets);
        out << "\n}, {";
        WriteValues(out, rankTable);
        out << "\n}, {";
        WriteValues(out, CardEntries(SuitRanks));
        out << "\n}, {";
        WriteValues(out, flushTable);
        out << "\n}};\n\n";
        out << "}  // namespace brevane::hand_tables\n";
        if (!out.flush()) Fail("cannot write the output file");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) Fail("cannot rename the output file");
    std::printf("hand tables: %zu rank multisets in %u slots\n", entries.size(), RankTableSize);
    return 0;
}
