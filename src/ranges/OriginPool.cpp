#include "ranges/OriginPool.h"

#include <sys/mman.h>

#include <algorithm>

namespace brevane::ranges {

namespace {

// Chunks of a few megabytes, so that what is kept is never copied as it grows.
constexpr std::size_t ChunkBytes = std::size_t{4} << 20;

// Asks for huge pages under the whole 2 MiB pages of `chunk`'s capacity.
void AdviseHugePages(std::vector<std::uint8_t>& chunk) {
    constexpr std::uintptr_t huge = std::uintptr_t{2} << 20;
    const auto begin = reinterpret_cast<std::uintptr_t>(chunk.data());
    const std::uintptr_t from = (begin + huge - 1) & ~(huge - 1);
    const std::uintptr_t to = (begin + chunk.capacity()) & ~(huge - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace

std::vector<std::uint8_t> FreshChunk(std::size_t bytes) {
    std::vector<std::uint8_t> chunk;
    chunk.reserve(std::max(ChunkBytes, bytes));
    AdviseHugePages(chunk);
    return chunk;
}

std::vector<std::uint8_t> OriginPool::Take(std::size_t bytes) {
    {
        const std::lock_guard lock(mutex_);
        for (auto it = free_.rbegin(); it != free_.rend(); ++it) {
            if (it->capacity() < bytes) continue;
            std::vector<std::uint8_t> chunk = std::move(*it);
            free_.erase(std::next(it).base());
            return chunk;
        }
    }
    return FreshChunk(bytes);
}

void OriginPool::GiveBack(OriginChunks& chunks) {
    const std::lock_guard lock(mutex_);
    for (auto& chunk : chunks) {
        chunk.clear();
        free_.push_back(std::move(chunk));
    }
    chunks.clear();
}

}  // namespace brevane::ranges
