#include "support/LiteralGuessing.h"

#include <cstddef>

namespace brevane::literal {

namespace {

struct Pair {
    Row start;
    Row deck;
};

int Origin(const Row& start, std::uint8_t card) {
    for (int i = 0; i < DeckSize; ++i)
        if (start[static_cast<std::size_t>(i)] == card) return i;
    return -1;
}

using Table = std::vector<std::vector<std::uint64_t>>;

// P[i][j] and F[a][i] over the first `count` pairs.
void Learn(const std::vector<Pair>& pairs, std::size_t count, Table& p, Table& f) {
    p.assign(DeckSize, std::vector<std::uint64_t>(DeckSize, 0));
    f.assign(DeckSize + 1, std::vector<std::uint64_t>(DeckSize, 0));
    for (std::size_t t = 0; t < count; ++t) {
        int previous = DeckSize;
        for (int j = 0; j < DeckSize; ++j) {
            const int origin = Origin(pairs[t].start, pairs[t].deck[static_cast<std::size_t>(j)]);
            ++p[static_cast<std::size_t>(origin)][static_cast<std::size_t>(j)];
            ++f[static_cast<std::size_t>(previous)][static_cast<std::size_t>(origin)];
            previous = origin;
        }
    }
}

// The origin not in `shown` with the largest score(i), the smallest of equal ones.
template <class Score>
int Best(const std::vector<bool>& shown, const Score& score) {
    int best = -1;
    for (int i = 0; i < DeckSize; ++i) {
        if (shown[static_cast<std::size_t>(i)]) continue;
        if (best < 0 || score(i) > score(best)) best = i;
    }
    return best;
}

}  // namespace

GuessingCounts Guessing(const std::vector<Row>& rows, bool fromNewDeck) {
    Row newDeck{};
    for (int c = 0; c < DeckSize; ++c)
        newDeck[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(c + 1);
    std::vector<Pair> pairs;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (fromNewDeck) {
            pairs.push_back({newDeck, rows[r]});
        } else if (r > 0) {
            pairs.push_back({rows[r - 1], rows[r]});
        }
    }
    GuessingCounts counts;
    Table p, f;
    std::size_t learned = ~std::size_t{0};
    for (std::size_t t = 1; t <= pairs.size(); ++t) {
        const std::size_t teach = GuessBlockPairs * ((t - 1) / GuessBlockPairs);
        if (teach != learned) {
            Learn(pairs, teach, p, f);
            learned = teach;
        }
        const Pair& pair = pairs[t - 1];
        std::vector<bool> shown(DeckSize, false);
        std::uint64_t byPosition = 0, byFollower = 0;
        int previous = DeckSize;
        for (int j = 0; j < DeckSize; ++j) {
            const int origin = Origin(pair.start, pair.deck[static_cast<std::size_t>(j)]);
            const int positionGuess = Best(shown, [&](int i) {
                return p[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
            });
            const int followerGuess = Best(shown, [&](int i) {
                return f[static_cast<std::size_t>(previous)][static_cast<std::size_t>(i)];
            });
            byPosition += positionGuess == origin;
            byFollower += followerGuess == origin;
            shown[static_cast<std::size_t>(origin)] = true;
            previous = origin;
        }
        counts.byPosition.AddDeck(byPosition);
        counts.byFollower.AddDeck(byFollower);
    }
    Learn(pairs, pairs.size(), p, f);
    for (std::size_t a = 0; a <= DeckSize; ++a)
        for (std::size_t i = 0; i < DeckSize; ++i) counts.followers[a][i] = f[a][i];
    return counts;
}

}  // namespace brevane::literal
