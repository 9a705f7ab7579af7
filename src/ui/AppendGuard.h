#pragma once

#include <cstddef>
#include <new>
#include <stdexcept>

#include "analysis/ShuffleList.h"

namespace brevane {

// The error that rows refused for want of memory end with: "Out of memory".
class OutOfMemoryError : public std::bad_alloc {
  public:
    const char* what() const noexcept override;
};

// Whether `rows` more rows fit in the list and the grid with memory to spare for everything
// else, so that appending never runs the system out of memory.
bool FitsInMemory(const ShuffleList& list, std::size_t rows);

// The error that rows beyond the grid's reach of `limit` rows end with.
std::length_error GridFullError(std::size_t limit);

}  // namespace brevane
