#include "stats/ShuffleCounts.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "analysis/SeatValues.h"
#include "cards/Cards.h"

namespace brevane {

namespace {

constexpr std::uint32_t PendingLimit = 65535;

void AddMovesInto(CountTable& total, const std::uint16_t* pending) {
    for (std::size_t i = 0; i < DeckSize; ++i)
        for (std::size_t j = 0; j < DeckSize; ++j) total[i][j] += pending[i * DeckSize + j];
}

void AddCardsInto(CountTable& total, const std::uint16_t* pending) {
    for (std::size_t p = 0; p < DeckSize; ++p)
        for (std::size_t c = 1; c <= DeckSize; ++c) total[c - 1][p] += pending[p * 53 + c];
}

// The positions holding the same card in both rows; a loop the compiler turns into vector
// compares.
inline std::uint32_t SamePlaces(const std::uint8_t* earlier, const std::uint8_t* later) {
    std::uint32_t same = 0;
    for (std::size_t x = 0; x < DeckSize; ++x) same += earlier[x] == later[x];
    return same;
}

// One pair: `at` gives the position of every card in the later row. The later position j(x)
// of the card at each earlier position x goes into the moves cells; the pair's rising
// sequences are 1 + the descents of j, and its fixed points the x with j(x) = x.
// With `origins`, also writes the pair's origins there (PairOrigins): the card at later
// position j(x) came from earlier position x.
inline void CountPair(const std::uint8_t* earlier, const std::uint8_t* later,
                      const std::uint8_t* at, std::uint16_t* moves,
                      std::array<std::uint64_t, DeckSize>& rising,
                      std::array<std::uint64_t, 53>& fixed, std::uint8_t* origins) {
    std::size_t j = at[earlier[0]];
    ++moves[j];
    if (origins) origins[j] = 0;
    std::uint32_t descents = 0;
#pragma GCC unroll 52
    for (std::size_t x = 1; x < DeckSize; ++x) {
        const std::size_t next = at[earlier[x]];
        ++(moves + x * DeckSize)[next];
        if (origins) origins[next] = static_cast<std::uint8_t>(x);
        descents += next < j;
        j = next;
    }
    ++rising[descents];
    ++fixed[SamePlaces(earlier, later)];
}

}  // namespace

// 2c 2d ... As.
constexpr std::array<std::uint8_t, DeckSize> NewDeck = [] {
    std::array<std::uint8_t, DeckSize> row{};
    for (std::size_t p = 0; p < DeckSize; ++p) row[p] = static_cast<std::uint8_t>(p + 1);
    return row;
}();

ShuffleCounts::ShuffleCounts(const SeatView& view, std::uint64_t firstRow, bool fromNewDeck)
    : view_(view),
      firstRow_(firstRow),
      fromNewDeck_(fromNewDeck),
      seat_(view, static_cast<std::int64_t>(firstRow)),
      scorer_(std::in_place) {}

void ShuffleCounts::DeferGuessing() {
    scorer_.reset();
    guessing_.reset();
}

void ShuffleCounts::SetGuessing(const GuessingCounts& guessing) {
    scorer_.reset();
    guessing_ = guessing;
}

std::optional<GuessingCounts> ShuffleCounts::Guessing() const {
    if (scorer_) return scorer_->Counts();
    return guessing_;
}

ShuffleCounts ShuffleCounts::FromTables(const Tables& tables) {
    ShuffleCounts counts(tables.view, tables.firstRow, tables.fromNewDeck);
    counts.scorer_.reset();
    counts.guessing_ = tables.guessing;
    counts.seat_ =
        SeatStepper(tables.view, static_cast<std::int64_t>(tables.firstRow + tables.rows));
    counts.rows_ = tables.rows;
    counts.pairs_ = tables.pairs;
    counts.first_ = tables.first;
    counts.last_ = tables.last;
    counts.cards_ = tables.cards;
    counts.moves_ = tables.moves;
    counts.rising_ = tables.rising;
    counts.fixed_ = tables.fixed;
    for (std::size_t i = 0; i < tables.categories.size(); ++i)
        counts.handSlots_[i + 1] = tables.categories[i];
    return counts;
}

ShuffleCounts::Tables ShuffleCounts::ToTables() const {
    Tables tables;
    tables.view = view_;
    tables.firstRow = firstRow_;
    tables.rows = rows_;
    tables.pairs = pairs_;
    tables.first = first_;
    tables.last = last_;
    tables.cards = CardPosition();
    tables.moves = Moves();
    tables.rising = rising_;
    tables.fixed = fixed_;
    tables.categories = HandCategories();
    tables.fromNewDeck = fromNewDeck_;
    tables.guessing = Guessing();
    return tables;
}

void ShuffleCounts::AddRows(const std::uint8_t* rows, std::size_t count) {
    AddRows(rows, count, nullptr, nullptr);
}

void ShuffleCounts::AddRows(const std::uint8_t* rows, std::size_t count, GuessingRun& guessing) {
    AddRows(rows, count, &guessing, nullptr);
}

void ShuffleCounts::AddRows(const std::uint8_t* rows, std::size_t count,
                            std::vector<std::uint8_t>& origins) {
    AddRows(rows, count, nullptr, &origins);
}

void ShuffleCounts::AddRows(const std::uint8_t* rows, std::size_t count, GuessingRun* guessing,
                            std::vector<std::uint8_t>* originsOut) {
    if (count == 0) return;
    if (rows_ == 0) std::memcpy(first_.data(), rows, DeckSize);
    const std::uint8_t* previous = rows_ > 0 ? last_.data() : nullptr;
    std::int32_t values[SeatBatchRows];
    std::uint8_t origins[SeatBatchRows * DeckSize];
    const bool guessed = scorer_ || guessing || originsOut;
    if (!scorer_) guessing_.reset();
    while (count > 0) {
        const std::size_t take =
            std::min({count, SeatBatchRows, std::size_t{PendingLimit - pendingRows_}});
        EvaluateSeatRows(rows, take, view_, seat_, values);
        for (std::size_t r = 0; r < take; ++r)
            ++handSlots_[static_cast<std::size_t>(HandCategoryCounter::Slot(values[r]))];
        const std::size_t pairs = CountRows(previous, rows, take, guessed ? origins : nullptr);
        if (scorer_) scorer_->ScorePairs(origins, pairs);
        if (guessing) guessing->AddOrigins(origins, pairs);
        if (originsOut) originsOut->insert(originsOut->end(), origins, origins + pairs * DeckSize);
        previous = rows + (take - 1) * DeckSize;
        pendingRows_ += static_cast<std::uint32_t>(take);
        if (pendingRows_ == PendingLimit) Flush();
        rows += take * DeckSize;
        count -= take;
    }
    std::memcpy(last_.data(), rows - DeckSize, DeckSize);
}

// For each row: where every card lies (the inverse of the row), then the pair with its starting
// order, when there is one.
std::size_t ShuffleCounts::CountRows(const std::uint8_t* previous, const std::uint8_t* rows,
                                     std::size_t count, std::uint8_t* origins) {
    std::uint16_t* cards = cardPending_.data();
    std::uint8_t at[53] = {};
    std::size_t pairs = 0;
    for (std::size_t r = 0; r < count; ++r, rows += DeckSize) {
#pragma GCC unroll 52
        for (std::size_t p = 0; p < DeckSize; ++p) {
            const std::size_t card = rows[p];
            at[card] = static_cast<std::uint8_t>(p);
            ++(cards + p * 53)[card];
        }
        const std::uint8_t* earlier = fromNewDeck_ ? NewDeck.data() : previous;
        if (earlier) {
            std::uint8_t* out = origins ? origins + pairs * DeckSize : nullptr;
            CountPair(earlier, rows, at, movePending_.data(), rising_, fixed_, out);
            ++pairs;
        }
        previous = rows;
    }
    pairs_ += pairs;
    rows_ += count;
    return pairs;
}

void ShuffleCounts::Flush() {
    AddCardsInto(cards_, cardPending_.data());
    AddMovesInto(moves_, movePending_.data());
    cardPending_.fill(0);
    movePending_.fill(0);
    pendingRows_ = 0;
}

CountTable ShuffleCounts::CardPosition() const {
    CountTable table = cards_;
    AddCardsInto(table, cardPending_.data());
    return table;
}

CountTable ShuffleCounts::Moves() const {
    CountTable table = moves_;
    AddMovesInto(table, movePending_.data());
    return table;
}

std::array<std::array<std::uint64_t, DeckSize>, 4> ShuffleCounts::SuitPosition() const {
    const CountTable cards = CardPosition();
    std::array<std::array<std::uint64_t, DeckSize>, 4> suits{};
    for (std::size_t c = 0; c < DeckSize; ++c)
        for (std::size_t p = 0; p < DeckSize; ++p) suits[c % 4][p] += cards[c][p];
    return suits;
}

std::array<std::array<std::uint64_t, DeckSize>, 13> ShuffleCounts::RankPosition() const {
    const CountTable cards = CardPosition();
    std::array<std::array<std::uint64_t, DeckSize>, 13> ranks{};
    for (std::size_t c = 0; c < DeckSize; ++c)
        for (std::size_t p = 0; p < DeckSize; ++p) ranks[c / 4][p] += cards[c][p];
    return ranks;
}

std::array<std::uint64_t, HandCategoryCount> ShuffleCounts::HandCategories() const {
    std::array<std::uint64_t, HandCategoryCount> counts{};
    for (std::size_t i = 0; i < counts.size(); ++i) counts[i] = handSlots_[i + 1];
    return counts;
}

void ShuffleCounts::Add(const ShuffleCounts& later, bool consecutive) {
    if (!(later.view_ == view_)) {
        throw std::invalid_argument("counts of different seats or stages do not add up");
    }
    if (later.fromNewDeck_ != fromNewDeck_) {
        throw std::invalid_argument(
            "counts of rows from a new deck and of continuing rows do not add up");
    }
    if (later.rows_ == 0) return;
    if (rows_ == 0) {
        *this = later;
        return;
    }
    if (consecutive && later.firstRow_ != firstRow_ + rows_) {
        throw std::invalid_argument("the later counts do not start where these end");
    }
    Flush();
    const CountTable laterCards = later.CardPosition();
    const CountTable laterMoves = later.Moves();
    for (std::size_t i = 0; i < DeckSize; ++i) {
        for (std::size_t j = 0; j < DeckSize; ++j) {
            cards_[i][j] += laterCards[i][j];
            moves_[i][j] += laterMoves[i][j];
        }
    }
    for (std::size_t i = 0; i < rising_.size(); ++i) rising_[i] += later.rising_[i];
    for (std::size_t i = 0; i < fixed_.size(); ++i) fixed_[i] += later.fixed_[i];
    for (std::size_t i = 0; i < handSlots_.size(); ++i) handSlots_[i] += later.handSlots_[i];
    pairs_ += later.pairs_;
    const std::optional<GuessingCounts> mine = Guessing();
    const std::optional<GuessingCounts> theirs = later.Guessing();
    scorer_.reset();
    guessing_.reset();
    if (mine && theirs) {
        guessing_ = mine;
        guessing_->Add(*theirs);
    }
    if (consecutive && !fromNewDeck_) {
        // The pair across the join goes into the emptied pending cells.
        std::uint8_t at[53];
        for (std::uint32_t p = 0; p < DeckSize; ++p)
            at[later.first_[p]] = static_cast<std::uint8_t>(p);
        CountPair(last_.data(), later.first_.data(), at, movePending_.data(), rising_, fixed_,
                  nullptr);
        ++pairs_;
        pendingRows_ = 1;
    }
    rows_ += later.rows_;
    last_ = later.last_;
    seat_ = later.seat_;
}

}  // namespace brevane
