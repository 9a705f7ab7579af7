#include "work/RowPipeline.h"

#include <algorithm>
#include <utility>

#include "cards/Cards.h"

namespace brevane {

RowPipeline::RowPipeline(std::uint64_t totalRows, std::size_t batchRows, std::size_t slots,
                         Maker make)
    : totalRows_(totalRows),
      batchRows_(std::max<std::size_t>(1, batchRows)),
      make_(std::move(make)),
      buffers_(std::max<std::size_t>(1, slots)),
      counts_(buffers_.size()) {
    for (auto& buffer : buffers_) buffer.resize(batchRows_ * DeckSize);
    thread_ = std::thread([this] { Produce(); });
}

RowPipeline::~RowPipeline() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void RowPipeline::Produce() {
    const std::uint64_t slots = buffers_.size();
    try {
        for (std::uint64_t left = totalRows_; left > 0;) {
            std::uint64_t batch;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stopping_ || made_ - released_ < slots; });
                if (stopping_) return;
                batch = made_;
            }
            // The slot of batch `batch` is free: the caller released every batch before
            // batch - slots + 1, and holds none of the slots at or after it.
            const auto slot = static_cast<std::size_t>(batch % slots);
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(left, batchRows_));
            make_(buffers_[slot].data(), count);
            left -= count;
            {
                const std::lock_guard lock(mutex_);
                counts_[slot] = count;
                ++made_;
                if (left == 0) finished_ = true;
            }
            changed_.notify_all();
        }
    } catch (...) {
        const std::lock_guard lock(mutex_);
        error_ = std::current_exception();
        finished_ = true;
    }
    {
        const std::lock_guard lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

const std::uint8_t* RowPipeline::Next(std::size_t& count) {
    std::unique_lock lock(mutex_);
    if (holding_) {
        ++released_;
        holding_ = false;
        lock.unlock();
        changed_.notify_all();
        lock.lock();
    }
    changed_.wait(lock, [&] { return made_ > released_ || finished_; });
    if (made_ > released_) {
        holding_ = true;
        const auto slot = static_cast<std::size_t>(released_ % buffers_.size());
        count = counts_[slot];
        return buffers_[slot].data();
    }
    count = 0;
    if (error_) std::rethrow_exception(error_);
    return nullptr;
}

}  // namespace brevane
