#include "analysis/ShuffleList.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "cards/Cards.h"

namespace brevane {

Deck InitialDeck() {
    Deck deck;
    for (std::size_t k = 0; k < deck.size(); ++k) deck[k] = static_cast<std::int32_t>(k + 1);
    return deck;
}

ShuffleRecord ShuffleList::Record(std::size_t index) const {
    const std::uint8_t* row = Row(index);
    ShuffleRecord record;
    for (std::size_t k = 0; k < DeckSize; ++k) record[k] = row[k];
    return record;
}

// The storage of row Count(), allocating its block when needed. The row counts once filled.
std::uint8_t* ShuffleList::NextRowSlot() {
    const std::size_t offset = count_ % RowsPerBlock;
    if (offset == 0 && count_ / RowsPerBlock == blocks_.size())
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(BlockBytes));
    return blocks_[count_ / RowsPerBlock].get() + offset * DeckSize;
}

void ShuffleList::Append(const Deck& deck) {
    CopyDeckToRow(deck, NextRowSlot());
    ++count_;
}

void DrawShuffleRows(ShuffleGenerator& generator, const std::uint8_t* start, std::uint8_t* rows,
                     std::size_t count, bool restart) {
    // Each row starts as a copy of the row before (or of `start`) and gets its shuffle's swaps
    // while the next shuffle is drawn.
    if (count == 0) return;
    const std::uint8_t* source = start;
    ShuffleDraws pending, next;
    generator.DrawShuffle(pending);
    for (std::size_t k = 0; k + 1 < count; ++k, rows += DeckSize) {
        std::memcpy(rows, source, DeckSize);
        generator.DrawShuffleApplying(next, pending, rows);
        pending = next;
        if (!restart) source = rows;
    }
    std::memcpy(rows, source, DeckSize);
    ApplyShuffle(pending, rows);
}

void ShuffleList::AppendShuffles(Deck& deck, ShuffleGenerator& generator, std::size_t n,
                                 WorkProgress* progress) {
    AppendRows(
        deck, n,
        [&generator](const std::uint8_t* start, std::uint8_t* rows, std::size_t count) {
            DrawShuffleRows(generator, start, rows, count);
        },
        progress);
}

void ShuffleList::AppendRows(Deck& deck, std::size_t n, const RowMaker& make,
                             WorkProgress* progress) {
    // Works a run of rows at a time, never across a block's end: a block is allocated before
    // any of its rows is made, so when memory runs out, or the work is cancelled, the generator
    // and `deck` still match the rows stored so far.
    std::uint8_t previous[DeckSize];
    CopyDeckToRow(deck, previous);
    const std::uint8_t* source = previous;
    while (n > 0) {
        if (progress) progress->ThrowIfCancelled();
        std::uint8_t* row = NextRowSlot();
        const std::size_t run = std::min({n, AppendRunRows, RowsPerBlock - count_ % RowsPerBlock});
        make(source, row, run);
        count_ += run;
        n -= run;
        source = row + (run - 1) * DeckSize;
        for (std::size_t k = 0; k < DeckSize; ++k) deck[k] = source[k];
        if (progress) progress->Advance(run);
    }
}

void ShuffleList::ReserveRows(std::size_t n) {
    const std::size_t rows = count_ + n;
    blocks_.reserve(rows / RowsPerBlock + (rows % RowsPerBlock != 0));
}

void ShuffleList::Clear() {
    blocks_.clear();
    blocks_.shrink_to_fit();
    count_ = 0;
}

std::size_t ShuffleList::BytesToAppend(std::size_t n) const {
    const std::size_t capacity = blocks_.size() * RowsPerBlock;
    const std::size_t room = capacity - count_;
    if (n <= room) return 0;
    const std::size_t rowsBeyond = n - room;
    const std::size_t newBlocks = rowsBeyond / RowsPerBlock + (rowsBeyond % RowsPerBlock != 0);
    if (newBlocks > std::numeric_limits<std::size_t>::max() / BlockBytes)
        return std::numeric_limits<std::size_t>::max();
    return newBlocks * BlockBytes;
}

std::uint8_t* ShuffleList::Staging::Slot() {
    const std::size_t index = list_.count_ + count_;
    const std::size_t block = index / RowsPerBlock;
    const std::size_t offset = (index % RowsPerBlock) * DeckSize;
    if (block < list_.blocks_.size()) return list_.blocks_[block].get() + offset;
    const std::size_t own = block - list_.blocks_.size();
    if (own == blocks_.size())
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(BlockBytes));
    return blocks_[own].get() + offset;
}

void ShuffleList::Staging::Commit() {
    // Only blocks holding a kept row join the list; a block made for a slot never kept goes.
    const std::size_t rows = list_.count_ + count_;
    const std::size_t used = rows / RowsPerBlock + (rows % RowsPerBlock != 0);
    const std::size_t joining = used > list_.blocks_.size() ? used - list_.blocks_.size() : 0;
    list_.blocks_.reserve(list_.blocks_.size() + joining);
    for (std::size_t b = 0; b < joining; ++b) list_.blocks_.push_back(std::move(blocks_[b]));
    blocks_.clear();
    list_.count_ = rows;
    count_ = 0;
}

std::size_t ShuffleList::BytesAllocated() const {
    return blocks_.size() * BlockBytes + blocks_.capacity() * sizeof(blocks_[0]);
}

}  // namespace brevane
