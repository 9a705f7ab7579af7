#include "models/ModelShuffle.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace brevane {

namespace {

constexpr unsigned Cards = 52;

void NaiveSwap(ShuffleGenerator& generator, std::uint8_t* cards) {
    for (unsigned i = 0; i < Cards; ++i) std::swap(cards[i], cards[generator.RandomBelow(Cards)]);
}

void ByteModulo(ShuffleGenerator& generator, std::uint8_t* cards) {
    for (unsigned m = Cards; m >= 2; --m)
        std::swap(cards[generator.NextRandomByte() % m], cards[m - 1]);
}

void Riffle(ShuffleGenerator& generator, std::uint8_t* cards) {
    unsigned cut = 0;
    for (unsigned k = 0; k < Cards; ++k) cut += generator.RandomBelow(2);
    std::uint8_t before[Cards];
    std::memcpy(before, cards, Cards);
    unsigned top = 0;
    unsigned bottom = cut;
    std::uint8_t* out = cards;
    while (top < cut && bottom < Cards) {
        const unsigned topLeft = cut - top;
        const auto u = generator.RandomBelow(static_cast<std::uint16_t>(topLeft + Cards - bottom));
        *out++ = u < topLeft ? before[top++] : before[bottom++];
    }
    // One packet is empty; the other keeps its order.
    out = std::copy(before + top, before + cut, out);
    std::copy(before + bottom, before + Cards, out);
}

void Overhand(ShuffleGenerator& generator, std::uint8_t* cards) {
    std::uint8_t before[Cards];
    std::memcpy(before, cards, Cards);
    // The packet at positions start to end - 1 lands as far from the bottom as it was from the
    // top.
    const auto lay = [&](unsigned start, unsigned end) {
        std::memcpy(cards + Cards - end, before + start, end - start);
    };
    unsigned start = 0;
    for (unsigned gap = 0; gap + 1 < Cards; ++gap) {
        if (generator.RandomBelow(2) == 1) {
            lay(start, gap + 1);
            start = gap + 1;
        }
    }
    lay(start, Cards);
}

void TopToRandom(ShuffleGenerator& generator, std::uint8_t* cards) {
    const unsigned r = generator.RandomBelow(Cards);
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
