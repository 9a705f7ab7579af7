// The shelf machine against a law worked out from its mechanism, over many rows. Every check
// fails by chance less than once in a million runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <numeric>
#include <vector>

#include "support/ModelLaws.h"

namespace brevane {
namespace {

using test::ExpectFit;
using test::FalseFailureRate;
using test::ForEachRow;

// The chance that the card dealt at step `dealt` (0 first; it lay at position cards - 1 - dealt)
// comes out on top of the new deck after shelf:S of `cards` cards. It must end on top of its shelf:
// put above, or on an empty shelf, and every later card on that shelf put below it. And its shelf
// must come first among the J shelves that hold cards, which the random order does with chance 1 /
// J. The other cards are followed one by one with the number of other shelves they hit.
double ShelfTopChance(int shelves, int dealt, int cards = 52) {
    const double s = shelves;
    // chance[e][n]: so far its shelf is empty (e = 1) or not, and n other shelves hold cards.
    std::vector<std::vector<double>> chance(2, std::vector<double>(shelves, 0.0));
    chance[1][0] = 1;
    for (int card = 0; card < dealt; ++card) {
        std::vector<std::vector<double>> next(2, std::vector<double>(shelves, 0.0));
        for (int e = 0; e < 2; ++e) {
            for (int n = 0; n < shelves; ++n) {
                const double p = chance[e][n];
                next[0][n] += p / s;  // onto its shelf
                next[e][n] += p * n / s;
                if (n + 1 < shelves) next[e][n + 1] += p * (shelves - 1 - n) / s;
            }
        }
        chance = next;
    }
    // The card itself: on top of an empty shelf either way, of a used one only when put above.
    std::vector<double> onTop(shelves, 0.0);
    for (int n = 0; n < shelves; ++n) onTop[n] = chance[1][n] + chance[0][n] / 2;
    for (int card = dealt + 1; card < cards; ++card) {
        std::vector<double> next(shelves, 0.0);
        for (int n = 0; n < shelves; ++n) {
            next[n] += onTop[n] / s / 2;  // onto its shelf, and below it
            next[n] += onTop[n] * n / s;
            if (n + 1 < shelves) next[n + 1] += onTop[n] * (shelves - 1 - n) / s;
        }
        onTop = next;
    }
    double total = 0;
    for (int n = 0; n < shelves; ++n) total += onTop[n] / (n + 1);
    return total;
}

void CheckShelfTopCard(int shelves, bool fromNewDeck) {
    std::vector<double> law(52);
    double sum = 0;
    for (int position = 0; position < 52; ++position) {
        law[position] = ShelfTopChance(shelves, 51 - position);
        sum += law[position];
    }
    ASSERT_NEAR(sum, 1.0, 1e-12) << "some card is always on top";
    std::vector<std::uint64_t> counts(52);
    ForEachRow({ShuffleModelKind::Shelf, shelves}, fromNewDeck, 300'000,
               [&](const std::uint8_t* before, const std::uint8_t* row) {
                   ++counts[std::find(before, before + 52, row[0]) - before];
               });
    ExpectFit(counts, law, FalseFailureRate, "where the top card lay before");
}

// The same chance for a few cards by going through every outcome of the machine: each card's
// shelf and side, and every order of the shelves.
double ShelfTopChanceByCounting(int shelves, int dealt, int cards) {
    int outcomes = 1;
    for (int card = 0; card < cards; ++card) outcomes *= 2 * shelves;
    std::vector<int> order(shelves);
    std::iota(order.begin(), order.end(), 0);
    int orders = 0, hits = 0;
    do {
        ++orders;
        for (int outcome = 0; outcome < outcomes; ++outcome) {
            std::vector<std::deque<int>> shelf(shelves);
            for (int card = 0, rest = outcome; card < cards; ++card, rest /= 2 * shelves) {
                const int s = rest % (2 * shelves) / 2;
                if (rest % 2 == 1) {
                    shelf[s].push_front(card);
                } else {
                    shelf[s].push_back(card);
                }
            }
            for (int s : order) {
                if (shelf[s].empty()) continue;
                hits += shelf[s].front() == dealt;
                break;
            }
        }
    } while (std::next_permutation(order.begin(), order.end()));
    return static_cast<double>(hits) / outcomes / orders;
}

TEST(ShelfMachineSlowTest, ShelfTopCardChancesAgreeWithCountingEveryOutcome) {
    for (const int shelves : {2, 3}) {
        for (const int cards : {1, 2, 4}) {
            for (int dealt = 0; dealt < cards; ++dealt) {
                EXPECT_NEAR(ShelfTopChance(shelves, dealt, cards),
                            ShelfTopChanceByCounting(shelves, dealt, cards), 1e-12)
                    << shelves << " shelves, " << cards << " cards, dealt " << dealt;
            }
        }
    }
}

TEST(ShelfMachineSlowTest, ShelfMachineTopCardFollowsItsLaw) {
    CheckShelfTopCard(10, true);
    CheckShelfTopCard(2, false);
}

}  // namespace
}  // namespace brevane
