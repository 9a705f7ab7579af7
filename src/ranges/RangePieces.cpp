#include "ranges/RangePieces.h"

#include <cstdint>

namespace brevane::ranges {

void LastRows::Add(const std::uint8_t* rows, std::size_t count) {
    constexpr std::size_t keep = GuessBlockPairs * DeckSize;
    const std::size_t bytes = count * DeckSize;
    if (bytes >= keep) {
        rows_.assign(rows + bytes - keep, rows + bytes);
        return;
    }
    rows_.insert(rows_.end(), rows, rows + bytes);
    if (rows_.size() > keep)
        rows_.erase(rows_.begin(),
                    rows_.begin() + static_cast<std::ptrdiff_t>(rows_.size() - keep));
}

RangePiece::RangePiece(ShuffleCounts counts, bool followers, bool keepOrigins, OriginPool* pool)
    : counts_(std::move(counts)),
      countFollowers_(followers),
      keepOrigins_(keepOrigins),
      pool_(pool) {
    counts_.DeferGuessing();
}

std::vector<std::uint8_t>& RangePiece::ChunkFor(std::size_t pairs) {
    const std::size_t bytes = pairs * DeckSize;
    if (kept_.empty() || kept_.back().capacity() - kept_.back().size() < bytes)
        kept_.push_back(pool_ ? pool_->Take(bytes) : FreshChunk(bytes));
    return kept_.back();
}

void RangePiece::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (countFollowers_ || keepOrigins_) {
        // Counting finds the origins of the pairs within the piece, and writes them where they
        // are kept.
        if (!keepOrigins_) origins_.clear();
        std::vector<std::uint8_t>& out = keepOrigins_ ? ChunkFor(count) : origins_;
        const std::size_t from = out.size();
        counts_.AddRows(rows, count, out);
        if (countFollowers_) {
            for (std::size_t k = from; k < out.size(); k += DeckSize)
                AddFollowers(followers_, &out[k]);
        }
    } else {
        counts_.AddRows(rows, count);
    }
    last_.Add(rows, count);
}

void RangePiece::Merge(RangePiece& later) {
    // The pair across the two pieces, which neither counted.
    if ((countFollowers_ || keepOrigins_) && !counts_.FromNewDeck() && counts_.Rows() > 0 &&
        later.Rows() > 0) {
        std::uint8_t across[DeckSize];
        PairOriginsAfter(counts_.LastRow().data(), later.counts_.FirstRow().data(), across);
        if (countFollowers_) AddFollowers(followers_, across);
        if (keepOrigins_) {
            std::vector<std::uint8_t>& chunk = ChunkFor(1);
            chunk.insert(chunk.end(), across, across + DeckSize);
        }
    }
    if (countFollowers_) {
        for (std::size_t a = 0; a < followers_.size(); ++a)
            for (std::size_t i = 0; i < DeckSize; ++i) followers_[a][i] += later.followers_[a][i];
    }
    for (auto& chunk : later.kept_) kept_.push_back(std::move(chunk));
    later.kept_.clear();
    counts_.Merge(later.counts_);
    last_.Add(later.last_);
}

}  // namespace brevane::ranges
