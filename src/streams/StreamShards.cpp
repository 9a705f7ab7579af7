#include "streams/StreamShards.h"

#include <algorithm>

#include "streams/StreamKey.h"

namespace brevane {

namespace {

using Json = nlohmann::ordered_json;

std::optional<std::uint64_t> StreamIndex(const Shard& shard) {
    const Json& source = shard.saved.source;
    if (!source.is_object() || !source.contains("key")) return std::nullopt;
    const auto stream = source.find("stream");
    if (stream == source.end() || !stream->is_number_unsigned()) return std::nullopt;
    return stream->get<std::uint64_t>();
}

Json WithoutStream(const Json& source) {
    Json rest = source;
    rest.erase("stream");
    return rest;
}

}  // namespace

std::optional<Json> TakeStreamRun(std::vector<Shard>& shards) {
    const std::uint64_t streams = shards.size();
    if (streams < 2 || streams > MaxStreams) return std::nullopt;
    std::vector<const Shard*> byStream(shards.size(), nullptr);
    const Json run = WithoutStream(shards.front().saved.source);
    std::uint64_t rows = 0;
    for (const Shard& shard : shards) {
        const auto index = StreamIndex(shard);
        if (!index || *index >= streams || byStream[*index]) return std::nullopt;
        if (WithoutStream(shard.saved.source) != run) return std::nullopt;
        byStream[*index] = &shard;
        rows += shard.saved.counts.Rows();
    }
    for (std::uint64_t s = 0; s < streams; ++s) {
        if (byStream[s]->saved.counts.Rows() != StreamShare(rows, streams, s)) return std::nullopt;
    }
    std::vector<Shard> ordered;
    ordered.reserve(shards.size());
    for (const Shard* shard : byStream) ordered.push_back(*shard);
    shards = std::move(ordered);
    Json source = run;
    source["streams"] = streams;
    return source;
}

}  // namespace brevane
