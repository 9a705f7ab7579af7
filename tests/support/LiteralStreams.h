#pragma once

// A literal run of independent streams, written from their definition, for the fast stream
// code in src/streams to be checked against: the key of each stream comes from Python's
// hashlib, its rows from the reference RC4 shuffler, its counts from the literal counter.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/LiteralStats.h"

namespace brevane::test {

using Key = std::array<std::uint8_t, 32>;

// SHA-256(runKey || "brevane-stream" || stream as 8 bytes big-endian), computed by python3's
// hashlib in a child process.
Key PythonStreamKey(const Key& runKey, std::uint64_t stream);

// The fisher-yates rows of one stream: `rows` shuffles of the deck 1..52 in turn, each
// continuing from the last, with the reference shuffler keyed by `key`.
std::vector<literal::Row> LiteralStreamRows(const Key& key, std::uint64_t rows);

// Every stream's rows, stream 0 first, for `shuffles` split over `streams` as the first
// (shuffles mod streams) streams taking one more.
std::vector<std::vector<literal::Row>> LiteralRun(const Key& runKey, std::uint64_t shuffles,
                                                  std::uint64_t streams);

// The tables of each stream counted on its own, added up.
literal::Tables SumOfStreams(const std::vector<std::vector<literal::Row>>& streams);

}  // namespace brevane::test
