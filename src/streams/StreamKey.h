#pragma once

#include <cstdint>

#include "random/PRNG.h"

namespace brevane {

// The most streams one run may be split into, 2^20.
inline constexpr std::uint64_t MaxStreams = std::uint64_t{1} << 20;

// The key of stream `stream` (0-based) of a run keyed with `runKey`:
// SHA-256(runKey || "brevane-stream" || stream as 8 bytes, most significant first).
// A run of one stream uses runKey itself; that case is the caller's.
GeneratorKey StreamKey(const GeneratorKey& runKey, std::uint64_t stream);

// The shuffles of stream `stream` when `shuffles` are split over `streams` streams: the
// quotient, and one more for each of the first (shuffles mod streams) streams.
inline std::uint64_t StreamShare(std::uint64_t shuffles, std::uint64_t streams,
                                 std::uint64_t stream) {
    return shuffles / streams + (stream < shuffles % streams ? 1 : 0);
}

}  // namespace brevane
