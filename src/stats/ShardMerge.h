#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "stats/CountsFile.h"
#include "stats/ShuffleCounts.h"

namespace brevane {

// One counts file to merge, with the name it goes by in messages.
struct Shard {
    std::string name;
    SavedCounts saved;
};

struct MergedShards {
    ShuffleCounts counts;
    nlohmann::ordered_json sources;  // the shards' sources, in the order given
    std::vector<std::string> names;  // the shards' names, in the same order
};

// Why shards do not merge; the message names the files concerned.
class ShardMergeError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Adds up the counts of the shards (at least one) as one run over all their rows would count
// them:
// - All shards must share one seat view (players, seat, rotation, stage) and one starting
//   order (all declared to come from a new deck, or none), and hold at most MaxRowIndex rows
//   together.
// - The guessing scores add up, each shard having learned from its own rows only, so they equal
//   one run's only for one shard; they are absent when any shard lacks them (version 1).
// - Two shards must not hold the same rows: read from files with one SHA-256, generated with
//   one key, model and starting deck, or, whatever their sources say, with equal counts and
//   equal first and last rows.
// - Shards read from files ("source" has "file") are parts of one list: they are taken in order
//   of "first_row", and the pair across two of them counts when the later starts where the
//   earlier ends. Parts whose rows overlap are refused. Shards of generated rows ("key") only
//   bring their own pairs.
// - Several file shards saved without --first-row are taken to follow each other in the order
//   given, which a fixed seat does not notice. A rotating seat started afresh in each, unlike
//   in one run, so such shards are refused.
// Throws ShardMergeError.
MergedShards MergeShards(const std::vector<Shard>& shards);

}  // namespace brevane
