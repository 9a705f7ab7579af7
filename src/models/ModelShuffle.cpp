#include "models/ModelShuffle.h"

#include <algorithm>
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

void Overhand(ShuffleGenerator& generator, std::uint8_t* cards) {
    std::uint8_t before[DeckSize];
    std::memcpy(before, cards, DeckSize);
    // The packet at positions start to end - 1 lands as far from the bottom as it was from the
    // top.
    const auto lay = [&](unsigned start, unsigned end) {
        std::memcpy(cards + DeckSize - end, before + start, end - start);
    };
    unsigned start = 0;
    for (unsigned gap = 0; gap + 1 < DeckSize; ++gap) {
        if (generator.RandomBelow(2) == 1) {
            lay(start, gap + 1);
            start = gap + 1;
        }
    }
    lay(start, DeckSize);
}

void TopToRandom(ShuffleGenerator& generator, std::uint8_t* cards) {
    const unsigned r = generator.RandomBelow(DeckSize);
    std::rotate(cards, cards + 1, cards + r + 1);
}

}  // namespace

void ApplyModelShuffle(const ShuffleModel& model, ShuffleGenerator& generator,
                       std::uint8_t* cards) {
    if (model.Kind == ShuffleModelKind::FisherYates) {
        ShuffleDraws draws;
        generator.DrawShuffle(draws);
        ApplyShuffle(draws, cards);
        return;
    }
    const auto hold = generator.HoldShuffleLock();
    switch (model.Kind) {
        case ShuffleModelKind::NaiveSwap:
            NaiveSwap(generator, cards);
            break;
        case ShuffleModelKind::ByteModulo:
            ByteModulo(generator, cards);
            break;
        case ShuffleModelKind::Riffle:
            for (std::int32_t k = 0; k < model.K; ++k) Riffle(generator, cards);
            break;
        case ShuffleModelKind::Overhand:
            for (std::int32_t k = 0; k < model.K; ++k) Overhand(generator, cards);
            break;
        case ShuffleModelKind::TopToRandom:
            for (std::int32_t k = 0; k < model.K; ++k) TopToRandom(generator, cards);
            break;
        case ShuffleModelKind::FisherYates:
            break;
    }
}

}  // namespace brevane
