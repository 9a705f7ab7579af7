#include "os/Memory.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <limits>
#include <sstream>
#include <string>

namespace brevane {

namespace {

constexpr std::size_t Unknown = std::numeric_limits<std::size_t>::max();

// The value in kB of the line "<field>: N kB" of a /proc text file, in bytes; Unknown if absent.
std::size_t ProcFieldBytes(const char* file, const std::string& field) {
    std::ifstream in(file);
    const std::string prefix = field + ":";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, prefix.size(), prefix) != 0) continue;
        std::istringstream value(line.substr(prefix.size()));
        std::uint64_t kb = 0;
        if (value >> kb) return static_cast<std::size_t>(kb) * 1024;
    }
    return Unknown;
}

// What remains of a resource limit above the current use; Unknown when there is no limit.
std::size_t RoomUnderLimit(int resource, const char* usageField) {
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return Unknown;
    const std::size_t used = ProcFieldBytes("/proc/self/status", usageField);
    if (used == Unknown) return Unknown;
    const auto cap = static_cast<std::size_t>(limit.rlim_cur);
    return cap > used ? cap - used : 0;
}

}  // namespace

std::size_t AvailableMemoryBytes() {
    std::size_t bytes = ProcFieldBytes("/proc/meminfo", "MemAvailable");
    bytes = std::min(bytes, RoomUnderLimit(RLIMIT_AS, "VmSize"));
    bytes = std::min(bytes, RoomUnderLimit(RLIMIT_DATA, "VmData"));
    return bytes;
}

}  // namespace brevane
