#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "stats/ShardMerge.h"

namespace brevane {

// When `shards` are every stream of one generated run, saved by `--stream s` runs for s = 0 to
// S - 1 (S >= 2): each stream once, their sources alike but for "stream", and each holding its
// share (StreamShare) of their rows together. Then gives the source that `--streams S` names,
// and puts the shards in stream order, in which adding them gives what that run counts;
// otherwise nullopt, and the shards stay as they were.
std::optional<nlohmann::ordered_json> TakeStreamRun(std::vector<Shard>& shards);

}  // namespace brevane
