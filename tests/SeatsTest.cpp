#include "analysis/Seats.h"

#include <gtest/gtest.h>

#include <limits>

#include "AnalysisReference.h"

namespace brevane {
namespace {

SeatView View(std::int32_t n, std::int32_t p, std::int32_t stage = 3) {
    return {n, p, StageAt(stage)};
}

TEST(Seats, SeatDeckPositionMatchesTheDefinitionForEveryTableSeatAndManyRows) {
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            for (std::int64_t r = 0; r < 200; ++r) {
                ASSERT_EQ(SeatDeckPosition(View(n, p), r), reference::FirstHolePosition(n, p, r))
                    << "n " << n << " seat " << p << " row " << r;
            }
            const std::int64_t far = 4'000'000'123LL;
            EXPECT_EQ(SeatDeckPosition(View(n, p), far), reference::FirstHolePosition(n, p, far));
        }
    }
}

// The last rows below 2^63, where the seat's offset added to the row would pass 2^63 - 1:
// checked against the definition in 128-bit arithmetic.
TEST(Seats, SeatDeckPositionHoldsUpToTheLastRowIndex) {
    constexpr std::int64_t last = std::numeric_limits<std::int64_t>::max();
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t p = n; p < 2 * n; ++p) {
            for (std::int64_t back = 0; back <= 2 * n; ++back) {
                const std::int64_t r = last - back;
                const auto want = n - static_cast<std::int32_t>((__int128{p - n} + r) % n);
                ASSERT_EQ(SeatDeckPosition(View(n, p), r), want) << n << " " << p << " " << r;
            }
        }
    }
}

TEST(Seats, SteppingFormGivesTheFormulaOnEveryRow) {
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            SeatStepper stepper(View(n, p));
            for (std::int64_t r = 0; r < 3 * n + 7; ++r) {
                ASSERT_EQ(stepper.Current(), reference::FirstHolePosition(n, p, r))
                    << "n " << n << " seat " << p << " row " << r;
                stepper.Advance();
            }
            for (std::int64_t start : {0, 1, 5, 11, 1000003}) {
                SeatStepper fromStart(View(n, p), start);
                for (std::int64_t r = start; r < start + 2 * n + 1; ++r) {
                    ASSERT_EQ(fromStart.Current(), reference::FirstHolePosition(n, p, r));
                    fromStart.Advance();
                }
            }
        }
    }
}

TEST(Seats, RotatingSeatWrapsFromPositionOneBackToN) {
    // Three players, "D  (rotate)": 3, 2, 1, 3, 2, 1.
    const std::int32_t expected[] = {3, 2, 1, 3, 2, 1};
    for (std::int64_t r = 0; r < 6; ++r) EXPECT_EQ(SeatDeckPosition(View(3, 3), r), expected[r]);
    // D-2  (rotate) at three players: 1 on row 0, then 3.
    EXPECT_EQ(SeatDeckPosition(View(3, 5), 0), 1);
    EXPECT_EQ(SeatDeckPosition(View(3, 5), 1), 3);
    // Six players, D-2  (rotate), row 5: (2 + 5) mod 6 = 1, so d = 5.
    EXPECT_EQ(SeatDeckPosition(View(6, 8), 5), 5);
    // Row 0 of a rotating seat is its fixed seat; row 1 the next seat towards D-(n-1), then D.
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t k = 0; k < n; ++k) {
            EXPECT_EQ(SeatDeckPosition(View(n, n + k), 0), SeatDeckPosition(View(n, k), 0));
            EXPECT_EQ(SeatDeckPosition(View(n, n + k), 1),
                      SeatDeckPosition(View(n, (k + 1) % n), 0));
        }
    }
}

TEST(Seats, FixedSeatsIgnoreTheRow) {
    EXPECT_EQ(SeatDeckPosition(View(2, 0), 0), 2);
    EXPECT_EQ(SeatDeckPosition(View(2, 1), 7), 1);
    EXPECT_EQ(SeatDeckPosition(View(10, 0), 12345), 10);
    EXPECT_EQ(SeatDeckPosition(View(10, 9), 3), 1);
    EXPECT_EQ(SeatDeckPosition(View(10, 3), 99), 7);
}

TEST(Seats, GetPlayerCardsAgreesWithTheDefinitionAtEveryStage) {
    const ShuffleList list = reference::ShuffledList(60);
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            for (std::int32_t s = 0; s < 4; ++s) {
                for (std::int64_t r = 0; r < 60; r += 7) {
                    const SevenCards got = GetPlayerCards(list, r, View(n, p, s));
                    const reference::Cards7 want = reference::PlayerCards(list, r, n, p, s);
                    ASSERT_EQ(got, want) << "n " << n << " seat " << p << " stage " << s;
                }
            }
        }
    }
}

TEST(Seats, StagesDealTwoFiveSixAndSevenCards) {
    const ShuffleList list = reference::ShuffledList(3);
    const int dealt[] = {2, 5, 6, 7};
    for (std::int32_t s = 0; s < 4; ++s) {
        const SevenCards cards = GetPlayerCards(list, 2, View(10, 13, s));
        int nonZero = 0;
        for (const auto c : cards) nonZero += c != 0;
        EXPECT_EQ(nonZero, dealt[s]);
        for (int i = 0; i < dealt[s]; ++i) EXPECT_NE(cards[i], 0) << i;
    }
}

TEST(Seats, KnownDealsReadTheRightDeckPositions) {
    ShuffleList list;
    list.Append(InitialDeck());  // the card at deck position q has code q
    // Ten players, D-3, Turn: holes at 7 and 17, flop 21-23, turn 24, no river.
    EXPECT_EQ(GetPlayerCards(list, 0, View(10, 3, 2)), (SevenCards{7, 17, 21, 22, 23, 24, 0}));
    // Ten players, D: 10 and 20, river at 25; D-9: 1 and 11.
    EXPECT_EQ(GetPlayerCards(list, 0, View(10, 0, 3)), (SevenCards{10, 20, 21, 22, 23, 24, 25}));
    EXPECT_EQ(GetPlayerCards(list, 0, View(10, 9, 0)), (SevenCards{1, 11, 0, 0, 0, 0, 0}));
    // Two players: D at 2 and 4, D-1 at 1 and 3, board 5 to 9.
    EXPECT_EQ(GetPlayerCards(list, 0, View(2, 0, 3)), (SevenCards{2, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(GetPlayerCards(list, 0, View(2, 1, 1)), (SevenCards{1, 3, 5, 6, 7, 0, 0}));
}

TEST(Seats, RowsOutsideTheListGiveSevenZeros) {
    const SevenCards zeros{};
    ShuffleList empty;
    EXPECT_EQ(GetPlayerCards(empty, 0, View(10, 0, 3)), zeros);
    const ShuffleList list = reference::ShuffledList(4);
    EXPECT_EQ(GetPlayerCards(list, -1, View(10, 0, 3)), zeros);
    EXPECT_EQ(GetPlayerCards(list, 4, View(10, 0, 3)), zeros);
    EXPECT_EQ(GetPlayerCards(list, -5'000'000'000LL, View(4, 5, 3)), zeros);
    EXPECT_NE(GetPlayerCards(list, 3, View(10, 0, 3)), zeros);
}

TEST(Seats, SeatPositionLabels) {
    EXPECT_EQ(SeatPositionLabels(2),
              (std::vector<std::string>{"D", "D-1", "D  (rotate)", "D-1  (rotate)"}));
    const auto ten = SeatPositionLabels(10);
    ASSERT_EQ(ten.size(), 20u);
    EXPECT_EQ(ten[0], "D");
    EXPECT_EQ(ten[9], "D-9");
    EXPECT_EQ(ten[10], "D  (rotate)");
    EXPECT_EQ(ten[13], "D-3  (rotate)");
    EXPECT_EQ(ten[19], "D-9  (rotate)");
    for (std::int32_t n = 2; n <= 10; ++n) EXPECT_EQ(SeatPositionLabels(n).size(), 2u * n);
}

TEST(Seats, BoardCardCountByStage) {
    EXPECT_EQ(BoardCardCount(Stage::Hole), 0);
    EXPECT_EQ(BoardCardCount(Stage::Flop), 3);
    EXPECT_EQ(BoardCardCount(Stage::Turn), 4);
    EXPECT_EQ(BoardCardCount(Stage::River), 5);
    EXPECT_EQ(StageName(Stage::Hole), "Hole");
    EXPECT_EQ(StageName(Stage::River), "River");
    EXPECT_EQ(View(6, 8).SeatText(), "D-2  (rotate)");
    EXPECT_TRUE(View(6, 6).Rotating());
    EXPECT_FALSE(View(6, 5).Rotating());
}

TEST(Seats, PositionRoleAtFlopWithFourPlayers) {
    for (std::int64_t r : {0, 1, 17}) {
        for (std::int32_t q = 1; q <= 52; ++q) {
            CardRole want = CardRole::UndealtCard;
            if (q == 4 || q == 8) {
                want = CardRole::SeatHoleCard;
            } else if (q <= 8) {
                want = CardRole::OtherHoleCard;
            } else if (q <= 11) {
                want = CardRole::DealtCommunityCard;
            }
            EXPECT_EQ(PositionRole(View(4, 0, 1), r, q), want) << "position " << q;
        }
    }
}

TEST(Seats, PositionRoleFollowsARotatingSeatAndTheStage) {
    for (std::int32_t n = 2; n <= 10; ++n) {
        for (std::int32_t p = 0; p < 2 * n; ++p) {
            for (std::int32_t s = 0; s < 4; ++s) {
                for (std::int64_t r = 0; r < 2 * n; ++r) {
                    const int d = reference::FirstHolePosition(n, p, r);
                    int seat = 0, other = 0, board = 0;
                    for (std::int32_t q = 1; q <= 52; ++q) {
                        const CardRole role = PositionRole(View(n, p, s), r, q);
                        seat += role == CardRole::SeatHoleCard;
                        other += role == CardRole::OtherHoleCard;
                        board += role == CardRole::DealtCommunityCard;
                        if (role == CardRole::SeatHoleCard) {
                            EXPECT_TRUE(q == d || q == d + n);
                        }
                    }
                    ASSERT_EQ(seat, 2);
                    ASSERT_EQ(other, 2 * n - 2);
                    ASSERT_EQ(board, BoardCardCount(StageAt(s)));
                }
            }
        }
    }
    // River at ten players: 21 to 25 dealt, 26 undealt; Hole: 21 undealt.
    EXPECT_EQ(PositionRole(View(10, 0, 3), 0, 25), CardRole::DealtCommunityCard);
    EXPECT_EQ(PositionRole(View(10, 0, 3), 0, 26), CardRole::UndealtCard);
    EXPECT_EQ(PositionRole(View(10, 0, 0), 0, 21), CardRole::UndealtCard);
    EXPECT_EQ(PositionRole(View(10, 0, 0), 0, 20), CardRole::SeatHoleCard);
}

}  // namespace
}  // namespace brevane
