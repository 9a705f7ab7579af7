#include "work/ParallelRows.h"

#include <atomic>

namespace brevane {

namespace {

std::atomic<unsigned> chosenThreads{0};

}  // namespace

unsigned DefaultThreadCount() {
    const unsigned chosen = chosenThreads.load(std::memory_order_relaxed);
    if (chosen != 0) return chosen;
    return std::max(1u, std::thread::hardware_concurrency());
}

void SetDefaultThreadCount(unsigned threads) {
    chosenThreads.store(threads, std::memory_order_relaxed);
}

}  // namespace brevane
