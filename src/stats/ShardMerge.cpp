#include "stats/ShardMerge.h"

#include <algorithm>
#include <optional>

namespace brevane {

namespace {

using Json = nlohmann::ordered_json;

// "6 players, seat D-2 rotating, flop".
std::string ViewText(const SeatView& view) {
    const std::int32_t offset = view.seatPosition % view.players;
    std::string text = std::to_string(view.players);
    text += " players, seat D";
    if (offset != 0) {
        text += '-';
        text += std::to_string(offset);
    }
    if (view.Rotating()) text += " rotating";
    text += ", ";
    for (const char c : view.StageText()) text += static_cast<char>(c | 0x20);
    return text;
}

bool FromFile(const Shard& shard) {
    return shard.saved.source.contains("file");
}

// What makes two shards' rows the same: the file's digest, or the key, the model, the
// starting deck and the stream they were made with.
std::optional<std::string> RowsIdentity(const Shard& shard) {
    const Json& source = shard.saved.source;
    if (FromFile(shard)) {
        const auto digest = source.find("sha256");
        if (digest == source.end() || !digest->is_string()) return std::nullopt;
        return "file " + digest->get<std::string>();
    }
    const auto key = source.find("key");
    if (key == source.end() || !key->is_string()) return std::nullopt;
    return "key " + key->get<std::string>() + " model " + source.value("model", Json()).dump() +
           " from_new_deck " + source.value("from_new_deck", Json()).dump() + " stream " +
           source.value("stream", Json()).dump();
}

// Every count, and the first and last row, alike: the same rows, whatever their source says.
bool SameCounts(const ShuffleCounts& a, const ShuffleCounts& b) {
    return a.Rows() == b.Rows() && a.Pairs() == b.Pairs() && a.FirstRow() == b.FirstRow() &&
           a.LastRow() == b.LastRow() && a.RisingSequences() == b.RisingSequences() &&
           a.FixedPoints() == b.FixedPoints() && a.HandCategories() == b.HandCategories() &&
           a.CardPosition() == b.CardPosition() && a.Moves() == b.Moves();
}

void CheckShards(const std::vector<Shard>& shards) {
    const Shard& first = shards.front();
    std::uint64_t rows = 0;
    for (const Shard& shard : shards) {
        const ShuffleCounts& counts = shard.saved.counts;
        if (counts.FromNewDeck() != first.saved.counts.FromNewDeck()) {
            const bool firstNew = first.saved.counts.FromNewDeck();
            throw ShardMergeError(first.name + " and " + shard.name +
                                  " do not merge: the rows of " +
                                  (firstNew ? first.name : shard.name) +
                                  " are declared to come from a new deck, those of " +
                                  (firstNew ? shard.name : first.name) + " are not");
        }
        if (!(counts.View() == first.saved.counts.View())) {
            throw ShardMergeError(
                first.name + " and " + shard.name + " hold counts of different seats or stages (" +
                ViewText(first.saved.counts.View()) + "; " + ViewText(counts.View()) + ")");
        }
        // No count exceeds its shard's rows, so no sum of counts passes the sum of the rows.
        if (!RowsFit(rows, counts.Rows())) {
            throw ShardMergeError(first.name + " to " + shard.name + " hold more than " +
                                  std::to_string(MaxRowIndex) + " shuffles together");
        }
        rows += counts.Rows();
    }
    // What the sources say first, then what the counts show.
    const auto both = [&](std::size_t i, std::size_t j) {
        return shards[i].name + " and " + shards[j].name;
    };
    for (std::size_t i = 0; i < shards.size(); ++i) {
        const auto identity = RowsIdentity(shards[i]);
        if (!identity) continue;
        for (std::size_t j = i + 1; j < shards.size(); ++j) {
            if (RowsIdentity(shards[j]) == identity) {
                throw ShardMergeError(both(i, j) + (FromFile(shards[i])
                                                        ? " hold the same rows (one file's SHA-256)"
                                                        : " hold the same rows (made with one key "
                                                          "and model)"));
            }
        }
    }
    for (std::size_t i = 0; i < shards.size(); ++i) {
        for (std::size_t j = i + 1; j < shards.size(); ++j) {
            if (SameCounts(shards[i].saved.counts, shards[j].saved.counts)) {
                throw ShardMergeError(both(i, j) +
                                      " hold the same rows (equal counts, first and last rows)");
            }
        }
    }
}

// A shard read from a file, at its place in the list.
struct FilePart {
    const Shard* shard;
    ShuffleCounts counts;
};

// The file shards at their places in the list, in order of their first rows. Shards saved
// without --first-row are numbered on from each other in the order given; shards whose rows
// overlap are refused.
std::vector<FilePart> PlaceFileParts(const std::vector<Shard>& shards, const SeatView& view) {
    std::vector<const Shard*> unplaced;
    for (const Shard& shard : shards) {
        if (FromFile(shard) && !shard.saved.firstRowGiven) unplaced.push_back(&shard);
    }
    if (unplaced.size() > 1 && view.Rotating()) {
        throw ShardMergeError(unplaced[0]->name + " and " + unplaced[1]->name +
                              " both start at row 0 of their list and the seat rotates: save "
                              "the parts of one list with --first-row");
    }
    std::vector<FilePart> parts;
    std::uint64_t next = 0;
    for (const Shard& shard : shards) {
        if (!FromFile(shard)) continue;
        if (unplaced.size() > 1 && !shard.saved.firstRowGiven) {
            ShuffleCounts::Tables tables = shard.saved.counts.ToTables();
            tables.firstRow = next;
            next += tables.rows;
            parts.push_back({&shard, ShuffleCounts::FromTables(tables)});
        } else {
            parts.push_back({&shard, shard.saved.counts});
        }
    }
    std::stable_sort(parts.begin(), parts.end(), [](const FilePart& a, const FilePart& b) {
        return a.counts.FirstRowIndex() < b.counts.FirstRowIndex();
    });
    // Each part against the one reaching furthest before it.
    const FilePart* furthest = nullptr;
    const auto end = [](const FilePart& part) {
        return part.counts.FirstRowIndex() + part.counts.Rows();
    };
    const auto rowsText = [&](const FilePart& part) {
        return std::to_string(part.counts.FirstRowIndex()) + " to " + std::to_string(end(part) - 1);
    };
    for (const FilePart& part : parts) {
        if (furthest && part.counts.FirstRowIndex() < end(*furthest)) {
            throw ShardMergeError(furthest->shard->name + " and " + part.shard->name +
                                  " hold overlapping parts of one list (rows " +
                                  rowsText(*furthest) + " and " + rowsText(part) + ")");
        }
        if (!furthest || end(part) > end(*furthest)) furthest = &part;
    }
    return parts;
}

}  // namespace

MergedShards MergeShards(const std::vector<Shard>& shards) {
    if (shards.empty()) throw ShardMergeError("no counts to merge");
    CheckShards(shards);
    const SeatView view = shards.front().saved.counts.View();
    const std::vector<FilePart> parts = PlaceFileParts(shards, view);

    MergedShards merged{
        ShuffleCounts(view, 0, shards.front().saved.counts.FromNewDeck()), Json::array(), {}};
    // Runs of file parts that follow each other end to end, each added as one part.
    for (std::size_t i = 0; i < parts.size();) {
        ShuffleCounts run = parts[i].counts;
        for (++i; i < parts.size() &&
                  parts[i].counts.FirstRowIndex() == run.FirstRowIndex() + run.Rows();
             ++i) {
            run.Add(parts[i].counts, true);
        }
        merged.counts.Add(run, false);
    }
    for (const Shard& shard : shards) {
        if (!FromFile(shard)) merged.counts.Add(shard.saved.counts, false);
        merged.sources.push_back(shard.saved.source);
        merged.names.push_back(shard.name);
    }
    return merged;
}

}  // namespace brevane
