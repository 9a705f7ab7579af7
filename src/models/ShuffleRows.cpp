#include "models/ShuffleRows.h"

#include <algorithm>
#include <cstring>

#include "cards/Cards.h"
#include "models/ModelShuffle.h"

namespace brevane {

namespace {

const std::uint8_t* NewDeckRow() {
    static const auto row = [] {
        std::array<std::uint8_t, DeckSize> r{};
        CopyDeckToRow(InitialDeck(), r.data());
        return r;
    }();
    return row.data();
}

}  // namespace

void MakeModelRows(const ShuffleModel& model, bool fromNewDeck, ShuffleGenerator& generator,
                   const std::uint8_t* start, std::uint8_t* rows, std::size_t count) {
    if (fromNewDeck) start = NewDeckRow();
    if (model.IsFisherYates()) {
        DrawShuffleRows(generator, start, rows, count, fromNewDeck);
        return;
    }
    const std::uint8_t* source = start;
    for (std::size_t k = 0; k < count; ++k, rows += DeckSize) {
        std::memcpy(rows, source, DeckSize);
        ApplyModelShuffle(model, generator, rows);
        if (!fromNewDeck) source = rows;
    }
}

void AppendModelShuffles(ShuffleList& list, Deck& deck, ShuffleGenerator& generator,
                         const ShuffleModel& model, std::size_t n, WorkProgress* progress) {
    if (model.IsFisherYates()) {
        list.AppendShuffles(deck, generator, n, progress);
        return;
    }
    list.AppendRows(
        deck, n,
        [&](const std::uint8_t* start, std::uint8_t* rows, std::size_t count) {
            MakeModelRows(model, false, generator, start, rows, count);
        },
        progress);
}

ShuffleRowMaker::ShuffleRowMaker(ShuffleGenerator& generator, const ShuffleModel& model,
                                 bool fromNewDeck)
    : generator_(generator), model_(model), fromNewDeck_(fromNewDeck) {
    std::memcpy(last_, NewDeckRow(), DeckSize);
}

void ShuffleRowMaker::Make(std::uint8_t* rows, std::size_t count) {
    // The rows are shuffled in a small buffer of this thread's and copied out whole: `rows` may
    // have been read last on another core (a batch ring), and the swaps into rows whose cache
    // lines must first be fetched from there would stall the draws.
    while (count > 0) {
        const std::size_t n = std::min(count, ScratchRows);
        MakeModelRows(model_, fromNewDeck_, generator_, last_, scratch_.data(), n);
        std::memcpy(rows, scratch_.data(), n * DeckSize);
        std::memcpy(last_, scratch_.data() + (n - 1) * DeckSize, DeckSize);
        rows += n * DeckSize;
        count -= n;
    }
}

}  // namespace brevane
