#include "models/ModelShuffle.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

#include "cards/Cards.h"

namespace brevane {

namespace {

void NaiveSwap(ShuffleGenerator& generator, std::uint8_t* cards) {
    for (unsigned i = 0; i < DeckSize; ++i)
        std::swap(cards[i], cards[generator.RandomBelow(DeckSize)]);
}

void ByteModulo(ShuffleGenerator& generator, std::uint8_t* cards) {
    for (unsigned m = DeckSize; m >= 2; --m)
        std::swap(cards[generator.NextRandomByte() % m], cards[m - 1]);
}

void Riffle(ShuffleGenerator& generator, std::uint8_t* cards) {
    unsigned cut = 0;
    for (unsigned k = 0; k < DeckSize; ++k) cut += generator.RandomBelow(2);
    std::uint8_t before[DeckSize];
    std::memcpy(before, cards, DeckSize);
    unsigned top = 0;
    unsigned bottom = cut;
    std::uint8_t* out = cards;
    while (top < cut && bottom < DeckSize) {
        const unsigned topLeft = cut - top;
        const auto u =
            generator.RandomBelow(static_cast<std::uint16_t>(topLeft + DeckSize - bottom));
        *out++ = u < topLeft ? before[top++] : before[bottom++];
    }
    // One packet is empty; the other keeps its order.
    out = std::copy(before + top, before + cut, out);
    std::copy(before + bottom, before + DeckSize, out);
}

// Lays the packets between the gaps set in `cuts` (bit g: between positions g and g + 1) in
// reverse order, each keeping its own order: the packet at positions start to end - 1 lands as
// far from the bottom as it was from the top.
void LayPacketsReversed(std::uint8_t* cards, std::uint64_t cuts) {
    std::uint8_t before[DeckSize];
    std::memcpy(before, cards, DeckSize);
    unsigned start = 0;
    for (; cuts != 0; cuts &= cuts - 1) {
        const unsigned end = static_cast<unsigned>(std::countr_zero(cuts)) + 1;
        std::memcpy(cards + DeckSize - end, before + start, end - start);
        start = end;
    }
    std::memcpy(cards, before + start, DeckSize - start);
}

void Overhand(ShuffleGenerator& generator, std::uint8_t* cards) {
    std::uint64_t cuts = 0;
    for (unsigned gap = 0; gap + 1 < DeckSize; ++gap)
        cuts |= std::uint64_t{generator.RandomBelow(2)} << gap;
    LayPacketsReversed(cards, cuts);
}

void TopToRandom(ShuffleGenerator& generator, std::uint8_t* cards) {
    const unsigned r = generator.RandomBelow(DeckSize);
    std::rotate(cards, cards + 1, cards + r + 1);
}

// ShuffleDeck's draws, made while the caller holds the lock.
void FisherYates(ShuffleGenerator& generator, std::uint8_t* cards) {
    for (unsigned m = DeckSize; m >= 2; --m)
        std::swap(cards[generator.RandomBelow(static_cast<std::uint16_t>(m))], cards[m - 1]);
}

void Shelf(ShuffleGenerator& generator, std::uint8_t* cards, unsigned shelves) {
    // Deal n (0-based) takes the card at position 51 - n. A shelf read from the top holds the
    // cards put above, the last dealt first, then those put below, the first dealt first, so
    // each card's place follows from counts alone.
    std::uint8_t shelfOf[DeckSize];
    bool above[DeckSize];
    std::array<std::uint8_t, MaxShelves> aboveCount{};
    std::array<std::uint8_t, MaxShelves> belowCount{};
    for (unsigned n = 0; n < DeckSize; ++n) {
        shelfOf[n] =
            static_cast<std::uint8_t>(generator.RandomBelow(static_cast<std::uint16_t>(shelves)));
        above[n] = generator.RandomBelow(2) == 1;
        ++(above[n] ? aboveCount : belowCount)[shelfOf[n]];
    }
    std::array<std::uint8_t, MaxShelves> order;
    for (unsigned s = 0; s < shelves; ++s) order[s] = static_cast<std::uint8_t>(s);
    for (unsigned i = shelves - 1; i >= 1; --i)
        std::swap(order[i], order[generator.RandomBelow(static_cast<std::uint16_t>(i + 1))]);

    // The next free place of each shelf's upper and lower part in the new deck.
    std::array<std::uint8_t, MaxShelves> aboveNext;
    std::array<std::uint8_t, MaxShelves> belowNext;
    unsigned place = 0;
    for (unsigned r = 0; r < shelves; ++r) {
        const unsigned s = order[r];
        aboveNext[s] = static_cast<std::uint8_t>(place);
        belowNext[s] = static_cast<std::uint8_t>(place + aboveCount[s]);
        place += aboveCount[s] + belowCount[s];
    }
    std::uint8_t before[DeckSize];
    std::memcpy(before, cards, DeckSize);
    for (unsigned n = DeckSize; n-- > 0;) {
        if (above[n]) cards[aboveNext[shelfOf[n]]++] = before[DeckSize - 1 - n];
    }
    for (unsigned n = 0; n < DeckSize; ++n) {
        if (!above[n]) cards[belowNext[shelfOf[n]]++] = before[DeckSize - 1 - n];
    }
}

void Strip(ShuffleGenerator& generator, std::uint8_t* cards, unsigned packets) {
    // Bit g of `chosen` stands for the gap between positions g and g + 1.
    constexpr std::uint64_t AllGaps = (std::uint64_t{1} << (DeckSize - 1)) - 1;
    std::uint64_t chosen = 0;
    for (unsigned p = 1; p < packets; ++p) {
        std::uint64_t open = AllGaps & ~chosen;
        // Clears the g lowest open gaps, leaving the g-th (0-based) lowest.
        const unsigned g = generator.RandomBelow(static_cast<std::uint16_t>(DeckSize - p));
        for (unsigned k = 0; k < g; ++k) open &= open - 1;
        chosen |= std::uint64_t{1} << std::countr_zero(open);
    }
    LayPacketsReversed(cards, chosen);
}

void Cut(ShuffleGenerator& generator, std::uint8_t* cards) {
    const unsigned c = generator.RandomBelow(DeckSize);
    std::rotate(cards, cards + c, cards + DeckSize);
}

void ApplyStep(const ModelStep& step, ShuffleGenerator& generator, std::uint8_t* cards) {
    const auto repeat = [&](auto shuffle) {
        for (std::int32_t k = 0; k < step.K; ++k) shuffle(generator, cards);
    };
    switch (step.Kind) {
        case ShuffleModelKind::FisherYates:
            FisherYates(generator, cards);
            break;
        case ShuffleModelKind::NaiveSwap:
            NaiveSwap(generator, cards);
            break;
        case ShuffleModelKind::ByteModulo:
            ByteModulo(generator, cards);
            break;
        case ShuffleModelKind::Riffle:
            repeat(Riffle);
            break;
        case ShuffleModelKind::Overhand:
            repeat(Overhand);
            break;
        case ShuffleModelKind::TopToRandom:
            repeat(TopToRandom);
            break;
        case ShuffleModelKind::Shelf:
            Shelf(generator, cards, static_cast<unsigned>(step.K));
            break;
        case ShuffleModelKind::Strip:
            Strip(generator, cards, static_cast<unsigned>(step.K));
            break;
        case ShuffleModelKind::Cut:
            Cut(generator, cards);
            break;
    }
}

}  // namespace

void ApplyModelShuffle(const ShuffleModel& model, ShuffleGenerator& generator,
                       std::uint8_t* cards) {
    if (model.IsFisherYates()) {
        ShuffleDraws draws;
        generator.DrawShuffle(draws);
        ApplyShuffle(draws, cards);
        return;
    }
    const auto hold = generator.HoldShuffleLock();
    for (const ModelStep& step : model.Steps()) ApplyStep(step, generator, cards);
}

}  // namespace brevane
