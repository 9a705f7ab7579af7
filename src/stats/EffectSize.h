#pragma once

#include <cstdint>
#include <optional>

namespace brevane {

// The chance with which the sensitivity of a test is stated: "detects w >= x" means that an
// effect of size x is found 9 times in 10.
inline constexpr double DetectionPower = 0.9;

// The significant digits of w and its sensitivity in the texts: rough figures, to be read.
inline constexpr int EffectDigits = 2;

// The effect size w = sqrt(max(0, X^2 - df) / n) of a chi-square statistic over a table that
// counts n observations. X^2 - df removes what chance alone adds on average, so a fair shuffle
// gives w near 0; for a table of equal expected cells, w is the typical relative deviation of a
// cell from its expected count. `n` must be positive.
double EffectW(double statistic, double df, std::uint64_t n);

// The smallest w that a chi-square test with `df` degrees of freedom over n observations
// detects with probability DetectionPower at significance level `level`: with c the upper
// `level` point of the central chi-square and lambda the noncentrality at which a noncentral
// chi-square exceeds c with that probability, w = sqrt(lambda / n). It is 0 when `level` is at
// least DetectionPower (even no effect is "found" that often), and nullopt when `level` is so
// small that it is zero as a double. `n` must be positive, `level` below 1.
std::optional<double> DetectableW(double df, std::uint64_t n, double level);

}  // namespace brevane
