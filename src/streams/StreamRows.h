#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "models/ShuffleRows.h"
#include "random/PRNG.h"
#include "streams/StreamPlan.h"

namespace brevane {

// Makes the rows of a plan's streams one after another: every row of the first stream, then of
// the next. Each stream starts from 2c 2d ... As with a generator of its own key, so that the
// rows of stream s are those that `--stream s` makes. Uses no generator but its own.
class StreamRowMaker {
  public:
    explicit StreamRowMaker(const StreamPlan& plan);

    // The next `count` rows into rows[0 .. 52 * count); there must be that many left.
    void Make(std::uint8_t* rows, std::size_t count);

  private:
    void StartStream(std::uint64_t stream);

    StreamPlan plan_;
    std::vector<std::uint64_t> streams_;
    std::size_t next_ = 0;    // the index in streams_ of the stream after the current one
    std::uint64_t left_ = 0;  // rows left in the current stream
    ShuffleGenerator generator_;
    std::unique_ptr<ShuffleRowMaker> maker_;
};

}  // namespace brevane
