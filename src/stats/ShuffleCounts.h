#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "analysis/ReportCounters.h"
#include "analysis/Seats.h"
#include "cards/Cards.h"
#include "guessing/GuessScorer.h"
#include "guessing/GuessingCounts.h"
#include "guessing/GuessingRun.h"

namespace brevane {

// The highest row index, 2^63 - 1. Counts cover rows [first row index, first row index + rows)
// with that end at most this, so that every row index and every count fits the signed row
// index of a seat (SeatStepper) and no sum of counts wraps.
inline constexpr std::uint64_t MaxRowIndex = std::numeric_limits<std::int64_t>::max();

// Whether `rows` rows from row index `firstRow` on stay within MaxRowIndex.
inline bool RowsFit(std::uint64_t firstRow, std::uint64_t rows) {
    return rows <= MaxRowIndex && firstRow <= MaxRowIndex - rows;
}

// A 52 x 52 table of counts; see each accessor for what its two indices mean.
using CountTable = std::array<std::array<std::uint64_t, DeckSize>, DeckSize>;

// Every count the fairness tests need, fed rows (52 card-code bytes each) in list order, in
// constant memory whatever the number of rows. Counts of consecutive parts of one list, or of
// independent lists, add up exactly (Add).
//
// Over the rows: the card x position table and, for one seat view, the hand categories. Over
// the pairs (starting order, row): the moves table, the histograms of rising sequences and of
// fixed points, and the guessing game (GuessingCounts). A row's starting order is the row before
// it, or, for rows declared to come from a new deck, the new deck 2c 2d ... As; then every row
// is a pair.
class ShuffleCounts {
  public:
    // Every count, as the accessors give them: what a counts file holds.
    struct Tables {
        SeatView view;
        std::uint64_t firstRow = 0;
        std::uint64_t rows = 0;
        std::uint64_t pairs = 0;
        std::array<std::uint8_t, DeckSize> first{};
        std::array<std::uint8_t, DeckSize> last{};
        CountTable cards{};
        CountTable moves{};
        std::array<std::uint64_t, DeckSize> rising{};
        std::array<std::uint64_t, 53> fixed{};
        std::array<std::uint64_t, HandCategoryCount> categories{};
        bool fromNewDeck = false;
        // Absent in counts made before the guessing game was counted.
        std::optional<GuessingCounts> guessing;
    };

    // `view` is the seat view of the hand categories. `firstRow` is the index in the whole list
    // of the first row that will be added, so that a rotating seat stands where it would in
    // one run. `fromNewDeck`: each row is paired with the new deck rather than the row before.
    // The rows added are guessed as they come (the first rows of a run), unless DeferGuessing.
    explicit ShuffleCounts(const SeatView& view, std::uint64_t firstRow = 0,
                           bool fromNewDeck = false);

    // For counts of a part of a run that does not start the run: its rows are not guessed, for
    // the tables learned before them are unknown here, and Guessing() is absent until
    // SetGuessing gives the scores of the whole run (GuessingRun).
    void DeferGuessing();
    void SetGuessing(const GuessingCounts& guessing);

    // Counts made before, read back: the tables must be consistent (rows and pairs their
    // sums, first_row + rows below 2^63), as a counts file's reader checks. Rows added later
    // follow the restored ones.
    static ShuffleCounts FromTables(const Tables& tables);
    Tables ToTables() const;

    void AddRow(const std::uint8_t* row) { AddRows(row, 1); }
    // `count` rows stored back to back, 52 bytes each, following the rows added so far. Each
    // row holds every card code 1..52 once, as parsed and generated rows do.
    void AddRows(const std::uint8_t* rows, std::size_t count);
    // AddRows, handing the origins of every pair counted to `guessing` (GuessingRun::AddOrigins)
    // as well: for counts whose guessing is deferred to a run fed in row order.
    void AddRows(const std::uint8_t* rows, std::size_t count, GuessingRun& guessing);
    // AddRows, appending the origins of every pair counted to `origins`, 52 bytes a pair: for
    // counts of a piece of a run whose pairs are guessed once the pieces are in order.
    void AddRows(const std::uint8_t* rows, std::size_t count, std::vector<std::uint8_t>& origins);

    // Adds the counts of `later`, made over the rows that come after these. With `consecutive`
    // its first row directly follows this last row in one list, and that pair counts as well;
    // otherwise (another list, another key) only the pairs within each part count; rows from a
    // new deck have no pair across parts. The guessing scores add up, each part having learned
    // from its own rows only, and are absent when either part's are. Throws
    // std::invalid_argument when the seat views or the starting orders differ, or when a
    // consecutive part does not start at the row index where these end.
    void Add(const ShuffleCounts& later, bool consecutive);
    // Add(later, true): `later` counted the rows right after these, in the same list.
    void Merge(const ShuffleCounts& later) { Add(later, true); }

    std::uint64_t Rows() const { return rows_; }
    // The pairs counted: of consecutive rows, or each row with the new deck.
    std::uint64_t Pairs() const { return pairs_; }
    bool FromNewDeck() const { return fromNewDeck_; }
    // The guessing game over the pairs, when these counts hold it: absent after DeferGuessing,
    // after rows were added to counts that had stopped guessing (restored or added up), and in
    // counts read from a file of version 1.
    std::optional<GuessingCounts> Guessing() const;

    const SeatView& View() const { return view_; }
    std::uint64_t FirstRowIndex() const { return firstRow_; }

    // The first and last row added (meaningful once Rows() > 0).
    const std::array<std::uint8_t, DeckSize>& FirstRow() const { return first_; }
    const std::array<std::uint8_t, DeckSize>& LastRow() const { return last_; }

    // [card code - 1][deck position - 1]: the rows holding that card at that position.
    CountTable CardPosition() const;
    // [earlier position - 1][later position - 1]: the pairs in which the card at the earlier
    // position of the starting order lies at the later position of the row. (For guessing, the
    // position table with the origin first.)
    CountTable Moves() const;
    // [suit index][deck position - 1] and [rank index][deck position - 1], summed from the
    // card x position table.
    std::array<std::array<std::uint64_t, DeckSize>, 4> SuitPosition() const;
    std::array<std::array<std::uint64_t, DeckSize>, 13> RankPosition() const;
    // [R - 1] for R = 1..52 rising sequences.
    const std::array<std::uint64_t, DeckSize>& RisingSequences() const { return rising_; }
    // [k] for k = 0..52 positions holding the same card in both rows.
    const std::array<std::uint64_t, 53>& FixedPoints() const { return fixed_; }
    // High Card, Pair, ..., Straight Flush, Royal Flush.
    std::array<std::uint64_t, HandCategoryCount> HandCategories() const;

  private:
    // `previous` is the row before rows[0], or null when there is none; ignored from a new deck.
    void AddRows(const std::uint8_t* rows, std::size_t count, GuessingRun* guessing,
                 std::vector<std::uint8_t>* originsOut);
    // Counts the rows, and writes the origins of each pair to `origins` (when not null), 52
    // bytes a pair; gives the pairs.
    std::size_t CountRows(const std::uint8_t* previous, const std::uint8_t* rows, std::size_t count,
                          std::uint8_t* origins);
    void Flush();

    SeatView view_;
    std::uint64_t firstRow_;
    bool fromNewDeck_;
    SeatStepper seat_;

    std::uint64_t rows_ = 0;
    std::uint64_t pairs_ = 0;
    std::array<std::uint8_t, DeckSize> first_{};
    std::array<std::uint8_t, DeckSize> last_{};

    // Counts of the last pendingRows_ rows in 16-bit cells (a row adds at most 1 to a cell),
    // added into the 64-bit tables before they could overflow: the two small tables stay in
    // the first-level cache beside the evaluator's. Card cells are indexed (position - 1) * 53
    // + code (code 0 unused), move cells (earlier - 1) * 52 + later - 1: with the position
    // known in an unrolled loop, each increment is one instruction.
    std::array<std::uint16_t, CardTableSize * DeckSize> cardPending_{};
    std::array<std::uint16_t, DeckSize * DeckSize> movePending_{};
    std::uint32_t pendingRows_ = 0;
    CountTable cards_{};
    CountTable moves_{};

    std::array<std::uint64_t, DeckSize> rising_{};
    std::array<std::uint64_t, 53> fixed_{};
    std::array<std::uint64_t, 11> handSlots_{};

    // While the rows are guessed as they come; otherwise the scores in guessing_, if known.
    std::optional<GuessScorer> scorer_;
    std::optional<GuessingCounts> guessing_;
};

}  // namespace brevane
