#include "mpi/RankMemory.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace brevane::mpi {

namespace {

std::optional<std::uint64_t> FromEnvironment() {
    const char* text = std::getenv(RankMemoryVariable);
    if (!text || *text == '\0') return std::nullopt;
    std::uint64_t value = 0;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9') return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(*c - '0');
        if (value > (UINT64_MAX - digit) / 10) return UINT64_MAX;
        value = value * 10 + digit;
    }
    return value;
}

}  // namespace

std::uint64_t RankOriginMemory(MPI_Comm comm) {
    // Collective: every rank splits, whatever it then takes.
    MPI_Comm node = MPI_COMM_NULL;
    MPI_Comm_split_type(comm, MPI_COMM_TYPE_SHARED, 0, MPI_INFO_NULL, &node);
    int sharing = 1;
    if (node != MPI_COMM_NULL) {
        MPI_Comm_size(node, &sharing);
        MPI_Comm_free(&node);
    }
    if (const std::optional<std::uint64_t> set = FromEnvironment()) return *set;
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageBytes = sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageBytes <= 0) return 0;
    const std::uint64_t machine =
        static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageBytes);
    return machine / 4 / static_cast<std::uint64_t>(sharing > 0 ? sharing : 1);
}

}  // namespace brevane::mpi
