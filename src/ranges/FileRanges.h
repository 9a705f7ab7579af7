#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace brevane {

// Where part `part` of `parts` (0-based) of a file of `size` bytes begins before it is moved to a
// line start: the file cut by weight, the first part weighing `firstPerMille` thousandths of any
// other (1000: equal parts). Part 0 begins at 0; the cuts never decrease with `part`.
std::uint64_t WeightedCut(std::uint64_t size, std::uint64_t part, std::uint64_t parts,
                          std::uint64_t firstPerMille);

// The first offset at or after `at` where a line begins in the file `fd`: `at` itself when it is
// 0 or follows a line end, otherwise the offset after the next line end, or `size` when no line
// end lies in [at, size). Nullopt when a read fails, with errno's value in `error`.
std::optional<std::uint64_t> NextLineStart(int fd, std::uint64_t at, std::uint64_t size,
                                           int& error);

// The length of the file's first line with its line end, when a line end lies in its first
// `within` bytes; otherwise 0. Nullopt when a read fails, with errno's value in `error`.
std::optional<std::uint64_t> FirstLineBytes(int fd, std::uint64_t within, int& error);

// SHA-256 in hexadecimal of the bytes of `fd` from offset 0 to where a read first gives none,
// read with pread so that others may read the same descriptor meanwhile. Stops early, giving
// nullopt with `error` 0, once `*stop` is true; nullopt with errno's value in `error` when a
// read fails.
std::optional<std::string> FileSha256Hex(int fd, const std::atomic<bool>* stop, int& error);

}  // namespace brevane
