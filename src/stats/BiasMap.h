#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "stats/FairnessTests.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// The two pictures of a list of shuffles.
// - Cards: row i is the card with code i + 1 (2c first, As last), column j deck position j + 1;
//   a cell counts the rows holding that card at that position, over M = N rows.
// - Moves: row i is position i + 1 of the earlier row of a pair, column j position j + 1 of the
//   later row; a cell counts the pairs in which the card at position i + 1 of the earlier row
//   lies at position j + 1 of the later row, over M = N - 1 pairs.
enum class BiasView { Cards, Moves };

// "cards" or "moves", as the command line names the views; nullopt for anything else.
std::optional<BiasView> BiasViewFromName(std::string_view name);

// The deviation scale of the colours: z at which a cell takes the full end colour.
inline constexpr double BiasColourLimit = 4.0;

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

inline constexpr Rgb BiasZeroColour{255, 255, 255};
inline constexpr Rgb BiasHighColour{178, 24, 43};  // z >= +4: more often than chance
inline constexpr Rgb BiasLowColour{33, 102, 172};  // z <= -4: less often

// A cell's standardised deviation (O - E) / sqrt(E * 51/52). For a fair shuffle it has mean 0
// and variance 1: one permutation's indicator cell has variance (1/52)(51/52), the same
// permutation correction the position tests make. `expected` must be positive.
double BiasZ(std::uint64_t observed, double expected);

// The colour of a deviation: white at 0, moving in a straight line through RGB towards the end
// colour of z's sign, which it reaches at |z| = 4 and keeps beyond. Each channel is the
// interpolated value rounded to the nearest whole number, halves upwards: 255 + (end - 255) t
// with t = min(|z| / 4, 1), plus one half, then floored.
Rgb BiasColour(double z);

// The counts of one view with the test the title reports.
class BiasMap {
  public:
    // The view of `counts`. The test is card-position for Cards and move-position (the same
    // 52 x 52 chi-square with the 51/52 correction and 2601 df) for Moves, decided alone at
    // `alpha`, and its sensitivity stated at that level: there is no other test in the picture
    // to share the level with. Throws
    // std::invalid_argument when the view has nothing to count (no rows, or one row for Moves).
    BiasMap(const ShuffleCounts& counts, BiasView view, double alpha = DefaultAlpha);

    BiasView View() const { return view_; }
    // M: the rows (Cards) or pairs (Moves) counted.
    std::uint64_t Total() const { return total_; }
    const CountTable& Counts() const { return counts_; }
    double Expected() const { return expected_; }
    double Z(int row, int column) const;
    Rgb Colour(int row, int column) const { return BiasColour(Z(row, column)); }
    const FairnessTest& Test() const { return test_; }
    double Alpha() const { return alpha_; }

    // The line above the picture: the view, M, and the test's verdict with its p-value, e.g.
    // "Cards: M = 20000 rows; card-position: pass, p = 0.3219 (alpha 0.01)".
    std::string Title() const;
    // The label of row i and of column j: card names for the rows of Cards, positions 1..52
    // otherwise.
    std::string RowLabel(int row) const;
    static std::string ColumnLabel(int column);
    // The captions of the two axes: "Card" or "Earlier position"; "Position" or "Later position".
    std::string_view RowAxisCaption() const;
    std::string_view ColumnAxisCaption() const;
    // What the tooltip of a cell says: where it is, O, E and z.
    std::string CellText(int row, int column) const;
    // The count matrix as CSV: a header row of the column labels after the row axis name
    // ("card" or "earlier"), then one line per row starting with its label; LF line ends.
    std::string CsvText() const;

  private:
    BiasView view_;
    std::uint64_t total_;
    CountTable counts_;
    double expected_;
    double alpha_;
    FairnessTest test_;
};

// The view whose test speaks more strongly against the rows, which the window opens on: of two
// tests that ran, the one with the smaller p-value, or of equal p-values (both below the
// smallest double) the larger statistic, the two tests having the same df; a test that ran
// before one that did not; Cards when neither ran or nothing tells them apart. A null map
// stands for a view with too few rows to draw.
BiasView MoreTellingView(const BiasMap* cards, const BiasMap* moves);

// What a view says when it has too few rows to count anything, or nullopt when it can be drawn:
// "No hands dealt" for no rows, and for Moves with a single row a sentence saying it needs two.
std::optional<std::string_view> BiasMapShortage(std::uint64_t rows, BiasView view);
// The same for counts added up from several runs, which may hold rows but no pair of
// consecutive rows: Moves then says it needs two shuffles, as for a single row.
std::optional<std::string_view> BiasMapShortage(const ShuffleCounts& counts, BiasView view);

}  // namespace brevane
