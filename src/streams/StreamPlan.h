#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "models/ShuffleModel.h"
#include "random/PRNG.h"

namespace brevane {

// Which independent streams of a generated run a process makes, and how many shuffles each.
struct StreamPlan {
    GeneratorKey runKey{};
    ShuffleModel model;
    bool fromNewDeck = false;
    // The shuffles of the whole run, split over `streams` (StreamShare); with `only`, those of
    // that one stream.
    std::uint64_t shuffles = 0;
    std::uint64_t streams = 1;
    std::optional<std::uint64_t> only;  // one stream run alone, keyed as in a run of several
    // The streams made here are first, first + step, ... below `streams` (the ranks of a
    // job each take every step-th one); ignored with `only`.
    std::uint64_t first = 0;
    std::uint64_t step = 1;

    // Whether the streams are independent lists, each with its own derived key: false only for
    // one stream of a one-stream run, which is keyed with runKey itself.
    bool Derived() const { return only || streams >= 2; }
    GeneratorKey KeyOf(std::uint64_t stream) const;
    std::uint64_t RowsOf(std::uint64_t stream) const;
    // The streams made here that hold rows, in increasing order.
    std::vector<std::uint64_t> Streams() const;
    // The rows of Streams() together.
    std::uint64_t Rows() const;
};

}  // namespace brevane
