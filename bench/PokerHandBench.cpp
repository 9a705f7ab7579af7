// The fast hand evaluator against the literal detector algorithm (the reference kept in
// tests/support), on the same pre-generated hands in the same run: random seven-card hands,
// five-card hands with the turn and river missing, and a seat's cards read from the rows of a
// stored shuffle list. Also reports the bytes of the evaluator's lookup tables. Times are this
// thread's CPU time, so other work on a shared machine disturbs the ratio less.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdint>
#include <random>
#include <vector>

#include "analysis/ShuffleList.h"
#include "hand/HandTables.h"
#include "hand/PokerHand.h"
#include "support/LiteralEvaluator.h"

namespace {

using namespace brevane;

// This thread's CPU time, in seconds.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

constexpr std::size_t RandomHands = 10'000'000;
constexpr std::size_t ListRows = 2'000'000;
constexpr int FastPasses = 5;  // the fast pass is short; repeat it for a steadier figure

// RandomHands hands of seven distinct cards, seven bytes each, from a fixed seed.
const std::vector<std::uint8_t>& SevenCardHands() {
    static const std::vector<std::uint8_t> hands = [] {
        std::vector<std::uint8_t> out(RandomHands * 7);
        std::mt19937_64 rng(0x5EED);
        std::uint8_t deck[DeckSize];
        for (int k = 0; k < DeckSize; ++k) deck[k] = static_cast<std::uint8_t>(k + 1);
        for (std::size_t h = 0; h < RandomHands; ++h) {
            for (int k = 0; k < 7; ++k) {
                const auto pick = k + static_cast<int>(rng() % static_cast<unsigned>(DeckSize - k));
                std::swap(deck[k], deck[pick]);
                out[h * 7 + k] = deck[k];
            }
        }
        return out;
    }();
    return hands;
}

// Rows shuffled by a generator keyed with a fixed key, as the list stores them.
const ShuffleList& StoredList() {
    static const ShuffleList list = [] {
        GeneratorKey key;
        for (std::size_t k = 0; k < key.size(); ++k) key[k] = static_cast<std::uint8_t>(3 * k + 11);
        ShuffleGenerator generator;
        generator.SetKey(key);
        Deck deck = InitialDeck();
        ShuffleList out;
        for (std::size_t r = 0; r < ListRows; ++r) {
            generator.ShuffleDeck(deck);
            out.Append(deck);
        }
        return out;
    }();
    return list;
}

template <class Evaluate>
std::int64_t SevenCardPass(Evaluate evaluate) {
    const std::uint8_t* c = SevenCardHands().data();
    std::int64_t sum = 0;
    for (std::size_t h = 0; h < RandomHands; ++h, c += 7) {
        sum += evaluate(c[0], c[1], c[2], c[3], c[4], c[5], c[6]);
    }
    return sum;
}

template <class Evaluate>
std::int64_t FlopPass(Evaluate evaluate) {
    const std::uint8_t* c = SevenCardHands().data();
    std::int64_t sum = 0;
    for (std::size_t h = 0; h < RandomHands; ++h, c += 7) {
        sum += evaluate(c[0], c[1], c[2], c[3], c[4], 0, 0);
    }
    return sum;
}

// Ten players, the last seat: hole cards at deck positions 10 and 20, the board at 21 to 25.
template <class Evaluate>
std::int64_t ListPass(Evaluate evaluate) {
    const ShuffleList& list = StoredList();
    std::int64_t sum = 0;
    for (std::size_t r = 0; r < list.Count(); ++r) {
        const std::uint8_t* row = list.Row(r);
        sum += evaluate(row[9], row[19], row[20], row[21], row[22], row[23], row[24]);
    }
    return sum;
}

// Runs `pass` with both evaluators, checks they agree, and reports both rates and their ratio.
template <class Pass>
void CompareEvaluators(benchmark::State& state, Pass pass, std::size_t hands) {
    pass(EvaluateHand);  // builds the data outside the timed region
    double fastSeconds = 0, literalSeconds = 0;
    for (auto _ : state) {
        std::int64_t fastSum = 0;
        const double t0 = ThreadSeconds();
        for (int p = 0; p < FastPasses; ++p) fastSum += pass(EvaluateHand);
        const double t1 = ThreadSeconds();
        const std::int64_t literalSum = pass(literal::EvaluateHand);
        const double t2 = ThreadSeconds();
        if (fastSum != FastPasses * literalSum) state.SkipWithError("evaluators disagree");
        fastSeconds += (t1 - t0) / FastPasses;
        literalSeconds += t2 - t1;
        state.SetIterationTime((t1 - t0) / FastPasses);
    }
    const double evaluated = static_cast<double>(hands * state.iterations());
    state.counters["fast_Mhands_per_s"] = evaluated / fastSeconds / 1e6;
    state.counters["literal_Mhands_per_s"] = evaluated / literalSeconds / 1e6;
    state.counters["speed_ratio"] = literalSeconds / fastSeconds;  // target >= 90
    state.counters["table_bytes"] = static_cast<double>(hand_tables::TableBytes);
    state.SetItemsProcessed(static_cast<std::int64_t>(evaluated));
}

void BM_RandomSevenCardHands(benchmark::State& state) {
    CompareEvaluators(
        state, [](auto e) { return SevenCardPass(e); }, RandomHands);
}
BENCHMARK(BM_RandomSevenCardHands)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_FlopStageFiveCardHands(benchmark::State& state) {
    CompareEvaluators(
        state, [](auto e) { return FlopPass(e); }, RandomHands);
}
BENCHMARK(BM_FlopStageFiveCardHands)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

void BM_ShuffleListRowsSeatTenOfTen(benchmark::State& state) {
    CompareEvaluators(
        state, [](auto e) { return ListPass(e); }, ListRows);
}
BENCHMARK(BM_ShuffleListRowsSeatTenOfTen)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
