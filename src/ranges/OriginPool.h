#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "ranges/PartScorer.h"

namespace brevane::ranges {

// Chunks for kept origins, used again from one range to the next: a rank that counts its
// ranges one after another writes each range's origins into memory it has written before,
// which costs far less than fresh pages. Taken and given back on any thread.
class OriginPool {
  public:
    // An empty chunk with room for `bytes` bytes at least.
    std::vector<std::uint8_t> Take(std::size_t bytes);
    // Every chunk of `chunks`, emptied; `chunks` is left empty.
    void GiveBack(OriginChunks& chunks);

  private:
    std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> free_;
};

// An empty chunk of fresh memory with room for `bytes` bytes and 4 MiB at least, its pages
// advised to be huge: faulting what is kept in 4 KiB at a time cost as much as counting it.
std::vector<std::uint8_t> FreshChunk(std::size_t bytes);

}  // namespace brevane::ranges
