#include "streams/StreamRows.h"

#include <algorithm>
#include <stdexcept>

#include "cards/Cards.h"

namespace brevane {

StreamRowMaker::StreamRowMaker(const StreamPlan& plan) : plan_(plan), streams_(plan.Streams()) {}

void StreamRowMaker::StartStream(std::uint64_t stream) {
    generator_.SetKey(plan_.KeyOf(stream));
    maker_ = std::make_unique<ShuffleRowMaker>(generator_, plan_.model, plan_.fromNewDeck);
    left_ = plan_.RowsOf(stream);
}

void StreamRowMaker::Make(std::uint8_t* rows, std::size_t count) {
    while (count > 0) {
        if (left_ == 0) {
            if (next_ == streams_.size()) throw std::logic_error("no stream rows left to make");
            StartStream(streams_[next_++]);
        }
        const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left_, count));
        maker_->Make(rows, take);
        rows += take * DeckSize;
        count -= take;
        left_ -= take;
    }
}

}  // namespace brevane
