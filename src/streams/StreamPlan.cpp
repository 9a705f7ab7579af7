#include "streams/StreamPlan.h"

#include "streams/StreamKey.h"

namespace brevane {

GeneratorKey StreamPlan::KeyOf(std::uint64_t stream) const {
    return Derived() ? StreamKey(runKey, stream) : runKey;
}

std::uint64_t StreamPlan::RowsOf(std::uint64_t stream) const {
    return only ? shuffles : StreamShare(shuffles, streams, stream);
}

std::vector<std::uint64_t> StreamPlan::Streams() const {
    std::vector<std::uint64_t> list;
    if (only) {
        if (shuffles != 0) list.push_back(*only);
        return list;
    }
    for (std::uint64_t s = first; s < streams; s += step) {
        if (RowsOf(s) != 0) list.push_back(s);
    }
    return list;
}

std::uint64_t StreamPlan::Rows() const {
    std::uint64_t rows = 0;
    for (const std::uint64_t s : Streams()) rows += RowsOf(s);
    return rows;
}

}  // namespace brevane
