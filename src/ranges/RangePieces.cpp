#include "ranges/RangePieces.h"

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

RangePiece::RangePiece(ShuffleCounts counts, bool followers)
    : counts_(std::move(counts)), countFollowers_(followers) {
    counts_.DeferGuessing();
}

void RangePiece::AddRows(const std::uint8_t* rows, std::size_t count) {
    if (countFollowers_) {
        // Counting finds the origins of the pairs within the piece.
        origins_.clear();
        counts_.AddRows(rows, count, origins_);
        for (std::size_t k = 0; k < origins_.size(); k += DeckSize)
            AddFollowers(followers_, &origins_[k]);
    } else {
        counts_.AddRows(rows, count);
    }
    last_.Add(rows, count);
}

void RangePiece::Merge(RangePiece& later) {
    if (countFollowers_) {
        // The pair across the two pieces, which neither counted.
        if (!counts_.FromNewDeck() && counts_.Rows() > 0 && later.Rows() > 0) {
            std::uint8_t across[DeckSize];
            PairOriginsAfter(counts_.LastRow().data(), later.counts_.FirstRow().data(), across);
            AddFollowers(followers_, across);
        }
        for (std::size_t a = 0; a < followers_.size(); ++a)
            for (std::size_t i = 0; i < DeckSize; ++i) followers_[a][i] += later.followers_[a][i];
    }
    counts_.Merge(later.counts_);
    last_.Add(later.last_);
}

}  // namespace brevane::ranges
