#include "mpi/RankMemory.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string_view>

#include "cli/CliSupport.h"

namespace brevane::mpi {

namespace {

std::optional<std::uint64_t> FromEnvironment() {
    const char* text = std::getenv(RankMemoryVariable);
    if (!text) return std::nullopt;
    const std::string_view digits(text);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    // Past 2^64 - 1 bytes: no limit.
    return cli::ParseCount(digits).value_or(UINT64_MAX);
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
