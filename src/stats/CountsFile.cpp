#include "stats/CountsFile.h"

#include <cstdint>
#include <iterator>
#include <optional>
#include <utility>

#include "analysis/Export.h"
#include "analysis/RowParser.h"
#include "cards/Cards.h"
#include "stats/BoundedJson.h"

namespace brevane {

namespace {

using Json = nlohmann::ordered_json;
using Wide = unsigned __int128;  // sums of up to 53 counts of up to 2^63 each

// The keys of a counts file, in the order written.
constexpr std::string_view Keys[] = {"format",
                                     "version",
                                     "program",
                                     "source",
                                     "shuffles",
                                     "first_row",
                                     "first_row_given",
                                     "players",
                                     "seat",
                                     "rotate",
                                     "stage",
                                     "first",
                                     "last",
                                     "cards",
                                     "suits",
                                     "ranks",
                                     "positions",
                                     "hand_categories",
                                     "rising_sequences",
                                     "fixed_points",
                                     "moves",
                                     "from_new_deck",
                                     "followers",
                                     "guess_position",
                                     "guess_follower"};
// The keys a version 1 file holds: all but the last four.
constexpr std::size_t Version1Keys = std::size(Keys) - 4;

// The stage names of the command line's --stage.
constexpr std::array<std::string_view, StageCount> StageKeys{"hole", "flop", "turn", "river"};

[[noreturn]] void Fail(const std::string& message) {
    throw CountsFileError(message);
}

std::string Key(std::string_view key) {
    std::string text(1, '"');
    text += key;
    text += '"';
    return text;
}

template <class Table>
Json TableJson(const Table& table) {
    Json rows = Json::array();
    for (const auto& row : table) rows.push_back(Json(row));
    return rows;
}

std::string RowText(const std::array<std::uint8_t, DeckSize>& row) {
    char line[ExportLineBytes];
    FormatExportLine(row.data(), line);
    return std::string(line, ExportLineBytes - 2);  // without CR LF
}

// The reading side: every check names the key it looked at.
class Reader {
  public:
    explicit Reader(const Json& json) : json_(json) {
        if (!json_.is_object()) Fail("not a counts file (no JSON object)");
        const auto format = json_.find("format");
        if (format == json_.end() || *format != CountsFileFormat) {
            Fail("not a counts file (no \"format\": \"" + std::string(CountsFileFormat) + "\")");
        }
        const Json& version = Field("version");
        if (version != 1 && version != CountsFileVersion) {
            Fail("unknown counts file version " + version.dump() + " (this program reads 1 and " +
                 std::to_string(CountsFileVersion) + ")");
        }
        version_ = version.get<int>();
        const std::size_t keys = version_ == 1 ? Version1Keys : std::size(Keys);
        for (const auto& item : json_.items()) {
            bool known = false;
            for (std::size_t k = 0; k < keys; ++k) known = known || item.key() == Keys[k];
            if (!known) Fail("unexpected key " + Key(item.key()));
        }
    }

    const Json& Field(std::string_view key) const {
        const auto it = json_.find(key);
        if (it == json_.end()) Fail("no " + Key(key));
        return *it;
    }

    static std::uint64_t Count(const Json& value, const std::string& what) {
        // Parsed non-negative integers are unsigned; built ones may be signed.
        if (!value.is_number_integer() ||
            (!value.is_number_unsigned() && value.get<std::int64_t>() < 0))
            Fail(what + " is not a non-negative integer");
        return value.get<std::uint64_t>();
    }
    std::uint64_t Count(std::string_view key) const { return Count(Field(key), Key(key)); }

    std::string Text(std::string_view key) const {
        const Json& value = Field(key);
        if (!value.is_string()) Fail(Key(key) + " is not a text");
        return value.get<std::string>();
    }

    // An array of Size counts, none above `most`.
    template <std::size_t Size>
    static std::array<std::uint64_t, Size> Counts(const Json& value, const std::string& what,
                                                  std::uint64_t most) {
        if (!value.is_array() || value.size() != Size) {
            Fail(what + " is not a list of " + std::to_string(Size) + " counts");
        }
        std::array<std::uint64_t, Size> counts{};
        for (std::size_t i = 0; i < Size; ++i) {
            counts[i] = Count(value[i], what + "[" + std::to_string(i) + "]");
            if (counts[i] > most) {
                Fail(what + "[" + std::to_string(i) + "] is " + std::to_string(counts[i]) +
                     ", more than " + std::to_string(most));
            }
        }
        return counts;
    }

    template <std::size_t Rows, std::size_t Cols>
    std::array<std::array<std::uint64_t, Cols>, Rows> Table(std::string_view key,
                                                            std::uint64_t most) const {
        const Json& value = Field(key);
        if (!value.is_array() || value.size() != Rows) {
            Fail(Key(key) + " has " + std::to_string(value.is_array() ? value.size() : 0) +
                 " rows, not " + std::to_string(Rows));
        }
        std::array<std::array<std::uint64_t, Cols>, Rows> table{};
        for (std::size_t r = 0; r < Rows; ++r) {
            table[r] = Counts<Cols>(value[r], Key(key) + "[" + std::to_string(r) + "]", most);
        }
        return table;
    }

    std::array<std::uint8_t, DeckSize> Row(std::string_view key) const {
        std::array<std::uint8_t, DeckSize> row{};
        const std::string problem = ParseExportLine(Text(key), row.data());
        if (!problem.empty()) Fail(Key(key) + ": " + problem);
        return row;
    }

    int Version() const { return version_; }

    bool Boolean(std::string_view key) const {
        const Json& value = Field(key);
        if (!value.is_boolean()) Fail(Key(key) + " is not true or false");
        return value.get<bool>();
    }

  private:
    const Json& json_;
    int version_ = 1;
};

SeatView ReadView(const Reader& reader) {
    SeatView view;
    const std::uint64_t players = reader.Count("players");
    if (players < 2 || players > 10) Fail("\"players\" is not 2 to 10");
    view.players = static_cast<std::int32_t>(players);
    const std::string seat = reader.Text("seat");
    std::int32_t offset = -1;
    for (std::int32_t k = 0; k < view.players; ++k) {
        if (seat == (k == 0 ? std::string("D") : "D-" + std::to_string(k))) offset = k;
    }
    if (offset < 0) Fail("no seat \"" + seat + "\" at " + std::to_string(players) + " players");
    const Json& rotate = reader.Field("rotate");
    if (!rotate.is_boolean()) Fail("\"rotate\" is not true or false");
    view.seatPosition = rotate.get<bool>() ? view.players + offset : offset;
    const std::string stage = reader.Text("stage");
    int index = 0;
    while (index < StageCount && StageKeys[static_cast<std::size_t>(index)] != stage) ++index;
    if (index == StageCount) Fail("unknown stage \"" + stage + "\"");
    view.stage = StageAt(index);
    return view;
}

// The sums of row `i` and of column `i` of `table`.
std::pair<Wide, Wide> LineSums(const CountTable& table, std::size_t i) {
    Wide row = 0;
    Wide column = 0;
    for (std::size_t j = 0; j < DeckSize; ++j) {
        row += table[i][j];
        column += table[j][i];
    }
    return {row, column};
}

// Every card lies somewhere in every row, and every position holds some card: both ways the
// card x position table sums to the rows.
void CheckCards(const CountTable& cards, std::uint64_t rows) {
    for (std::size_t i = 0; i < DeckSize; ++i) {
        const auto [byCard, byPosition] = LineSums(cards, i);
        if (byCard != rows) {
            Fail("\"cards\": " + CardName(static_cast<CardCode>(i + 1)) +
                 " is not counted once in each of the " + std::to_string(rows) + " shuffles");
        }
        if (byPosition != rows) {
            Fail("\"cards\": position " + std::to_string(i + 1) + " does not sum to the " +
                 std::to_string(rows) + " shuffles");
        }
    }
}

template <class Table>
void CheckSame(const Table& read, const Table& derived, std::string_view key) {
    if (read != derived) Fail(Key(key) + " do not agree with \"cards\"");
}

// Each pair sends every position somewhere and fills every position.
void CheckMoves(const CountTable& moves, std::uint64_t pairs) {
    for (std::size_t i = 0; i < DeckSize; ++i) {
        const auto [from, to] = LineSums(moves, i);
        if (from != pairs || to != pairs) {
            Fail("\"moves\": position " + std::to_string(i + 1) + " does not sum to the " +
                 std::to_string(pairs) + " pairs");
        }
    }
}

// "first_row_given", or for a file written before it was recorded, whether "first_row" is not 0.
bool FirstRowGiven(const Json& json, std::uint64_t firstRow) {
    const auto it = json.find("first_row_given");
    if (it == json.end()) return firstRow != 0;
    if (!it->is_boolean()) Fail("\"first_row_given\" is not true or false");
    if (!it->get<bool>() && firstRow != 0) {
        Fail("\"first_row\" is " + std::to_string(firstRow) + ", but \"first_row_given\" is false");
    }
    return it->get<bool>();
}

template <std::size_t Size>
Wide Sum(const std::array<std::uint64_t, Size>& counts) {
    Wide sum = 0;
    for (const std::uint64_t count : counts) sum += count;
    return sum;
}

Json TotalsJson(const GuessTotals& totals) {
    Json json;
    json["correct"] = totals.correct;
    json["squares"] = totals.squares;
    json["decks"] = totals.decks;
    return json;
}

// A strategy's totals over at most `pairs` decks: each deck has 0 to 52 correct guesses, so
// correct <= squares <= 52 correct and correct <= 52 decks.
GuessTotals ReadTotals(const Reader& reader, std::string_view key, std::uint64_t pairs) {
    const Json& value = reader.Field(key);
    if (!value.is_object() || value.size() != 3) {
        Fail(Key(key) + " is not an object of \"correct\", \"squares\" and \"decks\"");
    }
    GuessTotals totals;
    const auto count = [&](const char* name) {
        const auto it = value.find(name);
        if (it == value.end()) Fail(Key(key) + " has no \"" + std::string(name) + "\"");
        return Reader::Count(*it, Key(key) + ": \"" + name + "\"");
    };
    totals.correct = count("correct");
    totals.squares = count("squares");
    totals.decks = count("decks");
    const Wide correct = totals.correct;
    if (totals.decks > pairs || correct > Wide{DeckSize} * totals.decks ||
        totals.squares < totals.correct || Wide{totals.squares} > Wide{DeckSize} * correct) {
        Fail(Key(key) + " is not the score of at most " + std::to_string(pairs) + " decks");
    }
    return totals;
}

// The follower table of `decks` decks: each deck has one first card, and each origin appears
// once in each deck, first or after another.
void CheckFollowers(const FollowerTable& followers, std::uint64_t decks) {
    Wide first = 0;
    for (const std::uint64_t count : followers[FirstCardRow]) first += count;
    if (first != decks) Fail("\"followers\": the first cards do not sum to the decks guessed");
    for (std::size_t i = 0; i < DeckSize; ++i) {
        Wide column = 0;
        for (const auto& row : followers) column += row[i];
        if (column != decks) {
            Fail("\"followers\": origin " + std::to_string(i) +
                 " is not counted once in each of the " + std::to_string(decks) + " decks");
        }
    }
}

}  // namespace

Json CountsToJson(const ShuffleCounts& counts, std::string_view program, const Json& source,
                  bool firstRowGiven) {
    const SeatView& view = counts.View();
    const std::int32_t offset = view.seatPosition % view.players;
    Json categories = Json::object();
    const auto hands = counts.HandCategories();
    for (std::size_t i = 0; i < hands.size(); ++i) categories[HandCategoryNames[i]] = hands[i];
    std::array<std::array<std::uint64_t, DeckSize>, DeckSize> positions{};
    const CountTable cards = counts.CardPosition();
    for (std::size_t c = 0; c < DeckSize; ++c)
        for (std::size_t p = 0; p < DeckSize; ++p) positions[p][c] = cards[c][p];

    Json json;
    json["format"] = CountsFileFormat;
    // Counts without a guessing game (merged from a version 1 file) are saved as version 1.
    const std::optional<GuessingCounts> guessing = counts.Guessing();
    json["version"] = guessing ? CountsFileVersion : 1;
    json["program"] = program;
    json["source"] = source;
    json["shuffles"] = counts.Rows();
    json["first_row"] = counts.FirstRowIndex();
    json["first_row_given"] = firstRowGiven;
    json["players"] = view.players;
    json["seat"] = offset == 0 ? std::string("D") : "D-" + std::to_string(offset);
    json["rotate"] = view.Rotating();
    json["stage"] = StageKeys[static_cast<std::size_t>(view.stage)];
    json["first"] = RowText(counts.FirstRow());
    json["last"] = RowText(counts.LastRow());
    json["cards"] = TableJson(cards);
    json["suits"] = TableJson(counts.SuitPosition());
    json["ranks"] = TableJson(counts.RankPosition());
    json["positions"] = TableJson(positions);
    json["hand_categories"] = std::move(categories);
    json["rising_sequences"] = counts.RisingSequences();
    json["fixed_points"] = counts.FixedPoints();
    json["moves"] = TableJson(counts.Moves());
    if (!guessing) return json;
    json["from_new_deck"] = counts.FromNewDeck();
    json["followers"] = TableJson(guessing->followers);
    json["guess_position"] = TotalsJson(guessing->byPosition);
    json["guess_follower"] = TotalsJson(guessing->byFollower);
    return json;
}

std::string CountsFileText(const ShuffleCounts& counts, std::string_view program,
                           const Json& source, bool firstRowGiven) {
    // A file name in the source may hold bytes that are not UTF-8: they become U+FFFD.
    return CountsToJson(counts, program, source, firstRowGiven)
               .dump(-1, ' ', false, Json::error_handler_t::replace) +
           "\n";
}

SavedCounts CountsFromJson(const Json& json) {
    const Reader reader(json);
    ShuffleCounts::Tables tables;
    const std::string program = reader.Text("program");
    const Json& source = reader.Field("source");
    if (!source.is_object()) Fail("\"source\" is not an object");

    tables.rows = reader.Count("shuffles");
    if (tables.rows == 0) Fail("\"shuffles\" is 0");
    tables.firstRow = reader.Count("first_row");
    if (!RowsFit(tables.firstRow, tables.rows)) {
        Fail("\"first_row\" + \"shuffles\" is too large");
    }
    tables.fromNewDeck = reader.Version() >= 2 && reader.Boolean("from_new_deck");
    tables.pairs = tables.fromNewDeck ? tables.rows : tables.rows - 1;
    const bool firstRowGiven = FirstRowGiven(json, tables.firstRow);
    tables.view = ReadView(reader);
    tables.first = reader.Row("first");
    tables.last = reader.Row("last");

    const std::uint64_t n = tables.rows;
    tables.cards = reader.Table<DeckSize, DeckSize>("cards", n);
    CheckCards(tables.cards, n);
    const ShuffleCounts restored = ShuffleCounts::FromTables(tables);
    // A position holds one card of each row: of one suit or rank, too, at most n times.
    CheckSame(reader.Table<SuitCount, DeckSize>("suits", n), restored.SuitPosition(), "suits");
    CheckSame(reader.Table<RankCount, DeckSize>("ranks", n), restored.RankPosition(), "ranks");
    const auto positions = reader.Table<DeckSize, DeckSize>("positions", n);
    for (std::size_t p = 0; p < DeckSize; ++p)
        for (std::size_t c = 0; c < DeckSize; ++c)
            if (positions[p][c] != tables.cards[c][p])
                Fail("\"positions\" do not agree with \"cards\"");
    for (std::size_t p = 0; p < DeckSize; ++p) {
        if (tables.cards[tables.first[p] - 1u][p] == 0 || tables.cards[tables.last[p] - 1u][p] == 0)
            Fail("\"first\" or \"last\" holds a card where \"cards\" counts none");
    }
    if (n == 1 && tables.first != tables.last)
        Fail("one shuffle, but \"first\" and \"last\" differ");

    const Json& hands = reader.Field("hand_categories");
    if (!hands.is_object() || hands.size() != HandCategoryCount) {
        Fail("\"hand_categories\" is not an object of the " + std::to_string(HandCategoryCount) +
             " categories");
    }
    for (std::size_t i = 0; i < HandCategoryCount; ++i) {
        const std::string name(HandCategoryNames[i]);
        const auto it = hands.find(name);
        if (it == hands.end()) Fail("\"hand_categories\" has no \"" + name + "\"");
        tables.categories[i] = Reader::Count(*it, "\"hand_categories\": \"" + name + "\"");
        // Two hole cards make only a high card or a pair.
        if (tables.view.stage == Stage::Hole && i >= 2 && tables.categories[i] != 0)
            Fail("\"hand_categories\": \"" + name + "\" at the hole stage");
    }
    if (Sum(tables.categories) != n) Fail("\"hand_categories\" do not sum to \"shuffles\"");

    const std::uint64_t pairs = tables.pairs;
    tables.rising =
        Reader::Counts<DeckSize>(reader.Field("rising_sequences"), "\"rising_sequences\"", pairs);
    tables.fixed = Reader::Counts<53>(reader.Field("fixed_points"), "\"fixed_points\"", pairs);
    if (Sum(tables.rising) != pairs) Fail("\"rising_sequences\" do not sum to the pairs");
    if (Sum(tables.fixed) != pairs) Fail("\"fixed_points\" do not sum to the pairs");
    tables.moves = reader.Table<DeckSize, DeckSize>("moves", pairs);
    CheckMoves(tables.moves, pairs);
    if (tables.fromNewDeck && tables.moves != tables.cards)
        Fail("\"moves\" of shuffles from a new deck do not agree with \"cards\"");

    if (reader.Version() >= 2) {
        GuessingCounts guessing;
        guessing.byPosition = ReadTotals(reader, "guess_position", pairs);
        guessing.byFollower = ReadTotals(reader, "guess_follower", pairs);
        if (guessing.byFollower.decks != guessing.byPosition.decks)
            Fail("\"guess_position\" and \"guess_follower\" scored different decks");
        guessing.followers = reader.Table<DeckSize + 1, DeckSize>("followers", pairs);
        CheckFollowers(guessing.followers, guessing.byPosition.decks);
        tables.guessing = guessing;
    }

    return SavedCounts{ShuffleCounts::FromTables(tables), program, source, firstRowGiven};
}

SavedCounts ParseCountsFile(std::string_view text) {
    if (text.size() > CountsFileMaxBytes) {
        Fail("larger than " + std::to_string(CountsFileMaxBytes >> 20) +
             " MiB, more than a counts file holds");
    }
    std::string problem;
    const std::optional<Json> json = ParseBoundedJson(text, CountsFileMaxDepth, problem);
    if (!json) Fail(problem);
    return CountsFromJson(*json);
}

}  // namespace brevane
