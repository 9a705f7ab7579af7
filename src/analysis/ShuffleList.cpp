#include "analysis/ShuffleList.h"

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

// Returns the storage of a new last row, counted as present. The caller fills it at once.
std::uint8_t* ShuffleList::NewRowSlot() {
    const std::size_t offset = count_ % RowsPerBlock;
    if (offset == 0 && count_ / RowsPerBlock == blocks_.size()) {
        blocks_.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(BlockBytes));
    }
    std::uint8_t* slot = blocks_[count_ / RowsPerBlock].get() + offset * RowBytes;
    ++count_;
    return slot;
}

void ShuffleList::Append(const Deck& deck) {
    CopyDeckToRow(deck, NewRowSlot());
}

void ShuffleList::AppendShuffles(Deck& deck, ShuffleGenerator& generator, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
        std::uint8_t* row = NewRowSlot();
        generator.ShuffleDeck(deck);
        CopyDeckToRow(deck, row);
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
