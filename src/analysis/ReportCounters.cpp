#include "analysis/ReportCounters.h"

#include <algorithm>
#include <cstring>

#include "analysis/SeatValues.h"
#include "cards/Cards.h"
#include "hand/PokerHand.h"

namespace brevane {

namespace {

constexpr std::uint32_t PendingLimit = 255;

// Adds, for every position, whether the card there is selected, over `count` rows. Written
// without branches so that the compiler turns the inner loop into vector operations.
void CountSelected(const std::uint8_t* rows, std::size_t count, std::uint8_t* pending,
                   std::uint8_t offset, std::uint8_t mask, std::uint8_t width) {
    std::uint8_t acc[DeckSize];
    std::memcpy(acc, pending, DeckSize);
    for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
        for (std::size_t p = 0; p < DeckSize; ++p) {
            const std::uint8_t shifted = static_cast<std::uint8_t>(rows[p] - offset) & mask;
            acc[p] = static_cast<std::uint8_t>(acc[p] + (shifted < width));
        }
    }
    std::memcpy(pending, acc, DeckSize);
}

}  // namespace

PositionCounter::PositionCounter(Kind kind, std::uint8_t offset, std::uint8_t mask,
                                 std::uint8_t width)
    : kind_(kind), offset_(offset), mask_(mask), width_(width) {}

PositionCounter PositionCounter::ForSuit(int suitIndex) {
    return PositionCounter(Kind::Suit, static_cast<std::uint8_t>(suitIndex + 1), 3, 1);
}

PositionCounter PositionCounter::ForRank(int rankIndex) {
    return PositionCounter(Kind::Rank, static_cast<std::uint8_t>(4 * rankIndex + 1), 0xFF, 4);
}

PositionCounter PositionCounter::ForCard(std::int32_t cardCode) {
    return PositionCounter(Kind::Card, static_cast<std::uint8_t>(cardCode), 0xFF, 1);
}

void PositionCounter::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (kind_ == Kind::Card) {
        AddCardRows(rows, count);
        return;
    }
    rows_ += count;
    while (count > 0) {
        const std::size_t take = std::min<std::size_t>(count, PendingLimit - pendingRows_);
        CountSelected(rows, take, pending_.data(), offset_, mask_, width_);
        pendingRows_ += static_cast<std::uint32_t>(take);
        if (pendingRows_ == PendingLimit) Flush();
        rows += take * DeckSize;
        count -= take;
    }
}

// The scan of a row stops at the first position that holds the card.
void PositionCounter::AddCardRows(const std::uint8_t* rows, std::size_t count) {
    rows_ += count;
    for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
        const auto* found = static_cast<const std::uint8_t*>(std::memchr(rows, offset_, DeckSize));
        if (found) ++counts_[static_cast<std::size_t>(found - rows)];
    }
}

void PositionCounter::Flush() {
    for (std::size_t p = 0; p < DeckSize; ++p) counts_[p] += pending_[p];
    pending_.fill(0);
    pendingRows_ = 0;
}

std::array<std::uint64_t, DeckSize> PositionCounter::Counts() const {
    std::array<std::uint64_t, DeckSize> counts = counts_;
    for (std::size_t p = 0; p < DeckSize; ++p) counts[p] += pending_[p];
    return counts;
}

void PositionCounter::Merge(const PositionCounter& other) {
    const auto counts = other.Counts();
    for (std::size_t p = 0; p < DeckSize; ++p) counts_[p] += counts[p];
    rows_ += other.rows_;
}

void PositionCounter::AddCounts(const std::array<std::uint64_t, DeckSize>& counts,
                                std::uint64_t rows) {
    for (std::size_t p = 0; p < DeckSize; ++p) counts_[p] += counts[p];
    rows_ += rows;
}

void DeckPosCounter::AddCounts(const std::array<std::uint64_t, 53>& cardCounts,
                               std::uint64_t rows) {
    for (std::size_t c = 0; c < cards_.size(); ++c) cards_[c] += cardCounts[c];
    rows_ += rows;
}

void DeckPosCounter::Merge(const DeckPosCounter& other) {
    for (std::size_t c = 0; c < cards_.size(); ++c) cards_[c] += other.cards_[c];
    rows_ += other.rows_;
}

void DeckPosCounter::AddRows(const std::uint8_t* rows, std::size_t count) {
    for (std::size_t r = 0; r < count; ++r) ++cards_[rows[r * DeckSize + index_]];
    rows_ += count;
}

int HandCategoryCounter::Slot(std::int32_t value) {
    return value == RoyalFlushValue ? 10 : value >> 20;
}

void HandCategoryCounter::AddRows(const std::uint8_t* rows, std::size_t count) {
    std::int32_t values[SeatBatchRows];
    SeatStepper seat = seat_;
    while (count > 0) {
        const std::size_t take = std::min(count, SeatBatchRows);
        EvaluateSeatRows(rows, take, view_, seat, values);
        for (std::size_t r = 0; r < take; ++r) ++slots_[static_cast<std::size_t>(Slot(values[r]))];
        rows += take * DeckSize;
        count -= take;
        rows_ += take;
    }
    seat_ = seat;
}

void HandCategoryCounter::Merge(const HandCategoryCounter& other) {
    for (std::size_t s = 0; s < slots_.size(); ++s) slots_[s] += other.slots_[s];
    rows_ += other.rows_;
    seat_ = other.seat_;
}

void HandCategoryCounter::AddCounts(const std::array<std::uint64_t, HandCategoryCount>& counts,
                                    std::uint64_t rows) {
    for (std::size_t i = 0; i < counts.size(); ++i) slots_[i + 1] += counts[i];
    rows_ += rows;
}

std::array<std::uint64_t, HandCategoryCount> HandCategoryCounter::Counts() const {
    std::array<std::uint64_t, HandCategoryCount> counts{};
    for (int i = 0; i < HandCategoryCount; ++i)
        counts[static_cast<std::size_t>(i)] = slots_[static_cast<std::size_t>(i + 1)];
    return counts;
}

}  // namespace brevane
