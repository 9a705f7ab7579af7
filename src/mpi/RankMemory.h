#pragma once

#include <mpi.h>

#include <cstdint>

namespace brevane::mpi {

// The environment variable that sets, in bytes, the memory a rank may keep for the origins of
// its range's pairs (52 bytes a row) rather than reading the range a second time.
inline constexpr const char* RankMemoryVariable = "BREVANE_RANK_MEMORY";

// That memory for this rank: the variable's value when it is a whole number, otherwise a quarter
// of the machine's memory shared among the ranks that run on it. Every rank must call it.
std::uint64_t RankOriginMemory(MPI_Comm comm);

}  // namespace brevane::mpi
