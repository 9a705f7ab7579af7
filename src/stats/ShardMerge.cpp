#include "stats/ShardMerge.h"

#include <algorithm>
#include <optional>

namespace brevane {

namespace {

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

// The source's text under `key`, when it has one.
std::optional<std::string> SourceText(const Shard& shard, const char* key) {
    const auto& source = shard.saved.source;
    const auto it = source.find(key);
    if (it == source.end() || !it->is_string()) return std::nullopt;
    return it->get<std::string>();
}

bool FromFile(const Shard& shard) {
    return shard.saved.source.contains("file");
}

// What makes two shards' rows the same: the key they were made with, or the file's digest.
std::optional<std::string> RowsIdentity(const Shard& shard) {
    if (FromFile(shard)) {
        if (const auto digest = SourceText(shard, "sha256")) return "file " + *digest;
        return std::nullopt;
    }
    if (const auto key = SourceText(shard, "key")) return "key " + *key;
    return std::nullopt;
}

void CheckShards(const std::vector<Shard>& shards) {
    const Shard& first = shards.front();
    for (const Shard& shard : shards) {
        if (!(shard.saved.counts.View() == first.saved.counts.View())) {
            throw ShardMergeError(first.name + " and " + shard.name +
                                  " hold counts of different seats or stages (" +
                                  ViewText(first.saved.counts.View()) + "; " +
                                  ViewText(shard.saved.counts.View()) + ")");
        }
    }
    for (std::size_t i = 0; i < shards.size(); ++i) {
        const auto identity = RowsIdentity(shards[i]);
        if (!identity) continue;
        for (std::size_t j = i + 1; j < shards.size(); ++j) {
            if (RowsIdentity(shards[j]) == identity) {
                const bool file = FromFile(shards[i]);
                throw ShardMergeError(shards[i].name + " and " + shards[j].name +
                                      (file ? " hold the same rows (one file's SHA-256)"
                                            : " hold the same rows (made with one key)"));
            }
        }
    }
}

}  // namespace

MergedShards MergeShards(const std::vector<Shard>& shards) {
    if (shards.empty()) throw ShardMergeError("no counts to merge");
    CheckShards(shards);
    const SeatView view = shards.front().saved.counts.View();

    // The file shards by where they start in the list, shards saved without --first-row
    // numbered on from each other in the order given.
    std::vector<ShuffleCounts> fileParts;
    std::vector<const Shard*> atZero;
    for (const Shard& shard : shards) {
        if (!FromFile(shard)) continue;
        if (shard.saved.counts.FirstRowIndex() == 0) atZero.push_back(&shard);
    }
    if (atZero.size() > 1 && view.Rotating()) {
        throw ShardMergeError(atZero[0]->name + " and " + atZero[1]->name +
                              " both start at row 0 of their list and the seat rotates: save "
                              "the parts of one list with --first-row");
    }
    std::uint64_t next = 0;
    for (const Shard& shard : shards) {
        if (!FromFile(shard)) continue;
        if (atZero.size() > 1 && shard.saved.counts.FirstRowIndex() == 0) {
            ShuffleCounts::Tables tables = shard.saved.counts.ToTables();
            tables.firstRow = next;
            next += tables.rows;
            fileParts.push_back(ShuffleCounts::FromTables(tables));
        } else {
            fileParts.push_back(shard.saved.counts);
        }
    }
    std::stable_sort(fileParts.begin(), fileParts.end(),
                     [](const ShuffleCounts& a, const ShuffleCounts& b) {
                         return a.FirstRowIndex() < b.FirstRowIndex();
                     });

    MergedShards merged{ShuffleCounts(view), nlohmann::ordered_json::array(), {}};
    // Runs of file shards that follow each other end to end, each added as one part.
    for (std::size_t i = 0; i < fileParts.size();) {
        ShuffleCounts run = fileParts[i];
        for (++i; i < fileParts.size() &&
                  fileParts[i].FirstRowIndex() == run.FirstRowIndex() + run.Rows();
             ++i) {
            run.Add(fileParts[i], true);
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
