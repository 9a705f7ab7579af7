#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "cards/Cards.h"
#include "random/PRNG.h"
#include "work/WorkProgress.h"

namespace brevane {

// The working deck: element k is deck position k + 1.
using Deck = CardArray;
// One stored shuffle read back as 52 card codes, element k being deck position k + 1.
using ShuffleRecord = CardArray;

// A deck of card codes 1..52 in order.
Deck InitialDeck();

// Writes the 52 card codes of `deck` as one byte each to row[0..51].
inline void CopyDeckToRow(const Deck& deck, std::uint8_t* row) {
    for (std::size_t k = 0; k < deck.size(); ++k) row[k] = static_cast<std::uint8_t>(deck[k]);
}

// Writes `count` rows of 52 bytes to rows[0..]: row k is row k - 1 (`start` for row 0)
// shuffled once more by Fisher-Yates with `generator`, or with `restart` `start` shuffled once.
// Draws exactly `count` shuffles, each next one while the swaps of the one before are applied.
// `start` may be the row just before `rows`.
void DrawShuffleRows(ShuffleGenerator& generator, const std::uint8_t* start, std::uint8_t* rows,
                     std::size_t count, bool restart = false);

// Every shuffle made so far, oldest first; the index is the grid row.
// Rows are stored as 52 bytes each (one byte per card code) in fixed-size blocks, so appending
// never moves existing rows and memory stays close to 52 bytes per row.
class ShuffleList {
  public:
    static constexpr std::size_t RowsPerBlock = std::size_t{1} << 16;
    static constexpr std::size_t BlockBytes = DeckSize * RowsPerBlock;

    ShuffleList() = default;
    ShuffleList(ShuffleList&&) noexcept = default;
    ShuffleList& operator=(ShuffleList&&) noexcept = default;

    std::size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }

    // The 52 card codes of row `index` (< Count()), one byte each.
    const std::uint8_t* Row(std::size_t index) const {
        return blocks_[index / RowsPerBlock].get() + (index % RowsPerBlock) * DeckSize;
    }
    ShuffleRecord Record(std::size_t index) const;

    // Appends a copy of `deck`.
    void Append(const Deck& deck);
    // Shuffles `deck` with `generator` n times, appending a copy after each shuffle. Room for
    // rows is made before their shuffles are drawn, so when memory runs out the rows appended so
    // far stay, `deck` equals the last stored row and the generator has drawn nothing more.
    // `progress` counts the rows; once it is cancelled the append stops the same way between two
    // runs of rows and throws WorkCancelled.
    void AppendShuffles(Deck& deck, ShuffleGenerator& generator, std::size_t n,
                        WorkProgress* progress = nullptr);
    // Fills rows[0 .. 52 * count) with the next `count` rows, the row before them being `start`.
    using RowMaker =
        std::function<void(const std::uint8_t* start, std::uint8_t* rows, std::size_t count)>;
    // Appends n rows made by `make`, a block at a time, starting from `deck`, which ends as the
    // last row. As with AppendShuffles, when memory runs out the rows appended so far stay and
    // `deck` equals the last of them; `make` is never asked for rows that have no room. Rows are
    // made in runs of at most AppendRunRows; `progress` and its cancel act as for AppendShuffles.
    void AppendRows(Deck& deck, std::size_t n, const RowMaker& make,
                    WorkProgress* progress = nullptr);
    static constexpr std::size_t AppendRunRows = 16384;

    // Makes room in the block table for n more rows. Until those rows are appended, appending
    // never moves the table, so that another thread may read the rows below the count from
    // before the append while it runs (it must not read Count() meanwhile).
    void ReserveRows(std::size_t n);
    // Removes every row and frees their storage.
    void Clear();

    // Bytes that appending n more rows would allocate.
    std::size_t BytesToAppend(std::size_t n) const;
    // Bytes held for rows and their block table.
    std::size_t BytesAllocated() const;

    // Rows written behind the end of a list that join it only when committed, for work that
    // appends all of its rows or none. Until Commit the list's count, rows and block table stay
    // as they are, so the rows below Count() may be read meanwhile, from another thread too;
    // the list must not change otherwise while rows are staged. Dropping a Staging without
    // committing it leaves the list exactly as it was.
    class Staging {
      public:
        explicit Staging(ShuffleList& list) : list_(list) {}
        Staging(const Staging&) = delete;
        Staging& operator=(const Staging&) = delete;

        // The 52 bytes of the next row; they become a staged row once Keep() is called.
        std::uint8_t* Slot();
        void Keep() { ++count_; }
        std::size_t Count() const { return count_; }
        // Appends the staged rows to the list. If it throws (memory for the block table), the
        // list is unchanged and the rows stay staged.
        void Commit();

      private:
        ShuffleList& list_;
        // Blocks after the list's last one; rows go first into the free end of that last block.
        std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
        std::size_t count_ = 0;
    };

  private:
    std::uint8_t* NextRowSlot();

    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::size_t count_ = 0;
};

}  // namespace brevane
