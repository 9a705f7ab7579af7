#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "random/PRNG.h"

namespace brevane {

// The working deck: element k is deck position k + 1.
using Deck = CardArray;
// One stored shuffle read back as 52 card codes, element k being deck position k + 1.
using ShuffleRecord = CardArray;

// A deck of card codes 1..52 in order.
Deck InitialDeck();

// Every shuffle made so far, oldest first; the index is the grid row.
// Rows are stored as 52 bytes each (one byte per card code) in fixed-size blocks, so appending
// never moves existing rows and memory stays close to 52 bytes per row.
class ShuffleList {
public:
    static constexpr std::size_t RowBytes = 52;
    static constexpr std::size_t RowsPerBlock = std::size_t{1} << 16;

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // The 52 card codes of row `index` (< Count()), one byte each.
    const std::uint8_t* Row(std::size_t index) const {
        return blocks_[index / RowsPerBlock].get() + (index % RowsPerBlock) * RowBytes;
    }
    ShuffleRecord Record(std::size_t index) const;

    // Appends a copy of `deck`.
    void Append(const Deck& deck);
    // Shuffles `deck` with `generator` n times, appending a copy after each shuffle.
    void AppendShuffles(Deck& deck, ShuffleGenerator& generator, std::size_t n);
    void Clear();

    // Bytes that appending n more rows would allocate.
    std::size_t BytesToAppend(std::size_t n) const;
    // Bytes held for rows.
    std::size_t BytesAllocated() const;

private:
    std::uint8_t* NewRowSlot();

    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::size_t count_ = 0;
};

}  // namespace brevane
