#pragma once

// Slow, literal versions of the fairness counts and tests, written straight from their
// definitions for the fast code in src/stats to be checked against. They share no code with it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

namespace brevane::literal {

using Row = std::array<std::uint8_t, 52>;

// `count` independent uniformly random orders of the card codes 1..52.
inline std::vector<Row> RandomRows(std::size_t count, std::uint64_t seed) {
    std::mt19937_64 random(seed);
    std::vector<Row> rows(count);
    for (Row& row : rows) {
        std::iota(row.begin(), row.end(), std::uint8_t{1});
        std::shuffle(row.begin(), row.end(), random);
    }
    return rows;
}

// The rows back to back, 52 bytes each.
inline std::vector<std::uint8_t> Flatten(const std::vector<Row>& rows) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(rows.size() * 52);
    for (const Row& row : rows) bytes.insert(bytes.end(), row.begin(), row.end());
    return bytes;
}

struct Tables {
    std::uint64_t cards[52][52] = {};  // [card code - 1][position - 1]
    std::uint64_t moves[52][52] = {};  // [earlier position - 1][later position - 1]
    std::uint64_t suits[4][52] = {};
    std::uint64_t ranks[13][52] = {};
    std::uint64_t rising[53] = {};  // [R], R = 1..52
    std::uint64_t fixed[53] = {};   // [k]
};

// Every count over the rows in order, each pair looked up by searching the later row.
Tables CountLiterally(const std::vector<Row>& rows);

// Pearson's X^2, summed in long double.
long double Pearson(const std::vector<long double>& observed,
                    const std::vector<long double>& expected);

// P(chi-square with df degrees of freedom >= x) from the closed forms of the upper incomplete
// gamma function at whole and half shapes a = df / 2, y = x / 2:
//   df even: Q = e^-y sum_{i=0}^{a-1} y^i / i!
//   df odd:  Q = erfc(sqrt y) + e^-y sum_{i=1}^{a-1/2} y^(i-1/2) / Gamma(i + 1/2)
long double UpperTail(long double x, int df);

// Cell merging as its rules read, one walk at a time: groups as [begin, end) pairs.
std::vector<std::pair<std::size_t, std::size_t>> MergeCells(const std::vector<double>& expected);

// Holm's step-down, by repeatedly taking the smallest p-value not yet decided.
std::vector<bool> Holm(const std::vector<double>& p, double alpha);

}  // namespace brevane::literal
