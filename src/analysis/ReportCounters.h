#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "analysis/Seats.h"
#include "cards/Cards.h"

namespace brevane {

// The counting behind the reports, fed rows of card-code bytes in list order, one or a batch at a
// time, so that any number of rows is counted in constant memory. The list builders of Reports.h
// use the same counters; ReportLines.h turns a counter into the lines of its report.

// For each deck position, the rows whose card there is of one suit, of one rank, or one card.
class PositionCounter {
  public:
    enum class Kind { Suit, Rank, Card };

    static PositionCounter ForSuit(int suitIndex);
    static PositionCounter ForRank(int rankIndex);
    static PositionCounter ForCard(std::int32_t cardCode);

    void Add(const std::uint8_t* row) { AddRows(row, 1); }
    // `count` rows stored back to back, 52 bytes each.
    void AddRows(const std::uint8_t* rows, std::size_t count);

    // Adds the counts of `other`, a counter of the same selection.
    void Merge(const PositionCounter& other);
    // Adds per-position counts of `rows` rows counted elsewhere.
    void AddCounts(const std::array<std::uint64_t, DeckSize>& counts, std::uint64_t rows);
    // Whether a row counts at a position holding card code `cardCode` (1..52).
    bool Selects(std::int32_t cardCode) const {
        return static_cast<std::uint8_t>(static_cast<std::uint8_t>(cardCode - offset_) & mask_) <
               width_;
    }

    Kind GetKind() const { return kind_; }
    std::uint64_t Rows() const { return rows_; }
    std::array<std::uint64_t, DeckSize> Counts() const;

  private:
    PositionCounter(Kind kind, std::uint8_t offset, std::uint8_t mask, std::uint8_t width);
    void AddCardRows(const std::uint8_t* rows, std::size_t count);
    void Flush();

    // A card code c is selected when ((c - offset) & mask) < width, in 8-bit arithmetic:
    // suit s: offset s + 1, mask 3, width 1; rank r: offset 4r + 1, width 4; card: offset c,
    // width 1 (mask 0xFF for both).
    Kind kind_;
    std::uint8_t offset_;
    std::uint8_t mask_;
    std::uint8_t width_;
    // Per-position counts of the last pendingRows_ rows (at most 255), added into counts_
    // when full; byte counters keep the per-row work to a few vector operations.
    std::array<std::uint8_t, DeckSize> pending_{};
    std::uint32_t pendingRows_ = 0;
    std::array<std::uint64_t, DeckSize> counts_{};
    std::uint64_t rows_ = 0;
};

// For one deck position, how often each card (and so each suit and rank) lies there.
class DeckPosCounter {
  public:
    explicit DeckPosCounter(int deckPosition) : index_(deckPosition - 1) {}

    void Add(const std::uint8_t* row) {
        ++cards_[row[index_]];
        ++rows_;
    }
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // Adds the counts of `other`, a counter of the same position.
    void Merge(const DeckPosCounter& other);
    // Adds card counts (indexed by card code, entry 0 unused) of `rows` rows counted elsewhere.
    void AddCounts(const std::array<std::uint64_t, 53>& cardCounts, std::uint64_t rows);

    int DeckPosition() const { return index_ + 1; }

    std::uint64_t Rows() const { return rows_; }
    // Indexed by card code; entry 0 stays 0.
    const std::array<std::uint64_t, 53>& CardCounts() const { return cards_; }

  private:
    int index_;
    std::array<std::uint64_t, 53> cards_{};
    std::uint64_t rows_ = 0;
};

inline constexpr int HandCategoryCount = 10;

// The hand category names, High Card first: the report's labels and the counts file's keys.
inline constexpr std::array<std::string_view, HandCategoryCount> HandCategoryNames{
    "High Card", "Pair",       "Two Pair",       "Three of a Kind", "Straight",
    "Flush",     "Full House", "Four of a Kind", "Straight Flush",  "Royal Flush"};

// Hand categories of one seat at one stage. Rows must arrive in list order from `startRow` on,
// since a rotating seat moves on by one position with every row.
class HandCategoryCounter {
  public:
    explicit HandCategoryCounter(const SeatView& view, std::int64_t startRow = 0)
        : view_(view), seat_(view, startRow) {}

    void Add(const std::uint8_t* row) { AddRows(row, 1); }
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // Adds the counts of `other`, the counter of the same view over the rows that follow this
    // counter's rows; the merged counter goes on after those.
    void Merge(const HandCategoryCounter& other);
    // Adds category counts (High Card first) of `rows` rows counted elsewhere; the seat does
    // not move on.
    void AddCounts(const std::array<std::uint64_t, HandCategoryCount>& counts, std::uint64_t rows);

    std::uint64_t Rows() const { return rows_; }
    const SeatView& View() const { return view_; }
    // High Card, Pair, ..., Straight Flush, Royal Flush.
    std::array<std::uint64_t, HandCategoryCount> Counts() const;

    // Slot of a hand value in the internal table: its category 0..9, or 10 for the royal flush.
    static int Slot(std::int32_t value);

  private:
    SeatView view_;
    SeatStepper seat_;
    std::array<std::uint64_t, 11> slots_{};
    std::uint64_t rows_ = 0;
};

}  // namespace brevane
