#include "analysis/ShuffleList.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace brevane {

Deck InitialDeck() {
    Deck deck;
    for (std::size_t k = 0; k < deck.size(); ++k) deck[k] = static_cast<std::int32_t>(k + 1);
    return deck;
}

ShuffleRecord ShuffleList::Record(std::size_t index) const {
    const std::uint8_t* row = Row(index);
    ShuffleRecord record;
    for (std::size_t k = 0; k < RowBytes; ++k) record[k] = row[k];
    return record;
}

// The storage of row Count(), allocating its block when needed. The row counts once filled.
std::uint8_t* ShuffleList::NextRowSlot() {
    const std::size_t offset = count_ % RowsPerBlock;
    if (offset == 0 && count_ / RowsPerBlock == blocks_.size())
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(BlockBytes));
    return blocks_[count_ / RowsPerBlock].get() + offset * RowBytes;
}

void ShuffleList::Append(const Deck& deck) {
    CopyDeckToRow(deck, NextRowSlot());
    ++count_;
}

void ShuffleList::AppendShuffles(Deck& deck, ShuffleGenerator& generator, std::size_t n) {
    // Works block by block: a block is allocated before any of its shuffles is drawn, so when
    // memory runs out the generator and `deck` still match the rows stored so far. Within a
    // block each row starts as a copy of the row before and gets its shuffle's swaps while the
    // next shuffle is drawn.
    std::uint8_t previous[RowBytes];
    CopyDeckToRow(deck, previous);
    const std::uint8_t* source = previous;
    while (n > 0) {
        std::uint8_t* row = NextRowSlot();
        const std::size_t batch = std::min(n, RowsPerBlock - count_ % RowsPerBlock);
        ShuffleDraws pending, next;
        generator.DrawShuffle(pending);
        for (std::size_t k = 0; k + 1 < batch; ++k, row += RowBytes) {
            std::memcpy(row, source, RowBytes);
            generator.DrawShuffleApplying(next, pending, row);
            pending = next;
            source = row;
        }
        std::memcpy(row, source, RowBytes);
        ApplyShuffle(pending, row);
        count_ += batch;
        n -= batch;
        // Kept in step per block, for when the next block cannot be allocated.
        for (std::size_t k = 0; k < RowBytes; ++k) deck[k] = row[k];
        source = row;
    }
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

std::size_t ShuffleList::BytesAllocated() const {
    return blocks_.size() * BlockBytes + blocks_.capacity() * sizeof(blocks_[0]);
}

}  // namespace brevane
