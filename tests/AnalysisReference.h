#pragma once

// Slow, literal versions of the shuffle analysis, written straight from the rules of seats,
// hand classes and reports, for the fast code to be checked against. Each walks the rows with
// plain loops, recomputes everything per row and shares no code with src/analysis.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/ShuffleList.h"
#include "cards/Cards.h"
#include "support/LiteralEvaluator.h"

namespace brevane::reference {

using Lines = std::vector<std::string>;
using Cards7 = std::array<std::int32_t, 7>;

inline int FirstHolePosition(int n, int p, long long r) {
    if (p < n) return n - p;
    return n - static_cast<int>((p - n + r) % n);
}

inline Cards7 PlayerCards(const ShuffleList& list, long long r, int n, int p, int s) {
    Cards7 c{0, 0, 0, 0, 0, 0, 0};
    if (r < 0 || r > static_cast<long long>(list.Count()) - 1) return c;
    const ShuffleRecord record = list.Record(static_cast<std::size_t>(r));
    const int d = FirstHolePosition(n, p, r);
    c[0] = record[d - 1];
    c[1] = record[d + n - 1];
    if (s >= 1) {
        c[2] = record[2 * n];
        c[3] = record[2 * n + 1];
        c[4] = record[2 * n + 2];
    }
    if (s >= 2) c[5] = record[2 * n + 3];
    if (s >= 3) c[6] = record[2 * n + 4];
    return c;
}

inline std::int32_t Evaluate(const Cards7& c) {
    return literal::EvaluateHand(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
}

// The class table row by row.
inline bool ClassMatches(int handClass, std::int32_t v) {
    switch (handClass) {
        case 0:
            return v < 0x200000;
        case 1:
            return v < 0x300000;
        case 2:
            return 0x200000 <= v && v < 0x300000;
        case 3:
            return v >= 0x200000;
        case 4:
            return v < 0x400000;
        case 5:
            return 0x300000 <= v && v < 0x400000;
        case 6:
            return v >= 0x300000;
        case 7:
            return v < 0x500000;
        case 8:
            return 0x400000 <= v && v < 0x500000;
        case 9:
            return v >= 0x400000;
        case 10:
            return v < 0x600000;
        case 11:
            return 0x500000 <= v && v < 0x600000;
        case 12:
            return v >= 0x500000;
        case 13:
            return v < 0x700000;
        case 14:
            return 0x600000 <= v && v < 0x700000;
        case 15:
            return v >= 0x600000;
        case 16:
            return v < 0x800000;
        case 17:
            return 0x700000 <= v && v < 0x800000;
        case 18:
            return v >= 0x700000;
        case 19:
            return v < 0x900000;
        case 20:
            return 0x800000 <= v && v < 0x900000;
        case 21:
            return v >= 0x800000;
        case 22:
            return v < 0x9EDCBA;
        case 23:
            return 0x900000 <= v && v < 0x9EDCBA;
        case 24:
            return v >= 0x900000;
        case 25:
            return v == 0x9EDCBA;
        default:
            return false;
    }
}

// Counter index 0 (High Card) to 9 (Royal Flush) by the first test that holds; -1 for none.
inline int CategoryCounter(std::int32_t v) {
    if (v == 10411194) return 9;
    if (v >= 9437184) return 8;
    if (v >= 8388608) return 7;
    if (v >= 7340032) return 6;
    if (v >= 6291456) return 5;
    if (v >= 5242880) return 4;
    if (v >= 4194304) return 3;
    if (v >= 3145728) return 2;
    if (v >= 2097152) return 1;
    if (v >= 1048576) return 0;
    return -1;
}

// k * 100 / n to four decimals, halves up: the quotient of k * 10^6 by n, plus one when the
// remainder is at least half of n.
inline std::string Percent(std::uint64_t k, std::uint64_t n, const std::string& separator) {
    using Wide = unsigned __int128;
    const Wide scaled = Wide{k} * 1000000u;
    Wide q = scaled / n;
    if ((scaled % n) * 2 >= n) ++q;
    std::string fraction = std::to_string(static_cast<unsigned>(q % 10000));
    while (fraction.size() < 4) fraction = "0" + fraction;
    return std::to_string(static_cast<std::uint64_t>(q / 10000)) + separator + fraction;
}

inline std::string CountLine(const std::string& label, std::uint64_t count, std::uint64_t n,
                             const std::string& separator) {
    return label + " = " + std::to_string(count) + "  (" + Percent(count, n, separator) + "%)";
}

inline Lines Head(const std::string& selection, std::uint64_t n, const std::string& title) {
    return {selection, "Shuffles: " + std::to_string(n), "", title, ""};
}

// kind: 's' suit, 'r' rank, 'c' card; index: suit index, rank index or card code.
inline Lines PositionReport(const ShuffleList& list, char kind, int index, const std::string& text,
                            const std::string& separator) {
    std::vector<std::uint64_t> counts(53, 0);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        const ShuffleRecord record = list.Record(r);
        for (int p = 1; p <= 52; ++p) {
            const int c = record[p - 1];
            if (kind == 's' && (c - 1) % 4 == index) ++counts[p];
            if (kind == 'r' && (c - 1) / 4 == index) ++counts[p];
            if (kind == 'c' && c == index) {
                ++counts[p];
                break;
            }
        }
    }
    const std::string prefix = kind == 's' ? "Suit" : kind == 'r' ? "Rank" : "Card";
    const std::string avg = kind == 's' ? "25.0000" : kind == 'r' ? "7.6923" : "1.9231";
    Lines lines = Head(prefix + " Selected: " + text, list.Count(),
                       "Position = Count  (Percent) Avg = " + avg + "%");
    for (int p = 1; p <= 52; ++p) {
        lines.push_back(CountLine(std::to_string(p), counts[p], list.Count(), separator));
    }
    return lines;
}

inline Lines DeckPosReport(const ShuffleList& list, int position, const std::string& text,
                           const std::string& separator) {
    std::vector<std::uint64_t> suits(4, 0), ranks(13, 0), cards(53, 0);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        const int c = list.Record(r)[position - 1];
        ++suits[(c - 1) % 4];
        ++ranks[(c - 1) / 4];
        ++cards[c];
    }
    const std::uint64_t n = list.Count();
    Lines lines = Head("Deck Position: " + text, n, "Suit = Count  (Percent) Avg = 25.0000%");
    for (int s = 0; s < 4; ++s) lines.push_back(CountLine({"cdhs"[s]}, suits[s], n, separator));
    lines.insert(lines.end(), {"", "Rank = Count  (Percent) Avg = 7.6923%", ""});
    for (int k = 0; k < 13; ++k) {
        lines.push_back(CountLine({"23456789TJQKA"[k]}, ranks[k], n, separator));
    }
    lines.insert(lines.end(), {"", "Card = Count  (Percent) Avg = 1.9231%", ""});
    for (int c = 1; c <= 52; ++c) lines.push_back(CountLine(CardName(c), cards[c], n, separator));
    return lines;
}

inline Lines HandCategoryReport(const ShuffleList& list, int n, int s, int t,
                                const std::string& seatText, const std::string& stageText,
                                const std::string& separator) {
    static const char* labels[10] = {
        "High Card:       ", "Pair:            ", "Two Pair:        ", "Three of a Kind: ",
        "Straight:        ", "Flush:           ", "Full House:      ", "Four of a Kind:  ",
        "Straight Flush:  ", "Royal Flush:     "};
    std::vector<std::uint64_t> counts(10, 0);
    for (std::size_t r = 0; r < list.Count(); ++r) {
        const int counter =
            CategoryCounter(Evaluate(PlayerCards(list, static_cast<long long>(r), n, s, t)));
        if (counter >= 0) ++counts[counter];
    }
    const std::uint64_t rows = list.Count();
    Lines lines = {"Player position: " + seatText, "Cards dealt: " + stageText,
                   "Shuffles: " + std::to_string(rows), ""};
    for (int i = 0; i < (t == 0 ? 2 : 10); ++i) {
        lines.push_back(labels[i] + std::to_string(counts[i]) + "  (" +
                        Percent(counts[i], rows, separator) + "%)");
    }
    return lines;
}

// A row with the named cards at the given deck positions (1-based) and every other card in
// code order on the remaining positions.
inline Deck RowWith(const std::map<int, std::string>& placed) {
    Deck deck{};
    std::vector<bool> used(53, false);
    for (const auto& [position, name] : placed) {
        const CardCode code = ParseCardName(name);
        if (code == 0 || used[code]) throw std::invalid_argument("bad or repeated card " + name);
        deck[position - 1] = code;
        used[code] = true;
    }
    int next = 1;
    for (auto& slot : deck) {
        if (slot != 0) continue;
        while (used[next]) ++next;
        slot = next;
        used[next] = true;
    }
    return deck;
}

// The key of the bytes seed, seed + 1, ..., seed + 31.
inline GeneratorKey SeededKey(std::uint8_t seed) {
    GeneratorKey key;
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = static_cast<std::uint8_t>(seed + i);
    return key;
}

// `rows` shuffles from a generator keyed with SeededKey(seed).
inline ShuffleList ShuffledList(std::size_t rows, std::uint8_t seed = 1) {
    ShuffleGenerator generator;
    generator.SetKey(SeededKey(seed));
    Deck deck = InitialDeck();
    ShuffleList list;
    list.AppendShuffles(deck, generator, rows);
    return list;
}

}  // namespace brevane::reference
