#pragma once

#include <cstddef>

namespace brevane {

// Bytes this process can still allocate without the system running short: the kernel's
// estimate of available memory (MemAvailable), lowered to what the address-space and data-size
// limits of the process still allow when those are set. SIZE_MAX when nothing is known.
std::size_t AvailableMemoryBytes();

}  // namespace brevane
