#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "stats/ShuffleCounts.h"

namespace brevane {

// A counts file: every count of one run over its rows (ShuffleCounts), as one JSON object, so
// that the counts of runs over parts of the rows can be added up later. Besides the tables it
// names the program that wrote it and the rows' source, kept as given.
inline constexpr std::string_view CountsFileFormat = "brevane-counts";
// Version 2 adds the new-deck declaration and the guessing game ("from_new_deck",
// "followers", "guess_position", "guess_follower"); version 1 files are still read, without a
// guessing game.
inline constexpr int CountsFileVersion = 2;
// The most a counts file may hold, and how deep it may nest. One holds about 300 KB even at
// counts near 2^63, and nests three deep (the object, a table, a table's row); anything beyond
// is refused before it is read whole or built.
inline constexpr std::size_t CountsFileMaxBytes = std::size_t{16} << 20;
inline constexpr std::size_t CountsFileMaxDepth = 8;

// What is wrong with a counts file, in a few words ("\"cards\" has 51 rows, not 52").
class CountsFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct SavedCounts {
    ShuffleCounts counts;
    std::string program;
    nlohmann::ordered_json source;
    // Whether the run was given its first row index (--first-row). Files written before this
    // was recorded count as given when their "first_row" is not 0.
    bool firstRowGiven = false;
};

// The counts of one run over `counts.Rows()` >= 1 rows, whose pairs are the Rows() - 1 pairs
// of consecutive rows among them. `firstRowGiven`: whether the run was told where its rows
// start in their list, rather than starting at row 0 for want of being told.
nlohmann::ordered_json CountsToJson(const ShuffleCounts& counts, std::string_view program,
                                    const nlohmann::ordered_json& source, bool firstRowGiven);
// CountsToJson as one line of text with its line end.
std::string CountsFileText(const ShuffleCounts& counts, std::string_view program,
                           const nlohmann::ordered_json& source, bool firstRowGiven);

// Counts without a guessing game (Guessing() absent) are written as version 1, which holds
// neither it nor the new-deck declaration: such counts only come from continuing rows.
//
// Reads counts back, checking everything: the format and version, every key and nothing else,
// sizes, non-negative integers, and that the tables agree with each other and with the number
// of rows. Throws CountsFileError.
SavedCounts CountsFromJson(const nlohmann::ordered_json& json);
// CountsFromJson of the text of a counts file, which must also be sound JSON within
// CountsFileMaxBytes and CountsFileMaxDepth (ParseBoundedJson).
SavedCounts ParseCountsFile(std::string_view text);

}  // namespace brevane
